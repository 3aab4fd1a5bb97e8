#pragma once

#include "model/QuotaThresholds.h"
#include "model/UsageSnapshot.h"

#include <QJsonObject>

// One account's entry in `--status --format json --account all`, for a panel that shows each account
// without working out any rule of its own.
namespace AccountStatus {

// `object` with the Waybar form's `text` and `class` of this account alone, and `signedIn`.
QJsonObject withBar(QJsonObject object, const UsageSnapshot& snapshot, const QuotaThresholds& thresholds,
                    bool signedIn);

} // namespace AccountStatus
