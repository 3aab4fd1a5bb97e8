#pragma once

#include "AggregatedBody.h"
#include "RateLimit.h"

#include <QString>

#include <memory>
#include <optional>

namespace DashboardClient {

// What the client learns about one account between requests: which user the token belongs to and
// which request bodies the service took. Kept by the caller (one per account, for the life of its
// refreshes) and handed to every call, so the client itself holds no state. The rate-limit record is
// where a 429's wait goes; the caller decides where that lives.
struct ClientState
{
    std::optional<double> userId; // of the last successful "/api/auth/me"
    // And who it named: its `sub` after the last '|' (as sent, not yet checked) and its e-mail.
    QString subjectUserId;
    QString email;
    AggregatedBody preferredAggregated = AggregatedBody::team0; // the aggregated body that last gave usage
    bool eventsUseTeamId = true; // whether event pages try the body with "teamId" first
    std::shared_ptr<RateLimitRecord> rateLimit;
};

// Shared with the coroutines still running for it, so a caller that goes away first leaves them
// nothing dangling.
using ClientStateRef = std::shared_ptr<ClientState>;

} // namespace DashboardClient
