// Prints the median time of one redraw of the models page (a new snapshot with 40 model rows
// priced against a stored 40-entry catalog: rebuild, layout and an offscreen render of the
// window-sized page), and of the render alone; and of the trends page with a full 31-day cycle in
// 20 models. One frame is 16 ms. Not a test: run it by hand.
#include "BenchSupport.h"

#include "app/views/ModelsPage.h"
#include "app/views/TrendsPage.h"

#include "model/PricingStore.h"
#include "model/SnapshotStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// 31 days of 20 models, today the 20th day, and the previous cycle as long.
TrendsReport fullCycle(int variant)
{
    TrendsReport report;
    const QDate first(2026, 11, 6);
    report.today = first.addDays(19);
    for (int day = 0; day < 31; ++day) {
        LedgerDay current{first.addDays(day), {}, 0, 100};
        LedgerDay previous{first.addDays(day - 31), {}, 0, 100};
        for (int model = 0; model < 20; ++model) {
            const QString name =
                model % 3 ? u"claude-model-%1"_s.arg(model) : u"cursor-model-%1"_s.arg(model);
            current.models.insert(name, 1e5 * (model + 1) * (1 + (day + variant) % 7));
            previous.models.insert(name, 1e5 * (model + 2));
        }
        report.days.append(current);
        report.previousDays.append(previous);
    }
    report.elapsedDays = report.syncedDays = report.fetchedDays = 20;
    report.previousFetched = true;
    report.toDateTokens = 4e9;
    report.previousToDateTokens = 3e9;
    return report;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    QApplication app(argc, argv);
    if (!storeFortyEntryCatalog()) {
        std::fprintf(stderr, "cannot store the catalog\n");
        return 1;
    }

    ModelsPage page;
    page.resize(720, 640);
    page.show();
    QCoreApplication::processEvents();

    int variant = 0;
    qint64 sink = 0;
    const auto redraw = [&] {
        page.setSnapshot(snapshotWith40Models(++variant));
        QCoreApplication::processEvents(); // layout
        sink += page.grab().width();
    };
    for (int i = 0; i < 5; ++i)
        redraw(); // warm-up: fonts, glyph caches
    const double full = medianMs(51, redraw);
    const double render = medianMs(51, [&] { sink += page.grab().width(); });
    const double rebuild = medianMs(51, [&] {
        page.setSnapshot(snapshotWith40Models(++variant));
        QCoreApplication::processEvents();
    });

    std::printf("models page, 40 rows, 40-entry stored catalog, 720 x 640:\n");
    std::printf("  redraw (new snapshot, rebuild, layout, render): median %.2f ms (one frame: 16 ms)\n",
                full);
    std::printf("  rebuild and layout alone: median %.2f ms\n", rebuild);
    std::printf("  render alone: median %.2f ms\n", render);

    TrendsPage trends(nullptr, nullptr);
    UsageSnapshot cycle = UsageSnapshot::empty();
    cycle.hasRealData = true;
    cycle.billingCycleStart = u"2026-11-06T00:00:00.000Z"_s;
    cycle.billingCycleEnd = u"2026-12-07T00:00:00.000Z"_s;
    cycle.cursorModelsPercent = 40;
    cycle.otherModelsPercent = 80;
    trends.resize(720, 640);
    trends.show();
    const auto redrawTrends = [&] {
        trends.setData(fullCycle(++variant), cycle, true);
        QCoreApplication::processEvents();
        sink += trends.grab().width();
    };
    for (int i = 0; i < 5; ++i)
        redrawTrends();
    // Processor time too: on a busy machine the wall time says more about the neighbours.
    const std::clock_t cpuStart = std::clock();
    const double trendsMs = medianMs(51, redrawTrends);
    const double trendsCpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / 51;
    std::printf("trends page, 31 days x 20 models, 720 x 640:\n");
    std::printf("  redraw (new figures, layout, render): median %.2f ms, %.2f ms processor on average "
                "(one frame: 16 ms)\n",
                trendsMs, trendsCpuMs);
    return sink > 0 ? 0 : 1;
}
