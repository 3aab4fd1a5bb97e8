#pragma once

#include "platform/Clock.h"
#include "platform/Timestamp.h"

#include <QString>

#include <optional>

struct UsageSnapshot;

// The one-line summary of a snapshot that the tray's tooltip shows, built from the same figures as
// the overview page: "Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天".
namespace StatusText {

// What is shown without any real data.
QString noData();

// The overview's two rings: what is left of the Cursor models' and the premium models' quota,
// nothing without real data (or, for the premium one, without its percent).
std::optional<qint64> cursorRemaining(const UsageSnapshot& snapshot);
std::optional<qint64> premiumRemaining(const UsageSnapshot& snapshot);

// The parts joined by " · "; a part whose figure is absent is left out.
QString line(const UsageSnapshot& snapshot, Timestamp now = Clock::now());

} // namespace StatusText
