#include "RequestGroup.h"

#include <QNetworkReply>

namespace DashboardClient::detail {

void RequestGroup::track(QNetworkReply* reply)
{
    // Finished replies are released with deleteLater(); forget them so the list stays short.
    m_replies.removeIf([](const QPointer<QNetworkReply>& known) { return known.isNull(); });
    m_replies.append(reply);
}

void RequestGroup::cancel()
{
    m_cancelled = true;
    // A copy: aborting resumes coroutines, which must not change the list being walked.
    const QList<QPointer<QNetworkReply>> replies = m_replies;
    for (const QPointer<QNetworkReply>& reply : replies) {
        if (reply && reply->isRunning())
            reply->abort();
    }
}

void RequestGroup::cancel(std::exception_ptr reason)
{
    // Set first: aborting resumes the stopped requests at once, and they fail with it.
    m_reason = std::move(reason);
    cancel();
}

} // namespace DashboardClient::detail
