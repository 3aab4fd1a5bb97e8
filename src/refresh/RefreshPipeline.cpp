#include "RefreshPipeline_p.h"
#include "RefreshSequence.h"

#include "platform/Preferences.h"
#include "platform/ServiceOrigin.h"

using namespace Qt::StringLiterals;
using Result = RefreshOutcome::Result;
using State = SecretLookup::State;

RefreshPipeline::RefreshPipeline(RefreshEdges edges, DashboardClient::ClientStateRef state, QObject* parent)
    : QObject(parent)
    , m_edges(std::move(edges))
    , m_state(std::move(state))
    , m_snapshot(m_edges.snapshots->load())
    , m_status(u"等待粘贴 Cookie"_s)
{}

RefreshPipeline::~RefreshPipeline()
{
    *m_alive = false;
    if (m_eventTask)
        m_eventTask->requested = true;
}

bool RefreshPipeline::prepare(bool storeAgain)
{
    if (storeAgain && m_snapshot.hasRealData) {
        // The file and the settings entry then agree, and the widget catches up.
        m_edges.snapshots->save(m_snapshot);
        m_edges.snapshots->nudgeWidget();
    }
    // Following the editor takes its rotated login first; it never unlocks the keyring, nor writes
    // into a locked one: the editor's login then waits behind the lock like a stored token.
    const bool followLocked = m_edges.session->follow() == EditorLogin::FollowOutcome::locked;
    // Looked up without unlocking: a locked keyring still holds the token, and only the user's own
    // "刷新" may ask for its password.
    const SecretLookup token = m_edges.session->lookup();
    m_hasSession = token.state != State::absent || followLocked;
    bool refreshNow = false;
    if (token.state == State::locked || followLocked) {
        m_status = DashboardError::locked().description();
    } else if (m_hasSession) {
        m_status = m_snapshot.hasRealData ? u"已加载本地缓存"_s : u"正在读取用量"_s;
        refreshNow = true;
    } else if (m_snapshot.hasRealData) {
        m_status = u"已显示上次缓存 · 请重新粘贴 Cookie 后刷新"_s;
    }
    // A refused TALLYFERN_SERVICE_ORIGIN: no refresh, and the status says why from the start.
    if (const std::optional<QString> refusal = ServiceOrigin::refusal()) {
        m_status = *refusal;
        refreshNow = false;
    }
    Q_EMIT changed();
    return refreshNow;
}

QCoro::Task<RefreshOutcome> RefreshPipeline::refresh(RefreshPolicy policy, RefreshFacts facts)
{
    Run run;
    run.facts = facts;
    co_await runSteps(run, policy, 0);
    co_return run.outcome;
}

QCoro::Task<> RefreshPipeline::runSteps(Run& run, RefreshPolicy policy, qsizetype from)
{
    const std::shared_ptr<bool> alive = m_alive;
    const QList<RefreshSequence::AccountStep>& steps = RefreshSequence::eachAccount();
    for (qsizetype step = from; step < steps.size(); ++step) {
        // Awaited in a statement of its own: GCC 12 miscompiles some awaits inside a condition and
        // then resumes a frame it has already freed.
        const Next next = co_await steps[step].run(*this, run, policy);
        if (!*alive || next == Next::stop)
            break;
        if (next == Next::detach) {
            continueFrom(run, policy, step + 1); // runs on its own; neither awaited nor remembered
            break;
        }
    }
}

QCoro::Task<> RefreshPipeline::continueFrom(Run run, RefreshPolicy policy, qsizetype from)
{
    co_await runSteps(run, policy, from);
}

bool RefreshPipeline::store(const UsageSnapshot& snapshot, const QString& status)
{
    // A snapshot the widget and the next start could not read back is not shown as if it were.
    if (!m_edges.snapshots->save(snapshot)) {
        say(withCache(u"无法保存用量数据"_s));
        return false;
    }
    m_snapshot = snapshot;
    m_edges.snapshots->nudgeWidget();
    say(status);
    return true;
}

void RefreshPipeline::startPricing(Policy::PricingTiming policy)
{
    if (policy.pricing == Policy::PricingTiming::Pricing::alongside && m_edges.pricing->needsSync())
        syncPricingAlongside(); // runs on its own; neither awaited nor remembered
}

