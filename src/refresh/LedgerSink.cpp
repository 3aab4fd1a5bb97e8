#include "LedgerSink.h"

#include "platform/Clock.h"

#include <QFile>

LedgerOnDisk::LedgerOnDisk(QString path)
    : m_path(std::move(path))
{}

QCoro::Task<LedgerSync::Result> LedgerOnDisk::sync(UsageSnapshot snapshot, int pageBudget,
                                                   LedgerSync::Source source)
{
    // The sync's own task, holding its own copy of the path: nothing here refers back to `this`.
    return LedgerSync::runLocked(m_path, std::move(snapshot), pageBudget, std::move(source));
}

TrendsReport LedgerOnDisk::trends(const UsageSnapshot& snapshot)
{
    const std::unique_ptr<Ledger> ledger = QFile::exists(m_path) ? Ledger::open(m_path) : nullptr;
    return ledger ? TrendsReport::build(*ledger, snapshot, Clock::now()) : TrendsReport{};
}

void LedgerOnDisk::remove()
{
    Ledger::remove(m_path);
}

CycleExport::Result LedgerOnDisk::exportCycle(const UsageSnapshot& snapshot, CycleExport::Cycle cycle,
                                              const QString& fileName)
{
    return CycleExport::write(m_path, snapshot, cycle, fileName);
}
