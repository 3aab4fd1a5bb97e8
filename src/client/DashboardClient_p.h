#pragma once

#include "DashboardClient.h"
#include "RequestGroup.h"

#include "platform/NetworkAccess.h"

// Pieces shared by the client's source files; not for callers.
namespace DashboardClient::detail {

// The transport's limits: those of real use unless a test set shorter ones.
struct Limits
{
    int requestTimeoutMs = NetworkAccess::requestTimeoutMs;
    qint64 maxBodyBytes = NetworkAccess::maxBodyBytes;
};

Limits& limits();

// One call's token and account state, and the group of the refresh it belongs to (nullptr: none).
struct Call
{
    QString token;
    ClientStateRef state;
    RequestGroup* group = nullptr;
};

// Throws DashboardError::noSession for a token that is empty or could not travel in a header.
void requireToken(const QString& token);

// The public operations, within a call.
QCoro::Task<QJsonObject> send(PreparedRequest request, Call call);
QCoro::Task<Answer> optionalGet(QString path, Call call);
QCoro::Task<Answer> optionalPost(QString path, QJsonObject body, Call call);
QCoro::Task<Answer> fetchAggregated(double userId, double startMs, double endMs, Call call);

// The user id of an "/api/auth/me" answer, remembered in the state; an answer without one is a dead
// session.
double rememberUserId(const QJsonObject& me, ClientState& state);

} // namespace DashboardClient::detail
