#include "ServiceWorld.h"

#include "platform/SecretStore.h"
#include "pricing/PricingClient.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>

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
    // Quiet: every request the service saw is answered and no reply is open here. A running patch
    // asks for its next page as the last one finishes, so quiet must hold after the loop turns again.
    const auto quiet = [this] {
        const QList<FakeService::Request> requests = service.requests();
        const QList<QNetworkReply*> replies = qApp->findChildren<QNetworkReply*>();
        return std::all_of(requests.begin(), requests.end(),
                           [](const FakeService::Request& request) { return request.answeredMs != 0; }) &&
               std::none_of(replies.begin(), replies.end(),
                            [](QNetworkReply* reply) { return reply->isRunning(); });
    };
    while (QTest::qWaitFor(quiet, 10'000)) {
        QCoreApplication::processEvents();
        if (quiet())
            break;
    }
    // Idle keep-alive connections would hold the fake service's threads for seconds on stop().
    for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
        manager->clearConnectionCache();
    SecretStore::setCurrent(nullptr);
    ProcessRunner::setCurrent(nullptr);
    qunsetenv("TALLYFERN_SERVICE_ORIGIN");
}
