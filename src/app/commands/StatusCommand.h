#pragma once

#include <QString>

#include <optional>

// "tallyfern --status [--format text|json|waybar] [--account <id, label or all>]": prints the stored
// snapshot and exits. It reads only the support folder and the settings: no network, no secret
// store, no display, and it creates nothing.
namespace StatusCommand {

enum class Format { text, json, waybar };

// The format a "--format" value names: text when none was given; nothing for an unknown name.
std::optional<Format> format(const std::optional<QString>& name);

// Runs on a QCoreApplication with the values the command line parsed. Exit status 0, or 2 (one line
// on stderr, nothing on stdout) for an unknown format or account.
int run(int& argc, char** argv, const std::optional<QString>& formatName,
        const std::optional<QString>& account);

} // namespace StatusCommand
