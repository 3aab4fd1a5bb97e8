#include "DashboardClient_p.h"
#include "DashboardError.h"
#include "FetchRules.h"
#include "TransportError.h"
#include "UsageParser.h"

#include "model/UsageJSON.h"
#include "platform/Clock.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace DashboardClient {

namespace {

bool hasUsage(const QJsonObject& answer)
{
    return answer.contains("aggregations"_L1) || answer.contains("totalInputTokens"_L1) ||
           answer.contains("totalOutputTokens"_L1);
}

std::optional<QJsonObject> eventPageBody(bool withTeam, double userId, double startMs, double endMs, int page)
{
    const auto start = millisecondsText(startMs);
    const auto end = millisecondsText(endMs);
    if (!start || !end)
        return std::nullopt;
    QJsonObject body{{"userId"_L1, userId},
                     {"startDate"_L1, *start},
                     {"endDate"_L1, *end},
                     {"page"_L1, page},
                     {"pageSize"_L1, eventPageSize}};
    if (withTeam)
        body.insert("teamId"_L1, 0);
    return body;
}

QJsonArray eventList(const Answer& page)
{
    if (!page)
        return {};
    for (const auto key : {"usageEventsDisplay"_L1, "usageEvents"_L1}) {
        const QJsonValue list = page->value(key);
        if (list.isArray())
            return list.toArray();
    }
    return {};
}

// Sends one page request; the answer, nothing on failure, or what ends a refresh thrown
// (unauthorized, rateLimited).
QCoro::Task<Answer> tryEventPage(QJsonObject body, detail::Call call)
{
    try {
        co_return co_await detail::send(request(call.token, QString::fromLatin1(eventsPath), "POST", body),
                                        call);
    } catch (const DashboardError& error) {
        if (error.endsRefresh())
            throw;
    } catch (...) {
    }
    co_return std::nullopt;
}

QCoro::Task<Answer> eventPage(double userId, double startMs, double endMs, int page, detail::Call call)
{
    const auto withTeam = eventPageBody(true, userId, startMs, endMs, page);
    const auto withoutTeam = eventPageBody(false, userId, startMs, endMs, page);
    if (!withTeam || !withoutTeam)
        co_return std::nullopt; // an absurd window is not asked for

    // Each await in a statement of its own, on named values: GCC 12 miscompiles awaits inside
    // conditions and on temporaries of class type (GCC bug 99576).
    const bool teamFirst = call.state->eventsUseTeamId;
    const QJsonObject first = teamFirst ? *withTeam : *withoutTeam;
    const QJsonObject second = teamFirst ? *withoutTeam : *withTeam;
    Answer answer = co_await tryEventPage(first, call);
    if (answer)
        co_return answer;
    // The other body from now on, for later pages and later refreshes too. Set rather than toggled,
    // so two overlapping fetches that both fail the same body agree on the other one.
    call.state->eventsUseTeamId = !teamFirst;
    answer = co_await tryEventPage(second, call);
    co_return answer;
}

} // namespace

namespace detail {

QCoro::Task<Answer> fetchAggregated(double userId, double startMs, double endMs, Call call)
{
    for (const AggregatedBody variant : FetchRules::aggregatedOrder(call.state->preferredAggregated)) {
        const std::optional<QJsonObject> body = payload(variant, userId, startMs, endMs);
        if (!body)
            co_return std::nullopt; // an absurd window is not asked for
        std::optional<QJsonObject> answer;
        try {
            answer =
                co_await send(request(call.token, QString::fromLatin1(aggregatedPath), "POST", *body), call);
        } catch (const DashboardError& error) {
            if (error.endsRefresh())
                throw;
        } catch (...) {
        }
        if (answer && hasUsage(*answer)) {
            call.state->preferredAggregated = variant;
            co_return answer;
        }
    }
    co_return std::nullopt;
}

} // namespace detail

