#include "DesktopNotices.h"

#include "QuotaNotices.h"

QCoro::Task<> DesktopNotices::post(UsageSnapshot snapshot)
{
    return QuotaNotices::post(std::move(snapshot));
}
