#pragma once

#include <QString>

#include <optional>

// Scheme, host and port of the Cursor web service, with no trailing slash.
namespace ServiceOrigin {

inline constexpr auto defaultOrigin = "https://cursor.com";

// TALLYFERN_SERVICE_ORIGIN when it is acceptable (for tests, demos and proxies), else the default.
QString current();

// An https origin, or an http origin on a loopback address, so that the session cookie never
// travels in clear text over a network; nothing for anything else (paths, credentials, queries).
std::optional<QString> accepted(const QString& text);

} // namespace ServiceOrigin
