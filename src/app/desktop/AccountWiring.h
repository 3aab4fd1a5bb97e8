#pragma once

#include "model/AccountPlace.h"
#include "refresh/RefreshPipeline.h"

// The real edges of one account's refreshes: the Cursor service, the desktop's secret store, the
// account's files, desktop notices and the daily pricing download (one for every account), with the
// client state whose rate-limit record lives where the account keeps it.
struct AccountWiring
{
    RefreshEdges edges;
    DashboardClient::ClientStateRef state;

    // With several accounts (`several`), the account follows only its own user's editor login and
    // names itself in its notices ("Tallyfern · <label or e-mail>").
    static AccountWiring forAccount(const AccountPlace& place, std::shared_ptr<const QString> noticeTitle,
                                    bool several, std::shared_ptr<PricingSource> pricing);
};
