// The usage store's share of the usage history: the trends figures, the ledger's sync after each
// refresh, its switch and the CSV export.
#include "UsageStore.h"

#include "history/CsvExport.h"
#include "history/LedgerSync.h"
#include "platform/Clock.h"

#include <QFile>

using namespace Qt::StringLiterals;

void UsageStore::reloadTrends()
{
    const QString path = Ledger::defaultPath();
    std::unique_ptr<Ledger> ledger;
    if (m_historyEnabled && QFile::exists(path))
        ledger = Ledger::open(path);
    m_trends = ledger ? TrendsReport::build(*ledger, m_snapshot, Clock::now()) : TrendsReport{};
}

QCoro::Task<> UsageStore::syncLedger(QPointer<UsageStore> store)
{
    if (!store || !store->m_historyEnabled || store->m_ledgerSyncing)
        co_return;
    store->m_ledgerSyncing = true;
    const QString path = Ledger::defaultPath();
    co_await LedgerSync::runLocked(path, store->m_snapshot, LedgerSync::appBudget);
    if (!store)
        co_return;
    store->m_ledgerSyncing = false;
    // Switched off while the run was writing: what it wrote goes too.
    if (!store->m_historyEnabled)
        Ledger::remove(path);
    store->reloadTrends();
    Q_EMIT store->changed();
}

void UsageStore::setHistoryEnabled(bool enabled)
{
    if (m_historyEnabled == enabled)
        return;
    m_historyEnabled = enabled;
    m_defaults->setValue(QLatin1StringView(LedgerSync::enabledKey), enabled);
    m_defaults->sync();
    if (!enabled)
        Ledger::remove(Ledger::defaultPath());
    reloadTrends();
    Q_EMIT changed();
    if (enabled && m_snapshot.hasRealData && m_hasSession)
        syncLedger(this);
}

void UsageStore::exportCsv(const QString& fileName)
{
    const QString path = Ledger::defaultPath();
    const std::unique_ptr<Ledger> ledger = QFile::exists(path) ? Ledger::open(path) : nullptr;
    if (!ledger) {
        setStatus(u"没有可导出的用量历史"_s);
        return;
    }
    const CycleSpan cycle = CycleSpan::current(m_snapshot, Clock::now());
    const QList<LedgerEvent> events = ledger->events(cycle.startMs, cycle.endMs);
    if (!CsvExport::write(fileName, events)) {
        setStatus(u"无法写入 "_s + fileName);
        return;
    }
    QString status = u"已导出 %1 个事件"_s.arg(events.size());
    if (!m_trends.isComplete())
        status += u" · 账期尚未同步完整（%1/%2 天）"_s.arg(m_trends.syncedDays).arg(m_trends.elapsedDays);
    setStatus(status);
}
