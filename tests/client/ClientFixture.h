#pragma once

#include "FakeService.h"
#include "TestEnvironment.h"

#include "client/DashboardClient.h"
#include "client/DashboardError.h"
#include "platform/MemorySecretStore.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QtTest>

#include <exception>
#include <optional>

namespace detail {

template <typename T>
QCoro::Task<> capture(QCoro::Task<T> task, std::optional<T>* result, std::exception_ptr* error)
{
    try {
        *result = co_await std::move(task);
    } catch (...) {
        *error = std::current_exception();
    }
}

} // namespace detail

// Runs a task to its end and hands back its result or rethrows its exception. QCoro 0.8's waitFor
// never returns when the task throws, so the task is wrapped in one that cannot.
template <typename T>
T await(QCoro::Task<T> task)
{
    std::optional<T> result;
    std::exception_ptr error;
    QCoro::waitFor(detail::capture(std::move(task), &result, &error));
    if (error)
        std::rethrow_exception(error);
    return std::move(*result);
}

// The DashboardError a task ends with; nothing when it succeeds or fails otherwise.
template <typename T>
std::optional<DashboardError> dashboardErrorOf(QCoro::Task<T> task)
{
    try {
        await(std::move(task));
    } catch (const DashboardError& error) {
        return error;
    } catch (...) {
    }
    return std::nullopt;
}

// Whatever a task throws, or nullptr.
template <typename T>
std::exception_ptr failureOf(QCoro::Task<T> task)
{
    try {
        await(std::move(task));
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

inline QJsonObject parsed(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

inline QByteArray serviceData(const char* name)
{
    return readTestData(TALLYFERN_TEST_DATA_DIR, QString::fromLatin1(name));
}

// One test's world: the fake service on loopback as the service origin, an in-memory keychain
// holding a token, the client's process state forgotten, and the clock pinned to a Monday morning
// in April (the tests run with TZ=Asia/Shanghai).
class ClientFixture
{
public:
    static constexpr auto token = "user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig";

    ClientFixture()
    {
        // A test that forgot the in-memory store must fail rather than reach a real keyring.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tallyfern-test-bus");
        QVERIFY(m_service.start());
        qputenv("TALLYFERN_SERVICE_ORIGIN", m_service.origin().toUtf8());
        SecretStore::setCurrent(&m_store);
        m_store.write(QString::fromLatin1(token));
        DashboardClient::Testing::reset();
        m_environment.setNow(QStringLiteral("2026-04-20T10:00:00+08:00"));
    }

    ~ClientFixture()
    {
        // Idle keep-alive connections would hold the fake service's threads for seconds on stop().
        for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
            manager->clearConnectionCache();
        SecretStore::setCurrent(nullptr);
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
        DashboardClient::Testing::reset();
    }

    ClientFixture(const ClientFixture&) = delete;
    ClientFixture& operator=(const ClientFixture&) = delete;

    FakeService& service() { return m_service; }
    MemorySecretStore& store() { return m_store; }
    TestEnvironment& environment() { return m_environment; }

private:
    TestEnvironment m_environment;
    MemorySecretStore m_store;
    FakeService m_service;
};
