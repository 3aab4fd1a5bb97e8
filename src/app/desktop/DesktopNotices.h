#pragma once

#include "refresh/NoticeSink.h"

// The refresh's notices as desktop notifications (QuotaNotices).
class DesktopNotices : public NoticeSink
{
public:
    QCoro::Task<> post(UsageSnapshot snapshot) override;
};
