#include "UsageStore.h"

#include "desktop/LaunchAgent.h"
#include "desktop/LoginItem.h"

#include "client/EditorSession.h"
#include "model/DisplayFormat.h"
#include "platform/Preferences.h"

using namespace Qt::StringLiterals;
using Preferences::Key;

UsageStore::UsageStore(std::chrono::milliseconds refreshInterval, QObject* parent)
    : UsageStore(AccountWiring::home(), refreshInterval, parent)
{}

UsageStore::UsageStore(AccountWiring wiring, std::chrono::milliseconds refreshInterval, QObject* parent)
    : QObject(parent)
    , m_pipeline(std::move(wiring.edges), std::move(wiring.state))
    , m_session(m_pipeline)
{
    connect(&m_pipeline, &RefreshPipeline::changed, this, &UsageStore::changed);
    connect(&m_pipeline, &RefreshPipeline::ledgerSynced, this, [this] {
        reloadTrends();
        Q_EMIT changed();
    });
    reloadTrends();
    m_pipeline.start();

    m_timer.setInterval(refreshInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] { refresh(true); });
    m_timer.start();

    // Every start installs the agent again for the executable now running (or removes it).
    if (LaunchAgent::isEnabled())
        LaunchAgent::install();
    else
        LaunchAgent::uninstall();
    // Rewritten for the executable now running; an entry switched off was removed back then.
    if (trayAtLoginEnabled())
        LoginItem::install();
}

bool UsageStore::isPinned() const
{
    return Preferences::flag(Key::windowPinned);
}

bool UsageStore::backgroundRefreshEnabled() const
{
    return LaunchAgent::isEnabled();
}

bool UsageStore::followsEditor() const
{
    return m_session.isFollowing();
}

bool UsageStore::quotaNoticesEnabled() const
{
    return Preferences::flag(Key::quotaNotices);
}

QuotaThresholds UsageStore::thresholds() const
{
    return QuotaThresholds::load();
}

bool UsageStore::trayAtLoginEnabled() const
{
    return LoginItem::isEnabled();
}

bool UsageStore::historyEnabled() const
{
    return Preferences::flag(Key::usageHistory);
}

bool UsageStore::editorLoginAvailable()
{
    return EditorSession::databaseExists();
}

void UsageStore::setShowCookieSheet(bool show)
{
    if (m_showCookieSheet == show)
        return;
    m_showCookieSheet = show;
    Q_EMIT changed();
}

void UsageStore::setFlag(Key key, bool value)
{
    Preferences::setValue(key, value);
    Q_EMIT changed();
}

void UsageStore::setPinned(bool pinned)
{
    if (isPinned() != pinned)
        setFlag(Key::windowPinned, pinned);
}

QCoro::Task<> UsageStore::refresh(bool silently)
{
    const RefreshPolicy policy = silently ? RefreshPolicy::timer() : RefreshPolicy::user();
    co_await m_pipeline.refresh(policy);
}

QCoro::Task<> UsageStore::saveCookie(QString pastedText)
{
    QPointer<UsageStore> self(this);
    const bool saved = co_await m_session.saveCookie(std::move(pastedText));
    if (!saved || !self)
        co_return;
    setShowCookieSheet(false);
    co_await refresh(false);
}

QCoro::Task<> UsageStore::importFromEditor()
{
    QPointer<UsageStore> self(this);
    const bool imported = co_await m_session.importFromEditor();
    if (!imported || !self)
        co_return;
    setShowCookieSheet(false);
    co_await refresh(false);
}

void UsageStore::logout()
{
    m_session.logout();
}

void UsageStore::setFollowEditor(bool follow)
{
    m_session.setFollowing(follow);
}

void UsageStore::setBackgroundRefresh(bool enabled)
{
    setFlag(Key::backgroundRefresh, enabled);
    if (LaunchAgent::isEnabled())
        LaunchAgent::install();
    else
        LaunchAgent::uninstall();
}

void UsageStore::setQuotaNotices(bool enabled)
{
    if (quotaNoticesEnabled() != enabled)
        setFlag(Key::quotaNotices, enabled);
}

void UsageStore::setThresholds(const QuotaThresholds& thresholds)
{
    if (thresholds != this->thresholds() && thresholds.save())
        Q_EMIT changed();
}

void UsageStore::setTrayAtLogin(bool enabled)
{
    setFlag(Key::trayAtLogin, enabled);
    if (enabled)
        LoginItem::install();
    else
        LoginItem::uninstall();
}

void UsageStore::reloadTrends()
{
    m_trends = historyEnabled() ? m_pipeline.edges().ledger->trends(snapshot()) : TrendsReport{};
}

void UsageStore::setHistoryEnabled(bool enabled)
{
    if (historyEnabled() == enabled)
        return;
    Preferences::setValue(Key::usageHistory, enabled);
    if (!enabled)
        m_pipeline.edges().ledger->remove();
    reloadTrends();
    Q_EMIT changed();
    if (enabled && snapshot().hasRealData && hasSession())
        m_pipeline.syncLedger();
}

void UsageStore::exportCsv(const QString& fileName)
{
    using Outcome = CycleExport::Result::Outcome;
    const CycleExport::Result result =
        m_pipeline.edges().ledger->exportCycle(snapshot(), CycleExport::Cycle::current, fileName);
    switch (result.outcome) {
    case Outcome::noLedger:
    case Outcome::unreadable:
        m_pipeline.say(u"没有可导出的用量历史"_s);
        return;
    case Outcome::unwritable:
        m_pipeline.say(u"无法写入 "_s + fileName);
        return;
    case Outcome::written:
        break;
    }
    QString status = u"已导出 %1 个事件"_s.arg(result.events);
    if (!result.isComplete())
        status += u" · 账期尚未同步完整（%1/%2 天）"_s.arg(result.finalDays).arg(result.days);
    m_pipeline.say(status);
}

QString UsageStore::shortTime(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    if (!dateTime.isValid())
        return {};
    return formatShortTime(dateTime.toLocalTime().time());
}
