#pragma once

#include <QStringList>

#include <optional>

// "tallyfern --status [--format text|json|waybar]": prints the stored snapshot and exits. It reads
// only the support folder and the settings: no network, no secret store, no display.
namespace StatusCommand {

enum class Format { text, json, waybar };

// The format the arguments ask for: text when none; nothing for an unknown name or a missing value.
std::optional<Format> format(const QStringList& arguments);

// Runs on a QCoreApplication. Exit status 0, or 2 (one line on stderr, nothing on stdout) for an
// unknown format.
int run(int& argc, char** argv);

} // namespace StatusCommand
