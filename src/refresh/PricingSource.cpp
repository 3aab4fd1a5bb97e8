#include "PricingSource.h"

#include "model/PricingStore.h"
#include "platform/Clock.h"
#include "pricing/PricingClient.h"

bool DailyPricing::needsSync()
{
    return PricingStore::needsSync(Clock::now());
}

QCoro::Task<bool> DailyPricing::syncIfNeeded()
{
    return PricingClient::syncIfNeeded();
}

QString DailyPricing::label()
{
    return PricingStore::syncLabel();
}
