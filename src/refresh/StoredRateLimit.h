#pragma once

#include "client/RateLimit.h"
#include "model/AccountPlace.h"

// One account's rate-limit record, kept where every process that refreshes the account reads it:
// the home account's in the app's settings ("serviceBusyUntil"), another's in its folder
// (rate-limit.json). The window, the background refresh and the ledger's sync hold back together.
class StoredRateLimit : public RateLimitRecord
{
public:
    explicit StoredRateLimit(AccountPlace place = AccountPlace::homeAccount());

    std::optional<Timestamp> until() const override;
    Timestamp record(const QByteArray& retryAfter) override;

private:
    std::optional<double> stored() const;

    AccountPlace m_place;
};
