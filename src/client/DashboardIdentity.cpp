#include "DashboardClient_p.h"
#include "DashboardError.h"

#include "model/AccountPlace.h"

using namespace Qt::StringLiterals;

namespace DashboardClient {

QCoro::Task<Identity> fetchIdentity(QString token, ClientStateRef state)
{
    const QJsonObject me = co_await send(request(token, QString::fromLatin1(mePath), "GET"), state);
    Identity identity;
    identity.id = detail::rememberUserId(me, *state);
    // The token's own prefix is not trusted: the id names a folder, so it comes from the service and
    // must have the shape of one.
    const QString subject = me.value("sub"_L1).toString();
    identity.userId = AccountPlace::userIdOfSubject(subject);
    if (!AccountPlace::isValidUserId(identity.userId))
        throw DashboardError::badUserId(subject);
    identity.email = me.value("email"_L1).toString();
    identity.name = me.value("name"_L1).toString();
    co_return identity;
}

} // namespace DashboardClient
