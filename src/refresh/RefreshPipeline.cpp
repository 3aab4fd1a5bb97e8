#include "RefreshPipeline.h"

#include "client/EditorSessionError.h"
#include "model/DisplayFormat.h"
#include "platform/Preferences.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using Result = RefreshOutcome::Result;
using State = SecretLookup::State;

// What one refresh hands from step to step.
struct RefreshPipeline::Run
{
    RefreshPolicy policy;
    qint64 generation = 0;
    QString token;
    bool pricingChanged = false;
    bool patchFailed = false;
    std::optional<UsageSnapshot> snapshot;
    std::shared_ptr<DashboardClient::Cancellation> cancellation;
    RefreshOutcome outcome;
};

namespace {

// The status line's time of day: the snapshot's, in the user's short time format.
QString timeOf(const UsageSnapshot& snapshot)
{
    const QDateTime dateTime = snapshot.updatedAt.toDateTime();
    return dateTime.isValid() ? formatShortTime(dateTime.toLocalTime().time()) : QString();
}

} // namespace

// Every refresh, in this order and nowhere else. A step answers whether the refresh goes on; the
// policy decides what a step does. A step that must come before the first dashboard request goes in
// before fetchOverview; one that acts on the stored snapshot goes after storeSnapshot.
const std::array<RefreshPipeline::Step, 12>& RefreshPipeline::steps()
{
    static const std::array<Step, 12> list{
        &RefreshPipeline::awaitPricing,     // the day's pricing first, when the policy awaits it
        &RefreshPipeline::checkLock,        // a user's action unlocks; otherwise a locked keyring ends it
        &RefreshPipeline::followEditor,     // the editor's rotated login replaces the stored one
        &RefreshPipeline::lookUpToken,      // no token, no refresh
        &RefreshPipeline::respectRateLimit, // the service's wait after a 429
        &RefreshPipeline::beginGeneration,  // newest refresh wins; pricing alongside
        &RefreshPipeline::fetchOverview,    //
        &RefreshPipeline::applyOverview,    // shown at once; the rest then runs on its own
        &RefreshPipeline::fetchEventPatch,  //
        &RefreshPipeline::storeSnapshot,    // stored where the widget reads it, widget nudged
        &RefreshPipeline::postNotices,      // the notices the stored snapshot earns
        &RefreshPipeline::syncLedgerStep,   // last, so it never delays what the refresh stored
    };
    return list;
}

RefreshPipeline::RefreshPipeline(RefreshEdges edges, DashboardClient::ClientStateRef state, QObject* parent)
    : QObject(parent)
    , m_edges(std::move(edges))
    , m_state(std::move(state))
    , m_snapshot(m_edges.snapshots->load())
    , m_status(u"等待粘贴 Cookie"_s)
    , m_pricingLabel(m_edges.pricing->label())
{}

RefreshPipeline::~RefreshPipeline()
{
    *m_alive = false;
    if (m_eventTask)
        m_eventTask->requested = true;
}

