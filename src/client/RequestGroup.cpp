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

} // namespace DashboardClient::detail
