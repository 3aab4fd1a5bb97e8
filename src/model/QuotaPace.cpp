#include "QuotaPace.h"

#include "UsageJSON.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr double dayMs = 86'400'000;

QString poolName(QuotaPace::Pool pool)
{
    return pool == QuotaPace::Pool::cursor ? u"Cursor 模型"_s : u"高级模型"_s;
}

} // namespace

std::optional<QuotaPace::Outlook> QuotaPace::outlook(std::optional<qint64> percent, const CycleSpan& cycle,
                                                     Timestamp now)
{
    const double elapsedMs = now.msSince1970() - double(cycle.startMs);
    if (!percent || !(elapsedMs >= dayMs))
        return std::nullopt;
    const double used = double(*percent);
    // Past the cycle's end (a snapshot not refreshed since), the whole cycle has gone by.
    const double share = std::min(elapsedMs / double(cycle.endMs - cycle.startMs), 1.0);
    // Used so far over the share gone by: where the cycle ends up at this rate.
    if (used <= 0 || used / share <= 100)
        return Outlook{Outlook::Kind::lasts, {}};
    const Timestamp at = Timestamp::fromMsSince1970(double(cycle.startMs) + elapsedMs * 100.0 / used);
    return Outlook{used >= 100 ? Outlook::Kind::usedUp : Outlook::Kind::runsOut, at};
}

std::optional<QuotaPace::Outlook> QuotaPace::outlook(const UsageSnapshot& snapshot, Pool pool, Timestamp now)
{
    if (!snapshot.hasRealData)
        return std::nullopt;
    const auto percent = pool == Pool::cursor ? snapshot.cursorModelsPercent : snapshot.otherModelsPercent;
    return outlook(percent, CycleSpan::current(snapshot, now), now);
}

QString QuotaPace::text(Pool pool, const Outlook& outlook)
{
    switch (outlook.kind) {
    case Outlook::Kind::lasts:
        return u"按当前速度，"_s + poolName(pool) + u"额度可用到账期结束"_s;
    case Outlook::Kind::runsOut:
        return u"按当前速度，"_s + poolName(pool) + u"额度约在 "_s + UsageJSON::monthDay(outlook.at) +
               u" 用完"_s;
    case Outlook::Kind::usedUp:
        break;
    }
    return poolName(pool) + u"额度已用完"_s;
}

std::optional<std::pair<QuotaPace::Pool, QuotaPace::Outlook>> QuotaPace::first(const UsageSnapshot& snapshot,
                                                                               Timestamp now)
{
    std::optional<std::pair<Pool, Outlook>> earliest;
    // The premium quota second, so that it wins a tie.
    for (const Pool pool : {Pool::cursor, Pool::premium}) {
        const auto seen = outlook(snapshot, pool, now);
        if (seen && seen->kind != Outlook::Kind::lasts && (!earliest || seen->at <= earliest->second.at))
            earliest = std::pair(pool, *seen);
    }
    return earliest;
}

QString QuotaPace::warning(const UsageSnapshot& snapshot, Timestamp now)
{
    const auto earliest = first(snapshot, now);
    return earliest ? text(earliest->first, earliest->second) : QString();
}
