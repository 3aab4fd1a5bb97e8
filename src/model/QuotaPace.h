#pragma once

#include "CycleSpan.h"
#include "UsageSnapshot.h"

#include "platform/Timestamp.h"

#include <QString>

#include <optional>
#include <utility>

// Where a quota ends up at the rate it has been used so far in the billing cycle: the one rule the
// overview, the trends page, the tooltips and the status JSON share.
namespace QuotaPace {

// The two quotas a cycle's percents are given for.
enum class Pool { cursor, premium };

struct Outlook
{
    enum class Kind { lasts, runsOut, usedUp };
    Kind kind = Kind::lasts;
    // When it runs out at this rate (a moment already past for a used-up quota); unset when it lasts.
    Timestamp at;

    bool operator==(const Outlook&) const = default;
};

// For `percent` used at `now` in `cycle`: nothing before a whole day of the cycle has passed (a few
// hours say little of a month) or without a percent; "lasts" when nothing is used or the share used
// is at most the share of the cycle gone by; "used up" from 100 % on; otherwise it runs out at the
// cycle's start plus the time gone by, stretched by 100 / percent.
std::optional<Outlook> outlook(std::optional<qint64> percent, const CycleSpan& cycle, Timestamp now);

// A quota of the snapshot in its cycle (the local calendar month when the service gave none);
// nothing without real data.
std::optional<Outlook> outlook(const UsageSnapshot& snapshot, Pool pool, Timestamp now);

// "按当前速度，高级模型额度约在 5月9日 用完", "按当前速度，高级模型额度可用到账期结束" or
// "高级模型额度已用完".
QString text(Pool pool, const Outlook& outlook);

// The quota that runs out first (the earlier moment; on a tie the premium one), with its outlook;
// nothing while both last.
std::optional<std::pair<Pool, Outlook>> first(const UsageSnapshot& snapshot, Timestamp now = Clock::now());

// That quota's text, or empty: the line the overview and the tooltips add.
QString warning(const UsageSnapshot& snapshot, Timestamp now = Clock::now());

} // namespace QuotaPace
