#include "AppWorld.h"
#include "EditorDatabase.h"
#include "FakeNotifications.h"
#include "TestRegistry.h"

#include "app/UsageStore.h"
#include "app/commands/CommandLine.h"
#include "app/desktop/StatusLine.h"
#include "client/EditorLogin.h"
#include "client/EditorSession.h"
#include "history/CsvExport.h"
#include "history/Ledger.h"
#include "model/AccountList.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Paths.h"
#include "platform/WidgetCenter.h"
#include "pricing/PricingClient.h"

using Mode = CommandLine::Mode;
Q_DECLARE_METATYPE(CommandLine::Mode)

namespace {

// The built executable, run as the background agent or a user would, with its home in the world's
// folder. It inherits this test's
// private D-Bus session and gnome-keyring, so its token is in a real Secret Service.
std::pair<int, QString> run(const AppWorld& world, const QStringList& arguments, const QByteArray& input = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, world.env.root());
    environment.insert(u"XDG_CACHE_HOME"_s, world.env.root() + u"/cache");
    // No display to be had: a mode that created a GUI application would abort here.
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return runProgram(QStringLiteral(TALLYFERN_EXECUTABLE), arguments, environment, input);
}

const std::pair<int, QString> quiet{0, {}};

// The environment the private gnome-keyring was started with, before any test moved the folders.
const QProcessEnvironment keyringEnvironment = QProcessEnvironment::systemEnvironment();

// The manual page's text, its escaped dashes plain.
QString manualPage()
{
    return QString::fromUtf8(fileBytes(QStringLiteral(TALLYFERN_MANUAL_PAGE))).replace(u"\\-"_s, u"-"_s);
}

