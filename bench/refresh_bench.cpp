// Wall time of a refresh against the fake service when every answer takes L = 50 ms, as a multiple
// of L: the overview for a billing cycle from the 1st (one aggregated window) and from the 17th
// (two), and the event patch with two cycle pages and a page for today. The requests that depend on
// each other allow 2 L, 3 L and 3 L. Also the time to parse an aggregated answer of 200 rows and an
// event page of 200 events. Not a test: run it by hand.
#include "FakeService.h"

#include "client/DashboardClient.h"
#include "client/UsageParser.h"
#include "model/UsageJSON.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

using namespace Qt::StringLiterals;
using namespace DashboardClient;

namespace {

constexpr int latencyMs = 50;
constexpr int rounds = 20;

// QCoro 0.8's waitFor never returns when the task throws: stop with a message instead.
template <typename T>
QCoro::Task<> runOrDie(QCoro::Task<T> task)
{
    try {
        co_await std::move(task);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "refresh failed: %s\n", qPrintable(describe(error)));
        std::exit(1);
    }
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString msText(double ms)
{
    return QString::number(qint64(ms));
}

QJsonObject aggregatedAnswer(int rows)
{
    const QStringList models{u"auto"_s, u"claude-4.5-sonnet-thinking"_s, u"gpt-5"_s, u"grok-code-fast-1"_s,
                             u"gemini-2.5-pro"_s};
    QJsonArray aggregations;
    for (int i = 0; i < rows; ++i) {
        aggregations.append(
            QJsonObject{{"modelIntent"_L1, QString(models[i % models.size()] + u'-' + QString::number(i))},
                        {"inputTokens"_L1, QString::number(20'525 + i)},
                        {"outputTokens"_L1, QString::number(183'431 + i)},
                        {"cacheWriteTokens"_L1, QString::number(1'290'817 + i)},
                        {"cacheReadTokens"_L1, QString::number(17'630'398 + i)},
                        {"totalCents"_L1, 1044.53 + i}});
    }
    return QJsonObject{{"aggregations"_L1, aggregations},
                       {"totalInputTokens"_L1, u"1993661"_s},
                       {"totalOutputTokens"_L1, u"646757"_s},
                       {"totalCacheWriteTokens"_L1, u"1290817"_s},
                       {"totalCacheReadTokens"_L1, u"48752358"_s}};
}

QJsonObject eventPage(int events, int total, double fromMs)
{
    const QStringList kinds{u"USAGE_EVENT_KIND_INCLUDED_IN_PRO"_s, u"USAGE_EVENT_KIND_USAGE_BASED"_s,
                            u"USAGE_EVENT_KIND_ERRORED_NOT_CHARGED"_s};
    QJsonArray list;
    for (int i = 0; i < events; ++i) {
        list.append(QJsonObject{{"timestamp"_L1, msText(fromMs + i * 3'600'000.0)},
                                {"model"_L1, i % 2 ? u"claude-4.5-sonnet-thinking"_s : u"auto"_s},
                                {"kind"_L1, kinds[i % kinds.size()]},
                                {"isTokenBasedCall"_L1, true},
                                {"tokenUsage"_L1, QJsonObject{{"inputTokens"_L1, QString::number(20'525 + i)},
                                                              {"outputTokens"_L1, 1803 + i},
                                                              {"cacheWriteTokens"_L1, 12'908},
                                                              {"cacheReadTokens"_L1, u"176303"_s},
                                                              {"totalCents"_L1, 41.88}}},
                                {"owningUser"_L1, u"254123789"_s}});
    }
    return QJsonObject{{"totalUsageEventsCount"_L1, total}, {"usageEventsDisplay"_L1, list}};
}

void scriptOverview(FakeService& service, double cycleStartMs)
{
    const QJsonObject period{{"billingCycleStart"_L1, msText(cycleStartMs)},
                             {"billingCycleEnd"_L1, msText(cycleStartMs + 30 * 86'400'000.0)},
                             {"displayMessage"_L1, u"You've used 58% of your included usage"_s},
                             {"planUsage"_L1, QJsonObject{{"includedSpend"_L1, 23222}, {"limit"_L1, 40000}}}};
    service.setJson("GET", mePath, R"({"id":254123789,"email":"lin.wei@example.com"})", latencyMs);
    service.setJson("POST", periodPath, json(period), latencyMs);
    service.setJson("POST", planPath, R"({"planInfo":{"planName":"Pro+","includedAmountCents":40000}})",
                    latencyMs);
    service.setJson("POST", sandPath, R"({"usagePercent":"37.6"})", latencyMs);
    service.setJson("POST", aggregatedPath, json(aggregatedAnswer(12)), latencyMs);
}

// One account's session and state for every run, as the window keeps them.
const QString token = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::bench"_s;
const ClientStateRef state = std::make_shared<ClientState>();

double overviewMedian(FakeService& service, double cycleStartMs)
{
    scriptOverview(service, cycleStartMs);
    return medianMs(rounds, [] { QCoro::waitFor(runOrDie(fetchOverview(token, state))); });
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    FakeService service;
    if (!service.start()) {
        std::fprintf(stderr, "cannot bind a port on 127.0.0.1\n");
        return 1;
    }
    qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());

    const double monthStart = startOfLocalMonth();
    const double fromThe1st = overviewMedian(service, monthStart);
    const double fromThe17th = overviewMedian(service, monthStart + 16 * 86'400'000.0);

    // A cycle that began ten days before this month: two full pages for it, one for today.
    const double cycleStart = monthStart - 10 * 86'400'000.0;
    const QString todayStart = msText(startOfLocalDay());
    const QByteArray firstPage = json(eventPage(200, 1000, cycleStart));
    const QByteArray secondPage = json(eventPage(200, 1000, cycleStart + 200 * 3'600'000.0));
    const QByteArray todayPage = json(eventPage(60, 60, startOfLocalDay()));
    service.setHandler("POST", eventsPath, [=](const FakeService::Request& request) {
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        if (body.value("startDate"_L1).toString() == todayStart)
            return FakeService::Answer{200, todayPage, {}, latencyMs};
        return FakeService::Answer{
            200, body.value("page"_L1).toInt() == 1 ? firstPage : secondPage, {}, latencyMs};
    });
    UsageSnapshot base = UsageSnapshot::empty();
    base.hasRealData = true;
    base.billingCycleStart = Timestamp::fromMsSince1970(cycleStart).toInternetDateTime();
    service.clearRequests();
    const double patch =
        medianMs(rounds, [&] { QCoro::waitFor(runOrDie(fetchEventPatch(token, state, base))); });
    if (service.requests(eventsPath).size() != 3 * rounds || !service.requests(mePath).isEmpty()) {
        std::fprintf(stderr, "the patch made %d event requests, expected %d\n",
                     int(service.requests(eventsPath).size()), 3 * rounds);
        return 1;
    }

    const QByteArray aggregated = json(aggregatedAnswer(200));
    const double parseAggregated = medianMs(200, [&] {
        const UsageParser::Answer answer = QJsonDocument::fromJson(aggregated).object();
        volatile double total = UsageParser::tokensFromAggregated(answer).total;
        volatile qsizetype rows = UsageParser::modelsFromAggregated(answer).size();
        (void)total;
        (void)rows;
    });
    const double parseEvents = medianMs(200, [&] {
        const QJsonArray list =
            QJsonDocument::fromJson(firstPage).object().value("usageEventsDisplay"_L1).toArray();
        UsageParser::Events events;
        events.reserve(list.size());
        for (const QJsonValue& event : list)
            events.append(event.toObject());
        TokenTotals today;
        for (const QJsonObject& event : events)
            today += UsageJSON::tokens(event);
        volatile double split = UsageParser::splitTokens(events).total + today.total;
        volatile qsizetype days = UsageParser::daysFromEvents(events).size();
        (void)split;
        (void)days;
    });

    std::printf("L = %d ms on every route, median of %d runs\n", latencyMs, rounds);
    std::printf("fetchOverview, cycle from the 1st:    %.2f L  (target <= 2.2)\n", fromThe1st / latencyMs);
    std::printf("fetchOverview, cycle from the 17th:   %.2f L  (target <= 3.3)\n", fromThe17th / latencyMs);
    std::printf("fetchEventPatch, 2 cycle pages+today: %.2f L  (target <= 3.3)\n", patch / latencyMs);
    std::printf("parse aggregated answer, 200 rows:    %.3f ms (target < 2)\n", parseAggregated);
    std::printf("parse event page, 200 events:         %.3f ms (target < 2)\n", parseEvents);
    return 0;
}
