#pragma once

#include "DashboardClient.h"
#include "RequestGroup.h"

#include "platform/NetworkAccess.h"

// Pieces shared by the client's source files; not for callers.
namespace DashboardClient::detail {

struct ProcessState
{
    std::optional<double> lastUserId;
    AggregatedBody preferredAggregated = AggregatedBody::team0;
    bool eventsUseTeamId = true;
    int requestTimeoutMs = NetworkAccess::requestTimeoutMs;
    qint64 maxBodyBytes = NetworkAccess::maxBodyBytes;
};

ProcessState& state();

// The public operations, with the group of the refresh they belong to (nullptr: none).
QCoro::Task<QJsonObject> send(PreparedRequest request, RequestGroup* group);
QCoro::Task<Answer> optionalGet(QString path, RequestGroup* group);
QCoro::Task<Answer> optionalPost(QString path, QJsonObject body, RequestGroup* group);
QCoro::Task<Answer> fetchAggregated(double userId, double startMs, double endMs, RequestGroup* group);

// The stored token, looked up without unlocking. Throws DashboardError::locked or noSession.
QString requireSession();

// The user id of an "/api/auth/me" answer, remembered for the process; an answer without one is a
// dead session.
double rememberUserId(const QJsonObject& me);

// Twelve hours: a billing cycle that starts this close to a calendar boundary starts "on" it.
inline constexpr double boundarySlackMs = 43'200'000.0;

} // namespace DashboardClient::detail
