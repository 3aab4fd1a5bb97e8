#pragma once

#include <QtGlobal>

#include <optional>

#include <sys/types.h>

// Whose a running process is, as the system records it (also for a process that made itself
// non-dumpable, whose /proc entries then belong to root).
namespace ProcessOwner {

// The real user id of the process, or nothing when there is no such process or it cannot be read.
std::optional<uid_t> userOf(qint64 pid);

} // namespace ProcessOwner
