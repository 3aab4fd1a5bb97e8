#pragma once

#include "platform/Timestamp.h"

#include <QByteArray>

#include <optional>

// The service's "too many requests" (HTTP 429): until when to leave it alone.
namespace RateLimit {

inline constexpr double defaultWaitSeconds = 600;
inline constexpr double longestWaitSeconds = 3600;

// Seconds to wait for a Retry-After value: whole seconds or an HTTP date. Ten minutes when it is
// missing, unreadable or already past; never more than an hour.
double waitSeconds(const QByteArray& retryAfter, Timestamp now);

// A stored time, while it is still ahead of `now`. A clock set back must not hold the service off
// for longer than any answer could ask: never more than an hour from now.
std::optional<Timestamp> stillAhead(std::optional<double> storedSecondsSinceReference, Timestamp now);

} // namespace RateLimit

// Where one account keeps the time a 429 asked to be left alone until, so that every process that
// refreshes that account holds back together.
class RateLimitRecord
{
public:
    virtual ~RateLimitRecord() = default;

    // The time the service asked to be left alone until, while that is still ahead.
    virtual std::optional<Timestamp> until() const = 0;
    // Remembers a 429 answered now with this Retry-After value; returns the time it holds back until.
    virtual Timestamp record(const QByteArray& retryAfter) = 0;
};

// A record that lives as long as the object, for tests and for work that keeps nothing.
class MemoryRateLimit : public RateLimitRecord
{
public:
    std::optional<Timestamp> until() const override;
    Timestamp record(const QByteArray& retryAfter) override;

private:
    std::optional<double> m_until;
};
