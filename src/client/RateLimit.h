#pragma once

#include "platform/Timestamp.h"

#include <QByteArray>

#include <optional>

// The service's "too many requests" (HTTP 429): until when to leave it alone. The time is kept in the
// app's settings file, so the window and the background refresh hold back together.
namespace RateLimit {

inline constexpr auto untilKey = "serviceBusyUntil";
inline constexpr double defaultWaitSeconds = 600;
inline constexpr double longestWaitSeconds = 3600;

// Seconds to wait for a Retry-After value: whole seconds or an HTTP date. Ten minutes when it is
// missing, unreadable or already past; never more than an hour.
double waitSeconds(const QByteArray& retryAfter, Timestamp now);

// Remembers a 429 answered now with this Retry-After value; returns the time it holds back until.
Timestamp record(const QByteArray& retryAfter);

// The time the service asked to be left alone until, while that is still ahead.
std::optional<Timestamp> until();

} // namespace RateLimit
