#pragma once

#include "model/AccountPlace.h"
#include "refresh/NoticeSink.h"

// The refresh's notices as desktop notifications (QuotaNotices), remembered in the account's own
// notices state.
class DesktopNotices : public NoticeSink
{
public:
    DesktopNotices(AccountPlace place, QString title);

    QCoro::Task<> post(UsageSnapshot snapshot) override;

private:
    AccountPlace m_place;
    QString m_title;
};
