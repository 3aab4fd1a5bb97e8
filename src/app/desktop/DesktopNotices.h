#pragma once

#include "model/AccountPlace.h"
#include "refresh/NoticeSink.h"

#include <memory>

// The refresh's notices as desktop notifications (QuotaNotices), remembered in the account's own
// notices state.
class DesktopNotices : public NoticeSink
{
public:
    // `title` is read at each notice, so that a label given meanwhile is used.
    DesktopNotices(AccountPlace place, std::shared_ptr<const QString> title);

    QCoro::Task<> post(UsageSnapshot snapshot) override;

private:
    AccountPlace m_place;
    std::shared_ptr<const QString> m_title;
};
