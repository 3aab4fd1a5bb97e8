#pragma once

#include "Ledger.h"

#include "client/UsageService.h"
#include "model/AccountPlace.h"
#include "model/UsageSnapshot.h"

#include <QCoroTask>
#include <QString>

#include <functional>

// Brings the ledger up to date with few requests: each UTC day of the two cycles is fetched once,
// page by page across as many runs as it takes; a day fetched before it was a day over (the
// service still adds late events) is asked again on a later run however old it is by then, and a
// page 1 whose event count has not changed ends that at once. Each run sends at most its budget
// of page requests and never throws.
namespace LedgerSync {

enum class Outcome {
    upToDate,     // every window complete and those not yet final checked
    budgetUsed,   // more to fetch on a later run
    busy,         // another process syncs or writes; a later run tries again
    rateLimited,  // the service answered 429, now or earlier: no sync until the time it asked for
    unauthorized, // the cookie expired: the ledger stays as it is
    removed,      // the account was removed: nothing more was asked or written
    failed,       // a request failed, or the ledger cannot be opened or kept
};

struct Result
{
    Outcome outcome = Outcome::failed;
    int requests = 0;
};

// Where the pages come from: the service, and the account's token and client state (whose
// rate-limit record every sync and refresh of the account shares).
struct Source
{
    std::shared_ptr<UsageService> service;
    QString token;
    DashboardClient::ClientStateRef state;
};

// One run on an open ledger, for the cycle of `snapshot` and the one before it. `stillWanted`, when
// given, is asked before every page and every write: false ends the run as `removed`. Another
// user's events are kept in a copy of the file (Ledger::keepAsOtherUser) before they leave it.
QCoro::Task<Result> run(Ledger& ledger, UsageSnapshot snapshot, int pageBudget, Source source,
                        std::function<bool()> stillWanted = {});

// Opens the account's ledger under its lock (LedgerLock), so only one process syncs at a time
// (`busy` at once when another holds the lock), and runs while the place is still the account's
// (PlaceGuard): a removal waits for the lock, and the run stops between pages once it is gone.
QCoro::Task<Result> runLocked(AccountPlace place, UsageSnapshot snapshot, int pageBudget, Source source);

} // namespace LedgerSync
