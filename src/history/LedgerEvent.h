#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// One usage event as the ledger keeps it.
struct LedgerEvent
{
    qint64 ms = 0; // milliseconds since 1970
    QString model; // as the daily series names it
    QString kind;  // the service's text, e.g. "USAGE_EVENT_KIND_INCLUDED_IN_PRO"
    qint64 inputTokens = 0;
    qint64 outputTokens = 0;
    qint64 cacheReadTokens = 0;
    qint64 cacheWriteTokens = 0;

    bool operator==(const LedgerEvent&) const = default;

    qint64 totalTokens() const { return inputTokens + outputTokens + cacheReadTokens + cacheWriteTokens; }

    // Nothing for an event without a usable time.
    static std::optional<LedgerEvent> fromJson(const QJsonObject& event);
};
