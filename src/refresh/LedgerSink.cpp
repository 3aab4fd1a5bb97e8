#include "LedgerSink.h"

#include "platform/Clock.h"

#include <QFile>

LedgerOnDisk::LedgerOnDisk(AccountPlace place)
    : m_place(std::move(place))
{}

QCoro::Task<LedgerSync::Result> LedgerOnDisk::sync(UsageSnapshot snapshot, int pageBudget,
                                                   LedgerSync::Source source)
{
    // The sync's own task, holding its own copy of the place: nothing here refers back to `this`.
    return LedgerSync::runLocked(m_place, std::move(snapshot), pageBudget, std::move(source));
}

TrendsReport LedgerOnDisk::trends(const UsageSnapshot& snapshot)
{
    const QString path = m_place.ledgerFile();
    const std::unique_ptr<Ledger> ledger = QFile::exists(path) ? Ledger::open(path) : nullptr;
    return ledger ? TrendsReport::build(*ledger, snapshot, Clock::now()) : TrendsReport{};
}

void LedgerOnDisk::remove()
{
    Ledger::remove(m_place.ledgerFile());
}

CycleExport::Result LedgerOnDisk::exportCycle(const UsageSnapshot& snapshot, CycleExport::Cycle cycle,
                                              const QString& fileName)
{
    return CycleExport::write(m_place.ledgerFile(), snapshot, cycle, fileName);
}
