#include "LedgerEvent.h"

#include "model/UsageJSON.h"

#include <algorithm>

using namespace Qt::StringLiterals;

std::optional<LedgerEvent> LedgerEvent::fromJson(const QJsonObject& event)
{
    // The same fields, in the same order, as the snapshot's daily series reads.
    auto ms = UsageJSON::toMs(event.value("timestamp"_L1));
    if (!ms)
        ms = UsageJSON::toMs(event.value("eventDate"_L1));
    const std::optional<qint64> time = ms ? UsageJSON::rounded(*ms) : std::nullopt;
    if (!time)
        return std::nullopt;

    const TokenTotals tokens = UsageJSON::tokens(event);
    // A count beyond any real event's (an absurd answer) is capped, so sums cannot overflow.
    const auto count = [](double value) {
        return UsageJSON::rounded(std::clamp(value, 0.0, 1e15)).value_or(0);
    };
    LedgerEvent result;
    result.ms = *time;
    result.model = UsageJSON::string(event.value("model"_L1))
                       .value_or(UsageJSON::string(event.value("modelIntent"_L1)).value_or(u"unknown"_s));
    result.kind = UsageJSON::string(event.value("kind"_L1)).value_or(QString());
    result.inputTokens = count(tokens.input);
    result.outputTokens = count(tokens.output);
    result.cacheReadTokens = count(tokens.cacheRead);
    result.cacheWriteTokens = count(tokens.cacheWrite);
    return result;
}
