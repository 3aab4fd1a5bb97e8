#pragma once

#include "Ledger.h"

#include "client/UsageService.h"
#include "model/UsageSnapshot.h"

#include <QCoroTask>
#include <QString>

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
    failed,       // a request failed, or the ledger cannot be opened
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

// One run on an open ledger, for the cycle of `snapshot` and the one before it.
QCoro::Task<Result> run(Ledger& ledger, UsageSnapshot snapshot, int pageBudget, Source source);

// Opens the ledger at `path` under a lock file beside it, so only one process syncs at a time;
// `busy` at once when another holds the lock.
QCoro::Task<Result> runLocked(QString path, UsageSnapshot snapshot, int pageBudget, Source source);

} // namespace LedgerSync
