#include "DashboardClient_p.h"
#include "DashboardError.h"
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
QCoro::Task<Answer> tryEventPage(QJsonObject body)
{
    try {
        co_return co_await send(request(QString::fromLatin1(eventsPath), "POST", body));
    } catch (const DashboardError& error) {
        if (error.endsRefresh())
            throw;
    } catch (...) {
    }
    co_return std::nullopt;
}

QCoro::Task<Answer> eventPage(double userId, double startMs, double endMs, int page)
{
    const auto withTeam = eventPageBody(true, userId, startMs, endMs, page);
    const auto withoutTeam = eventPageBody(false, userId, startMs, endMs, page);
    if (!withTeam || !withoutTeam)
        co_return std::nullopt; // an absurd window is not asked for

    const bool teamFirst = detail::state().eventsUseTeamId;
    if (Answer answer = co_await tryEventPage(teamFirst ? *withTeam : *withoutTeam))
        co_return answer;
    // The other body from now on, for later pages and later refreshes too. Set rather than toggled,
    // so two overlapping fetches that both fail the same body agree on the other one.
    detail::state().eventsUseTeamId = !teamFirst;
    co_return co_await tryEventPage(teamFirst ? *withoutTeam : *withTeam);
}

} // namespace

namespace detail {

QCoro::Task<Answer> fetchAggregated(double userId, double startMs, double endMs, RequestGroup* group)
{
    const AggregatedBody preferred = state().preferredAggregated;
    QList<AggregatedBody> order{preferred};
    for (const AggregatedBody body : allAggregatedBodies) {
        if (body != preferred)
            order.append(body);
    }

    for (const AggregatedBody variant : order) {
        const std::optional<QJsonObject> body = payload(variant, userId, startMs, endMs);
        if (!body)
            co_return std::nullopt; // an absurd window is not asked for
        std::optional<QJsonObject> answer;
        try {
            answer = co_await send(request(QString::fromLatin1(aggregatedPath), "POST", *body), group);
        } catch (const DashboardError& error) {
            if (error.endsRefresh())
                throw;
        } catch (...) {
        }
        if (answer && hasUsage(*answer)) {
            state().preferredAggregated = variant;
            co_return answer;
        }
    }
    co_return std::nullopt;
}

} // namespace detail

QCoro::Task<Answer> fetchAggregated(double userId, double startMs, double endMs)
{
    return detail::fetchAggregated(userId, startMs, endMs, nullptr);
}

QCoro::Task<Answer> fetchEventPage(double userId, double startMs, double endMs, int page)
{
    return eventPage(userId, startMs, endMs, page);
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

QCoro::Task<Events> fetchEvents(double userId, double startMs, double endMs, int maxPages,
                                CancellationFlag cancellation)
{
    Events result;
    for (int page = 1; page <= maxPages; ++page) {
        // A newer refresh has taken over: the pages still to come would only be thrown away.
        if (cancellation && cancellation->requested)
            throw TransportError(TransportError::Kind::cancelled, QString::fromLatin1(eventsPath));
        const Answer answer = co_await fetchEventPage(userId, startMs, endMs, page);
        const QJsonArray list = eventList(answer);

        // A count that is not a finite 64-bit number (only an absurd answer) counts as no count: the
        // events gathered so far are all there is.
        std::optional<qint64> expected;
        if (answer) {
            if (const auto count = UsageJSON::number(answer->value("totalUsageEventsCount"_L1)))
                expected = UsageJSON::rounded(*count);
        }
        const qint64 expectedCount = expected.value_or(result.size() + list.size());

        const qsizetype before = result.size();
        for (const QJsonValue& event : list) {
            if (event.isObject())
                result.append(event.toObject());
        }
        if (result.size() == before || result.size() >= expectedCount)
            break;
    }
    co_return result;
}

QCoro::Task<double> currentUserId()
{
    detail::requireSession();
    if (const auto known = detail::state().lastUserId)
        co_return *known;
    co_return detail::rememberUserId(co_await send(request(QString::fromLatin1(mePath), "GET")));
}

QCoro::Task<UsageSnapshot> fetchEventPatch(UsageSnapshot base, CancellationFlag cancellation)
{
    const double userId = co_await currentUserId();

    const double nowMs = Clock::now().msSince1970();
    const double cycleStart =
        UsageJSON::toMs(QJsonValue(base.billingCycleStart)).value_or(startOfLocalMonth());
    const double cycleEnd =
        std::max(UsageJSON::toMs(QJsonValue(base.billingCycleEnd)).value_or(nowMs), nowMs);
    const double todayStart = startOfLocalDay();

    const Events cycleEvents = co_await fetchEvents(userId, cycleStart, cycleEnd, 2, cancellation);
    // A cycle that began within half a day of today's start already holds today's events.
    Events todayEvents = cycleEvents;
    if (std::fabs(cycleStart - todayStart) >= detail::boundarySlackMs)
        todayEvents = co_await fetchEvents(userId, todayStart, nowMs, 1, cancellation);

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
