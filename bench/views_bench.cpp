// Prints the median time of one redraw of the models page (a new snapshot with 40 model rows
// priced against a stored 40-entry catalog: rebuild, layout and an offscreen render of the
// window-sized page), and of the render alone. One frame is 16 ms. Not a test: run it by hand.
#include "BenchSupport.h"

#include "app/views/ModelsPage.h"

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
#include <vector>

using namespace Qt::StringLiterals;

namespace {

UsageSnapshot snapshotWith40Models(int variant)
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    for (int i = 0; i < 40; ++i) {
        const QString name = i % 2 ? u"claude-model-%1-thinking"_s.arg(i) : u"cursor-model-%1"_s.arg(i);
        const double input = 1e6 * (40 - i) + variant;
        s.models.append({name, ModelUsage::groupFor(name), {input, 2e5, 3e6, 4e4, input + 3.24e6}, 2.0, 1.5});
    }
    return s;
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
    return sink > 0 ? 0 : 1;
}
