#pragma once

#include "LedgerDatabase.h"

#include <QString>

#include <memory>

// The ledger's file on disk: created private, checked, brought to the current schema one step at a
// time (so an older file keeps its rows), and set aside when it cannot serve.
namespace LedgerFile {

enum class Opened {
    ok,
    busy,   // another connection holds the file: no reason to set it aside
    broken, // corrupt, of a newer schema, or unopenable
};

// Opens the file at `path` into `out` when `ok`.
Opened open(const QString& path, std::unique_ptr<LedgerDatabase>& out);

// Renames the file "<name>.broken-<yyyyMMdd-HHmmss>" (deleted when that fails) with its WAL
// companions gone, and deletes the oldest such files beyond Ledger::keptBrokenFiles.
void setAside(const QString& path);

} // namespace LedgerFile