void RefreshPipeline::start()
{
    if (m_snapshot.hasRealData) {
        // Stored again so that the file and the settings entry agree, and the widget catches up.
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
    if (token.state == State::locked || followLocked) {
        m_status = DashboardError::locked().description();
    } else if (m_hasSession) {
        m_status = m_snapshot.hasRealData ? u"已加载本地缓存"_s : u"正在读取用量"_s;
        refresh(RefreshPolicy::startUp());
    } else if (m_snapshot.hasRealData) {
        m_status = u"已显示上次缓存 · 请重新粘贴 Cookie 后刷新"_s;
    }
    Q_EMIT changed();
}

QCoro::Task<RefreshOutcome> RefreshPipeline::refresh(RefreshPolicy policy)
{
    Run run;
    run.policy = policy;
    co_await runSteps(run, 0);
    co_return run.outcome;
}

QCoro::Task<> RefreshPipeline::runSteps(Run& run, std::size_t from)
{
    const std::shared_ptr<bool> alive = m_alive;
    for (std::size_t step = from; step < steps().size(); ++step) {
        // Awaited in a statement of its own: GCC 12 miscompiles some awaits inside a condition and
        // then resumes a frame it has already freed.
        const bool goesOn = co_await (this->*steps()[step])(run);
        if (!goesOn || !*alive)
            break;
    }
}

QCoro::Task<> RefreshPipeline::continueFrom(Run run, std::size_t from)
{
    co_await runSteps(run, from);
}

QCoro::Task<bool> RefreshPipeline::awaitPricing(Run& run)
{
    if (run.policy.pricing != RefreshPolicy::Pricing::awaitedFirst)
        co_return true;
    // Whatever the token's state: the widget's estimates need the day's prices even without one.
    const std::shared_ptr<bool> alive = m_alive;
    const bool replaced = co_await m_edges.pricing->syncIfNeeded();
    if (!*alive)
        co_return false;
    run.pricingChanged = replaced;
    m_pricingLabel = m_edges.pricing->label();
    co_return true;
}

QCoro::Task<bool> RefreshPipeline::checkLock(Run& run)
{
    if (run.policy.mayUnlock) {
        // Following may store the editor's newer login: the keyring is unlocked for that too.
        const bool following = m_edges.session->isFollowing();
        const std::shared_ptr<bool> alive = m_alive;
        const bool unlocked = co_await unlock(following);
        if (!unlocked && *alive)
            run.outcome = outcome(Result::unlockFailed);
        co_return unlocked;
    }
    if (m_edges.session->lookup().state != State::locked)
        co_return true;
    setHasSession(true);
    say(DashboardError::locked().description());
    run.outcome = outcome(Result::locked);
    co_return false;
}

QCoro::Task<bool> RefreshPipeline::followEditor(Run& run)
{
    if (!run.policy.followsWithoutToken && m_edges.session->lookup().state != State::found)
        co_return true; // nothing to follow: the next step ends the refresh
    switch (m_edges.session->follow()) {
    case EditorLogin::FollowOutcome::stored:
        setHasSession(true);
        break;
    case EditorLogin::FollowOutcome::locked:
        // The editor's newer login waits behind the lock for the user's "刷新".
        if (m_edges.session->lookup().state != State::found) {
            setHasSession(true);
            say(DashboardError::locked().description());
            run.outcome = outcome(Result::locked);
            co_return false;
        }
        break;
    case EditorLogin::FollowOutcome::unchanged:
        break;
    }
    co_return true;
}

QCoro::Task<bool> RefreshPipeline::lookUpToken(Run& run)
{
    const SecretLookup token = m_edges.session->lookup();
    if (token.state == State::found) {
        run.token = token.secret;
        setHasSession(true);
        co_return true;
    }
    if (token.state == State::locked) {
        // Locked since the step that checked (another program locked the keyring).
        setHasSession(true);
        say(DashboardError::locked().description());
        run.outcome = outcome(Result::locked);
        co_return false;
    }
    setHasSession(false);
    if (!run.policy.silent)
        say(u"还没有登录态。请先粘贴 Cookie。"_s);
    run.outcome = outcome(Result::noSession);
    co_return false;
}

QCoro::Task<bool> RefreshPipeline::respectRateLimit(Run& run)
{
    // After a 429 only the user's own "刷新" reaches the service before the wait is over.
    const std::optional<Timestamp> until = m_state->rateLimit ? m_state->rateLimit->until() : std::nullopt;
    if (run.policy.ignoresRateLimit || !until)
        co_return true;
    // The pricing document is no dashboard request: its daily download goes on.
    startPricing(run.policy);
    say(withCache(DashboardError::rateLimited(*until).description()));
    run.outcome = outcome(Result::busy);
    co_return false;
}

QCoro::Task<bool> RefreshPipeline::beginGeneration(Run& run)
{
    run.generation = ++m_generation;
    if (m_eventTask) {
        m_eventTask->requested = true;
        m_eventTask.reset();
    }
    if (!run.policy.silent) {
        m_activeUserRefresh = run.generation;
        m_isRefreshing = true;
    }
    Q_EMIT changed();
    startPricing(run.policy);
    co_return true;
}

QCoro::Task<bool> RefreshPipeline::fetchOverview(Run& run)
{
    const std::shared_ptr<bool> alive = m_alive;
    std::optional<DashboardError::Kind> failure;
    QString errorText;
    try {
        run.snapshot = co_await m_edges.service->fetchOverview(run.token, m_state);
    } catch (const DashboardError& error) {
        failure = error.kind();
        errorText = error.description();
    } catch (const std::exception& error) {
        errorText = DashboardClient::describe(error);
    }
    if (!*alive)
        co_return false;
    if (!run.snapshot) {
        failOverview(run, failure, errorText);
        co_return false;
    }
    if (run.generation != m_generation) {
        finishUserRefresh(run.generation);
        run.outcome = outcome(Result::superseded);
        co_return false;
    }
    co_return true;
}

void RefreshPipeline::failOverview(Run& run, std::optional<DashboardError::Kind> kind, QString text)
{
    // A failure never touches the snapshot on screen or on disk; the widget only redraws for new
    // prices.
    if (run.pricingChanged)
        m_edges.snapshots->nudgeWidget();
    finishUserRefresh(run.generation);
    if (run.generation != m_generation) {
        // A newer refresh has the last word (and an older one's "unauthorized" never signs it out).
        run.outcome = outcome(Result::superseded);
        return;
    }
    if (kind == DashboardError::Kind::unauthorized) {
        if (run.policy.removesRejectedToken) {
            if (m_edges.session->isFollowing()) {
                // The editor's login was revoked: never take this token over again.
                m_edges.session->rememberRejected(run.token);
                text = EditorSessionError(EditorSessionError::Kind::rejected).description();
            }
            m_edges.session->remove();
            setHasSession(false);
        }
        say(text);
        run.outcome = outcome(Result::unauthorized);
        return;
    }
    if (kind == DashboardError::Kind::rateLimited)
        say(withCache(text));
    else if (run.policy.silent && m_snapshot.hasRealData && kind != DashboardError::Kind::locked)
        say(u"仍显示缓存 · "_s + text);
    else
        say(text);
    run.outcome = outcome(kind == DashboardError::Kind::rateLimited ? Result::busy : Result::failed);
}

QCoro::Task<bool> RefreshPipeline::applyOverview(Run& run)
{
    if (!run.policy.appliesOverviewFirst)
        co_return true;
    const bool stored = store(*run.snapshot, u"已更新概览 · "_s + timeOf(*run.snapshot));
    finishUserRefresh(run.generation);
    if (!stored) {
        run.outcome = outcome(Result::notStored);
        co_return false;
    }
    run.outcome = outcome(Result::stored, run.snapshot);
    m_edges.notices->post(*run.snapshot); // not awaited: the notices go out on their own
    // The rest (patch, store, notices, ledger) runs on its own; a newer refresh stops it.
    run.cancellation = std::make_shared<DashboardClient::Cancellation>();
    m_eventTask = run.cancellation;
    const auto self = std::find(steps().begin(), steps().end(), &RefreshPipeline::applyOverview);
    continueFrom(run, std::size_t(self - steps().begin()) + 1);
    co_return false;
}

QCoro::Task<bool> RefreshPipeline::fetchEventPatch(Run& run)
{
    const std::shared_ptr<bool> alive = m_alive;
    std::optional<UsageSnapshot> patched;
    try {
        patched =
            co_await m_edges.service->fetchEventPatch(run.token, m_state, *run.snapshot, run.cancellation);
    } catch (...) {
        // Never shown: the overview stays as it was applied, or is stored alone.
    }
    if (!*alive)
        co_return false;
    if (patched) {
        run.snapshot = std::move(patched);
        co_return true;
    }
    run.patchFailed = true;
    // Applied already: a failed patch has nothing new to store.
    co_return !run.policy.appliesOverviewFirst;
}

QCoro::Task<bool> RefreshPipeline::storeSnapshot(Run& run)
{
    // A newer refresh has taken over since this one's overview was shown.
    if (run.cancellation && (run.cancellation->requested || run.generation != m_generation))
        co_return false;
    if (!store(*run.snapshot, u"已更新 · "_s + timeOf(*run.snapshot))) {
        // Nothing acts on usage nobody can read back: no notice, no ledger.
        run.outcome = outcome(Result::notStored);
        co_return false;
    }
    run.outcome = outcome(Result::stored, run.snapshot);
    co_return true;
}

QCoro::Task<bool> RefreshPipeline::postNotices(Run& run)
{
    if (run.policy.appliesOverviewFirst) {
        m_edges.notices->post(*run.snapshot); // the window goes on meanwhile
        co_return true;
    }
    // Awaited, so that the background run's notices are delivered before it exits.
    const std::shared_ptr<bool> alive = m_alive;
    co_await m_edges.notices->post(*run.snapshot);
    co_return *alive;
}

QCoro::Task<bool> RefreshPipeline::syncLedgerStep(Run& run)
{
    if (run.patchFailed && !run.policy.syncsLedgerAfterFailedPatch)
        co_return false;
    co_await syncLedgerWith(run.token, *run.snapshot, run.policy.ledgerPageBudget);
    co_return true;
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

void RefreshPipeline::startPricing(const RefreshPolicy& policy)
{
    if (policy.pricing == RefreshPolicy::Pricing::alongside && m_edges.pricing->needsSync())
        syncPricingAlongside(); // runs on its own; neither awaited nor remembered
}

QCoro::Task<> RefreshPipeline::syncPricingAlongside()
{
    const std::shared_ptr<bool> alive = m_alive;
    const RefreshEdges edges = m_edges;
    const bool replaced = co_await edges.pricing->syncIfNeeded();
    if (*alive) {
        m_pricingLabel = edges.pricing->label();
        // Estimates read the stored catalog on every lookup: a redraw is all a new table needs.
        Q_EMIT changed();
    }
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
    Q_EMIT ledgerSynced();
}

QCoro::Task<bool> RefreshPipeline::unlock(bool forWriting)
{
    const std::shared_ptr<SessionAccess> session = m_edges.session;
    const auto locked = [&session, forWriting](const SecretLookup& token) {
        return token.state == State::locked || (forWriting && session->isLocked());
    };
    if (!locked(session->lookup()))
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
    if (!locked(token))
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

RefreshOutcome RefreshPipeline::outcome(RefreshOutcome::Result result,
                                        std::optional<UsageSnapshot> stored) const
{
    return RefreshOutcome{result, m_status, std::move(stored)};
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
