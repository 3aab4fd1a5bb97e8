#pragma once

#include <QCoroTask>

// The headless refresh the background agent starts with "--refresh": pricing sync, one usage
// download, snapshot stored, widget nudged, quota notices sent. No window, no usage store, no timer; every
// failure is swallowed and the exit status is 0.
namespace BackgroundRefresh {

// Runs `runOnce()` on a QCoreApplication (no display needed) and returns the exit status: 0.
int run(int& argc, char** argv);

// One refresh. The pricing sync is awaited first; without a stored token nothing else happens. A
// failed overview leaves the stored snapshot alone (the widget is nudged only when the pricing
// changed); a failed event patch stores the overview as it is. Never throws.
QCoro::Task<> runOnce();

} // namespace BackgroundRefresh
