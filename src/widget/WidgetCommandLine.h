#pragma once

class QApplication;

// The widget executable's command line: without arguments it puts the widget on the desktop;
// `--render FAMILY OUT.png` draws one timeline entry into a PNG file and exits.
namespace WidgetCommandLine {

// Before the application exists: rendering needs no display, so it defaults to the offscreen
// platform when no platform is chosen.
void preparePlatform(int argc, char** argv);

// Parses the arguments and runs; returns the exit status.
int run(QApplication& app);

} // namespace WidgetCommandLine
