#pragma once

#include <QCoroTask>

// Downloads the service's public pricing document at most once per local day and stores the
// catalog when its rates changed.
namespace PricingClient {

inline constexpr auto documentPath = "/docs/models-and-pricing.md";
inline constexpr auto acceptHeader = "text/markdown,text/plain,*/*";
// The real document is about 50 KiB.
inline constexpr qint64 maxDocumentBytes = 4 * 1024 * 1024;
// Redirects followed for one download, each to an address not asked for before.
inline constexpr int maxRedirects = 5;

// True only when a new catalog reached the disk. The day's attempt is recorded before any traffic, so a
// failed download is not retried until the next local day. Never throws.
QCoro::Task<bool> syncIfNeeded();

} // namespace PricingClient
