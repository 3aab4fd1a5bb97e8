#pragma once

#include "RefreshPipeline.h"

#include <QList>
#include <QPointer>

// Every signed-in account refreshed as one: the steps taken once for them all (RefreshSequence: the
// pricing sync awaited first when the policy asks for it beforehand, a user's refresh unlocking the
// keyring at most once), then up to three accounts at a time, each taking the next from a shared index,
// awaited in order. One account's failure (an expired cookie, a busy service, a locked item, a broken answer)
// never stops or changes another's. With one account, the requests and their order are those of its pipeline
// alone.
namespace AccountRefresh {

inline constexpr int workers = 3;

// The outcomes in the pipelines' order. A pipeline that went away meanwhile is skipped. With a refused
// TALLYFERN_SERVICE_ORIGIN nothing runs: every pipeline says why, and each outcome is `failed`.
QCoro::Task<QList<RefreshOutcome>> run(QList<QPointer<RefreshPipeline>> pipelines, RefreshPolicy policy,
                                       std::shared_ptr<PricingSource> pricing);

} // namespace AccountRefresh
