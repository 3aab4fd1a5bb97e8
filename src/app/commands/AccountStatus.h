#pragma once

#include "model/QuotaThresholds.h"
#include "model/UsageSnapshot.h"
#include "platform/SecretLookup.h"

#include <QJsonObject>

// One account's entry in `--status --format json --account all`, for a panel that shows each account
// without working out any rule of its own.
namespace AccountStatus {

// `object` with the Waybar form's `text` and `class` of this account alone, `signedIn` (a token is
// stored) and `locked` (it waits behind a locked keyring, which only the app unlocks).
QJsonObject withBar(QJsonObject object, const UsageSnapshot& snapshot, const QuotaThresholds& thresholds,
                    SecretLookup::State session);

} // namespace AccountStatus
