#include "UsageStore.h"

#include "LaunchAgent.h"

#include "client/DashboardClient.h"
#include "client/DashboardError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "history/CsvExport.h"
#include "history/LedgerSync.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/WidgetCenter.h"
#include "pricing/PricingClient.h"

#include <QFile>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

constexpr auto pinnedKey = "windowPinnedEnabled";

} // namespace

// Cancellation of the event patch: QCoro 0.8 tasks cannot be cancelled, so a newer refresh flips
// this flag and the patch discards its result when it comes back.
struct UsageStore::PatchTicket
{
    bool cancelled = false;
};

UsageStore::UsageStore(std::chrono::milliseconds refreshInterval, QObject* parent)
    : QObject(parent)
    , m_refreshStatus(u"等待粘贴 Cookie"_s)
    , m_pricingLabel(PricingStore::syncLabel())
    , m_backgroundRefreshEnabled(LaunchAgent::isEnabled())
    , m_defaults(Settings::open(QString::fromLatin1(Settings::appDomain)))
{
    m_isPinned = m_defaults->value(QLatin1StringView(pinnedKey), false).toBool();
    m_historyEnabled = LedgerSync::isEnabled(m_defaults.get());
    m_snapshot = SnapshotStore::load(m_defaults.get());
    if (m_snapshot.hasRealData) {
        // Stored again so that the file and the settings entry agree, and the widget catches up.
        SnapshotStore::save(m_snapshot, m_defaults.get());
        WidgetCenter::reloadAllTimelines();
    }

    reloadTrends();

    m_hasSession = SessionKeychain::read().has_value();
    if (m_hasSession) {
        m_refreshStatus = m_snapshot.hasRealData ? u"已加载本地缓存"_s : u"正在读取用量"_s;
        refresh(false);
    } else if (m_snapshot.hasRealData) {
        m_refreshStatus = u"已显示上次缓存 · 请重新粘贴 Cookie 后刷新"_s;
    }

    m_timer.setInterval(refreshInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] { refresh(true); });
    m_timer.start();

    if (LaunchAgent::isEnabled())
        LaunchAgent::install();
    else
        LaunchAgent::uninstall();
}

UsageStore::~UsageStore()
{
    if (m_eventTask)
        m_eventTask->cancelled = true;
}

void UsageStore::setShowCookieSheet(bool show)
{
    if (m_showCookieSheet == show)
        return;
    m_showCookieSheet = show;
    Q_EMIT changed();
}

void UsageStore::setPinned(bool pinned)
{
    if (m_isPinned == pinned)
        return;
    m_isPinned = pinned;
    m_defaults->setValue(QLatin1StringView(pinnedKey), pinned);
    m_defaults->sync();
    Q_EMIT changed();
}

QString UsageStore::shortTime(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    if (!dateTime.isValid())
        return {};
    return QLocale::system().toString(dateTime.toLocalTime().time(), QLocale::ShortFormat);
}

void UsageStore::setStatus(const QString& status)
{
    m_refreshStatus = status;
    Q_EMIT changed();
}

void UsageStore::apply(const UsageSnapshot& snapshot, const QString& status)
{
    m_snapshot = snapshot;
    SnapshotStore::save(m_snapshot, m_defaults.get());
    WidgetCenter::reloadAllTimelines();
    setStatus(status);
}

void UsageStore::finishUserRefresh(qint64 generation)
{
    if (m_activeUserRefresh == generation && m_isRefreshing) {
        m_isRefreshing = false;
        Q_EMIT changed();
    }
}

