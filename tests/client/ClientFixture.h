#pragma once

#include "Await.h"
#include "ServiceWorld.h"

#include "client/DashboardClient.h"
#include "client/DashboardError.h"
#include "client/TransportError.h"
#include "client/UsageParser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

inline QJsonObject obj(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

inline QByteArray data(const char* name)
{
    return readTestData(TALLYFERN_TEST_DATA_DIR, QString::fromLatin1(name));
}

// What a task came to: "ok" ("absent" for a missing optional answer), "timeout" or "transport", the
// kind of a DashboardError, or for requestFailed its description (which names the path).
template <typename T>
QString outcomeOf(QCoro::Task<T> task)
{
    try {
        return QLatin1String(std::optional(await(std::move(task))) ? "ok" : "absent");
    } catch (const DashboardError& error) {
        static const char* const kinds[] = {"requestFailed", "noSession",   "unauthorized",  "empty",
                                            "locked",        "rateLimited", "originRefused", "badUserId"};
        static_assert(std::size(kinds) == std::size_t(DashboardError::Kind::badUserId) + 1,
                      "one name a kind");
        return error.path().isEmpty() ? QString::fromLatin1(kinds[int(error.kind())]) : error.description();
    } catch (const TransportError& error) {
        return QLatin1String(error.kind() == TransportError::Kind::timeout ? "timeout" : "transport");
    }
}

// One client test's world (ServiceWorld: the fake service as the origin, an in-memory keychain, the
// clock at Monday 2026-04-20 10:00 in Shanghai) with a token stored and the account's state fresh.
struct ClientFixture : ServiceWorld
{
    static constexpr auto token = "user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig";
    // The session every call carries, and the account's state.
    QString session = QString::fromLatin1(token);
    DashboardClient::ClientStateRef state = freshState();

    static DashboardClient::ClientStateRef freshState()
    {
        auto state = std::make_shared<DashboardClient::ClientState>();
        state->rateLimit = std::make_shared<MemoryRateLimit>();
        return state;
    }

    ClientFixture() { secrets.write(QString::fromLatin1(token)); }
    ~ClientFixture() { DashboardClient::Testing::restoreLimits(); }

    // Fields of the body of each request to a path, joined by "-" ("none" when missing); requests
    // are separated by blanks.
    QString sent(const char* path, const QString& keys) const
    {
        QStringList list;
        for (const FakeService::Request& request : service.requests(path)) {
            QStringList values;
            for (const QString& key : keys.split(QLatin1Char('-')))
                values << obj(request.body).toVariantMap().value(key, QStringLiteral("none")).toString();
            list << values.join(QLatin1Char('-'));
        }
        return list.join(QLatin1Char(' '));
    }

    // Makes and runs a fetch (a task starts as soon as it is made) with no earlier requests on
    // record: its outcome, and sent(path, key).
    template <typename Fetch>
    QString run(Fetch fetch, const char* path, const QString& key)
    {
        service.clearRequests();
        const QString outcome = outcomeOf(fetch());
        return outcome + QStringLiteral(": ") + sent(path, key);
    }
};
