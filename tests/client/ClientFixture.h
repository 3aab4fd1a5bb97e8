#pragma once

#include "FakeService.h"
#include "TestEnvironment.h"

#include "client/DashboardClient.h"
#include "client/DashboardError.h"
#include "client/TransportError.h"
#include "client/UsageParser.h"
#include "platform/MemorySecretStore.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QtTest>

inline QJsonObject obj(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

inline QByteArray data(const char* name)
{
    return readTestData(TALLYFERN_TEST_DATA_DIR, QString::fromLatin1(name));
}

// Runs a task to its end and hands back its result or rethrows its exception. QCoro 0.8's waitFor
// never returns when the task throws, so the task is awaited inside one that cannot throw.
template <typename T>
T await(QCoro::Task<T> task)
{
    std::optional<T> result;
    std::exception_ptr error;
    QCoro::waitFor([&]() -> QCoro::Task<> {
        try {
            result = co_await std::move(task);
        } catch (...) {
            error = std::current_exception();
        }
    }());
    if (error)
        std::rethrow_exception(error);
    return std::move(*result);
}

// What a task came to: "ok" ("absent" for a missing optional answer), "timeout" or "transport", the
// kind of a DashboardError, or for requestFailed its description (which names the path).
template <typename T>
QString outcomeOf(QCoro::Task<T> task)
{
    try {
        return QLatin1String(std::optional(await(std::move(task))) ? "ok" : "absent");
    } catch (const DashboardError& error) {
        const char* kinds[] = {"requestFailed", "noSession", "unauthorized",
                               "empty",         "locked",    "rateLimited"};
        return error.path().isEmpty() ? QString::fromLatin1(kinds[int(error.kind())]) : error.description();
    } catch (const TransportError& error) {
        return QLatin1String(error.kind() == TransportError::Kind::timeout ? "timeout" : "transport");
    }
}

// One test's world: the fake service on loopback as the service origin, an in-memory keychain
// holding a token, the client's process state forgotten, and the clock pinned to Monday
// 2026-04-20 10:00 in Shanghai (the tests run with TZ=Asia/Shanghai).
struct ClientFixture
{
    static constexpr auto token = "user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig";
    TestEnvironment environment;
    MemorySecretStore store;
    FakeService service;
    // The session every call carries, and the account's state, fresh for each test.
    QString session = QString::fromLatin1(token);
    DashboardClient::ClientStateRef state = freshState();

    static DashboardClient::ClientStateRef freshState()
    {
        auto state = std::make_shared<DashboardClient::ClientState>();
        state->rateLimit = std::make_shared<MemoryRateLimit>();
        return state;
    }

    ClientFixture()
    {
        // A test that forgot the in-memory store must fail rather than reach a real keyring.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tallyfern-test-bus");
        QVERIFY(service.start());
        qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());
        SecretStore::setCurrent(&store);
        store.write(QString::fromLatin1(token));
        environment.setNow(QStringLiteral("2026-04-20T10:00:00+08:00"));
    }

    ~ClientFixture()
    {
        // Idle keep-alive connections would hold the fake service's threads for seconds on stop().
        for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
            manager->clearConnectionCache();
        SecretStore::setCurrent(nullptr);
        DashboardClient::Testing::restoreLimits();
    }

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
