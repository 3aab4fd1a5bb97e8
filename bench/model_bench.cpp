// Prints the median time of 10,000 price estimates against a stored 40-entry catalog, and of
// encoding plus decoding a snapshot with 50 model rows and 31 days. Not a test: run it by hand.
#include "model/ModelPricing.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "model/UsageSnapshot.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

UsageSnapshot largeSnapshot()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    for (int i = 0; i < 50; ++i) {
        const QString name = i % 2 ? u"claude-4.5-sonnet-%1"_s.arg(i) : u"cursor-model-%1"_s.arg(i);
        s.models.append({name, ModelUsage::groupFor(name), {1e6 + i, 2e5, 3e6, 4e4, 4.24e6 + i}, 2.0, 1.5});
    }
    for (int d = 1; d <= 31; ++d) {
        DayUsage day{u"2025-05-%1"_s.arg(d, 2, 10, QLatin1Char('0')), {}};
        for (int m = 0; m < 5; ++m)
            day.models.insert(s.models[m].name, 1000.0 * d + m);
        s.days.append(day);
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    if (!storeFortyEntryCatalog()) {
        std::fprintf(stderr, "cannot store the catalog\n");
        return 1;
    }

    const TokenTotals tokens{1e6, 2e5, 3e6, 4e4, 4.24e6};
    const Timestamp now{800'000'000};
    double sink = 0;
    const double estimates = medianMs(21, [&] {
        for (int i = 0; i < 10'000; ++i)
            sink += ModelPricing::estimate(u"claude-model-17-fast"_s, tokens, now).value_or(0);
    });
    std::printf("10000 ModelPricing::estimate calls, 40-entry stored catalog: median %.3f ms\n", estimates);

    const UsageSnapshot snapshot = largeSnapshot();
    const double roundTrip = medianMs(201, [&] {
        const auto bytes = snapshot.encode();
        sink += UsageSnapshot::decode(*bytes)->models.size();
    });
    std::printf("snapshot encode + decode, 50 models and 31 days: median %.3f ms\n", roundTrip);
    return sink > 0 ? 0 : 1;
}
