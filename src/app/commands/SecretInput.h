#pragma once

#include <QString>

#include <optional>

// Reads one secret (a cookie or a token) the way `--add-account` takes it: never from the command
// line, where other users could see it. On a terminal it prompts on stderr with the echo and line
// editing off (one line, up to Enter), and the terminal's settings come back on every path, Ctrl+C
// included; from a pipe it reads at most 64 KiB.
namespace SecretInput {

inline constexpr qint64 maximumBytes = 64 * 1024;

// Nothing when the input is longer than the limit or cannot be read.
std::optional<QString> read(const QString& prompt);

} // namespace SecretInput
