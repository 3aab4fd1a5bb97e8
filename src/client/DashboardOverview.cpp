#include "DashboardClient_p.h"
#include "DashboardError.h"
#include "FetchRules.h"
#include "UsageParser.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace DashboardClient {

namespace {

// Awaits a child that is no longer wanted, dropping its result or error.
template <typename T>
QCoro::Task<> settle(std::optional<QCoro::Task<T>>& child)
{
    if (!child)
        co_return;
    try {
        co_await *child;
    } catch (...) {
    }
    child.reset();
}

// Awaits a child whose result is wanted, and lets it go.
template <typename T>
QCoro::Task<T> take(std::optional<QCoro::Task<T>>& child)
{
    T result = co_await *child;
    child.reset();
    co_return result;
}

} // namespace

QCoro::Task<UsageSnapshot> fetchOverview(QString token, ClientStateRef state)
{
    detail::requireToken(token); // before any request
    detail::RequestGroup group;
    const detail::Call call{token, state, &group};
    std::optional<QCoro::Task<QJsonObject>> me;
    std::optional<QCoro::Task<Answer>> period, plan, sand, monthAggregated;
    std::optional<UsageSnapshot> snapshot;
    std::exception_ptr failure;

    // The four independent requests start together; their answers are taken in a fixed order, so the
    // outcome never depends on which arrives first.
    try {
        me = detail::send(request(token, QString::fromLatin1(mePath), "GET"), call);
        period = detail::optionalPost(QString::fromLatin1(periodPath), {}, call);
        plan = detail::optionalPost(QString::fromLatin1(planPath), {}, call);
        sand = detail::optionalPost(QString::fromLatin1(sandPath), {}, call);

        const double userId = detail::rememberUserId(co_await take(me), *state);

        // The month's aggregated usage needs the user id, and runs while the rest is awaited.
        const double nowMs = Clock::now().msSince1970();
        const double monthStart = startOfLocalMonth();
        monthAggregated = detail::fetchAggregated(userId, monthStart, nowMs, call);

        const Answer periodAnswer = co_await take(period);
        const Answer planAnswer = co_await take(plan);
        const Answer sandAnswer = co_await take(sand);
        // A team seat's period answer holds only the cycle bounds: its figures are in the summary.
        Answer summaryAnswer;
        if (!UsageParser::hasUsablePlanUsage(periodAnswer))
            summaryAnswer = co_await detail::optionalGet(QString::fromLatin1(summaryPath), call);

        const UsageParser::CycleBounds bounds = UsageParser::cycleBounds(periodAnswer, summaryAnswer);
        const QList<FetchRules::Window> windows =
            FetchRules::aggregatedWindows(bounds.start, bounds.end, monthStart, nowMs);

        Answer aggregated = co_await take(monthAggregated);
        // A cycle that does not start with the calendar month needs its own window.
        if (windows.size() > 1) {
            Answer cycle =
                co_await detail::fetchAggregated(userId, windows[1].startMs, windows[1].endMs, call);
            if (cycle)
                aggregated = std::move(cycle);
        }

        snapshot = UsageParser::build(periodAnswer, summaryAnswer, planAnswer, aggregated, {}, {}, sandAnswer,
                                      Clock::now());
        if (!snapshot)
            throw DashboardError::empty();
    } catch (...) {
        failure = std::current_exception();
    }

    if (failure) {
        // Stop what is still running and wait for it, so nothing of this refresh outlives it.
        group.cancel();
        co_await settle(me);
        co_await settle(period);
        co_await settle(plan);
        co_await settle(sand);
        co_await settle(monthAggregated);
        std::rethrow_exception(failure);
    }
    co_return std::move(*snapshot);
}

} // namespace DashboardClient
