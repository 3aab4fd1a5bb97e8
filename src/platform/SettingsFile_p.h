#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// The settings file of one executable's domain, opened the platform's way (SettingsFile_unix.cpp,
// SettingsFile_apple.cpp). Only Preferences opens it.
namespace SettingsFile {

enum class Mode {
    read,  // creates nothing
    write, // creates the file (0600) and its folder (0700) first
};

std::unique_ptr<QSettings> open(const QString& domain, Mode mode);

} // namespace SettingsFile
