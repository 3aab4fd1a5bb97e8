#include "HeavyAccount.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 hourMs = 3'600'000;

// Relative activity per local hour of a working day: quiet nights, a busy morning and afternoon.
constexpr int hourWeights[24] = {1, 1,  1,  1,  1,  1, 2, 4, 8, 12, 14, 13,
                                 8, 11, 14, 14, 12, 9, 6, 5, 5, 4,  3,  2};

const QStringList kinds = {u"USAGE_EVENT_KIND_INCLUDED_IN_PRO"_s, u"USAGE_EVENT_KIND_USAGE_BASED"_s,
                           u"USAGE_EVENT_KIND_ERRORED_NOT_CHARGED"_s};

QString modelName(int index)
{
    static const QStringList known = {
        u"auto"_s,           u"claude-4.5-sonnet-thinking"_s, u"gpt-5"_s,       u"claude-4.5-opus"_s,
        u"gemini-2.5-pro"_s, u"grok-code-fast-1"_s,           u"gpt-5-codex"_s, u"composer-1"_s};
    return index < known.size() ? known.at(index) : u"model-"_s + QString::number(index);
}

} // namespace

HeavyAccount::HeavyAccount(qint64 startMs, int days, int count, int models, quint32 seed)
{
    std::mt19937 random(seed);
    std::discrete_distribution<int> hour(std::begin(hourWeights), std::end(hourWeights));
    // Weekends see a third of a weekday's use.
    std::vector<double> dayWeights;
    for (int day = 0; day < days; ++day)
        dayWeights.push_back(day % 7 >= 5 ? 1.0 : 3.0);
    std::discrete_distribution<int> dayPick(dayWeights.begin(), dayWeights.end());
    // A few models carry most of the use.
    std::vector<double> modelWeights;
    for (int model = 0; model < models; ++model)
        modelWeights.push_back(1.0 / (model + 1));
    std::discrete_distribution<int> modelPick(modelWeights.begin(), modelWeights.end());
    std::discrete_distribution<int> kindPick({70, 25, 5});
    std::uniform_int_distribution<qint64> withinHour(0, hourMs - 1);
    std::lognormal_distribution<double> size(9.0, 1.2);

    m_events.reserve(count);
    for (int i = 0; i < count; ++i) {
        Event event;
        event.ms = startMs + dayPick(random) * 24 * hourMs + hour(random) * hourMs + withinHour(random);
        event.model = modelName(modelPick(random));
        event.kind = kinds.at(kindPick(random));
        event.input = qint64(size(random));
        event.output = event.input / 8;
        event.cacheRead = event.input * 6;
        event.cacheWrite = i % 3 == 0 ? event.input / 2 : 0;
        m_events.append(event);
    }
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const Event& a, const Event& b) { return a.ms < b.ms; });
}

QList<HeavyAccount::Event> HeavyAccount::events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

void HeavyAccount::add(const Event& event)
{
    std::lock_guard lock(m_mutex);
    const auto at = std::upper_bound(m_events.begin(), m_events.end(), event.ms,
                                     [](qint64 ms, const Event& other) { return ms < other.ms; });
    m_events.insert(at, event);
}

FakeService::Answer HeavyAccount::answer(const FakeService::Request& request) const
{
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    std::lock_guard lock(m_mutex);
    const qint64 start = body.value("startDate"_L1).toString().toLongLong();
    const qint64 end = body.value("endDate"_L1).toString().toLongLong();
    const int page = std::max(1, body.value("page"_L1).toInt(1));
    const int pageSize = std::max(1, body.value("pageSize"_L1).toInt(100));

    const auto byTime = [](const Event& event, qint64 ms) { return event.ms < ms; };
    const auto first = std::lower_bound(m_events.begin(), m_events.end(), start, byTime);
    const auto last = std::lower_bound(first, m_events.end(), end, byTime);
    const qint64 total = last - first;

    QJsonArray list;
    // Newest first, as the dashboard lists them.
    for (qint64 i = qint64(page - 1) * pageSize; i < std::min<qint64>(total, qint64(page) * pageSize); ++i) {
        const Event& event = *(last - 1 - i);
        list.append(QJsonObject{{"timestamp"_L1, QString::number(event.ms)},
                                {"model"_L1, event.model},
                                {"kind"_L1, event.kind},
                                {"tokenUsage"_L1, QJsonObject{{"inputTokens"_L1, event.input},
                                                              {"outputTokens"_L1, event.output},
                                                              {"cacheReadTokens"_L1, event.cacheRead},
                                                              {"cacheWriteTokens"_L1, event.cacheWrite}}}});
    }
    const QJsonObject answer{{"totalUsageEventsCount"_L1, total}, {"usageEventsDisplay"_L1, list}};
    return {200, QJsonDocument(answer).toJson(QJsonDocument::Compact), {}, 0};
}
