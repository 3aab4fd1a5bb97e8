#include "LedgerSync.h"

#include "LedgerLock.h"

#include "client/DashboardClient.h"
#include "client/DashboardError.h"
#include "model/PlaceGuard.h"
#include "platform/Clock.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace LedgerSync {

namespace {

QList<LedgerEvent> parsed(const DashboardClient::Events& events)
{
    QList<LedgerEvent> result;
    result.reserve(events.size());
    for (const QJsonObject& event : events) {
        if (auto row = LedgerEvent::fromJson(event))
            result.append(std::move(*row));
    }
    return result;
}

} // namespace

QCoro::Task<Result> run(Ledger& ledger, UsageSnapshot snapshot, int pageBudget, Source source,
                        std::function<bool()> stillWanted)
{
    Result result;
    const auto gone = [&stillWanted, &result] {
        if (!stillWanted || stillWanted())
            return false;
        result.outcome = Outcome::removed;
        return true;
    };
    // The service asked to be left alone, of the window's refresh, the headless run or a sync.
    if (source.state->rateLimit && source.state->rateLimit->until()) {
        result.outcome = Outcome::rateLimited;
        co_return result;
    }
    std::optional<double> userId;
    try {
        userId = co_await source.service->currentUserId(source.token, source.state);
    } catch (const DashboardError& error) {
        if (error.kind() == DashboardError::Kind::unauthorized)
            result.outcome = Outcome::unauthorized;
        co_return result;
    } catch (...) {
        co_return result;
    }

    if (gone())
        co_return result;
    // Another user's events never just go: they are kept in a copy of the file first.
    if (const std::optional<double> stored = ledger.user(); stored && *stored != *userId) {
        if (!ledger.keepAsOtherUser())
            co_return result;
    }

    const Timestamp now = Clock::now();
    const qint64 nowMs = qint64(now.msSince1970());
    const CycleSpan cycle = CycleSpan::current(snapshot, now);
    const CycleSpan previous = cycle.previous();
    if (!ledger.prepare(*userId, previous.windows(nowMs) + cycle.windows(nowMs), previous.startMs)) {
        result.outcome = Outcome::busy;
        co_return result;
    }

    // Unfinished windows first, newest first; the complete ones not yet final (fetched before the
    // service's late events for them were in) are asked again only with what budget is left, so a
    // first fill is not slowed by asking today over and over.
    QList<LedgerWindow> queue;
    QList<LedgerWindow> open;
    for (const LedgerWindow& window : ledger.windows()) {
        if (!window.complete)
            queue.append(window);
        else if (!window.isFinal())
            open.append(window);
    }
    queue += open;
    for (const LedgerWindow& window : std::as_const(queue)) {
        LedgerWindow state = window;
        bool probing = window.complete;
        if (probing)
            state.nextPage = 1;
        while (!state.complete || probing) {
            if (result.requests >= pageBudget) {
                result.outcome = Outcome::budgetUsed;
                co_return result;
            }
            if (gone())
                co_return result;
            const int page = state.nextPage;
            DashboardClient::Answer answer;
            try {
                ++result.requests;
                answer = co_await source.service->fetchEventPage(
                    source.token, source.state, *userId, double(window.startMs), double(window.endMs), page);
            } catch (const DashboardError& error) {
                // A 429's wait is already in the account's rate-limit record: every later sync and
                // refresh holds back until then.
                switch (error.kind()) {
                case DashboardError::Kind::rateLimited:
                    result.outcome = Outcome::rateLimited;
                    break;
                case DashboardError::Kind::unauthorized:
                    result.outcome = Outcome::unauthorized;
                    break;
                default:
                    result.outcome = Outcome::failed;
                    break;
                }
                co_return result;
            } catch (...) {
                co_return result;
            }
            if (!answer || gone())
                co_return result;

            const std::optional<qint64> count = DashboardClient::eventCountOf(answer);
            if (probing) {
                probing = false;
                if (count && count == window.expected) {
                    // Nothing new since the window was completed: only the time it was seen so.
                    LedgerWindow checked = window;
                    checked.fetchedMs = nowMs;
                    if (!ledger.store(checked, {}, false)) {
                        result.outcome = Outcome::busy;
                        co_return result;
                    }
                    break;
                }
            }
            if (page > 1 && count != state.expected) {
                // The window changed under the pages already stored: start it again from page 1.
                state = LedgerWindow{window.startMs, window.endMs, 1, std::nullopt, 0, false, std::nullopt};
                continue;
            }

            const DashboardClient::Events events = DashboardClient::eventsOf(answer);
            LedgerWindow next = state;
            if (page == 1) {
                next.expected = count;
                next.received = 0;
                next.fetchedMs = nowMs;
            }
            next.received += events.size();
            next.nextPage = page + 1;
            next.complete = events.size() < DashboardClient::eventPageSize ||
                            (next.expected && next.received >= *next.expected);
            if (!ledger.store(next, parsed(events), page == 1)) {
                result.outcome = Outcome::busy;
                co_return result;
            }
            state = next;
        }
    }
    result.outcome = Outcome::upToDate;
    co_return result;
}

QCoro::Task<Result> runLocked(AccountPlace place, UsageSnapshot snapshot, int pageBudget, Source source)
{
    // Checked under the ledger's lock: a removal deletes the ledger only while holding it, after it
    // made the place no longer current.
    const auto stillWanted = [place] { return PlaceGuard::isCurrent(place); };
    const LedgerLock lock(place.ledgerFile(), 0);
    if (!lock.isHeld())
        co_return Result{stillWanted() ? Outcome::busy : Outcome::removed, 0};
    if (!stillWanted())
        co_return Result{Outcome::removed, 0};
    const std::unique_ptr<Ledger> ledger = Ledger::open(place.ledgerFile());
    if (!ledger)
        co_return Result{Outcome::failed, 0};
    co_return co_await run(*ledger, std::move(snapshot), pageBudget, std::move(source), stillWanted);
}

} // namespace LedgerSync
