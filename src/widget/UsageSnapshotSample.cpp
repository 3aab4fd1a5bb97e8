// The widget's preview snapshot, shown while no timeline is ready and by `--placeholder`.
#include "model/UsageSnapshot.h"

using namespace Qt::StringLiterals;

namespace {

UsageSnapshot makeSample()
{
    UsageSnapshot s;
    s.monthlyLimit = 400;
    s.monthlyUsed = 12.88;
    s.todayUsed = 0;
    s.updatedAt = Clock::now();
    s.includedPercent = 1;
    s.planName = u"Ultra"_s;
    s.tokens = TokenTotals{20'000'000, 1'000'000, 16'000'000, 1'000'000, 38'000'000};
    s.todayTokens = TokenTotals{8'000'000, 400'000, 6'000'000, 400'000, 14'800'000};
    s.hasRealData = true;
    s.source = u"sample"_s;
    s.totalTokens = 38'000'000;
    s.includedTokens = 38'000'000;
    s.onDemandTokens = 0;
    s.cursorModelsPercent = 1;
    s.otherModelsPercent = 0;
    s.grokWeeklyPercent = 1;
    return s;
}

} // namespace

const UsageSnapshot& UsageSnapshot::sample()
{
    // Built on first use and kept, so its update time is when the widget first needed it.
    static const UsageSnapshot sample = makeSample();
    return sample;
}
