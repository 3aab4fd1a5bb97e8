#pragma once

#include <QString>

#include <optional>

// The accounts from a terminal, on a headless machine too: `--add-account` (the cookie read from
// the terminal or a pipe, never from the command line), `--accounts [--format text|json]`,
// `--remove-account <id or label>` and `--primary <id or label>`. Each runs on a QCoreApplication
// and returns the exit status: 0 done, 1 refused (the reason on stderr), 2 misused or unknown.
namespace AccountCommands {

int add(int& argc, char** argv);
int list(int& argc, char** argv, const std::optional<QString>& format);
int remove(int& argc, char** argv, const QString& account);
int primary(int& argc, char** argv, const QString& account);

} // namespace AccountCommands
