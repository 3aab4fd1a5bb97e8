// Runs `tallyfern --status` and `tallyfern --version` 50 times each, alternating, with a stored
// 50-model snapshot, and prints both medians and the peak resident memory of each. Not a test.
//   build/default/bench/status_bench
#include "BenchSupport.h"

#include "model/SnapshotStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// fork/exec and wait4, for the child's own peak resident size; its output goes to /dev/null.
bool runOnce(const char* argument, Runs& runs)
{
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        char* const arguments[] = {const_cast<char*>(TALLYFERN_EXECUTABLE), const_cast<char*>(argument),
                                   nullptr};
        ::execv(TALLYFERN_EXECUTABLE, arguments);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid <= 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    runs.wallMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    runs.peakKb = std::max(runs.peakKb, long(usage.ru_maxrss));
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
    SnapshotStore::save(fiftyModelSnapshot(), nullptr);
    if (!SnapshotStore::load(nullptr).hasRealData) {
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
