#pragma once

#include "refresh/RefreshPipeline.h"

#include <QCoroTask>
#include <QList>

// The headless refresh the background agent starts with "--refresh": pricing sync, the service's
// wait after a 429 respected, the token looked up without unlocking, one usage download, snapshot
// stored, widget nudged. No window, no usage store, no timer, no prompt; every failure is swallowed
// and the exit status is 0. It prints nothing, but one line when a token waits behind a locked keyring.
namespace BackgroundRefresh {

// Runs `runOnce()` on a QCoreApplication (no display needed) and returns the exit status: 0.
int run(int& argc, char** argv);

// What it prints when an account's token is behind a locked keyring, which only the app unlocks.
QString lockedText();

// One refresh of the pipeline's steps with the headless policy: the pricing sync is awaited first;
// while the service asked to be left alone, or without a readable token (none, or locked), nothing
// else happens. A failed overview leaves the stored snapshot alone (the widget is nudged only when
// the pricing changed); a failed event patch stores the overview as it is. Never throws. Each
// account's outcome, in the order of the accounts.
QCoro::Task<QList<RefreshOutcome>> runOnce();

} // namespace BackgroundRefresh
