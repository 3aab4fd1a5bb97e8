#pragma once

#include "FakeService.h"
#include "TestEnvironment.h"

#include "client/DashboardClient.h"
#include "platform/MemorySecretStore.h"
#include "pricing/PricingClient.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QtTest>

// One headless-refresh test's world: temporary folders, the fake service answering every dashboard
// route with the sample account (tests/fake_service/account) and the pricing route with the sample
// document, an in-memory keychain holding a token, and the clock pinned to a Monday in April.
class HeadlessWorld
{
public:
    static constexpr auto token = "user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig";

    HeadlessWorld()
    {
        QVERIFY(m_service.start());
        qputenv("TALLYFERN_SERVICE_ORIGIN", m_service.origin().toUtf8());
        m_service.setFallback([](const FakeService::Request& request) {
            QFile file(QStringLiteral(TALLYFERN_ACCOUNT_DIR) + QString::fromUtf8(request.path) + u".json");
            if (request.path.contains("..") || !file.open(QIODevice::ReadOnly))
                return FakeService::Answer{404, {}, {}, 0};
            return FakeService::Answer{200, file.readAll(), {}, 0};
        });
        servePricing(pricingDocument());
        SecretStore::setCurrent(&m_store);
        m_store.write(QString::fromLatin1(token));
        DashboardClient::Testing::reset();
        m_environment.setNow(QStringLiteral("2026-04-20T10:00:00+08:00"));
    }

    ~HeadlessWorld()
    {
        // Idle keep-alive connections would hold the fake service's threads for seconds on stop().
        for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
            manager->clearConnectionCache();
        SecretStore::setCurrent(nullptr);
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
        DashboardClient::Testing::reset();
    }

    HeadlessWorld(const HeadlessWorld&) = delete;
    HeadlessWorld& operator=(const HeadlessWorld&) = delete;

    static QByteArray pricingDocument()
    {
        QFile file(QStringLiteral(TALLYFERN_PRICING_DOCUMENT));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void servePricing(const QByteArray& document)
    {
        m_service.setAnswer("GET", PricingClient::documentPath,
                            FakeService::Answer{200, document, {{"Content-Type", "text/markdown"}}, 0});
    }

    FakeService& service() { return m_service; }
    MemorySecretStore& store() { return m_store; }
    TestEnvironment& environment() { return m_environment; }

private:
    TestEnvironment m_environment;
    MemorySecretStore m_store;
    FakeService m_service;
};
