// Each account's steps of a refresh; their order is RefreshSequence's.
#include "RefreshPipeline_p.h"

#include "client/EditorSessionError.h"
#include "model/DisplayFormat.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using Result = RefreshOutcome::Result;
using State = SecretLookup::State;

QCoro::Task<RefreshPipeline::Next> RefreshPipeline::checkLock(Run& run, PolicyView<Policy::MayUnlock> policy)
{
    if (policy.mayUnlock && !run.facts.unlockAsked) {
        // Following may store the editor's newer login: the keyring is unlocked for that too.
        const bool following = m_edges.session->isFollowing();
        const std::shared_ptr<bool> alive = m_alive;
        const bool unlocked = co_await unlock(following);
        if (!unlocked && *alive)
            run.outcome = outcome(Result::unlockFailed);
        co_return unlocked ? Next::goOn : Next::stop;
    }
    if (m_edges.session->lookup().state != State::locked)
        co_return Next::goOn;
    setHasSession(true);
    say(DashboardError::locked().description());
    run.outcome = outcome(Result::locked);
    co_return Next::stop;
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::followEditor(Run& run, PolicyView<Policy::FollowsWithoutToken> policy)
{
    if (!policy.followsWithoutToken && m_edges.session->lookup().state != State::found)
        co_return Next::goOn; // nothing to follow: the next step ends the refresh
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
            co_return Next::stop;
        }
        break;
    case EditorLogin::FollowOutcome::unchanged:
        break;
    }
    co_return Next::goOn;
}

