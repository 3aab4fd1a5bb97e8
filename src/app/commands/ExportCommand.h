#pragma once

#include "history/CycleExport.h"

#include <QString>
#include <QStringList>

#include <optional>

// "tallyfern --export-csv FILE [--cycle current|previous]": the ledger's events of one billing
// cycle as CSV, without a window. Exit 0 when written (a cycle not yet fully synced is still
// exported, with one line on stderr saying so), 1 when there is no ledger or the file cannot be
// written, 2 for a usage error; every failure is one line on stderr.
namespace ExportCommand {

struct Request
{
    QString fileName;
    CycleExport::Cycle cycle = CycleExport::Cycle::current;
};

// The request, or the one-line reason it is no usable request.
struct Parsed
{
    std::optional<Request> request;
    QString error;
};
Parsed parse(const QStringList& arguments);

// Writes the export and returns the exit status; messages go to `errors` (stderr in real use).
int exportCsv(const Request& request, QString* errors);

// Parses argv, runs on a QCoreApplication, prints and returns the exit status.
int run(int& argc, char** argv);

} // namespace ExportCommand
