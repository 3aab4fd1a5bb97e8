#pragma once

#include "model/UsageSnapshot.h"

#include <QString>

// The one export of the ledger, behind both "导出 CSV" and `tallyfern --export-csv`: one billing
// cycle's events as CSV, and how much of that cycle the ledger holds for good.
namespace CycleExport {

enum class Cycle { current, previous };

struct Result
{
    enum class Outcome {
        written,
        noLedger,   // history was never kept (or was switched off)
        unreadable, // the ledger cannot be opened
        unwritable, // the file cannot be written, or its name is taken by something else
    };

    Outcome outcome = Outcome::noLedger;
    qsizetype events = 0;
    int finalDays = 0; // the cycle's UTC-day windows so far that the ledger holds for good
    int days = 0;      // the cycle's UTC-day windows begun so far

    bool isComplete() const { return finalDays >= days; }
};

// The cycle is the current one of `snapshot` (or the one before), at Clock::now().
Result write(const QString& ledgerPath, const UsageSnapshot& snapshot, Cycle cycle, const QString& fileName);

// What an export says, in the window's status line and on the command's standard error alike.
QString unwritableText(const QString& fileName); // the file could not be written
QString incompleteText(const Result& result);    // written, while a day of the cycle may still change
QString ownFileText(const QString& fileName);    // refused: one of Tallyfern's own files

} // namespace CycleExport
