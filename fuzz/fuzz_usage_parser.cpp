#include "FuzzInput.h"

#include "client/UsageParser.h"
#include "model/UsageJSON.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

using UsageParser::Answer;
using UsageParser::Events;

Answer answerAt(const QJsonArray& answers, qsizetype index)
{
    if (index < answers.size() && answers.at(index).isObject())
        return answers.at(index).toObject();
    return std::nullopt;
}

Events eventsOf(const QJsonArray& items)
{
    Events events;
    for (const QJsonValue& item : items)
        if (item.isObject())
            events.append(item.toObject());
    return events;
}

} // namespace

// The service's answers in any shape. An object is every answer at once (and its
// "usageEventsDisplay" the events); an array holds period, summary, plan, aggregated and sand in
// that order, its objects also serving as events. Whatever the parser builds must be a snapshot
// the app can store and read back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto document = FuzzInput::json(data, size);
    if (!document)
        return 0;
    Answer period, summary, plan, aggregated, sand;
    Events events;
    if (document->isObject()) {
        const QJsonObject object = document->object();
        period = summary = plan = aggregated = sand = object;
        events = eventsOf(object.value(QLatin1StringView("usageEventsDisplay")).toArray());
    } else {
        const QJsonArray answers = document->array();
        period = answerAt(answers, 0);
        summary = answerAt(answers, 1);
        plan = answerAt(answers, 2);
        aggregated = answerAt(answers, 3);
        sand = answerAt(answers, 4);
        events = eventsOf(answers);
    }
    const Timestamp now{1'780'000'000};

    UsageParser::tokensFromAggregated(aggregated);
    UsageParser::modelsFromAggregated(aggregated);
    UsageParser::splitTokens(events);
    UsageParser::daysFromEvents(events);
    UsageParser::grokFromSand(sand);
    if (period) {
        UsageParser::grokFields(*period);
        UsageParser::weeklyReset(UsageJSON::toMs(period->value(QLatin1StringView("billingCycleStart"))), now);
        UsageParser::percentFromMessage(period->value(QLatin1StringView("displayMessage")).toString());
    }

    const auto snapshot = UsageParser::build(period, summary, plan, aggregated, events, events, sand, now);
    FuzzInput::require(snapshot.has_value() == (period || summary || aggregated));
    if (!snapshot)
        return 0;
    const auto encoded = snapshot->encode();
    FuzzInput::require(encoded.has_value());
    FuzzInput::require(UsageSnapshot::decode(*encoded) == snapshot);
    return 0;
}
