#pragma once

#include <QCoroTask>

// The headless refresh the background agent starts with "--refresh": pricing sync, the service's
// wait after a 429 respected, the token looked up without unlocking, one usage download, snapshot
// stored, widget nudged. No window, no usage store, no timer, no prompt; every failure is swallowed
// and the exit status is 0.
namespace BackgroundRefresh {

// Runs `runOnce()` on a QCoreApplication (no display needed) and returns the exit status: 0.
int run(int& argc, char** argv);

// One refresh of the pipeline's steps with the headless policy: the pricing sync is awaited first;
// while the service asked to be left alone, or without a readable token (none, or locked), nothing
// else happens. A failed overview leaves the stored snapshot alone (the widget is nudged only when
// the pricing changed); a failed event patch stores the overview as it is. Never throws.
QCoro::Task<> runOnce();

} // namespace BackgroundRefresh
