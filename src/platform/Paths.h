#pragma once

#include <QString>

// Where the program keeps its files. Every path follows the XDG variables on Linux, so that tests
// point them at temporary folders.
namespace Paths {

// The user's real home directory, from the user database; Qt's home path when that has none.
QString homeDirectory();

// Linux: $XDG_DATA_HOME/Tallyfern, else <home>/.local/share/Tallyfern.
// macOS: <home>/Library/Application Support/Tallyfern. Reading it never creates it.
QString supportFolder();

// Linux: $XDG_DATA_HOME, else <home>/.local/share.
QString dataHome();

// Linux: $XDG_CONFIG_HOME, else <home>/.config.
QString configHome();

// Where desktop applications keep their own files, the Cursor editor among them. Linux: the config
// home; macOS: <home>/Library/Application Support.
QString applicationsConfigHome();

// Where the settings files live on Linux: <configHome>/Tallyfern.
QString settingsFolder();

} // namespace Paths
