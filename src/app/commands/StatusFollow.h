#pragma once

#include "StatusCommand.h"

#include <QString>

#include <optional>

// "tallyfern --status --follow": the status for a bar that keeps reading, such as Waybar's continuous
// custom module. It prints at once, then again when a refresh stores (the widget's reload marker,
// watched with the folder) or when the data turn stale, and only when what it would print changed:
// one line in JSON and Waybar, one line per account in text with --account all. It never looks at
// the files on a timer, and never reaches the network. A reader that goes away ends it.
namespace StatusFollow {

// Runs on the QCoreApplication already made. Exit status 0 once the reader of standard output is gone,
// 2 (one line on stderr) for an unknown account, at the start or once it was removed.
int run(StatusCommand::Format format, const std::optional<QString>& account);

} // namespace StatusFollow
