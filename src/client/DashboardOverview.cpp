#include "DashboardClient_p.h"
#include "DashboardError.h"
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

QCoro::Task<UsageSnapshot> fetchOverview()
{
    detail::requireSession();

    detail::RequestGroup group;
    std::optional<QCoro::Task<QJsonObject>> me;
    std::optional<QCoro::Task<Answer>> period, plan, sand, monthAggregated;
    std::optional<UsageSnapshot> snapshot;
    std::exception_ptr failure;

    // The four independent requests start together; their answers are taken in a fixed order, so the
    // outcome never depends on which arrives first.
    try {
        me = detail::send(request(QString::fromLatin1(mePath), "GET"), &group);
        period = detail::optionalPost(QString::fromLatin1(periodPath), {}, &group);
        plan = detail::optionalPost(QString::fromLatin1(planPath), {}, &group);
        sand = detail::optionalPost(QString::fromLatin1(sandPath), {}, &group);

        const double userId = detail::rememberUserId(co_await take(me));

        // The month's aggregated usage needs the user id, and runs while the rest is awaited.
        const double nowMs = Clock::now().msSince1970();
        const double monthStart = startOfLocalMonth();
        monthAggregated = detail::fetchAggregated(userId, monthStart, nowMs, &group);

        const Answer periodAnswer = co_await take(period);
        const Answer planAnswer = co_await take(plan);
        const Answer sandAnswer = co_await take(sand);
        // A team seat's period answer holds only the cycle bounds: its figures are in the summary.
        Answer summaryAnswer;
        if (!UsageParser::hasUsablePlanUsage(periodAnswer))
            summaryAnswer = co_await detail::optionalGet(QString::fromLatin1(summaryPath), &group);

        const UsageParser::CycleBounds bounds = UsageParser::cycleBounds(periodAnswer, summaryAnswer);
        const double cycleStart = bounds.start.value_or(monthStart);
        const double cycleEnd = bounds.end.value_or(nowMs);

        Answer aggregated = co_await take(monthAggregated);
        // A cycle that does not start with the calendar month needs its own window.
        if (std::fabs(cycleStart - monthStart) > detail::boundarySlackMs) {
            Answer cycle =
                co_await detail::fetchAggregated(userId, cycleStart, std::max(cycleEnd, nowMs), &group);
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
