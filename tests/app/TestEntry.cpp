#include "FakeService.h"
#include "TestRegistry.h"

#include "app/CommandLine.h"
#include "model/UsageSnapshot.h"
#include "platform/SecretStore.h"
#include "pricing/PricingClient.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Outcome
{
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QString out;
    QString err;
};

QStringList filesUnder(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    files.sort();
    return files;
}

} // namespace

// The built `tallyfern` executable, run as the background agent or a user would run it, with its
// home, data and settings in a temporary folder and the fake service as the service origin. The
// test executable runs inside a private D-Bus session with its own gnome-keyring, which the child
// inherits, so "a token is stored" means the real Secret Service holds one.
class TestEntry : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<FakeService> m_service;

    Outcome run(const QStringList& arguments)
    {
        QProcessEnvironment environment;
        for (const char* kept : {"PATH", "LANG", "LC_ALL", "TZ", "DBUS_SESSION_BUS_ADDRESS",
                                 "XDG_RUNTIME_DIR", "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
            if (qEnvironmentVariableIsSet(kept))
                environment.insert(QString::fromLatin1(kept), qEnvironmentVariable(kept));
        }
        environment.insert(u"HOME"_s, m_home->path());
        environment.insert(u"XDG_DATA_HOME"_s, m_home->path() + u"/data");
        environment.insert(u"XDG_CONFIG_HOME"_s, m_home->path() + u"/config");
        environment.insert(u"XDG_CACHE_HOME"_s, m_home->path() + u"/cache");
        environment.insert(u"TALLYFERN_SERVICE_ORIGIN"_s, m_service->origin());

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_home->path());
        process.start(QStringLiteral(TALLYFERN_EXECUTABLE), arguments);
        Outcome outcome;
        if (!process.waitForFinished(60'000)) {
            process.kill();
            process.waitForFinished();
            return outcome;
        }
        outcome.exitCode = process.exitCode();
        outcome.exitStatus = process.exitStatus();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    void serveAccount()
    {
        m_service->setFallback([](const FakeService::Request& request) {
            QFile file(QStringLiteral(TALLYFERN_ACCOUNT_DIR) + QString::fromUtf8(request.path) + u".json");
            if (request.path.contains("..") || !file.open(QIODevice::ReadOnly))
                return FakeService::Answer{404, {}, {}, 0};
            return FakeService::Answer{200, file.readAll(), {}, 0};
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"),
                 "run under scripts/with-keyring: the child must find a private Secret Service");
        QVERIFY(QFile::exists(QStringLiteral(TALLYFERN_EXECUTABLE)));
    }

    // A fresh home and service for each test, and no token left behind by the one before.
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        m_service = std::make_unique<FakeService>();
        QVERIFY(m_service->start());
        SystemSecretStore().remove();
    }

    void cleanup()
    {
        SystemSecretStore().remove();
        m_service.reset();
        m_home.reset();
    }

    void printsWithoutTouchingAnything_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");
        const QString interactive = u"Tallyfern 的窗口将在后续版本中提供；目前只支持 --refresh。\n"_s;
        QTest::newRow("--help") << QStringList{u"--help"_s} << CommandLine::helpText();
        QTest::newRow("-h") << QStringList{u"-h"_s} << CommandLine::helpText();
        QTest::newRow("help beside refresh")
            << QStringList{u"--refresh"_s, u"--help"_s} << CommandLine::helpText();
        QTest::newRow("--version") << QStringList{u"--version"_s} << u"tallyfern 0.1.0\n"_s;
        QTest::newRow("nothing") << QStringList{} << interactive;
        QTest::newRow("upper case") << QStringList{u"--REFRESH"_s} << interactive;
        QTest::newRow("with a value") << QStringList{u"--refresh=now"_s} << interactive;
        QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s} << interactive;
    }

    void printsWithoutTouchingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        const Outcome outcome = run(arguments);
        QCOMPARE(outcome.exitStatus, QProcess::NormalExit);
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out, out);
        QCOMPARE(outcome.err, QString());
        QCOMPARE(filesUnder(m_home->path()), QStringList{});
        QVERIFY(m_service->requests().isEmpty());
    }

    void refreshWithoutTokenOnlySyncsPricing()
    {
        m_service->setAnswer("GET", PricingClient::documentPath, FakeService::Answer{500, {}, {}, 0});
        serveAccount();
        const Outcome outcome = run({u"--refresh"_s});
        QCOMPARE(outcome.exitStatus, QProcess::NormalExit);
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out, QString());
        QCOMPARE(outcome.err, QString());
        QCOMPARE(m_service->requests().size(), 1);
        QCOMPARE(m_service->requests()[0].path, QByteArray(PricingClient::documentPath));
        // Only the day marker of the pricing attempt.
        QCOMPARE(filesUnder(m_home->path()), QStringList{u"config/Tallyfern/Tallyfern.conf"_s});
    }

    void refreshStoresTheSnapshot()
    {
        QVERIFY(SystemSecretStore().write(u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s));

        // A service that fails everything: still status 0, nothing stored, the token kept.
        m_service->setFallback([](const FakeService::Request&) {
            return FakeService::Answer{401, {}, {}, 0};
        });
        Outcome outcome = run({u"--bogus"_s, u"--refresh"_s});
        QCOMPARE(outcome.exitStatus, QProcess::NormalExit);
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out + outcome.err, QString());
        QVERIFY(m_service->requests().size() >= 2);
        QVERIFY(!QFile::exists(m_home->path() + u"/data/Tallyfern/snapshot.json"));
        QVERIFY(SystemSecretStore().read().has_value());

        // The sample account: a snapshot where the widget reads it, and the widget nudged.
        serveAccount();
        m_service->clearRequests();
        outcome = run({u"--refresh"_s});
        QCOMPARE(outcome.exitStatus, QProcess::NormalExit);
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out + outcome.err, QString());
        QFile file(m_home->path() + u"/data/Tallyfern/snapshot.json");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto snapshot = UsageSnapshot::decode(file.readAll());
        QVERIFY(snapshot && snapshot->hasRealData);
        QVERIFY(QFile::exists(m_home->path() + u"/data/Tallyfern/reload-timelines"));
        // The day's pricing attempt was made by the first run.
        for (const FakeService::Request& request : m_service->requests())
            QVERIFY(request.path != PricingClient::documentPath);
    }
};

TALLYFERN_REGISTER_TEST(TestEntry);
#include "TestEntry.moc"
