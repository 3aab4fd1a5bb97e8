#pragma once

#include "client/RateLimit.h"

// The rate-limit record in the app's settings ("serviceBusyUntil"), so that the window, the
// background refresh and the ledger's sync hold back together.
class StoredRateLimit : public RateLimitRecord
{
public:
    std::optional<Timestamp> until() const override;
    Timestamp record(const QByteArray& retryAfter) override;
};