// The app's settings, as the executable left them.
std::unique_ptr<QSettings> settings()
{
    return std::make_unique<QSettings>(Paths::settingsFolder() + u"/Tallyfern.conf"_s, QSettings::IniFormat);
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
        QTest::addColumn<QString>("values"); // the mode's value, then format, cycle and account
        const QString program = u"/usr/bin/tallyfern"_s;
        const QString none = u" - - -"_s;
        QTest::newRow("nothing") << QStringList{program} << Mode::Interactive << none;
        QTest::newRow("not even a program") << QStringList{} << Mode::Interactive << none;
        QTest::newRow("the program name is no argument")
            << QStringList{u"--background"_s} << Mode::Interactive << none;
        QTest::newRow("anywhere, among unknown options")
            << QStringList{program, u"--bogus"_s, u"-style"_s, u"fusion"_s, u"--refresh"_s, u"x"_s}
            << Mode::Refresh << none;
        QTest::newRow("upper case") << QStringList{program, u"--REFRESH"_s} << Mode::Interactive << none;
        QTest::newRow("with a value") << QStringList{program, u"--refresh=1"_s} << Mode::Interactive << none;
        QTest::newRow("toolkit option with a v")
            << QStringList{program, u"-reverse"_s} << Mode::Interactive << none;
        QTest::newRow("help over version") << QStringList{program, u"-v"_s, u"-help"_s} << Mode::Help << none;
        QTest::newRow("refresh over a misused option")
            << QStringList{program, u"--help=x"_s, u"--refresh"_s} << Mode::Refresh << none;
        QTest::newRow("a value for a flag")
            << QStringList{program, u"--version=2"_s} << Mode::Misused << none;
        QTest::newRow("login launch")
            << QStringList{program, u"-style"_s, u"fusion"_s, u"--background"_s} << Mode::Background << none;
        QTest::newRow("refresh over background")
            << QStringList{program, u"--background"_s, u"--refresh"_s} << Mode::Refresh << none;
        QTest::newRow("export") << QStringList{program, u"--export-csv"_s, u"out.csv"_s} << Mode::ExportCsv
                                << u"out.csv - - -"_s;
        QTest::newRow("export with its cycle and account")
            << QStringList{program, u"--export-csv=out.csv"_s, u"--cycle"_s, u"previous"_s,
                           u"-account=工作"_s}
            << Mode::ExportCsv << u"out.csv - previous 工作"_s;
        QTest::newRow("export without a file")
            << QStringList{program, u"--export-csv"_s} << Mode::Misused << none;
        QTest::newRow("cycle without a value")
            << QStringList{program, u"--export-csv"_s, u"out.csv"_s, u"--cycle"_s} << Mode::Misused << none;
        QTest::newRow("refresh over export, and its account ignored")
            << QStringList{program, u"--export-csv"_s, u"out.csv"_s, u"--account"_s, u"x"_s, u"--refresh"_s}
            << Mode::Refresh << none;
        QTest::newRow("status of every account")
            << QStringList{program, u"--status"_s, u"--account"_s, u"all"_s, u"-format"_s, u"json"_s}
            << Mode::Status << u" json - all"_s;
        QTest::newRow("a format alone is the status")
            << QStringList{program, u"--format=waybar"_s} << Mode::Status << u" waybar - -"_s;
        QTest::newRow("a modifier its mode does not take")
            << QStringList{program, u"--status"_s, u"--cycle"_s, u"previous"_s} << Mode::Misused << none;
        QTest::newRow("accounts") << QStringList{program, u"--accounts"_s, u"--format"_s, u"json"_s}
                                  << Mode::Accounts << u" json - -"_s;
        QTest::newRow("accounts take no account")
            << QStringList{program, u"--accounts"_s, u"--account"_s, u"x"_s} << Mode::Misused << none;
        QTest::newRow("add an account")
            << QStringList{program, u"--add-account"_s} << Mode::AddAccount << none;
        QTest::newRow("never a cookie on the command line")
            << QStringList{program, u"--add-account=token"_s} << Mode::Misused << none;
        QTest::newRow("remove an account") << QStringList{program, u"--remove-account"_s, u"工作"_s}
                                           << Mode::RemoveAccount << u"工作 - - -"_s;
        QTest::newRow("primary without an account")
            << QStringList{program, u"--primary"_s} << Mode::Misused << none;
    }

    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Mode, mode);
        const CommandLine::Invocation parsed = CommandLine::parse(arguments);
        QCOMPARE(parsed.mode, mode);
        // What the command takes as it is: its value and the modifiers it accepts ("-": none).
        const auto shown = [](const std::optional<QString>& value) { return value.value_or(u"-"_s); };
        QTEST(QStringList({parsed.value, shown(parsed.format), shown(parsed.cycle), shown(parsed.account)})
                  .join(u' '),
              "values");
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
        QTest::addColumn<bool>("team"); // a team seat with unlimited on-demand use and a team pool
        QTest::newRow("every part") << 28 << 64 << 1
                                    << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s
                                    << u"ok"_s << 36 << false;
        QTest::newRow("a team seat") << 28 << 64 << 1
                                     << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s
                                     << u"ok"_s << 36 << true;
        QTest::newRow("no premium quota")
            << 28 << -1 << 1 << u"Cursor 剩余 72% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s << 72 << false;
        // No percent and no limit: the ring's 0 is shown but is no reason for alarm.
        QTest::newRow("unknown Cursor quota")
            << -1 << 64 << 1 << u"Cursor 剩余 0% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s
            << 36 << false;
        QTest::newRow("low") << 80 << 10 << 1
                             << u"Cursor 剩余 20% · 高级剩余 90% · Grok 已用 35% · 还剩 12 天"_s << u"low"_s
                             << 20 << false;
        QTest::newRow("critical") << 10 << 95 << 1
                                  << u"Cursor 剩余 90% · 高级剩余 5% · Grok 已用 35% · 还剩 12 天"_s
                                  << u"critical"_s << 5 << false;
        QTest::newRow("stale before critical")
            << 10 << 99 << 11 << u"Cursor 剩余 90% · 高级剩余 1% · Grok 已用 35% · 还剩 12 天"_s << u"stale"_s
            << 1 << false;
    }

    void statusLine()
    {
        QFETCH(int, cursorUsed);
        QFETCH(int, premiumUsed);
        QFETCH(int, ageMinutes);
        QFETCH(QString, text);
        QFETCH(bool, team);
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
        if (team) {
            s.onDemandUsed = 23.1;
            s.onDemandUnlimited = true;
            s.teamOnDemandUsed = 150;
            s.teamOnDemandLimit = 500;
        }

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
        QJsonObject expected{{u"hasData"_s, true},
                             {u"stale"_s, ageMinutes > 10},
                             {u"updatedAt"_s, s.updatedAt.toInternetDateTime()},
                             {u"ageSeconds"_s, ageMinutes * 60},
                             {u"plan"_s, u"Pro"_s},
                             {u"cycleEnd"_s, u"2026-12-14T00:00:00Z"_s},
                             {u"daysLeft"_s, 12},
                             {u"cursorRemainingPercent"_s, cursorUsed >= 0 ? 100 - cursorUsed : 0},
                             {u"grokUsedPercent"_s, 35},
                             {u"tokensTotal"_s, 1000},
                             {u"todayTokens"_s, 0}};
        // On-demand figures only when known, and "no limit" only when so.
        if (team) {
            expected.insert(u"onDemandUsedUSD"_s, 23.1);
            expected.insert(u"onDemandUnlimited"_s, true);
            expected.insert(u"teamOnDemandUsedUSD"_s, 150);
            expected.insert(u"teamOnDemandLimitUSD"_s, 500);
        }
        QCOMPARE(json, expected);
    }

    void statusJsonKeysAreDocumented()
    {
        // Every figure known, so that the object holds every key it can.
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = true;
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.cursorModelsPercent = s.otherModelsPercent = s.grokWeeklyPercent = 10;
        s.models = {{u"composer-2.5"_s, ModelUsage::groupFor(u"composer-2.5"_s), {1e6, 0, 0, 0, 1e6}, 0, 0},
                    {u"claude-4.5-sonnet"_s,
                     ModelUsage::groupFor(u"claude-4.5-sonnet"_s),
                     {1e6, 0, 0, 0, 1e6},
                     0,
                     0}};
        s.onDemandUsed = s.onDemandLimit = s.teamOnDemandUsed = s.teamOnDemandLimit = 1;
        s.onDemandUnlimited = true;
        const QJsonObject json = StatusLine::json(s, s.updatedAt);
        QCOMPARE(json.size(), 19);
        // Each in bold on a line of its own, as the manual page lists them.
        for (const QString& key : json.keys()) {
            const QRegularExpression listed(u"^\\.BR? (.* )?"_s + key + u"( |$)"_s,
                                            QRegularExpression::MultilineOption);
            QVERIFY2(manualPage().contains(listed), qPrintable(key));
        }
    }

    void printsWithoutTouchingAnything_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::newRow("help beside unknown")
            << QStringList{u"--bogus"_s, u"--help"_s} << 0 << CommandLine::helpText();
        QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << u"tallyfern 0.1.0\n"_s;
        QTest::newRow("misused: one line on stderr")
            << QStringList{u"-help=all"_s} << 2 << u"tallyfern：选项 -help=all 不带取值\n"_s;
        QTest::newRow("status, nothing stored") << QStringList{u"--status"_s} << 0 << u"暂无用量数据\n"_s;
        QTest::newRow("json") << QStringList{u"--status"_s, u"--format=json"_s} << 0
                              << u"{\"hasData\":false}\n"_s;
        QTest::newRow("waybar")
            << QStringList{u"--format"_s, u"waybar"_s, u"--status"_s} << 0
            << u"{\"class\":\"nodata\",\"text\":\"暂无用量数据\",\"tooltip\":\"暂无用量数据\"}\n"_s;
        QTest::newRow("one dash, a value apart")
            << QStringList{u"-format"_s, u"json"_s, u"-status"_s} << 0 << u"{\"hasData\":false}\n"_s;
        QTest::newRow("one dash, a value joined")
            << QStringList{u"--status"_s, u"-format=json"_s} << 0 << u"{\"hasData\":false}\n"_s;
        QTest::newRow("unknown format") << QStringList{u"--status"_s, u"--format"_s, u"xml"_s} << 2
                                        << u"tallyfern: --format 只接受 text、json 或 waybar\n"_s;
        QTest::newRow("format without a value") << QStringList{u"--status"_s, u"--format"_s} << 2
                                                << u"tallyfern：选项 --format 缺少取值 格式\n"_s;
    }

    void printsWithoutTouchingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        AppWorld world;
        QCOMPARE(run(world, arguments), std::pair(status, out));
        QVERIFY(QDir(world.env.root()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(world.service.requests().isEmpty());
    }

    // The headless run with the production edges, end to end: what each policy and edge outcome
    // does is tests/refresh's; here, that the real service, keyring, files, notices, ledger and
    // rate-limit record are the ones it reaches.
    void refreshStoresWhatItFetchedAndExitsQuietly()
    {
        AppWorld world;
        FakeNotifications notifications;
        QVERIFY(notifications.registered);
        const QString token = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s;
        QVERIFY2(SystemSecretStore().write(token), "needs the private keyring of scripts/with-keyring");

        // The sample account: the day's pricing first, then overview and event patch stored where
        // the widget and the app read them, the widget nudged.
        QCOMPARE(run(world, {u"--bogus"_s, u"--refresh"_s}), quiet);
        const auto requests = world.service.requests();
        QVERIFY(requests.size() > 2);
        QCOMPARE(requests[0].path, QByteArray(PricingClient::documentPath));
        QVERIFY(requests[0].answeredMs <= requests[1].arrivedMs);
        QCOMPARE(requests[1].headers.value("cookie"), "WorkosCursorSessionToken=" + token.toUtf8());
        const QString snapshotFile = SnapshotStore::fileName();
        const auto stored = UsageSnapshot::decode(fileBytes(snapshotFile));
        QVERIFY(stored && stored->hasRealData && !stored->days.isEmpty());
        QCOMPARE(settings()->value("usageSnapshot"_L1).toByteArray(), fileBytes(snapshotFile));
        QVERIFY(QFile::exists(WidgetCenter::markerFileName()));
        // The sample account has nearly used up its premium quota and has on-demand tokens.
        QCOMPARE(notifications.calls,
                 (QStringList{u"Tallyfern|tallyfern|Tallyfern|高级模型额度只剩 3%（账期到 5月17日）"_s,
                              u"Tallyfern|tallyfern|Tallyfern|本期开始产生按需用量：21.5万 tokens"_s}));
        QCOMPARE(run(world, {u"--status"_s}).second,
                 StatusLine::text(*stored, Timestamp::fromDateTime(QDateTime::currentDateTimeUtc())) + u'\n');
        // The usage history synced last, and the export reads it.
        const QString csv = world.env.root() + u"/usage.csv"_s;
        const auto [exported, said] = run(world, {u"--export-csv"_s, csv});
        QVERIFY2(exported == 0, qPrintable(said));
        QVERIFY(fileBytes(csv).startsWith(CsvExport::header));
        QFile::remove(csv);
        // The manual page names every file the run left.
        for (const QString& folder : {Paths::dataHome(), Paths::configHome()}) {
            QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const QString name = QFileInfo(files.next()).fileName();
                QVERIFY2(manualPage().contains(name), qPrintable(name));
            }
        }

        // A busy service: the wait it asks for is kept in the app's settings, where the window's
        // refreshes and the next run read it, and the next run leaves the service alone.
        world.service.setAnswer("GET", DashboardClient::mePath, {429, {}, {{"Retry-After", "600"}}, 0});
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QVERIFY(settings()->contains("serviceBusyUntil"_L1));
        world.service.clearRequests();
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QVERIFY(world.service.requests().isEmpty());
    }

    void twoAccountsFromATerminal()
    {
        AppWorld world;
        const QString personal = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA"_s;
        const QString team = u"user_01TEAM7H4QZ2M8V6K3R9X5B1C0"_s;
        for (const SecretKey& key : {SecretKey::home(), SecretKey::account(team)})
            SystemSecretStore().remove(key); // an earlier test's
        const auto add = [&world](const QByteArray& cookie) {
            return run(world, {u"--add-account"_s}, cookie);
        };

        // The first account is the home account alone, as before; the list comes with the second.
        QCOMPARE(add("_ga=1; WorkosCursorSessionToken=user_01JQ8ZK5W3T2R9M4X7C6B1N0PA%3A%3Aeyj.p; x=2\n"),
                 std::pair(0, u"已添加账号：lin.wei@example.com\n"_s));
        QVERIFY(!QFile::exists(AccountList::fileName()));
        QCOMPARE(add("team::eyj.t"), std::pair(0, u"已添加账号：wei.chen@corp.example.com\n"_s));
        QCOMPARE(SystemSecretStore().read(), std::optional(u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyj.p"_s));
        QCOMPARE(SystemSecretStore().read(SecretKey::account(team)), std::optional(u"team::eyj.t"_s));

        // One background refresh for both, each into its own place.
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        const AccountPlace teamPlace = AccountPlace::otherAccount(team);
        const UsageSnapshot mine = SnapshotStore::load(), theirs = SnapshotStore::loadFrom(teamPlace);
        QVERIFY(mine.hasRealData && theirs.hasRealData && mine.planName != theirs.planName);
        QVERIFY(QFile::exists(teamPlace.ledgerFile()));
        QCOMPARE(run(world, {u"--accounts"_s}),
                 std::pair(0, QString(personal + u" · lin.wei@example.com · Pro+ · 主账号\n"_s + team +
                                      u" · wei.chen@corp.example.com · Enterprise\n"_s)));
        const Timestamp now = Timestamp::fromDateTime(QDateTime::currentDateTimeUtc());
        QCOMPARE(run(world, {u"--status"_s, u"--account"_s, u"all"_s}).second,
                 StatusLine::line({u"lin.wei@example.com"_s, mine}, now) + u'\n' +
                     StatusLine::line({u"wei.chen@corp.example.com"_s, theirs}, now) + u'\n');

        // One removed, the other untouched.
        const QByteArray before = fileBytes(SnapshotStore::fileName());
        QCOMPARE(run(world, {u"--remove-account"_s, team}),
                 std::pair(0, u"已移除账号：wei.chen@corp.example.com\n"_s));
        QVERIFY(!QFileInfo::exists(teamPlace.folder()) &&
                !SystemSecretStore().read(SecretKey::account(team)));
        QCOMPARE(fileBytes(SnapshotStore::fileName()), before);
        QCOMPARE(SystemSecretStore().read(), std::optional(u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyj.p"_s));
        QCOMPARE(run(world, {u"--status"_s, u"--account"_s, team}),
                 std::pair(2, QString(u"tallyfern：没有这个账号："_s + team + u'\n')));

        // A token the service turns away is stored nowhere.
        world.service.setAnswer("GET", DashboardClient::mePath, {401, {}, {}, 0});
        QCOMPARE(add("team::eyj.t"), std::pair(1, u"Cookie 已失效，请重新粘贴\n"_s));
        QVERIFY(!SystemSecretStore().read(SecretKey::account(team)));
        QCOMPARE(AccountList::read().list.accounts.size(), 1);
    }

    void importsTheEditorsLogin()
    {
        AppWorld world;
        const QString token = u"pasted::token"_s;
        QVERIFY2(SystemSecretStore().write(token), "needs the private keyring of scripts/with-keyring");
        // No editor: the reason on stderr, nothing stored.
        QCOMPARE(run(world, {u"--import-session"_s}), std::pair(1, u"未找到 Cursor 编辑器的登录数据\n"_s));
        QCOMPARE(SystemSecretStore().read(), std::optional(token));

        // The executable runs on the real clock; the tests' time zone is Shanghai.
        const qint64 expires = QDateTime::currentSecsSinceEpoch() + 3 * 86400;
        EditorDatabase editor(EditorSession::databasePath());
        QVERIFY(editor.setLogin(EditorDatabase::jwt(u"auth0|user_01ABC"_s, double(expires))));
        const QString when = QDateTime::fromSecsSinceEpoch(expires).toString(u"yyyy-MM-dd HH:mm"_s);
        QCOMPARE(
            run(world, {u"--import-session"_s}),
            std::pair(0, QString(u"已从 Cursor 编辑器导入登录：user_01ABC，有效期至 "_s + when + u'\n')));
        QCOMPARE(SystemSecretStore().read(),
                 u"user_01ABC::"_s + EditorDatabase::jwt(u"auth0|user_01ABC"_s, double(expires)));
        QVERIFY(world.service.requests().isEmpty()); // no refresh
        QVERIFY(EditorLogin::isFollowing());
    }

    void aLockedKeyringRaisesNoPromptNobodyAskedFor()
    {
        AppWorld world;
        // Every call on the session bus that unlocks, prompts or stores, from whichever process.
        QProcess monitor;
        monitor.start(u"dbus-monitor"_s,
                      {u"--session"_s, u"type='method_call',member='Unlock'"_s,
                       u"type='method_call',member='Prompt'"_s, u"type='method_call',member='CreateItem'"_s,
                       u"type='method_call',member='CreateCollection'"_s});
        QByteArray seen;
        const auto calls = [&](const char* member) {
            seen += monitor.readAllStandardOutput();
            return seen.count(QByteArray(QByteArray("member=") + member));
        };
        QTRY_VERIFY2((calls("Unlock"), seen.contains("NameLost")),
                     "dbus-monitor (package dbus-bin) did not start");
        const auto lock = [] {
            const QString lock =
                u"--session --print-reply --dest=org.freedesktop.secrets /org/freedesktop/secrets "
                u"org.freedesktop.Secret.Service.Lock array:objpath:/org/freedesktop/secrets/collection/login"_s;
            QCOMPARE(QProcess::execute(u"dbus-send"_s, lock.split(u' ')), 0);
        };
        // A new daemon on the same keyring files, unlocked with its password.
        const auto unlock = [] {
            QProcess daemon;
            daemon.setProcessEnvironment(keyringEnvironment);
            daemon.start(u"gnome-keyring-daemon"_s,
                         {u"--replace"_s, u"--unlock"_s, u"--components=secrets"_s});
            daemon.write("test");
            daemon.closeWriteChannel();
            QVERIFY(daemon.waitForFinished(30'000));
            SystemSecretStore::reconnect();
        };
        SecretStore::setCurrent(nullptr);
        const auto restore = qScopeGuard([&] {
            unlock(); // for later tests
            SecretStore::setCurrent(&world.secrets);
        });

        // No stored token, a newer login in the editor, following on: the window's start and its
        // timer leave the locked keyring alone, and "--import-session" asks but stores nothing.
        EditorDatabase editor(EditorSession::databasePath());
        const qint64 expires = QDateTime::currentSecsSinceEpoch() + 3 * 86400;
        QVERIFY(editor.setLogin(EditorDatabase::jwt(u"auth0|user_01ABC"_s, double(expires))));
        EditorLogin::setFollowing(true);
        SystemSecretStore().remove(); // an earlier test's
        lock();
        const auto quietSoFar = [&] {
            QTest::qWait(200); // what the monitor saw reaches us
            return calls("Unlock") + calls("Prompt") + calls("CreateItem") + calls("CreateCollection");
        };
        {
            UsageStore store(std::chrono::hours(1));
            QCOMPARE(store.refreshStatus(), u"钥匙串已锁定 · 点「刷新」解锁"_s);
            store.refresh(true);
            QCOMPARE(store.refreshStatus(), u"钥匙串已锁定 · 点「刷新」解锁"_s);
        }
        QCOMPARE(quietSoFar(), 0);
        // The user's command may ask, but no prompt can be shown without a display.
        QCOMPARE(run(world, {u"--import-session"_s}), std::pair(1, u"钥匙串已锁定\n"_s));
        int asked = quietSoFar();
        QVERIFY(calls("Unlock") > 0 && calls("CreateItem") == 0);
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QCOMPARE(quietSoFar(), asked);
        unlock();

        // A token stored before the keyring was locked: the background run uses only the pricing.
        QVERIFY(SystemSecretStore().write(u"token"_s));
        lock();
        asked = quietSoFar();
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QVERIFY(PricingStore::load() && !QFile::exists(SnapshotStore::fileName()));
        QCOMPARE(quietSoFar(), asked);
        QCOMPARE(world.service.requests().size(), 1); // the pricing document

        // The window's user refresh asks; with no display for the prompt the keyring stays locked,
        // and with nothing cached nothing is said to be still shown.
        UsageStore store(std::chrono::hours(1));
        store.refresh(false);
        QTRY_COMPARE_WITH_TIMEOUT(store.refreshStatus(), u"钥匙串仍锁定"_s, 10'000);
        QVERIFY(quietSoFar() > asked && store.hasSession());
        QCOMPARE(calls("CreateItem"), 1); // only the token written above
    }
};

TALLYFERN_REGISTER_TEST(TestEntry);
#include "TestEntry.moc"
