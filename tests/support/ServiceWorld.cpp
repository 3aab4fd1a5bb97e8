#include "ServiceWorld.h"

#include "platform/SecretStore.h"
#include "pricing/PricingClient.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

#include <QtTest>
#include <algorithm>

using namespace Qt::StringLiterals;

ServiceWorld::ServiceWorld()
    : ServiceWorld(Options{})
{}

ServiceWorld::ServiceWorld(const Options& options)
{
    if (!options.sessionBus)
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tallyfern-test-bus");
    QVERIFY(service.start());
    m_sinceStart.start();
    qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());
    if (options.sampleAccount) {
        // The personal account, and a team seat for tokens starting with "team".
        service.serveFolders(QStringLiteral(TALLYFERN_ACCOUNT_DIR),
                             {{"team", QStringLiteral(TALLYFERN_ACCOUNT_DIR) + u"/../team"_s}},
                             options.answerDelayMs);
        service.setAnswer("GET", PricingClient::documentPath,
                          {200, fileBytes(QStringLiteral(TALLYFERN_PRICING_DOCUMENT)), {}, 0});
    }
    SecretStore::setCurrent(&secrets);
    ProcessRunner::setCurrent(&runner);
    env.setNow(options.now.isEmpty() ? u"2026-04-20T10:00:00+08:00"_s : options.now);
}

ServiceWorld::~ServiceWorld()
{
    // Quiet: every request answered, and none for 150 ms (a running patch sends its next page at once).
    const auto busyForMs = [this] {
        qint64 last = 0;
        for (const FakeService::Request& request : service.requests()) {
            if (request.answeredMs == 0)
                return qint64(150);
            last = std::max({last, request.arrivedMs, request.answeredMs});
        }
        return service.requests().isEmpty() ? 0 : 150 - (m_sinceStart.elapsed() - last);
    };
    for (qint64 wait = busyForMs(); wait > 0; wait = busyForMs())
        QTest::qWait(int(wait));
    // Idle keep-alive connections would hold the fake service's threads for seconds on stop().
    for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
        manager->clearConnectionCache();
    SecretStore::setCurrent(nullptr);
    ProcessRunner::setCurrent(nullptr);
    qunsetenv("TALLYFERN_SERVICE_ORIGIN");
}