QCoro::Task<Answer> fetchAggregated(QString token, ClientStateRef state, double userId, double startMs,
                                    double endMs)
{
    return detail::fetchAggregated(userId, startMs, endMs, {std::move(token), std::move(state)});
}

QCoro::Task<Answer> fetchEventPage(QString token, ClientStateRef state, double userId, double startMs,
                                   double endMs, int page)
{
    return eventPage(userId, startMs, endMs, page, {std::move(token), std::move(state)});
}

Events eventsOf(const Answer& page)
{
    Events result;
    for (const QJsonValue& event : eventList(page)) {
        if (event.isObject())
            result.append(event.toObject());
    }
    return result;
}

std::optional<qint64> eventCountOf(const Answer& page)
{
    if (!page)
        return std::nullopt;
    const auto count = UsageJSON::number(page->value("totalUsageEventsCount"_L1));
    return count ? UsageJSON::rounded(*count) : std::nullopt;
}

QCoro::Task<Events> fetchEvents(QString token, ClientStateRef state, double userId, double startMs,
                                double endMs, int maxPages, CancellationFlag cancellation)
{
    const detail::Call call{std::move(token), std::move(state)};
    Events result;
    for (int page = 1; page <= maxPages; ++page) {
        // A newer refresh has taken over: the pages still to come would only be thrown away.
        if (cancellation && cancellation->isRaised())
            throw TransportError(TransportError::Kind::cancelled, QString::fromLatin1(eventsPath));
        const Answer answer = co_await eventPage(userId, startMs, endMs, page, call);
        const QJsonArray list = eventList(answer);
        // A count that is not a finite 64-bit number (only an absurd answer) counts as no count: the
        // events gathered so far are all there is.
        const qint64 expected = eventCountOf(answer).value_or(result.size() + list.size());

        const qsizetype before = result.size();
        for (const QJsonValue& event : list) {
            if (event.isObject())
                result.append(event.toObject());
        }
        if (!FetchRules::wantsNextPage(before, result.size(), expected))
            break;
    }
    co_return result;
}

QCoro::Task<double> currentUserId(QString token, ClientStateRef state)
{
    detail::requireToken(token);
    if (const auto known = state->userId)
        co_return *known;
    const QJsonObject me = co_await send(request(token, QString::fromLatin1(mePath), "GET"), state);
    co_return detail::rememberUserId(me, *state);
}

QCoro::Task<UsageSnapshot> fetchEventPatch(QString token, ClientStateRef state, UsageSnapshot base,
                                           CancellationFlag cancellation)
{
    const double userId = co_await currentUserId(token, state);

    const double nowMs = Clock::now().msSince1970();
    const double cycleStart =
        UsageJSON::toMs(QJsonValue(base.billingCycleStart)).value_or(startOfLocalMonth());
    const double cycleEnd =
        std::max(UsageJSON::toMs(QJsonValue(base.billingCycleEnd)).value_or(nowMs), nowMs);
    const double todayStart = startOfLocalDay();

    const Events cycleEvents =
        co_await fetchEvents(token, state, userId, cycleStart, cycleEnd, 2, cancellation);
    // A cycle that began within half a day of today's start already holds today's events.
    Events todayEvents = cycleEvents;
    if (FetchRules::todayNeedsOwnWindow(cycleStart, todayStart))
        todayEvents = co_await fetchEvents(token, state, userId, todayStart, nowMs, 1, cancellation);

    UsageSnapshot patched = std::move(base);
    const UsageParser::TokenSplit split = UsageParser::splitTokens(cycleEvents);
    if (split.total > 0) {
        patched.totalTokens = std::max(patched.totalTokens, split.total);
        patched.includedTokens = split.included;
        patched.onDemandTokens = split.onDemand;
    }
    TokenTotals today;
    for (const QJsonObject& event : todayEvents)
        today += UsageJSON::tokens(event);
    patched.todayTokens = today;
    patched.days = UsageParser::daysFromEvents(cycleEvents);
    co_return patched;
}

} // namespace DashboardClient
