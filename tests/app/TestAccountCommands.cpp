#include "AppWorld.h"
#include "EditorDatabase.h"
#include "TestRegistry.h"

#include "client/DashboardClient.h"
#include "client/EditorSession.h"
#include "model/AccountList.h"
#include "model/SnapshotStore.h"
#include "model/StatusLine.h"

#include <QJsonArray>

// The accounts from a terminal: adding, listing, refreshing and removing them, and importing the
// editor's login.
class TestAccountCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

        // Each into the real keyring, the second under its own key.
        QCOMPARE(add("_ga=1; WorkosCursorSessionToken=user_01JQ8ZK5W3T2R9M4X7C6B1N0PA%3A%3Aeyj.p; x=2\n"),
                 std::pair(0, u"已添加账号：lin.wei@example.com\n"_s));
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

        // For a panel: each account's bar text and class, whether it has a token (the team's logged
        // out here), and the bar's text and class of them all, as the Waybar form has them.
        SystemSecretStore().remove(SecretKey::account(team));
        const auto json = [&world](const QStringList& arguments) {
            return QJsonDocument::fromJson(run(world, arguments).second.toUtf8()).object();
        };
        const QJsonObject panel = json({u"--status"_s, u"--format"_s, u"json"_s, u"--account"_s, u"all"_s});
        const QJsonArray listed = panel.value("accounts"_L1).toArray();
        QCOMPARE(listed.size(), 2);
        for (const auto& [index, snapshot, signedIn] :
             {std::tuple(0, mine, true), std::tuple(1, theirs, false)}) {
            const QJsonObject entry = listed[index].toObject();
            const QJsonObject alone = StatusLine::waybar(snapshot, QuotaThresholds::load(), now);
            QCOMPARE(entry.value("text"_L1), alone.value("text"_L1));
            QCOMPARE(entry.value("class"_L1), alone.value("class"_L1));
            QCOMPARE(entry.value("signedIn"_L1), QJsonValue(signedIn));
            QCOMPARE(entry.value("locked"_L1), QJsonValue(false));
        }
        const QJsonObject bar = json({u"--status"_s, u"--format"_s, u"waybar"_s});
        QCOMPARE(panel.value("text"_L1), bar.value("text"_L1));
        QCOMPARE(panel.value("class"_L1), bar.value("class"_L1));
        QVERIFY(SystemSecretStore().write(SecretKey::account(team), u"team::eyj.t"_s));

        // One removed, the other untouched.
        const QByteArray before = fileBytes(SnapshotStore::fileName());
        QCOMPARE(run(world, {u"--remove-account"_s, team}),
                 std::pair(0, u"已移除账号：wei.chen@corp.example.com\n"_s));
        QVERIFY(!QFileInfo::exists(teamPlace.folder()) &&
                !SystemSecretStore().read(SecretKey::account(team)));
        QCOMPARE(fileBytes(SnapshotStore::fileName()), before);

        // A user whose id could not name a folder: the reason on stderr, nothing stored.
        world.service.setJson("GET", DashboardClient::mePath, R"({"id": 7, "sub": "auth0|../x"})");
        QCOMPARE(add("team::eyj.t"), std::pair(1, u"tallyfern：账号标识格式不对：auth0|../x\n"_s));
    }

    // With one account, it is named by the user id the service gave: every command that names an
    // account takes it, the lists show it, and every other output stays as it was.
    void theOnlyAccountByItsUserId()
    {
        AppWorld world;
        const QString personal = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA"_s;
        const QString team = u"user_01TEAM7H4QZ2M8V6K3R9X5B1C0"_s;
        SystemSecretStore().remove(SecretKey::account(team)); // an earlier test's
        const QString token = personal + u"::eyj.p"_s;
        QVERIFY(SystemSecretStore().write(token));
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QVERIFY(!QFile::exists(AccountList::fileName()));
        QCOMPARE(run(world, {u"--accounts"_s}),
                 std::pair(0, QString(personal + u" · lin.wei@example.com · Pro+ · 主账号\n"_s)));
        for (const QStringList& listing :
             {QStringList{u"--accounts"_s, u"--format"_s, u"json"_s},
              QStringList{u"--status"_s, u"--account"_s, u"all"_s, u"--format=json"_s}})
            QVERIFY(
                run(world, listing)
                    .second.contains(u"\"userId\":\""_s + personal + u"\""_s)); // and the e-mail beside it
        const auto plain = run(world, {u"--status"_s});
        QCOMPARE(run(world, {u"--status"_s, u"--account"_s, u"all"_s}), plain);
        QCOMPARE(run(world, {u"--status"_s, u"--account"_s, personal}), plain);
        QCOMPARE(run(world, {u"--primary"_s, personal}), quiet);
        const QString csv = world.env.root() + u"/usage.csv"_s;
        QCOMPARE(run(world, {u"--export-csv"_s, csv, u"--account"_s, personal}).first, 0);

        // Another account beside it (where each token goes is TestAccountRegistry's table).
        QCOMPARE(run(world, {u"--add-account"_s}, "team::eyj.t"),
                 std::pair(0, u"已添加账号：wei.chen@corp.example.com\n"_s));

        // Removed by that user id: its place stays empty, and no later refresh makes its files again.
        QCOMPARE(run(world, {u"--remove-account"_s, personal}),
                 std::pair(0, u"已移除账号：lin.wei@example.com\n"_s));
        QVERIFY(!SystemSecretStore().read() && !QFile::exists(SnapshotStore::fileName()));
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QVERIFY(!QFile::exists(SnapshotStore::fileName()) &&
                !QFile::exists(AccountPlace::homeAccount().ledgerFile()));
        QVERIFY(QFile::exists(AccountPlace::otherAccount(team).snapshotFile()));
    }

    // The timer's refresh runs (slowly) while an account is removed: from then on it asks nothing
    // more with the removed token (answers to what it asked before may still arrive, but no event
    // page, of the patch or the ledger, follows) and never makes the account's folder again.
    void aRemovalWhileTheTimersRefreshRuns()
    {
        AppWorld world(1500);
        const QString team = u"user_01TEAM7H4QZ2M8V6K3R9X5B1C0"_s;
        QVERIFY(SystemSecretStore().write(u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyj.p"_s));
        QCOMPARE(run(world, {u"--add-account"_s}, "team::eyj.t").first, 0);
        QVERIFY(QFileInfo::exists(AccountPlace::otherAccount(team).folder()));

        world.service.clearRequests();
        QProcess refresh;
        refresh.setProcessEnvironment(programEnvironment(world));
        QSignalSpy finished(&refresh, &QProcess::finished);
        refresh.start(QStringLiteral(TALLYFERN_EXECUTABLE), {u"--refresh"_s});
        const auto withTeam = [&world](qsizetype from) {
            QList<QByteArray> paths;
            const auto requests = world.service.requests();
            for (qsizetype i = from; i < requests.size(); ++i) {
                if (requests[i].headers.value("cookie").contains("team::"))
                    paths.append(requests[i].path);
            }
            return paths;
        };
        QTRY_VERIFY_WITH_TIMEOUT(!withTeam(0).isEmpty(), 10'000);
        QCOMPARE(run(world, {u"--remove-account"_s, team}),
                 std::pair(0, u"已移除账号：wei.chen@corp.example.com\n"_s));
        const qsizetype removedAt = world.service.requests().size();
        QVERIFY(finished.wait(60'000));
        QCOMPARE(refresh.exitCode(), 0);
        QVERIFY2(!withTeam(removedAt).contains(DashboardClient::eventsPath),
                 withTeam(removedAt).join(' ').constData());
        QVERIFY(!QFileInfo::exists(AccountPlace::otherAccount(team).folder()));
        QVERIFY(QFile::exists(SnapshotStore::fileName())); // the other account's refresh went on
    }

    void importsTheEditorsLogin()
    {
        AppWorld world;
        QVERIFY2(SystemSecretStore().write(u"pasted::token"_s),
                 "needs the private keyring of scripts/with-keyring");
        // No editor: the reason on stderr, nothing stored.
        QCOMPARE(run(world, {u"--import-session"_s}), std::pair(1, u"未找到 Cursor 编辑器的登录数据\n"_s));

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
    }
};

TALLYFERN_REGISTER_TEST(TestAccountCommands);
#include "TestAccountCommands.moc"
