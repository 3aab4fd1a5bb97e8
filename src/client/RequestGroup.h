#pragma once

#include <QList>
#include <QPointer>

#include <exception>

class QNetworkReply;

namespace DashboardClient::detail {

// The requests of one refresh. When the refresh fails, the ones still running are aborted rather
// than left to finish unobserved, and the requests its children would start next are refused.
// Owned by the refresh's coroutine, which awaits every child before it ends.
class RequestGroup
{
public:
    RequestGroup() = default;
    RequestGroup(const RequestGroup&) = delete;
    RequestGroup& operator=(const RequestGroup&) = delete;

    bool isCancelled() const { return m_cancelled; }
    void track(QNetworkReply* reply);
    // Aborts every tracked reply still running; their awaiting coroutines resume at once with a
    // cancelled transfer.
    void cancel();
    // Cancels because of this failure (a busy service): the requests it stops fail with it too, so
    // whichever answer the refresh awaits first tells the same story.
    void cancel(std::exception_ptr reason);
    std::exception_ptr reason() const { return m_reason; }

private:
    bool m_cancelled = false;
    std::exception_ptr m_reason;
    QList<QPointer<QNetworkReply>> m_replies;
};

} // namespace DashboardClient::detail
