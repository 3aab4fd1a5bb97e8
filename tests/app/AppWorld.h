#pragma once

#include "FakeService.h"
#include "TestEnvironment.h"

#include "app/desktop/LaunchAgent.h"
#include "client/DashboardClient.h"
#include "platform/MemorySecretStore.h"
#include "platform/ProcessRunner.h"
#include "pricing/PricingClient.h"

#include <QNetworkAccessManager>
#include <QtTest>

using namespace Qt::StringLiterals;

inline QByteArray fileBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program's exit code (-1 for a crash or a hang) and all it printed, waited for with the event
// loop running so that a fake D-Bus service here can answer it.
inline std::pair<int, QString>
runProgram(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
           const QByteArray& input = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    process.write(input); // a pipe, never a terminal
    process.closeWriteChannel();
    if (!finished.wait(60'000))
        return {-1, QString::fromUtf8(process.readAll())}; // killed as it goes
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// Records every command instead of touching the real user manager, with whether the agent's unit
// files existed when it ran, and fails it: a failing manager must change nothing.
struct RecordingRunner : ProcessRunner
{
    QStringList commands;
    int run(const QString& program, const QStringList& arguments) override
    {
        const bool files =
            QFile::exists(LaunchAgent::serviceFileName()) && QFile::exists(LaunchAgent::timerFileName());
        commands.append((QStringList{program} + arguments).join(u' ') +
                        (files ? u" [files]" : u" [no files]"));
        return 1;
    }
};

// One app test's world: temporary folders with the clock pinned to a Monday in April, an in-memory
// keychain, recorded commands, and the fake service answering every route from the sample account
// (tests/fake_service/account) and the pricing route with the sample document.
struct AppWorld
{
    TestEnvironment env;
    MemorySecretStore secrets;
    RecordingRunner runner;
    FakeService service;

    AppWorld()
    {
        QVERIFY(service.start());
        qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());
        // The personal account, and a team seat for tokens starting with "team".
        service.serveFolders(QStringLiteral(TALLYFERN_ACCOUNT_DIR),
                             {{"team", QStringLiteral(TALLYFERN_ACCOUNT_DIR) + u"/../team"_s}});
        service.setAnswer("GET", PricingClient::documentPath,
                          {200, fileBytes(QStringLiteral(TALLYFERN_PRICING_DOCUMENT)), {}, 0});
        SecretStore::setCurrent(&secrets);
        ProcessRunner::setCurrent(&runner);
        env.setNow(u"2026-04-20T10:00:00+08:00"_s);
    }

    ~AppWorld()
    {
        // What a test's store left running (an event patch, a ledger sync) finishes against this
        // world's service, never the next test's.
        for (qsizetype seen = -1; seen != service.requests().size();) {
            seen = service.requests().size();
            QTest::qWait(150);
        }
        // Idle keep-alive connections would hold the fake service's threads for seconds on stop().
        for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
            manager->clearConnectionCache();
        SecretStore::setCurrent(nullptr);
        ProcessRunner::setCurrent(nullptr);
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
    }
};
