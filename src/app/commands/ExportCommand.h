#pragma once

#include "history/CycleExport.h"

#include <QString>

#include <optional>

// "tallyfern --export-csv FILE [--cycle current|previous] [--account <id or label>]": one account's
// ledger events of one billing cycle as CSV (the primary's unless another is named), without a
// window. Exit 0 when written (a cycle not yet fully synced is still exported, with one line on
// stderr saying so), 1 when there is no ledger or the file cannot be written, 2 for a usage error;
// every failure is one line on stderr.
namespace ExportCommand {

struct Request
{
    QString fileName;
    std::optional<QString> cycle;   // "current" (when absent) or "previous"
    std::optional<QString> account; // the primary when absent
};

// Writes the export and returns the exit status; messages go to `errors` (stderr in real use).
int exportCsv(const Request& request, QString* errors);

// Runs on a QCoreApplication, prints and returns the exit status.
int run(int& argc, char** argv, const Request& request);

} // namespace ExportCommand