QCoro::Task<> UsageStore::refresh(bool silently)
{
    QPointer<UsageStore> self(this);
    if (!m_hasSession) {
        if (!SessionKeychain::read()) {
            m_hasSession = false;
            if (!silently)
                setStatus(u"还没有登录态。请先粘贴 Cookie。"_s);
            co_return;
        }
    }
    m_hasSession = true;
    const qint64 generation = ++m_refreshGeneration;
    if (m_eventTask) {
        m_eventTask->cancelled = true;
        m_eventTask.reset();
    }
    if (!silently) {
        m_activeUserRefresh = generation;
        m_isRefreshing = true;
    }
    Q_EMIT changed();

    if (PricingStore::needsSync(Clock::now()))
        syncPricing(self); // runs on its own; neither awaited nor remembered

    std::optional<UsageSnapshot> fetched;
    bool unauthorized = false;
    QString errorText;
    try {
        fetched = co_await DashboardClient::fetchOverview();
    } catch (const DashboardError& error) {
        unauthorized = error.kind() == DashboardError::Kind::unauthorized;
        errorText = error.description();
    } catch (const std::exception& error) {
        errorText = DashboardClient::describe(error);
    }
    if (!self)
        co_return;

    const bool newest = generation == m_refreshGeneration;
    if (fetched) {
        if (!newest) {
            finishUserRefresh(generation);
            co_return;
        }
        apply(*fetched, u"已更新概览 · "_s + shortTime(fetched->updatedAt));
        finishUserRefresh(generation);
        auto ticket = std::make_shared<PatchTicket>();
        m_eventTask = ticket;
        applyEventPatch(self, *fetched, generation, ticket);
        co_return;
    }

    // A failure never touches the snapshot on screen or on disk.
    if (unauthorized) {
        if (newest) {
            SessionKeychain::remove();
            m_hasSession = false;
            setStatus(errorText);
        }
        finishUserRefresh(generation);
        co_return;
    }
    finishUserRefresh(generation);
    if (!newest)
        co_return;
    if (silently && m_snapshot.hasRealData)
        setStatus(u"仍显示缓存 · "_s + errorText);
    else
        setStatus(errorText);
}

QCoro::Task<> UsageStore::syncPricing(QPointer<UsageStore> store)
{
    const bool replaced = co_await PricingClient::syncIfNeeded();
    if (store) {
        store->m_pricingLabel = PricingStore::syncLabel();
        // Estimates read the stored catalog on every lookup: a redraw is all a new table needs.
        Q_EMIT store->changed();
    }
    if (replaced)
        WidgetCenter::reloadAllTimelines();
}

QCoro::Task<> UsageStore::applyEventPatch(QPointer<UsageStore> store, UsageSnapshot base, qint64 generation,
                                          std::shared_ptr<PatchTicket> ticket)
{
    std::optional<UsageSnapshot> patched;
    try {
        patched = co_await DashboardClient::fetchEventPatch(base);
    } catch (...) {
        // A failed patch is never shown: the overview stays applied.
        co_return;
    }
    if (!store || ticket->cancelled || generation != store->m_refreshGeneration)
        co_return;
    store->apply(*patched, u"已更新 · "_s + shortTime(patched->updatedAt));
    // After the snapshot is stored and the widget nudged, never before.
    syncLedger(store);
}

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

QCoro::Task<> UsageStore::saveCookie(QString pastedText)
{
    try {
        SessionKeychain::save(pastedText);
    } catch (const SessionKeychainError& error) {
        setStatus(error.description());
        co_return;
    }
    m_hasSession = true;
    m_showCookieSheet = false;
    setStatus(u"已保存到本机钥匙串，正在读取用量"_s);
    co_await refresh(false);
}

void UsageStore::logout()
{
    SessionKeychain::remove();
    m_hasSession = false;
    setStatus(u"已退出登录。上次用量仍留在本机。"_s);
}

void UsageStore::setBackgroundRefresh(bool enabled)
{
    m_backgroundRefreshEnabled = enabled;
    m_defaults->setValue(u"backgroundRefreshEnabled"_s, enabled);
    m_defaults->sync();
    if (LaunchAgent::isEnabled())
        LaunchAgent::install();
    else
        LaunchAgent::uninstall();
    Q_EMIT changed();
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
