#pragma once

#include <QString>

#include <optional>

// Scheme, host and port of the Cursor web service, with no trailing slash.
namespace ServiceOrigin {

inline constexpr auto defaultOrigin = "https://cursor.com";

// TALLYFERN_SERVICE_ORIGIN when it is acceptable (for tests, demos and proxies), the default when it
// is not set (or empty). Empty when it is set and refused: a mistyped test origin must never send
// the user's cookie to the real service instead, so no request can be made (see refusal()).
QString current();

// "tallyfern：TALLYFERN_SERVICE_ORIGIN 不可用：<value>" when the variable is set and refused, nothing
// otherwise. The commands that talk to the service for the user print it and exit 2; the window
// shows it as its status; the background refresh ends at once, silently.
std::optional<QString> refusal();

// An https origin, or an http origin on a loopback address, so that the session cookie never
// travels in clear text over a network; nothing for anything else (paths, credentials, queries).
std::optional<QString> accepted(const QString& text);

} // namespace ServiceOrigin
