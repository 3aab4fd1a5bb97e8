#include "AccountWiring.h"

#include "DesktopNotices.h"

#include "refresh/StoredRateLimit.h"

PipelineWiring AccountWiring::forAccount(const AccountPlace& place,
                                         std::shared_ptr<const QString> noticeTitle,
                                         std::shared_ptr<PricingSource> pricing)
{
    auto state = std::make_shared<DashboardClient::ClientState>();
    state->rateLimit = std::make_shared<StoredRateLimit>(place);
    return {{std::make_shared<CursorService>(), std::make_shared<KeychainSession>(place),
             std::make_shared<StoredSnapshots>(place),
             std::make_shared<DesktopNotices>(place, std::move(noticeTitle)),
             std::make_shared<LedgerOnDisk>(place), std::move(pricing),
             std::make_shared<RegisteredAccount>(place)},
            std::move(state)};
}
