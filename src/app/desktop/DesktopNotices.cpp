#include "DesktopNotices.h"

#include "QuotaNotices.h"

DesktopNotices::DesktopNotices(AccountPlace place, std::shared_ptr<const QString> title)
    : m_place(std::move(place))
    , m_title(std::move(title))
{}

QCoro::Task<> DesktopNotices::post(UsageSnapshot snapshot)
{
    // The task holds its own copies: nothing here refers back to `this`.
    return QuotaNotices::post(std::move(snapshot), m_place, *m_title);
}
