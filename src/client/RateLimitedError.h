#pragma once

#include "DashboardError.h"

#include "platform/Timestamp.h"

#include <QByteArray>

// HTTP 429. A request failure like any other to every caller that catches DashboardError, so the
// refresh behaves as it always has; the ledger sync catches it by name and stops until `until`.
class RateLimitedError : public DashboardError
{
public:
    // Ten minutes when the header is absent or absurd, never more than an hour.
    static constexpr double defaultWaitSeconds = 600;
    static constexpr double longestWaitSeconds = 3600;

    RateLimitedError(const QString& path, const QByteArray& retryAfter, Timestamp now)
        : DashboardError(Kind::requestFailed, path)
        , m_until(waitUntil(retryAfter, now))
    {}

    Timestamp until() const { return m_until; }

    // "Retry-After" as seconds or as an HTTP date, bounded as above.
    static Timestamp waitUntil(const QByteArray& retryAfter, Timestamp now);

private:
    Timestamp m_until;
};
