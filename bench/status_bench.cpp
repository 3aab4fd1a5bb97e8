// Runs `tallyfern --status` and `tallyfern --version` 50 times each, alternating, with a stored
// 50-model snapshot, and prints both medians and the peak resident memory of each. Not a test.
//   build/default/bench/status_bench
#include "BenchSupport.h"

#include "model/SnapshotStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Runs
{
    std::vector<double> wallMs;
    long peakKb = 0;

    double median()
    {
        std::sort(wallMs.begin(), wallMs.end());
        return wallMs[wallMs.size() / 2];
    }
};

// One run of `tallyfern <argument>`, which must succeed; its output goes to /dev/null.
bool runOnce(const char* argument, Runs& runs)
{
    const ChildRun run = runChild(TALLYFERN_EXECUTABLE, argument, true);
    if (run.status != 0)
        return false;
    runs.wallMs.push_back(run.wallMs);
    runs.peakKb = std::max(runs.peakKb, run.peakKb);
    return true;
}

UsageSnapshot fiftyModelSnapshot()
{
    UsageSnapshot snapshot = UsageSnapshot::empty();
    snapshot.hasRealData = true;
    snapshot.updatedAt = Clock::now();
    snapshot.planName = u"Pro"_s;
    snapshot.billingCycleEnd = u"2030-01-01T00:00:00Z"_s;
    snapshot.cursorModelsPercent = 28;
    snapshot.otherModelsPercent = 64;
    snapshot.grokWeeklyPercent = 35;
    for (int i = 0; i < 50; ++i) {
        const QString name = i % 2 ? u"model-%1"_s.arg(i) : u"cursor-model-%1"_s.arg(i);
        snapshot.models.append({name, ModelUsage::groupFor(name), {1e6, 2e5, 5e6, 1e5, 6.3e6}, 0, 0});
    }
    return snapshot;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir sandbox;
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.path() + u"/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.path() + u"/config"));
    if (!storeFortyEntryCatalog()) {
        std::fprintf(stderr, "cannot store the pricing catalog\n");
        return 1;
    }
    SnapshotStore::save(fiftyModelSnapshot());
    if (!SnapshotStore::load(std::nullopt).hasRealData) {
        std::fprintf(stderr, "cannot store the snapshot\n");
        return 1;
    }

    Runs status;
    Runs version;
    for (int i = 0; i < 50; ++i) {
        if (!runOnce("--status", status) || !runOnce("--version", version)) {
            std::fprintf(stderr, "tallyfern failed\n");
            return 1;
        }
    }
    const double statusMs = status.median();
    const double versionMs = version.median();
    std::printf("tallyfern --status:  median %.1f ms wall, peak RSS %.1f MiB\n", statusMs,
                status.peakKb / 1024.0);
    std::printf("tallyfern --version: median %.1f ms wall, peak RSS %.1f MiB\n", versionMs,
                version.peakKb / 1024.0);
    std::printf("--status over --version: %+.1f ms, %+.1f MiB (target: within 5 ms and 3 MB)\n",
                statusMs - versionMs, (status.peakKb - version.peakKb) / 1024.0);
    return 0;
}
