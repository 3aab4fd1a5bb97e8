#include "CycleExport.h"

#include "CsvExport.h"
#include "CycleSpan.h"
#include "Ledger.h"

#include "platform/Clock.h"

#include <QFileInfo>

CycleExport::Result CycleExport::write(const QString& ledgerPath, const UsageSnapshot& snapshot, Cycle cycle,
                                       const QString& fileName)
{
    Result result;
    if (!QFileInfo::exists(ledgerPath))
        return result;
    const std::unique_ptr<Ledger> ledger = Ledger::open(ledgerPath);
    if (!ledger) {
        result.outcome = Result::Outcome::unreadable;
        return result;
    }
    const CycleSpan current = CycleSpan::current(snapshot, Clock::now());
    const CycleSpan span = cycle == Cycle::previous ? current.previous() : current;
    const QList<LedgerEvent> events = ledger->events(span.startMs, span.endMs);
    if (!CsvExport::write(fileName, events)) {
        result.outcome = Result::Outcome::unwritable;
        return result;
    }
    const QList<CycleSpan::Window> windows = span.windows(qint64(Clock::now().msSince1970()));
    result.outcome = Result::Outcome::written;
    result.events = events.size();
    result.finalDays = ledger->finalCount(windows);
    result.days = int(windows.size());
    return result;
}
