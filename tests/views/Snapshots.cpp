#include "Snapshots.h"

using namespace Qt::StringLiterals;

ModelUsage Snapshots::row(const QString& name, double input, double output, double cacheRead,
                          double cacheWrite)
{
    return ModelUsage{name,
                      ModelUsage::groupFor(name),
                      {input, output, cacheRead, cacheWrite, input + output + cacheRead + cacheWrite},
                      0,
                      0};
}

UsageSnapshot Snapshots::realistic()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.source = u"dashboard-json"_s;
    s.updatedAt = *Timestamp::parseInternetDateTime(QString::fromLatin1(now));
    s.planName = u"Pro"_s;
    s.monthlyLimit = 20;
    s.monthlyUsed = 8.2;
    s.includedPercent = 41;
    s.billingCycleStart = u"2025-05-14T08:00:00.000Z"_s;
    s.billingCycleEnd = u"2025-06-14T08:00:00.000Z"_s;
    s.cursorModelsPercent = 28;
    s.otherModelsPercent = 64;
    s.grokWeeklyPercent = 35;
    s.grokResetAt = u"2025-06-05T00:00:00Z"_s;
    s.models = {
        row(u"claude-4.5-sonnet-thinking"_s, 12.4e6, 0.9e6, 48e6, 2.1e6),
        row(u"auto"_s, 9.1e6, 1.2e6, 27.9e6),
        row(u"composer-2.5"_s, 5.2e6, 0.6e6, 15.7e6),
        row(u"gpt-5-codex"_s, 3.1e6, 0.4e6, 6.3e6),
        row(u"grok-4.6-fast"_s, 1.9e6, 0.3e6, 3.9e6),
        row(u"sand-1"_s, 1.1e6, 0.2e6, 2.0e6),
        row(u"claude-opus-4-8"_s, 0.5e6, 0.1e6, 1.6e6, 0.2e6),
        row(u"cursor-small"_s, 0.3e6, 0.05e6, 0.45e6),
    };
    for (const ModelUsage& model : s.models)
        s.tokens += model.tokens;
    s.totalTokens = s.tokens.total;
    s.includedTokens = s.totalTokens * 0.82;
    s.onDemandTokens = s.totalTokens - s.includedTokens;
    return s;
}

UsageSnapshot Snapshots::bare()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.source = u"dashboard-json"_s;
    return s;
}
