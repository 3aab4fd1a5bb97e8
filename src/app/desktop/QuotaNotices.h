#pragma once

#include "model/UsageSnapshot.h"

#include <QCoroTask>
#include <QString>

// Sends the desktop notices a newly stored snapshot earns. Shared by the window's refresh and the
// headless one: whichever process stores the snapshot first sends, and a small state file in the
// support folder, read, checked and written under a lock, keeps the other from sending it again.
namespace QuotaNotices {

QString stateFileName();

// Nothing when the notices are switched off, the snapshot has no real data, there is no session
// bus, or the other process holds the lock. Never throws; a missing notification service only
// means nobody sees the notice.
QCoro::Task<> post(UsageSnapshot snapshot);

} // namespace QuotaNotices
