#pragma once

#include "model/PricingStore.h"
#include "model/UsageSnapshot.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// One run of a program in a child process, timed from fork to exit.
struct ChildRun
{
    double wallMs = 0;
    long peakKb = 0; // the child's own peak resident size
    int status = -1; // the exit status, -1 when it did not exit normally
};

// fork/exec and wait4, because the child's own peak resident size is what is measured. With
// `quiet`, its standard output goes to /dev/null.
inline ChildRun runChild(const char* program, const char* argument, bool quiet)
{
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (quiet)
            ::dup2(::open("/dev/null", O_WRONLY), STDOUT_FILENO);
        char* const arguments[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
        ::execv(program, arguments);
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    rusage usage{};
    if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakKb = usage.ru_maxrss;
    }
    run.wallMs = double(timer.nsecsElapsed()) / 1e6;
    return run;
}

// Median wall time of `rounds` runs of `work`, in milliseconds.
template <typename Work>
double medianMs(int rounds, Work work)
{
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Stores a 40-entry pricing catalog in the support folder, as the daily sync would.
inline bool storeFortyEntryCatalog()
{
    PricingCatalog catalog{Timestamp{800'000'000}, std::nullopt, {}};
    for (int i = 0; i < 40; ++i)
        catalog.entries.append(
            {QStringLiteral("model-%1").arg(i), i % 5 == 0, 1.0 + i, 1.25, 0.1, 5.0, false});
    PricingStore::save(catalog);
    return PricingStore::load() == catalog;
}

// A snapshot with real data in 40 model rows, half Cursor's own; `variant` changes the figures.
inline UsageSnapshot snapshotWith40Models(int variant)
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    for (int i = 0; i < 40; ++i) {
        const QString name = i % 2 ? QStringLiteral("claude-model-%1-thinking").arg(i)
                                   : QStringLiteral("cursor-model-%1").arg(i);
        const double input = 1e6 * (40 - i) + variant;
        s.models.append({name, ModelUsage::groupFor(name), {input, 2e5, 3e6, 4e4, input + 3.24e6}, 2.0, 1.5});
    }
    return s;
}
