// The steps of a refresh, in their one order.
#include "RefreshPipeline_p.h"

#include "client/EditorSessionError.h"
#include "model/DisplayFormat.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using Result = RefreshOutcome::Result;
using State = SecretLookup::State;

// Every refresh, in this order and nowhere else. A step answers whether the refresh goes on; the
// policy decides what a step does. A step that must come before the first dashboard request goes in
// before fetchOverview; one that acts on the stored snapshot goes after storeSnapshot.
const std::array<RefreshPipeline::Step, 11>& RefreshPipeline::steps()
{
    static const std::array<Step, 11> list{
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
        co_return !accountGone(run);
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
    if (!*alive || accountGone(run))
        co_return false;
    if (!run.snapshot) {
        failOverview(run, failure, errorText);
        co_return false;
    }
    // Who the service says the token belongs to: the home account's user is recorded.
    m_edges.account->recordIdentity(m_state->subjectUserId, m_state->email);
    if (run.generation != m_generation) {
        finishUserRefresh(run.generation);
        run.outcome = outcome(Result::superseded);
        co_return false;
    }
    co_return true;
}

bool RefreshPipeline::accountGone(Run& run)
{
    if (m_edges.account->isCurrent())
        return false;
    finishUserRefresh(run.generation);
    run.outcome = outcome(Result::removed);
    return true;
}

void RefreshPipeline::failOverview(Run& run, std::optional<DashboardError::Kind> kind, QString text)
{
    // A failure never touches the snapshot on screen or on disk; the widget only redraws for new
    // prices.
    if (run.policy.pricingChanged)
        m_edges.snapshots->nudgeWidget();
    finishUserRefresh(run.generation);
    if (run.generation != m_generation) {
        // A newer refresh has the last word (and an older one's "unauthorized" never signs it out).
        run.outcome = outcome(Result::superseded);
        return;
    }
    if (kind == DashboardError::Kind::unauthorized) {
        if (m_edges.session->isFollowing() && m_edges.session->ownsEditorLogin()) {
            // The editor's login was revoked: never taken over or sent again, by any process, even
            // where the token is kept.
            m_edges.session->rememberRejected(run.token);
            text = EditorSessionError(EditorSessionError::Kind::rejected).description();
            setHasSession(false);
        }
        if (run.policy.removesRejectedToken) {
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
    const bool stored = store(*run.snapshot, u"已更新概览 · "_s + formatShortTime(run.snapshot->updatedAt));
    finishUserRefresh(run.generation);
    if (!stored) {
        run.outcome = outcome(Result::notStored);
        co_return false;
    }
    run.outcome = outcome(Result::stored, run.snapshot);
    m_edges.notices->post(*run.snapshot); // not awaited: the notices go out on their own
    // The rest (patch, store, notices, ledger) runs on its own; a newer refresh stops it.
    run.cancellation = cancellation();
    m_eventTask = run.cancellation;
    const auto self = std::find(steps().begin(), steps().end(), &RefreshPipeline::applyOverview);
    continueFrom(run, std::size_t(self - steps().begin()) + 1);
    co_return false;
}

QCoro::Task<bool> RefreshPipeline::fetchEventPatch(Run& run)
{
    const std::shared_ptr<bool> alive = m_alive;
    std::optional<UsageSnapshot> patched;
    if (!run.cancellation)
        run.cancellation = cancellation();
    try {
        patched =
            co_await m_edges.service->fetchEventPatch(run.token, m_state, *run.snapshot, run.cancellation);
    } catch (...) {
        // Never shown: the overview stays as it was applied, or is stored alone.
    }
    if (!*alive || accountGone(run))
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
    if (run.cancellation->requested || run.generation != m_generation || accountGone(run))
        co_return false;
    if (!store(*run.snapshot, u"已更新 · "_s + formatShortTime(run.snapshot->updatedAt))) {
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
