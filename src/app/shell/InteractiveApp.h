#pragma once

// The interactive app: the dashboard window and the tray on one usage store, until "退出". A second
// launch shows the running instance's window and returns 0 at once. A `background` launch opens
// only the tray (the window too when there is no tray) and leaves a running instance alone.
int runInteractiveApp(int& argc, char** argv, bool background = false);
