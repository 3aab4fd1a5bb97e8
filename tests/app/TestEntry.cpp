#include "AppWorld.h"
#include "FakeNotifications.h"
#include "TestRegistry.h"

#include "app/CommandLine.h"
#include "app/QuotaNotices.h"
#include "app/StatusLine.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/AtomicFile.h"
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
    // No display to be had: a mode that created a GUI application would abort here.
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    // Waited for with the event loop running, so that a fake D-Bus service here can answer it.
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(TALLYFERN_EXECUTABLE), arguments);
    if (!finished.wait(60'000))
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
        QTest::newRow("status over refresh")
            << QStringList{program, u"--refresh"_s, u"--status"_s} << Mode::Status;
    }

    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Mode, mode);
        QCOMPARE(CommandLine::mode(arguments), mode);
    }

    void statusLine_data()
    {
        // Used percents of the Cursor and premium quotas (-1: absent), the snapshot's age in
        // minutes, and what a bar shows.
        QTest::addColumn<int>("cursorUsed");
        QTest::addColumn<int>("premiumUsed");
        QTest::addColumn<int>("ageMinutes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("barClass");
        QTest::addColumn<int>("percentage");
        QTest::newRow("every part") << 28 << 64 << 1
                                    << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s
                                    << u"ok"_s << 36;
        QTest::newRow("no premium quota")
            << 28 << -1 << 1 << u"Cursor 剩余 72% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s << 72;
        // No percent and no limit: the ring's 0 is shown but is no reason for alarm.
        QTest::newRow("unknown Cursor quota")
            << -1 << 64 << 1 << u"Cursor 剩余 0% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s
            << 36;
        QTest::newRow("low") << 80 << 10 << 1
                             << u"Cursor 剩余 20% · 高级剩余 90% · Grok 已用 35% · 还剩 12 天"_s << u"low"_s
                             << 20;
        QTest::newRow("critical") << 10 << 95 << 1
                                  << u"Cursor 剩余 90% · 高级剩余 5% · Grok 已用 35% · 还剩 12 天"_s
                                  << u"critical"_s << 5;
        QTest::newRow("stale before critical")
            << 10 << 99 << 11 << u"Cursor 剩余 90% · 高级剩余 1% · Grok 已用 35% · 还剩 12 天"_s << u"stale"_s
            << 1;
    }

    void statusLine()
    {
        QFETCH(int, cursorUsed);
        QFETCH(int, premiumUsed);
        QFETCH(int, ageMinutes);
        QFETCH(QString, text);
        const Timestamp now = *Timestamp::parseInternetDateTime(u"2026-12-02T10:00:00+08:00"_s);
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = true;
        s.planName = u"Pro"_s;
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.updatedAt = Timestamp{now.secondsSinceReference - ageMinutes * 60};
        if (cursorUsed >= 0)
            s.cursorModelsPercent = cursorUsed;
        s.grokWeeklyPercent = 35;
        s.totalTokens = 1000;
        if (premiumUsed >= 0)
            s.otherModelsPercent = premiumUsed;

        QCOMPARE(StatusLine::text(s, now), text);
        const QJsonObject bar = StatusLine::waybar(s, {}, now);
        QCOMPARE(bar.value("text"_L1).toString(), text.section(u" · "_s, 0, 1));
        QTEST(bar.value("class"_L1).toString(), "barClass");
        QTEST(bar.value("percentage"_L1).toInt(), "percentage");
        QCOMPARE(bar.value("tooltip"_L1).toString(), text.split(u" · "_s).join(u'\n') +
                                                         u"\n套餐 Pro\n账期到 12月14日\n更新于 12月2日 "_s +
                                                         (ageMinutes == 1 ? u"09:59"_s : u"09:49"_s));

        QJsonObject json = StatusLine::json(s, now);
        QCOMPARE(json.value("premiumRemainingPercent"_L1).toVariant(),
                 premiumUsed >= 0 ? QVariant(100 - premiumUsed) : QVariant());
        json.remove("premiumRemainingPercent"_L1);
        QCOMPARE(json, QJsonObject({{u"hasData"_s, true},
                                    {u"stale"_s, ageMinutes > 10},
                                    {u"updatedAt"_s, s.updatedAt.toInternetDateTime()},
                                    {u"ageSeconds"_s, ageMinutes * 60},
                                    {u"plan"_s, u"Pro"_s},
                                    {u"cycleEnd"_s, u"2026-12-14T00:00:00Z"_s},
                                    {u"daysLeft"_s, 12},
                                    {u"cursorRemainingPercent"_s, cursorUsed >= 0 ? 100 - cursorUsed : 0},
                                    {u"grokUsedPercent"_s, 35},
                                    {u"tokensTotal"_s, 1000},
                                    {u"todayTokens"_s, 0}}));
    }

    void printsWithoutTouchingAnything_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::newRow("help beside refresh")
            << QStringList{u"--refresh"_s, u"--help"_s} << 0 << CommandLine::helpText();
        QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << u"tallyfern 0.1.0\n"_s;
        QTest::newRow("status, nothing stored") << QStringList{u"--status"_s} << 0 << u"暂无用量数据\n"_s;
        QTest::newRow("json") << QStringList{u"--status"_s, u"--format=json"_s} << 0
                              << u"{\"hasData\":false}\n"_s;
        QTest::newRow("waybar")
            << QStringList{u"--format"_s, u"waybar"_s, u"--status"_s} << 0
            << u"{\"class\":\"nodata\",\"text\":\"暂无用量数据\",\"tooltip\":\"暂无用量数据\"}\n"_s;
        QTest::newRow("unknown format") << QStringList{u"--status"_s, u"--format"_s, u"xml"_s} << 2
                                        << u"tallyfern: --format 只接受 text、json 或 waybar\n"_s;
        QTest::newRow("format without a value") << QStringList{u"--status"_s, u"--format"_s} << 2
                                                << u"tallyfern: --format 只接受 text、json 或 waybar\n"_s;
    }

    void printsWithoutTouchingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, out);
        AppWorld world;
        QCOMPARE(run(world, arguments), std::pair(exit, out));
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
        FakeNotifications notifications;
        QVERIFY(notifications.registered);
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
        // The sample account has nearly used up its premium quota and has on-demand tokens.
        const QStringList notices{u"Tallyfern|tallyfern|Tallyfern|高级模型额度只剩 2%（账期到 5月17日）"_s,
                                  u"Tallyfern|tallyfern|Tallyfern|本期开始产生按需用量：21.5万 tokens"_s};
        QCOMPARE(notifications.calls, notices);
        QCOMPARE(run(world, {u"--status"_s}).second,
                 StatusLine::text(*stored, Timestamp::fromDateTime(QDateTime::currentDateTimeUtc())) + u'\n');

        // A failed event patch: the overview alone.
        world.service.setAnswer("POST", DashboardClient::eventsPath, {401, {}, {}, 0});
        QCOMPARE(refresh(), quiet);
        stored = UsageSnapshot::decode(fileBytes(snapshotFile));
        QVERIFY(stored && stored->hasRealData && stored->days.isEmpty());
        QVERIFY(QFile::exists(widgetMarker));
        QCOMPARE(notifications.calls, notices); // once per cycle, remembered between runs
        AtomicFile::write(QuotaNotices::stateFileName(),
                          R"({"cycle":"an earlier cycle","sent":["premium.critical"]})");
        QCOMPARE(refresh(), quiet);
        // A new cycle re-arms them; the overview alone has no on-demand tokens.
        QCOMPARE(notifications.calls, notices + notices.first(1));

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
