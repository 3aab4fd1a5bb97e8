#pragma once

#include <QSettings>
#include <QString>

#include <functional>
#include <memory>

// The settings file of one executable's domain, opened the platform's way (SettingsFile_unix.cpp,
// SettingsFile_apple.cpp). Only Preferences opens it.
namespace SettingsFile {

// For reading only: creates nothing.
std::unique_ptr<QSettings> read(const QString& domain);

// Applies `change` to the stored settings and saves the result whole, or not at all: false when it
// could not be saved, and the file then holds what it held before. Creates the file (0600) and its
// folder (0700) when missing.
bool update(const QString& domain, const std::function<void(QSettings&)>& change);

} // namespace SettingsFile
