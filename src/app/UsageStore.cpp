#include "UsageStore.h"

#include "desktop/LaunchAgent.h"
#include "desktop/LoginItem.h"
#include "desktop/OwnFiles.h"

#include "desktop/AccountWiring.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "model/DisplayFormat.h"
#include "platform/Preferences.h"
#include "refresh/AccountPipelines.h"
#include "refresh/AccountRegistry.h"
#include "refresh/SessionController.h"

#include <utility>

using namespace Qt::StringLiterals;
using Preferences::Key;

UsageStore::UsageStore(std::chrono::milliseconds refreshInterval, QObject* parent)
    : UsageStore(&AccountWiring::forAccount, std::make_shared<DailyPricing>(), refreshInterval, parent)
{}

UsageStore::UsageStore(Wiring wiring, std::shared_ptr<PricingSource> pricing,
                       std::chrono::milliseconds refreshInterval, QObject* parent)
    : QObject(parent)
    , m_accounts(std::make_unique<AccountPipelines>(std::move(wiring), std::move(pricing)))
{
    start(refreshInterval);
}

UsageStore::~UsageStore() = default;

RefreshPipeline& UsageStore::pipeline()
{
    return m_accounts->pipeline(m_current);
}

const RefreshPipeline& UsageStore::pipeline() const
{
    return m_accounts->pipeline(m_current);
}

const UsageSnapshot& UsageStore::snapshot() const
{
    return pipeline().snapshot();
}

QString UsageStore::refreshStatus() const
{
    return pipeline().status();
}

bool UsageStore::hasSession() const
{
    return pipeline().hasSession();
}

bool UsageStore::isRefreshing() const
{
    return pipeline().isRefreshing();
}

QString UsageStore::pricingLabel() const
{
    return pipeline().pricingLabel();
}

const TrendsReport& UsageStore::trends() const
{
    return pipeline().trends();
}

bool UsageStore::waitsForUnlock() const
{
    return pipeline().needsUnlock(followsEditor());
}

