#pragma once

#include "model/UsageSnapshot.h"

// Snapshots for the page tests. The tests pin the clock at `now`.
namespace Snapshots {

inline constexpr auto now = "2025-06-02T04:00:00Z"; // 12:00 on 2 June in Asia/Shanghai

ModelUsage row(const QString& name, double input, double output = 0, double cacheRead = 0,
               double cacheWrite = 0);

// A Pro account midway through its cycle, with eight models of both groups.
UsageSnapshot realistic();

// Real data with nothing optional: no plan, no cycle end, no percents, no models.
UsageSnapshot bare();

} // namespace Snapshots
