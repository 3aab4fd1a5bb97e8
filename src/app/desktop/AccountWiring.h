#pragma once

#include "refresh/RefreshPipeline.h"

// The real edges of the account's refreshes: the Cursor service, the desktop's secret store, the
// support folder's files, desktop notifications and the daily pricing download, with the client
// state whose rate-limit record lives in the app's settings.
struct AccountWiring
{
    RefreshEdges edges;
    DashboardClient::ClientStateRef state;

    static AccountWiring home();
};
