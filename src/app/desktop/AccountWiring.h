#pragma once

#include "model/AccountPlace.h"
#include "refresh/AccountPipelines.h"

// The real edges of one account's refreshes: the Cursor service, the desktop's secret store, the
// account's files, desktop notices and the daily pricing download (one for every account), the
// account's entry in the registry, with the client state whose rate-limit record lives where the
// account keeps it.
namespace AccountWiring {

// The notices name the account (`noticeTitle`: "Tallyfern", or "Tallyfern · <label or e-mail>" while
// there are several).
PipelineWiring forAccount(const AccountPlace& place, std::shared_ptr<const QString> noticeTitle,
                          std::shared_ptr<PricingSource> pricing);

} // namespace AccountWiring