QCoro::Task<RefreshPipeline::Next> RefreshPipeline::lookUpToken(Run& run, PolicyView<Policy::Silent> policy)
{
    const SecretLookup token = m_edges.session->lookup();
    if (token.state == State::found) {
        run.token = token.secret;
        setHasSession(true);
        co_return accountGone(run) ? Next::stop : Next::goOn;
    }
    if (token.state == State::locked) {
        // Locked since the step that checked (another program locked the keyring).
        setHasSession(true);
        say(DashboardError::locked().description());
        run.outcome = outcome(Result::locked);
        co_return Next::stop;
    }
    setHasSession(false);
    if (!policy.silent)
        say(u"还没有登录态。请先粘贴 Cookie。"_s);
    run.outcome = outcome(Result::noSession);
    co_return Next::stop;
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::respectRateLimit(Run& run,
                                  PolicyView<Policy::IgnoresRateLimit, Policy::PricingTiming> policy)
{
    // After a 429 only the user's own "刷新" reaches the service before the wait is over.
    const std::optional<Timestamp> until = m_state->rateLimit ? m_state->rateLimit->until() : std::nullopt;
    if (policy.ignoresRateLimit || !until)
        co_return Next::goOn;
    // The pricing document is no dashboard request: its daily download goes on.
    startPricing(policy);
    say(withCache(DashboardError::rateLimited(*until).description()));
    run.outcome = outcome(Result::busy);
    co_return Next::stop;
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::beginGeneration(Run& run, PolicyView<Policy::Silent, Policy::PricingTiming> policy)
{
    run.generation = ++m_generation;
    if (m_eventTask) {
        m_eventTask->requested = true;
        m_eventTask.reset();
    }
    if (!policy.silent) {
        m_activeUserRefresh = run.generation;
        m_isRefreshing = true;
    }
    Q_EMIT changed();
    startPricing(policy);
    co_return Next::goOn;
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::fetchOverview(Run& run, PolicyView<Policy::Silent, Policy::RemovesRejectedToken> policy)
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
        co_return Next::stop;
    if (!run.snapshot) {
        failOverview(run, policy, failure, errorText);
        co_return Next::stop;
    }
    // Who the service says the token belongs to: the home account's user is recorded.
    m_edges.account->recordIdentity(m_state->subjectUserId, m_state->email);
    if (run.generation != m_generation) {
        finishUserRefresh(run.generation);
        run.outcome = outcome(Result::superseded);
        co_return Next::stop;
    }
    co_return Next::goOn;
}

bool RefreshPipeline::accountGone(Run& run)
{
    if (m_edges.account->isCurrent())
        return false;
    finishUserRefresh(run.generation);
    run.outcome = outcome(Result::removed);
    return true;
}

void RefreshPipeline::failOverview(Run& run, PolicyView<Policy::Silent, Policy::RemovesRejectedToken> policy,
                                   std::optional<DashboardError::Kind> kind, QString text)
{
    // A failure never touches the snapshot on screen or on disk; the widget only redraws for new
    // prices.
    if (run.facts.pricingChanged)
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
        if (policy.removesRejectedToken) {
            m_edges.session->remove();
            setHasSession(false);
        }
        say(text);
        run.outcome = outcome(Result::unauthorized);
        return;
    }
    if (kind == DashboardError::Kind::rateLimited)
        say(withCache(text));
    else if (policy.silent && m_snapshot.hasRealData && kind != DashboardError::Kind::locked)
        say(u"仍显示缓存 · "_s + text);
    else
        say(text);
    run.outcome = outcome(kind == DashboardError::Kind::rateLimited ? Result::busy : Result::failed);
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::applyOverview(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy)
{
    if (!policy.appliesOverviewFirst)
        co_return Next::goOn;
    const bool stored = store(*run.snapshot, u"已更新概览 · "_s + formatShortTime(run.snapshot->updatedAt));
    finishUserRefresh(run.generation);
    if (!stored) {
        run.outcome = outcome(Result::notStored);
        co_return Next::stop;
    }
    run.outcome = outcome(Result::stored, run.snapshot);
    m_edges.notices->post(*run.snapshot); // not awaited: the notices go out on their own
    co_return Next::goOn;
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::detachPatch(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy)
{
    if (!policy.appliesOverviewFirst)
        co_return Next::goOn;
    // The rest (patch, store, notices, ledger) runs on its own, and a newer refresh stops it.
    run.cancellation = cancellation();
    m_eventTask = run.cancellation;
    co_return Next::detach;
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::fetchEventPatch(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy)
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
        co_return Next::stop;
    if (patched) {
        run.snapshot = std::move(patched);
        co_return Next::goOn;
    }
    run.patchFailed = true;
    // Applied already: a failed patch has nothing new to store.
    co_return policy.appliesOverviewFirst ? Next::stop : Next::goOn;
}

QCoro::Task<RefreshPipeline::Next> RefreshPipeline::storeSnapshot(Run& run, PolicyView<>)
{
    // A newer refresh has taken over since this one's overview was shown.
    if (run.cancellation->requested || run.generation != m_generation || accountGone(run))
        co_return Next::stop;
    if (!store(*run.snapshot, u"已更新 · "_s + formatShortTime(run.snapshot->updatedAt))) {
        // Nothing acts on usage nobody can read back: no notice, no ledger.
        run.outcome = outcome(Result::notStored);
        co_return Next::stop;
    }
    run.outcome = outcome(Result::stored, run.snapshot);
    co_return Next::goOn;
}

QCoro::Task<RefreshPipeline::Next>
RefreshPipeline::postNotices(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy)
{
    if (policy.appliesOverviewFirst) {
        m_edges.notices->post(*run.snapshot); // the window goes on meanwhile
        co_return Next::goOn;
    }
    // Awaited, so that the background run's notices are delivered before it exits.
    const std::shared_ptr<bool> alive = m_alive;
    co_await m_edges.notices->post(*run.snapshot);
    co_return *alive ? Next::goOn : Next::stop;
}

QCoro::Task<RefreshPipeline::Next> RefreshPipeline::syncLedgerStep(
    Run& run, PolicyView<Policy::SyncsLedgerAfterFailedPatch, Policy::LedgerPageBudget> policy)
{
    if (run.patchFailed && !policy.syncsLedgerAfterFailedPatch)
        co_return Next::stop;
    co_await syncLedgerWith(run.token, *run.snapshot, policy.ledgerPageBudget);
    co_return Next::goOn;
}
