#pragma once

#include "model/UsageSnapshot.h"

#include <QCoroTask>

// Sends the desktop notices a newly stored snapshot earns. The production sink sends them over the
// session bus and lives with the app (QuotaNotices); tests record what would have gone out.
class NoticeSink
{
public:
    virtual ~NoticeSink() = default;

    // Never throws.
    virtual QCoro::Task<> post(UsageSnapshot snapshot) = 0;
};
