#pragma once

#include <QString>

// The GNOME Shell extension that shows the usage in GNOME's top bar (the tallyfern-gnome-shell
// package): where the settings page offers its switch, and turning it on and off for this user. Debian
// never enables an extension on install, and GNOME shows no tray icons, so on GNOME this switch is the
// way to the numbers in the panel. Every command goes through the process runner, so that tests can
// play the desktop.
namespace TopBarExtension {

inline constexpr auto uuid = "tallyfern@tallyfern.local";

// What the switch depends on.
struct Host
{
    bool gnome = false;     // the desktop is GNOME (XDG_CURRENT_DESKTOP names it)
    bool tray = false;      // a tray shows our icon (then the extension adds nothing)
    bool installed = false; // the extension's files are in a data folder
};

// The host the app runs on, unless a test set one.
Host host();
// nullptr: the real host again. The caller keeps ownership.
void setHost(const Host* host);

// The switch is shown: on GNOME, with no tray, the extension installed.
bool offered();

enum class State {
    off,
    on,
    // Enabled for this user, but the running shell loaded its extensions before it was installed:
    // it shows after the next login.
    afterLogin,
};

// As this user's shell settings have it, and whether the running shell has it.
State state();

// Enables or disables it through `gnome-extensions`; one the running shell does not know yet is
// switched in the settings the next login reads. The state after.
State setEnabled(bool enabled);

} // namespace TopBarExtension