void UsageStore::start(std::chrono::milliseconds refreshInterval)
{
    connectPipelines();
    readEditorUser();
    m_current = m_accounts->primaryIndex();
    QList<QPointer<RefreshPipeline>> due;
    for (qsizetype i = 0; i < m_accounts->size(); ++i) {
        if (m_accounts->pipeline(i).prepare(m_accounts->place(i).home))
            due.append(&m_accounts->pipeline(i));
    }
    if (!due.isEmpty())
        AccountRefresh::run(due, RefreshPolicy::startUp(), m_accounts->pricing());

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

void UsageStore::connectPipelines()
{
    // Made once per pipeline, however often the list is read again.
    for (qsizetype i = 0; i < m_accounts->size(); ++i) {
        RefreshPipeline* pipeline = &m_accounts->pipeline(i);
        connect(pipeline, &RefreshPipeline::changed, this, &UsageStore::pipelineChanged,
                Qt::UniqueConnection);
        connect(pipeline, &RefreshPipeline::ledgerSynced, this, &UsageStore::ledgerSynced,
                Qt::UniqueConnection);
        connect(pipeline, &RefreshPipeline::pricingSynced, this, &UsageStore::pricingSynced,
                Qt::UniqueConnection);
    }
}

void UsageStore::pipelineChanged()
{
    // Only the account on screen redraws the views.
    if (sender() == &pipeline())
        Q_EMIT changed();
    Q_EMIT accountsChanged();
}

void UsageStore::pricingSynced()
{
    // Whichever account's refresh fetched it: every account's estimates are drawn from it.
    Q_EMIT changed();
    Q_EMIT accountsChanged();
}

void UsageStore::ledgerSynced()
{
    // The trends page reads the account's new figures.
    if (sender() == &pipeline())
        Q_EMIT changed();
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
    return SessionController::isFollowing(pipeline());
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
    reloadAccounts();
    const RefreshPolicy policy = silently ? RefreshPolicy::timer() : RefreshPolicy::user();
    co_await m_accounts->refreshAll(policy);
}

QCoro::Task<QPointer<RefreshPipeline>> UsageStore::routed(AccountRegistry::Arrival arrival, QString token,
                                                          QString owner, QString* routedOwner)
{
    QPointer<UsageStore> self(this);
    const QPointer<RefreshPipeline> shown = &pipeline();
    // A paste that holds no token needs no question to the service: the session says so.
    const QString normalized = SessionKeychain::normalize(token);
    if (arrival == AccountRegistry::Arrival::paste && AccountRegistry::needsOwner(m_accounts->roster()) &&
        (normalized.isEmpty() || !SessionKeychain::isSendable(normalized))) {
        shown->say(SessionKeychainError(SessionKeychainError::Kind::empty).description());
        co_return QPointer<RefreshPipeline>();
    }
    const AccountRegistry::Route route =
        co_await AccountRegistry::routeToken(arrival, normalized, owner, shown->edges().service);
    if (!self)
        co_return QPointer<RefreshPipeline>();
    if (!route.stores()) {
        pipeline().say(route.refusal);
        co_return QPointer<RefreshPipeline>();
    }
    // The list may have changed since the window read it (an account added by a command).
    if (m_accounts->indexOf(route.place) < 0)
        reloadAccounts();
    const qsizetype index = m_accounts->indexOf(route.place);
    if (index < 0) {
        pipeline().say(SessionKeychainError(SessionKeychainError::Kind::listChanged).description());
        co_return QPointer<RefreshPipeline>();
    }
    *routedOwner = route.owner;
    co_return &m_accounts->pipeline(index);
}

QCoro::Task<> UsageStore::refreshAfterSaving(const AccountPlace& place)
{
    setShowCookieSheet(false);
    reloadAccounts();
    const qsizetype index = m_accounts->indexOf(place);
    if (index < 0)
        co_return; // removed meanwhile
    setCurrentAccount(index);
    // The account the token went to, the way "刷新" refreshes it.
    QList<QPointer<RefreshPipeline>> one{&m_accounts->pipeline(index)};
    co_await AccountRefresh::run(one, RefreshPolicy::user(), m_accounts->pricing());
}

QCoro::Task<> UsageStore::saveCookie(QString pastedText)
{
    QPointer<UsageStore> self(this);
    QString owner;
    const QPointer<RefreshPipeline> target =
        co_await routed(AccountRegistry::Arrival::paste, pastedText, {}, &owner);
    if (!self || !target)
        co_return;
    const bool saved = co_await SessionController::saveCookie(*target, std::move(pastedText), owner);
    if (!saved || !self || !target)
        co_return;
    co_await refreshAfterSaving(m_accounts->place(m_accounts->indexOf(target.get())));
}

QCoro::Task<> UsageStore::importFromEditor()
{
    QPointer<UsageStore> self(this);
    QString owner;
    try {
        owner = EditorLogin::current().userId;
    } catch (const EditorSessionError& error) {
        pipeline().say(error.description());
        co_return;
    }
    // The editor's login names its user: it goes to that account, or, with the home account alone,
    // to that.
    QString routedOwner;
    const QPointer<RefreshPipeline> target =
        co_await routed(AccountRegistry::Arrival::import, {}, owner, &routedOwner);
    if (!self || !target)
        co_return;
    const bool imported = co_await SessionController::importFromEditor(*target);
    if (!imported || !self || !target)
        co_return;
    readEditorUser();
    co_await refreshAfterSaving(m_accounts->place(m_accounts->indexOf(target.get())));
}

void UsageStore::logout()
{
    SessionController::logout(pipeline());
}

void UsageStore::setFollowEditor(bool follow)
{
    readEditorUser();
    SessionController::setFollowing(pipeline(), follow);
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

void UsageStore::setHistoryEnabled(bool enabled)
{
    if (historyEnabled() == enabled)
        return;
    Preferences::setValue(Key::usageHistory, enabled);
    for (qsizetype i = 0; i < m_accounts->size(); ++i) {
        if (!enabled)
            m_accounts->pipeline(i).edges().ledger->remove();
        m_accounts->pipeline(i).forgetTrends();
    }
    Q_EMIT changed();
    for (qsizetype i = 0; enabled && i < m_accounts->size(); ++i) {
        RefreshPipeline& account = m_accounts->pipeline(i);
        if (account.snapshot().hasRealData && account.hasSession())
            account.syncLedger();
    }
}

void UsageStore::exportCsv(const QString& fileName)
{
    using Outcome = CycleExport::Result::Outcome;
    if (OwnFiles::contains(fileName)) {
        pipeline().say(CycleExport::ownFileText(fileName));
        return;
    }
    const CycleExport::Result result =
        pipeline().edges().ledger->exportCycle(snapshot(), CycleExport::Cycle::current, fileName);
    switch (result.outcome) {
    case Outcome::noLedger:
    case Outcome::unreadable:
        pipeline().say(u"没有可导出的用量历史"_s);
        return;
    case Outcome::unwritable:
        pipeline().say(CycleExport::unwritableText(fileName));
        return;
    case Outcome::written:
        break;
    }
    QString status = u"已导出 %1 个事件"_s.arg(result.events);
    if (!result.isComplete())
        status += u" · "_s + CycleExport::incompleteText(result);
    pipeline().say(status);
}

QString UsageStore::shortTime(Timestamp timestamp)
{
    return formatShortTime(timestamp);
}
