#include "UsageStore.h"

#include "LaunchAgent.h"
#include "LoginItem.h"
#include "QuotaNotices.h"

#include "client/DashboardClient.h"
#include "client/DashboardError.h"
#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "client/RateLimit.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "history/LedgerSync.h"
#include "model/DisplayFormat.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/WidgetCenter.h"
#include "pricing/PricingClient.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

constexpr auto pinnedKey = "windowPinnedEnabled";

} // namespace

UsageStore::UsageStore(std::chrono::milliseconds refreshInterval, QObject* parent)
    : QObject(parent)
    , m_refreshStatus(u"等待粘贴 Cookie"_s)
    , m_pricingLabel(PricingStore::syncLabel())
    , m_backgroundRefreshEnabled(LaunchAgent::isEnabled())
    , m_trayAtLoginEnabled(LoginItem::isEnabled())
    , m_defaults(Settings::open(QString::fromLatin1(Settings::appDomain)))
{
    m_isPinned = m_defaults->value(QLatin1StringView(pinnedKey), false).toBool();
    m_quotaNoticesEnabled = QuotaNotices::isEnabled(m_defaults.get());
    m_thresholds = QuotaThresholds::load(m_defaults.get());
    m_historyEnabled = LedgerSync::isEnabled(m_defaults.get());
    m_snapshot = SnapshotStore::load(m_defaults.get());
    if (m_snapshot.hasRealData) {
        // Stored again so that the file and the settings entry agree, and the widget catches up.
        SnapshotStore::save(m_snapshot, m_defaults.get());
        WidgetCenter::reloadAllTimelines();
    }

    reloadTrends();

    // Following the editor takes its rotated login first; it never unlocks the keyring, nor writes
    // into a locked one: the editor's login then waits behind the lock like a stored token.
    const bool followLocked = EditorLogin::follow() == EditorLogin::FollowOutcome::locked;
    // Looked up without unlocking: a locked keyring still holds the token, and only the user's own
    // "刷新" may ask for its password.
    const SecretLookup token = SessionKeychain::lookup();
    m_hasSession = token.state != SecretLookup::State::absent || followLocked;
    if (token.state == SecretLookup::State::locked || followLocked) {
        m_refreshStatus = DashboardError::locked().description();
    } else if (m_hasSession) {
        m_refreshStatus = m_snapshot.hasRealData ? u"已加载本地缓存"_s : u"正在读取用量"_s;
        refreshFor(Trigger::startUp);
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
    // Rewritten for the executable now running; an entry switched off was removed back then.
    if (m_trayAtLoginEnabled)
        LoginItem::install();
}

UsageStore::~UsageStore()
{
    if (m_eventTask)
        m_eventTask->requested = true;
}

void UsageStore::setShowCookieSheet(bool show)
{
    if (m_showCookieSheet == show)
        return;
    m_showCookieSheet = show;
    Q_EMIT changed();
}

QString UsageStore::shortTime(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    if (!dateTime.isValid())
        return {};
    return formatShortTime(dateTime.toLocalTime().time());
}

void UsageStore::setStatus(const QString& status)
{
    m_refreshStatus = status;
    Q_EMIT changed();
}

QString UsageStore::withCache(const QString& text) const
{
    return m_snapshot.hasRealData ? text + u" · 仍显示缓存"_s : text;
}

bool UsageStore::apply(const UsageSnapshot& snapshot, const QString& status)
{
    // A snapshot the widget and the next start could not read back is not shown as if it were.
    if (!SnapshotStore::save(snapshot, m_defaults.get())) {
        setStatus(withCache(u"无法保存用量数据"_s));
        return false;
    }
    m_snapshot = snapshot;
    WidgetCenter::reloadAllTimelines();
    QuotaNotices::post(m_snapshot);
    setStatus(status);
    return true;
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
    return refreshFor(silently ? Trigger::timer : Trigger::user);
}

QCoro::Task<bool> UsageStore::unlockIfLocked(bool forWriting)
{
    const auto locked = [forWriting](const SecretLookup& token) {
        return token.state == SecretLookup::State::locked || (forWriting && SessionKeychain::isLocked());
    };
    if (!locked(SessionKeychain::lookup()))
        co_return true;
    if (m_unlocking)
        co_return false; // the prompt of an earlier click is still up
    QPointer<UsageStore> self(this);
    m_unlocking = true;
    const SecretLookup token = co_await SessionKeychain::unlockAndLookup();
    if (!self)
        co_return false;
    m_unlocking = false;
    if (token.state == SecretLookup::State::absent)
        m_hasSession = false; // removed while it was locked: the refresh says so
    if (!locked(token))
        co_return true;
    // Cancelled or impossible: the token is still there, behind the lock.
    if (token.state == SecretLookup::State::locked)
        m_hasSession = true;
    setStatus(withCache(u"钥匙串仍锁定"_s));
    co_return false;
}

QCoro::Task<> UsageStore::refreshFor(Trigger trigger)
{
    QPointer<UsageStore> self(this);
    const bool silently = trigger == Trigger::timer;
    if (trigger == Trigger::user) {
        // Following may store the editor's newer login: the keyring is unlocked for that too.
        if (!co_await unlockIfLocked(EditorLogin::isFollowing()))
            co_return;
        if (!self)
            co_return;
    } else if (SessionKeychain::lookup().state == SecretLookup::State::locked) {
        m_hasSession = true;
        setStatus(DashboardError::locked().description());
        co_return;
    }
    switch (EditorLogin::follow()) {
    case EditorLogin::FollowOutcome::stored:
        m_hasSession = true;
        break;
    case EditorLogin::FollowOutcome::locked:
        // The editor's newer login waits behind the lock for the user's "刷新".
        if (SessionKeychain::lookup().state != SecretLookup::State::found) {
            m_hasSession = true;
            setStatus(DashboardError::locked().description());
            co_return;
        }
        break;
    case EditorLogin::FollowOutcome::unchanged:
        break;
    }
    if (!m_hasSession) {
        if (!SessionKeychain::read()) {
            m_hasSession = false;
            if (!silently)
                setStatus(u"还没有登录态。请先粘贴 Cookie。"_s);
            co_return;
        }
    }
    m_hasSession = true;
    // After a 429 only the user's own "刷新" reaches the service before the wait is over. The pricing
    // document is no dashboard request: its daily download goes on.
    if (trigger != Trigger::user) {
        if (const std::optional<Timestamp> until = RateLimit::until()) {
            if (PricingStore::needsSync(Clock::now()))
                syncPricing(self);
            setStatus(withCache(DashboardError::rateLimited(*until).description()));
            co_return;
        }
    }
    const qint64 generation = ++m_refreshGeneration;
    if (m_eventTask) {
        m_eventTask->requested = true;
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
    std::optional<DashboardError::Kind> failure;
    QString errorText;
    try {
        fetched = co_await DashboardClient::fetchOverview();
    } catch (const DashboardError& error) {
        failure = error.kind();
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
        const bool stored = apply(*fetched, u"已更新概览 · "_s + shortTime(fetched->updatedAt));
        finishUserRefresh(generation);
        if (!stored)
            co_return;
        auto cancellation = std::make_shared<DashboardClient::Cancellation>();
        m_eventTask = cancellation;
        applyEventPatch(self, *fetched, generation, cancellation);
        co_return;
    }

    // A failure never touches the snapshot on screen or on disk.
    if (failure == DashboardError::Kind::unauthorized) {
        if (newest) {
            // Read now: following may have been switched on by an import since the window opened.
            if (EditorLogin::isFollowing()) {
                // The editor's login was revoked: never take this token over again.
                if (const std::optional<QString> token = SessionKeychain::read())
                    EditorLogin::rememberRejected(*token);
                errorText = EditorSessionError(EditorSessionError::Kind::rejected).description();
            }
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
    if (failure == DashboardError::Kind::rateLimited)
        setStatus(withCache(errorText));
    else if (silently && m_snapshot.hasRealData && failure != DashboardError::Kind::locked)
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
                                          std::shared_ptr<DashboardClient::Cancellation> cancellation)
{
    std::optional<UsageSnapshot> patched;
    try {
        patched = co_await DashboardClient::fetchEventPatch(base, cancellation);
    } catch (...) {
        // A failed patch is never shown: the overview stays applied.
        co_return;
    }
    if (!store || cancellation->requested || generation != store->m_refreshGeneration)
        co_return;
    // After the snapshot is stored and the widget nudged, never before.
    if (store->apply(*patched, u"已更新 · "_s + shortTime(patched->updatedAt)))
        syncLedger(store);
}

QCoro::Task<> UsageStore::saveCookie(QString pastedText)
{
    // Writing into a locked keyring would prompt inside a blocking call: unlock first, without
    // freezing the window.
    QPointer<UsageStore> self(this);
    if (!co_await unlockIfLocked(true) || !self)
        co_return;
    try {
        SessionKeychain::save(pastedText);
    } catch (const SessionKeychainError& error) {
        setStatus(error.description());
        co_return;
    }
    // A pasted cookie is the user's choice over the editor's login.
    setFollowEditor(false);
    m_hasSession = true;
    m_showCookieSheet = false;
    setStatus(u"已保存到本机钥匙串，正在读取用量"_s);
    co_await refresh(false);
}

bool UsageStore::editorLoginAvailable()
{
    return EditorSession::databaseExists();
}

QCoro::Task<> UsageStore::importFromEditor()
{
    // Writing into a locked keyring would prompt inside a blocking call: unlock first.
    QPointer<UsageStore> self(this);
    if (!co_await unlockIfLocked(true) || !self)
        co_return;
    try {
        EditorLogin::importNow();
    } catch (const EditorSessionError& error) {
        setStatus(error.description());
        co_return;
    } catch (const SessionKeychainError& error) {
        setStatus(error.description());
        co_return;
    }
    m_hasSession = true;
    m_showCookieSheet = false;
    setStatus(u"已保存到本机钥匙串，正在读取用量"_s);
    co_await refresh(false);
}

bool UsageStore::followsEditor() const
{
    return EditorLogin::isFollowing();
}

void UsageStore::setFollowEditor(bool follow)
{
    if (followsEditor() == follow)
        return;
    EditorLogin::setFollowing(follow);
    Q_EMIT changed();
}

void UsageStore::logout()
{
    if (SessionKeychain::lookup().state == SecretLookup::State::locked) {
        logoutUnlocking();
        return;
    }
    SessionKeychain::remove();
    // Following on would sign the user straight back in on the next refresh.
    setFollowEditor(false);
    m_hasSession = false;
    setStatus(u"已退出登录。上次用量仍留在本机。"_s);
}

QCoro::Task<> UsageStore::logoutUnlocking()
{
    QPointer<UsageStore> self(this);
    if (co_await unlockIfLocked(false) && self)
        logout();
}