QCoro::Task<> RefreshPipeline::syncPricingAlongside()
{
    const std::shared_ptr<bool> alive = m_alive;
    const RefreshEdges edges = m_edges;
    const bool replaced = co_await edges.pricing->syncIfNeeded();
    // Estimates and the label read the stored catalog on every lookup: a redraw is all a new table
    // needs.
    if (*alive)
        Q_EMIT pricingSynced();
    if (replaced)
        edges.snapshots->nudgeWidget();
}

QCoro::Task<> RefreshPipeline::syncLedger()
{
    const SecretLookup token = m_edges.session->lookup();
    if (token.state == State::found && m_snapshot.hasRealData)
        co_await syncLedgerWith(token.secret, m_snapshot, RefreshPolicy::user().ledgerPageBudget);
}

QCoro::Task<> RefreshPipeline::syncLedgerWith(QString token, UsageSnapshot snapshot, int pageBudget)
{
    if (!Preferences::flag(Preferences::Key::usageHistory) || m_ledgerSyncing)
        co_return;
    const std::shared_ptr<bool> alive = m_alive;
    m_ledgerSyncing = true;
    // Named, not a temporary inside the co_await: GCC 12 destroys a braced temporary there twice (GCC bug
    // 99576), which here would release the shared edges once too often.
    LedgerSync::Source source{m_edges.service, std::move(token), m_state};
    co_await m_edges.ledger->sync(std::move(snapshot), pageBudget, std::move(source));
    if (!*alive)
        co_return;
    m_ledgerSyncing = false;
    // Switched off while the run was writing: what it wrote goes too.
    if (!Preferences::flag(Preferences::Key::usageHistory))
        m_edges.ledger->remove();
    forgetTrends();
    Q_EMIT ledgerSynced();
}

const TrendsReport& RefreshPipeline::trends() const
{
    if (!m_trends)
        m_trends = Preferences::flag(Preferences::Key::usageHistory) ? m_edges.ledger->trends(m_snapshot)
                                                                     : TrendsReport{};
    return *m_trends;
}

bool RefreshPipeline::needsUnlock(bool forWriting) const
{
    return forWriting ? m_edges.session->needsUnlock() : m_edges.session->lookup().state == State::locked;
}

QCoro::Task<bool> RefreshPipeline::unlock(bool forWriting)
{
    const std::shared_ptr<SessionAccess> session = m_edges.session;
    if (!needsUnlock(forWriting))
        co_return true;
    if (m_unlocking)
        co_return false; // the prompt of an earlier click is still up
    const std::shared_ptr<bool> alive = m_alive;
    m_unlocking = true;
    const SecretLookup token = co_await session->unlockAndLookup();
    if (!*alive)
        co_return false;
    m_unlocking = false;
    if (token.state == State::absent)
        setHasSession(false); // removed while it was locked: the refresh says so
    if (!needsUnlock(forWriting))
        co_return true;
    // Cancelled or impossible: the token is still there, behind the lock.
    if (token.state == State::locked)
        setHasSession(true);
    say(withCache(u"钥匙串仍锁定"_s));
    co_return false;
}

void RefreshPipeline::say(const QString& status)
{
    m_status = status;
    Q_EMIT changed();
}

void RefreshPipeline::setHasSession(bool hasSession)
{
    m_hasSession = hasSession;
}

void RefreshPipeline::supersede()
{
    ++m_generation;
    if (m_eventTask) {
        m_eventTask->requested = true;
        m_eventTask.reset();
    }
}

std::shared_ptr<DashboardClient::Cancellation> RefreshPipeline::cancellation() const
{
    auto made = std::make_shared<DashboardClient::Cancellation>();
    made->stillWanted = [account = m_edges.account] { return account->isCurrent(); };
    return made;
}

RefreshOutcome RefreshPipeline::outcome(RefreshOutcome::Result result, std::optional<UsageSnapshot> stored)
{
    return RefreshOutcome{result, std::move(stored)};
}

QString RefreshPipeline::withCache(const QString& text) const
{
    return m_snapshot.hasRealData ? text + u" · 仍显示缓存"_s : text;
}

void RefreshPipeline::finishUserRefresh(qint64 generation)
{
    if (m_activeUserRefresh == generation && m_isRefreshing) {
        m_isRefreshing = false;
        Q_EMIT changed();
    }
}
