#include "ScriptedEdges.h"

#include "client/DashboardError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "client/TransportError.h"
#include "platform/Clock.h"

#include <QCoroTimer>
#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

const QString editorToken = u"editor"_s;

} // namespace

AccountPipelines::Wiring scriptedWiring(const ScriptedAccount& home, const ScriptedAccount& other,
                                        QHash<QString, std::shared_ptr<const QString>>* titles)
{
    return [&home, &other, titles](const AccountPlace& place, std::shared_ptr<const QString> title,
                                   std::shared_ptr<PricingSource>) {
        if (titles)
            titles->insert(place.userId, title);
        const ScriptedAccount& chosen = place.home ? home : other;
        return PipelineWiring{chosen.edges(), chosen.state};
    };
}

UsageSnapshot labelledSnapshot(const QString& label)
{
    UsageSnapshot snapshot = UsageSnapshot::empty();
    snapshot.hasRealData = true;
    snapshot.planName = label;
    snapshot.updatedAt = Clock::now();
    return snapshot;
}

void Gate::open()
{
    m_open = true;
    for (const std::coroutine_handle<> waiting : std::exchange(m_waiting, {}))
        waiting.resume();
}

void Calls::release(int call)
{
    if (const std::shared_ptr<Gate> gate = m_gates.value(call - 1))
        gate->open();
}

void Calls::releaseHeld()
{
    // Copied: a call let go may make the next one.
    for (const std::shared_ptr<Gate>& gate : QList(m_gates))
        gate->open();
}

void Calls::releaseAll()
{
    m_holding = false;
    releaseHeld();
}

QCoro::Task<> Calls::enter()
{
    const auto gate = std::make_shared<Gate>();
    if (!m_holding)
        gate->open();
    m_gates.append(gate);
    co_await gate->passed();
}

namespace {

// What an answer other than `usage` throws, as the client would.
void throwFor(ScriptedService::Answer answer, const DashboardClient::ClientStateRef& state)
{
    const QString mePath = QString::fromLatin1(DashboardClient::mePath);
    switch (answer) {
    case ScriptedService::Answer::usage:
        break;
    case ScriptedService::Answer::unauthorized:
        throw DashboardError::unauthorized();
    case ScriptedService::Answer::busy: {
        const Timestamp until = state->rateLimit->record("120");
        throw DashboardError::rateLimited(until);
    }
    case ScriptedService::Answer::serverError:
        throw DashboardError::requestFailed(mePath);
    case ScriptedService::Answer::transport:
        throw TransportError(TransportError::Kind::network, mePath);
    }
}

} // namespace

QCoro::Task<UsageSnapshot> ScriptedService::fetchOverview(QString token,
                                                          DashboardClient::ClientStateRef state)
{
    journal->add(u"overview "_s + token);
    const QString label = u"o"_s + QString::number(overviews.count() + 1);
    const Answer answer = overviewAnswers.value(overviews.count(), overviewAnswer);
    UsageSnapshot snapshot = usage.value_or(labelledSnapshot(label));
    co_await overviews.enter();
    throwFor(answer, state);
    // What "/api/auth/me" would have said, as the client remembers it.
    state->subjectUserId = u"user_"_s + token;
    state->email = token + u"@example.com"_s;
    snapshot.updatedAt = Clock::now();
    co_return snapshot;
}

QCoro::Task<UsageSnapshot> ScriptedService::fetchEventPatch(QString token, DashboardClient::ClientStateRef,
                                                            UsageSnapshot base,
                                                            DashboardClient::CancellationFlag cancellation)
{
    journal->add(u"patch "_s + token);
    patchCancellations.append(cancellation);
    const bool fails = patchFails;
    co_await patches.enter();
    if (fails)
        throw DashboardError::requestFailed(QString::fromLatin1(DashboardClient::eventsPath));
    base.planName += u"+p"_s;
    co_return base;
}

QCoro::Task<double> ScriptedService::currentUserId(QString token, DashboardClient::ClientStateRef)
{
    journal->add(u"me "_s + token);
    co_return 254123789.0;
}

QCoro::Task<DashboardClient::Identity> ScriptedService::identify(QString token,
                                                                 DashboardClient::ClientStateRef state)
{
    journal->add(u"identify "_s + token);
    throwFor(turnedAway.contains(token) ? Answer::unauthorized : identifyAnswer, state);
    co_return identities.value(token, {254123789.0, u"user_"_s + token, token + u"@example.com"_s, token});
}

QCoro::Task<DashboardClient::Answer> ScriptedService::fetchEventPage(QString, DashboardClient::ClientStateRef,
                                                                     double, double, double, int page)
{
    journal->add(u"page "_s + QString::number(page));
    co_return QJsonObject{{u"usageEventsDisplay"_s, QJsonArray()}, {u"totalUsageEventsCount"_s, 0}};
}

