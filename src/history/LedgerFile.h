#pragma once

#include "LedgerDatabase.h"

#include <QString>

#include <memory>

// The ledger's file on disk: created private, checked, brought to the current schema one step at a
// time (so an older file keeps its rows), and set aside when it cannot serve.
namespace LedgerFile {

inline constexpr int schemaVersion = 2;
inline constexpr int keptBrokenFiles = 3;

enum class Opened {
    ok,
    busy,        // another connection holds the file: no reason to set it aside
    unavailable, // a full disk, an I/O or read-only error, or it cannot be created: nothing says the
                 // file is broken, so it stays as it is and a later run tries again
    broken,      // corrupt, not a database, or of a newer schema
};

// Opens the file at `path` into `out` when `ok`.
Opened open(const QString& path, std::unique_ptr<LedgerDatabase>& out);

// Renames a broken file "<name>.broken-<yyyyMMdd-HHmmss>" (with "-2", "-3"… when that name is taken:
// a file set aside never replaces another) and removes its WAL companions, then deletes the oldest
// such files beyond keptBrokenFiles. False, with the file left where it is, when it cannot be renamed.
bool setAside(const QString& path);

} // namespace LedgerFile
