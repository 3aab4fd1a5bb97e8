#include "AppWorld.h"
#include "TestRegistry.h"

#include "app/CommandLine.h"
#include "history/Ledger.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Settings.h"
#include "platform/WidgetCenter.h"

using Mode = CommandLine::Mode;
Q_DECLARE_METATYPE(CommandLine::Mode)

namespace {

// The built executable, run as the background agent or a user would, with its home in the world's
// folder: its exit code (-1 for a crash or a hang) and all it printed. It inherits this test's
// private D-Bus session and gnome-keyring, so its token is in a real Secret Service.
std::pair<int, QString> run(const AppWorld& world, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, world.env.root());
    environment.insert(u"XDG_CACHE_HOME"_s, world.env.root() + u"/cache");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TALLYFERN_EXECUTABLE), arguments);
    if (!process.waitForFinished(60'000))
        return {-1, {}}; // killed as it goes
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

const std::pair<int, QString> quiet{0, {}};

// The app's settings, as the executable left them.
std::unique_ptr<QSettings> settings()
{
    return Settings::open(QLatin1StringView(Settings::appDomain));
}

} // namespace

class TestEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Mode>("mode");
        const QString program = u"/usr/bin/tallyfern"_s;
        QTest::newRow("nothing") << QStringList{program} << Mode::Interactive;
        QTest::newRow("not even a program") << QStringList{} << Mode::Interactive;
        QTest::newRow("the program name is no argument") << QStringList{u"--refresh"_s} << Mode::Interactive;
        QTest::newRow("anywhere, among unknown options")
            << QStringList{program, u"--bogus"_s, u"-style"_s, u"fusion"_s, u"--refresh"_s, u"x"_s}
            << Mode::Refresh;
        QTest::newRow("upper case") << QStringList{program, u"--REFRESH"_s} << Mode::Interactive;
        QTest::newRow("with a value") << QStringList{program, u"--refresh=1"_s} << Mode::Interactive;
        QTest::newRow("toolkit option with a v") << QStringList{program, u"-reverse"_s} << Mode::Interactive;
        QTest::newRow("-h after unknown") << QStringList{program, u"--bogus"_s, u"-h"_s} << Mode::Help;
        QTest::newRow("-v over refresh") << QStringList{program, u"-v"_s, u"--refresh"_s} << Mode::Version;
    }

    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Mode, mode);
        QCOMPARE(CommandLine::mode(arguments), mode);
    }

    void printsWithoutTouchingAnything_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");
        QTest::newRow("help beside refresh")
            << QStringList{u"--refresh"_s, u"--help"_s} << CommandLine::helpText();
        QTest::newRow("--version") << QStringList{u"--version"_s} << u"tallyfern 0.1.0\n"_s;
    }

    void printsWithoutTouchingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        AppWorld world;
        QCOMPARE(run(world, arguments), std::pair(0, out));
        QVERIFY(QDir(world.env.root()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(world.service.requests().isEmpty());
    }

    void refreshStoresWhatItFetchedAndExitsQuietly()
    {
        AppWorld world;
        const QString snapshotFile = SnapshotStore::fileName();
        const QString widgetMarker = WidgetCenter::markerFileName();
        const auto refresh = [&world, &widgetMarker](const QStringList& arguments = {u"--refresh"_s}) {
            world.service.clearRequests();
            QFile::remove(widgetMarker);
            return run(world, arguments);
        };

        // No token: only the day's pricing download, nothing stored, the widget left alone.
        QCOMPARE(refresh(), quiet);
        QCOMPARE(world.service.requests().size(), 1);
        QVERIFY(PricingStore::load());
        QVERIFY(!QFile::exists(snapshotFile));
        QVERIFY(settings()->value("usageSnapshot"_L1).toByteArray().isEmpty());
        QVERIFY(!QFile::exists(widgetMarker));

        // The sample account: the pricing sync, due again, ends before the first dashboard request;
        // overview and event patch are stored where the widget and the app read them.
        const QString token = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s;
        QVERIFY2(SystemSecretStore().write(token), "needs the private keyring of scripts/with-keyring");
        settings()->remove("pricingLastAttemptDay"_L1); // the day's pricing download due again
        QCOMPARE(refresh({u"--bogus"_s, u"--refresh"_s}), quiet);
        const auto requests = world.service.requests();
        QVERIFY(requests.size() > 2);
        QCOMPARE(requests[0].path, QByteArray(PricingClient::documentPath));
        QVERIFY(requests[0].answeredMs <= requests[1].arrivedMs);
        auto stored = UsageSnapshot::decode(fileBytes(snapshotFile));
        QVERIFY(stored && stored->hasRealData && !stored->days.isEmpty());
        QCOMPARE(settings()->value("usageSnapshot"_L1).toByteArray(), fileBytes(snapshotFile));
        QVERIFY(QFile::exists(widgetMarker));
        QVERIFY(QFile::exists(Ledger::defaultPath())); // the usage history synced last

        // A failed event patch: the overview alone.
        world.service.setAnswer("POST", DashboardClient::eventsPath, {401, {}, {}, 0});
        QCOMPARE(refresh(), quiet);
        stored = UsageSnapshot::decode(fileBytes(snapshotFile));
        QVERIFY(stored && stored->hasRealData && stored->days.isEmpty());
        QVERIFY(QFile::exists(widgetMarker));

        // An expired cookie: nothing stored, the token kept, the widget nudged only for new prices.
        const QByteArray before = fileBytes(snapshotFile);
        world.service.setAnswer("GET", DashboardClient::mePath, {401, {}, {}, 0});
        QCOMPARE(refresh(), quiet);
        QVERIFY(!QFile::exists(widgetMarker));
        settings()->remove("pricingLastAttemptDay"_L1); // the day's pricing download due again
        const QByteArray newPrices =
            fileBytes(QStringLiteral(TALLYFERN_PRICING_DOCUMENT)).replace("$0.125", "$0.10");
        world.service.setAnswer("GET", PricingClient::documentPath, {200, newPrices, {}, 0});
        QCOMPARE(refresh(), quiet);
        QVERIFY(QFile::exists(widgetMarker));
        QCOMPARE(fileBytes(snapshotFile), before);
        QCOMPARE(settings()->value("usageSnapshot"_L1).toByteArray(), before);
        QCOMPARE(SystemSecretStore().read(), std::optional(token));
    }
};

TALLYFERN_REGISTER_TEST(TestEntry);
#include "TestEntry.moc"