SecretLookup ScriptedSession::lookup()
{
    if (!token || rejected.contains(*token))
        return {};
    if (*locked)
        return {SecretLookup::State::locked, {}};
    return {SecretLookup::State::found, *token};
}

QCoro::Task<SecretLookup> ScriptedSession::unlockAndLookup()
{
    journal->add(u"unlock"_s);
    co_await unlocks.enter();
    const auto turn = std::chrono::milliseconds(0);
    co_await QCoro::sleepFor(turn);
    if (unlockSucceeds)
        *locked = false;
    co_return lookup();
}

void ScriptedSession::save(const QString& pasted, const QString&)
{
    const QString normalized = SessionKeychain::normalize(pasted);
    if (normalized.isEmpty() || !SessionKeychain::isSendable(normalized))
        throw SessionKeychainError(SessionKeychainError::Kind::empty);
    if (*locked)
        throw SessionKeychainError(SessionKeychainError::Kind::locked);
    if (failsSaves)
        throw SessionKeychainError(SessionKeychainError::Kind::saveFailed);
    token = normalized;
    journal->add(u"save "_s + normalized);
}

void ScriptedSession::remove()
{
    token.reset();
    journal->add(u"forget"_s);
}

void ScriptedSession::setFollowing(bool on)
{
    following = on;
    journal->add(on ? u"following on"_s : u"following off"_s);
}

EditorLogin::FollowOutcome ScriptedSession::follow()
{
    journal->add(u"follow"_s);
    if (!following || !ownsEditor || !editorLogin || token == editorToken || rejected.contains(editorToken))
        return EditorLogin::FollowOutcome::unchanged;
    if (*locked)
        return EditorLogin::FollowOutcome::locked;
    token = editorToken;
    return EditorLogin::FollowOutcome::stored;
}

EditorSession::Login ScriptedSession::importFromEditor()
{
    journal->add(u"import"_s);
    if (importError)
        throw EditorSessionError(*importError);
    if (rejected.contains(editorToken))
        throw EditorSessionError(EditorSessionError::Kind::rejected);
    if (*locked)
        throw SessionKeychainError(SessionKeychainError::Kind::locked);
    token = editorToken;
    following = true;
    return {u"user_1"_s, editorToken, Timestamp{Clock::now().secondsSinceReference + 3600}};
}

void ScriptedSession::rememberRejected(const QString& rejectedToken)
{
    rejected.append(rejectedToken);
    journal->add(u"reject "_s + rejectedToken);
}

UsageSnapshot ScriptedSnapshots::load()
{
    return stored.value_or(UsageSnapshot::empty());
}

bool ScriptedSnapshots::save(const UsageSnapshot& snapshot)
{
    const bool fails = savesBeforeFailing >= 0 && m_saves++ >= savesBeforeFailing;
    journal->add(u"store "_s + snapshot.planName + (fails ? u" failed"_s : QString()));
    if (!fails)
        stored = snapshot;
    return !fails;
}

void ScriptedSnapshots::nudgeWidget()
{
    journal->add(u"nudge"_s);
}

QCoro::Task<> ScriptedNotices::post(UsageSnapshot snapshot)
{
    journal->add(u"notice "_s + snapshot.planName);
    co_await posts.enter();
}

QCoro::Task<LedgerSync::Result> ScriptedLedger::sync(UsageSnapshot, int pageBudget, LedgerSync::Source source)
{
    journal->add(u"ledger %1 %2"_s.arg(pageBudget).arg(source.token));
    lastSource = std::move(source);
    co_await syncs.enter();
    ++m_ended;
    co_return LedgerSync::Result{outcome, 0};
}

TrendsReport ScriptedLedger::trends(const UsageSnapshot&)
{
    TrendsReport report;
    report.syncedDays = m_ended;
    return report;
}

void ScriptedLedger::remove()
{
    journal->add(u"ledger removed"_s);
}

CycleExport::Result ScriptedLedger::exportCycle(const UsageSnapshot&, CycleExport::Cycle,
                                                const QString& fileName)
{
    journal->add(u"export "_s + fileName);
    return exported;
}

QCoro::Task<bool> ScriptedPricing::syncIfNeeded()
{
    journal->add(u"pricing"_s);
    const bool replaced = changes;
    co_await syncs.enter();
    due = false;
    if (replaced)
        m_label = u"标价已同步"_s;
    co_return replaced;
}

ScriptedAccount::ScriptedAccount()
{
    service->journal = session->journal = snapshots->journal = notices->journal = ledger->journal =
        pricing->journal = journal;
    state->rateLimit = std::make_shared<MemoryRateLimit>();
}

RefreshEdges ScriptedAccount::edges() const
{
    return {service, session, snapshots, notices, ledger, pricing, record};
}
