#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// "tallyfern --status [--format text|json|waybar] [--account <id, label or all>] [--follow]": prints
// the stored snapshot and exits, or with --follow prints it again whenever it changes. It reads only
// the support folder and the settings: no network, no display, and it creates nothing. Only JSON with
// --account all asks the secret store, without unlocking, whether each account's token is there.
namespace StatusCommand {

enum class Format { text, json, waybar };

// The format a "--format" value names: text when none was given; nothing for an unknown name.
std::optional<Format> format(const std::optional<QString>& name);

// What the command prints now, one entry per line; nothing for an unknown account.
std::optional<QStringList> lines(Format format, const std::optional<QString>& account);

// Runs on a QCoreApplication with the values the command line parsed. Exit status 0, or 2 (one line
// on stderr, nothing on stdout) for an unknown format or account.
int run(int& argc, char** argv, const std::optional<QString>& formatName,
        const std::optional<QString>& account, bool follow = false);

} // namespace StatusCommand
