#include "AccountWiring.h"

#include "DesktopNotices.h"

#include "history/Ledger.h"
#include "refresh/StoredRateLimit.h"

AccountWiring AccountWiring::home()
{
    auto state = std::make_shared<DashboardClient::ClientState>();
    state->rateLimit = std::make_shared<StoredRateLimit>();
    return {{std::make_shared<CursorService>(), std::make_shared<KeychainSession>(),
             std::make_shared<StoredSnapshots>(), std::make_shared<DesktopNotices>(),
             std::make_shared<LedgerOnDisk>(Ledger::defaultPath()), std::make_shared<DailyPricing>()},
            std::move(state)};
}
