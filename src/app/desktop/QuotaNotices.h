#pragma once

#include "model/AccountPlace.h"
#include "model/UsageSnapshot.h"

#include <QCoroTask>
#include <QString>

// Sends the desktop notices a newly stored snapshot earns. Shared by the window's refresh and the
// headless one: whichever process stores the snapshot first sends, and a small state file in the
// support folder, read, checked and written under a lock, keeps the other from sending it again.
namespace QuotaNotices {

// The home account's notices.json.
QString stateFileName();

// Nothing when the notices are switched off (the cycle is still remembered), the snapshot has no
// real data, there is no session bus, or the other process holds the lock. Never throws; a missing
// notification service only means nobody sees the notice.
// Each account remembers what it was told in its own notices.json, under its own lock. `title` names
// the notice: "Tallyfern", or with several accounts "Tallyfern · <account>".
QCoro::Task<> post(UsageSnapshot snapshot, AccountPlace place = AccountPlace::homeAccount(),
                   QString title = QStringLiteral("Tallyfern"));

} // namespace QuotaNotices
