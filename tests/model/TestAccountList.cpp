#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/AccountList.h"
#include "model/AccountRoster.h"
#include "model/AccountsLock.h"
#include "model/PlaceGuard.h"
#include "model/SnapshotStore.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString personal = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA"_s;
const QString team = u"user_01TEAM7H4QZ2M8V6K3R9X5B1C0"_s;

QByteArray listOf(const QByteArray& accounts, const QByteArray& primary = "user_01JQ8ZK5W3T2R9M4X7C6B1N0PA",
                  const QByteArray& home = R"("user_01JQ8ZK5W3T2R9M4X7C6B1N0PA")")
{
    return R"({"primary":")" + primary + R"(","home":)" + home + R"(,"accounts":[)" + accounts + "]}";
}

QByteArray entry(const QByteArray& userId, const QByteArray& label = "null")
{
    return R"({"userId":")" + userId + R"(","email":"a@b.c","name":"A","label":)" + label + "}";
}

} // namespace

class TestAccountList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void userIdsNameFolders_data()
    {
        QTest::addColumn<QString>("userId");
        QTest::addColumn<bool>("valid");
        QTest::newRow("service id") << personal << true;
        QTest::newRow("underscore first") << u"_a"_s << true;
        QTest::newRow("64 characters") << QString(64, u'a') << true;
        QTest::newRow("65 characters") << QString(65, u'a') << false;
        QTest::newRow("dash first") << u"-a"_s << false;
        QTest::newRow("final line break") << u"user_1\n"_s << false;
        QTest::newRow("parent folder") << u".."_s << false;
        QTest::newRow("slash") << u"a/b"_s << false;
        QTest::newRow("empty") << QString() << false;
    }

    void userIdsNameFolders()
    {
        QFETCH(QString, userId);
        QTEST(AccountPlace::isValidUserId(userId), "valid");
    }

    void placesOfTheHomeAccountAndTheOthers()
    {
        TestEnvironment env;
        const QString support = env.dataHome() + u"/Tallyfern"_s;
        const AccountPlace home = AccountPlace::homeAccount(personal);
        const AccountPlace other = AccountPlace::otherAccount(team);
        // The home account's files never move: the widget and older readers keep finding them.
        QCOMPARE(home.snapshotFile(), SnapshotStore::fileName());
        QCOMPARE(home.ledgerFile(), support + u"/history.sqlite"_s);
        QCOMPARE(home.secretKey(), SecretKey::home());
        QCOMPARE(other.snapshotFile(), support + u"/accounts/"_s + team + u"/snapshot.json"_s);
        QCOMPARE(other.noticesFile(), support + u"/accounts/"_s + team + u"/notices.json"_s);
        // Never the home item's attributes: a lookup or a clear matches every item carrying them.
        QCOMPARE(other.secretKey(), (SecretKey{u"tallyfern.account"_s, u"user"_s, team}));
        QCOMPARE(AccountPlace::userIdOfSubject(u"auth0|google|user_9"_s), u"user_9"_s);
    }

    void listsReadAsTheyWereWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        const QByteArray both = entry(personal.toUtf8()) + ',' + entry(team.toUtf8(), R"("工作")");
        QTest::newRow("two accounts") << listOf(both) << true;
        QTest::newRow("home place empty") << listOf(both, team.toUtf8(), "null") << true;
        QTest::newRow("primary not listed") << listOf(both, "user_x") << false;
        QTest::newRow("home not listed") << listOf(both, personal.toUtf8(), R"("user_x")") << false;
        QTest::newRow("id that is no folder") << listOf(entry("../x") + ',' + both) << false;
        QTest::newRow("one id twice") << listOf(both + ',' + entry(team.toUtf8())) << false;
        QTest::newRow("one label twice")
            << listOf(entry(personal.toUtf8(), R"("工作")") + ',' + entry(team.toUtf8(), R"("工作")"))
            << false;
        QTest::newRow("label naming another id")
            << listOf(entry(personal.toUtf8(), '"' + team.toUtf8() + '"') + ',' + entry(team.toUtf8()))
            << false;
        QByteArray nine = entry(personal.toUtf8());
        for (int i = 0; i < 8; ++i)
            nine += ',' + entry("user_" + QByteArray::number(i));
        QTest::newRow("nine accounts") << listOf(nine) << false;
        QTest::newRow("a generation") << listOf(entry(personal.toUtf8()) + ',' +
                                                entry(team.toUtf8()).chopped(1) + R"(,"generation":42})")
                                      << true;
        QTest::newRow("a generation that is no whole number")
            << listOf(entry(personal.toUtf8()) + ',' + entry(team.toUtf8()).chopped(1) +
                      R"(,"generation":4.5})")
            << false;
        QTest::newRow("not JSON") << QByteArray("{\"primary\":") << false;
        QTest::newRow("accounts not a list")
            << QByteArray(R"({"primary":"a","home":null,"accounts":{}})") << false;
    }

    void listsReadAsTheyWereWritten()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        const std::optional<AccountList> list = AccountList::decode(bytes);
        QCOMPARE(list.has_value(), valid);
        if (list)
            QCOMPARE(AccountList::decode(list->encode()), list);
    }

    void labelsAreRefusedWithAReason_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("refusal"); // in a stored list
        QTest::addColumn<QString>("given");   // given now
        const auto same = [](const char* name, const QString& label, const QString& refusal) {
            QTest::newRow(name) << label << refusal << refusal;
        };
        same("none", QString(), QString());
        same("a name", u"个人"_s, QString());
        same("its own label again", u"工作"_s, QString());
        same("24 characters", QString(24, u'字'), QString());
        same("25 characters", QString(25, u'字'), u"标签最多 24 个字符"_s);
        same("all", u"all"_s, u"标签不能是 all"_s);
        same("a user id", u"user_2"_s, u"标签不能与账号 ID 相同"_s);
        same("another's label", u"家里"_s, u"这个标签已被另一个账号使用"_s);
        same("blanks around", u" 工作"_s, u"标签两端不能有空白"_s);
        // It would read as an option on the command line; a stored one stays readable.
        QTest::newRow("a leading dash") << u"-dash"_s << QString() << u"标签不能以 - 开头"_s;
    }

    void labelsAreRefusedWithAReason()
    {
        QFETCH(QString, label);
        const AccountList list{
            team, team, {{team, {}, {}, u"工作"_s, 0}, {u"user_2"_s, {}, {}, u"家里"_s, 0}}};
        QTEST(list.labelRefusal(label, team), "refusal");
        QTEST(list.newLabelRefusal(label, team), "given");
    }

    // A place stays its account's until the account is removed (its generation changes): only then
    // are writes into it refused, and nothing of the place is made again.
    void placesStayTheirAccountsUntilRemoved()
    {
        TestEnvironment env;
        // An install with the home account alone, never refreshed: its place is current as it is.
        const AccountPlace home = AccountRoster::read().entries.constFirst().place;
        QVERIFY(home.home && PlaceGuard::isCurrent(home));
        const AccountPlace other = AccountPlace::otherAccount(team, 42);
        QVERIFY(!PlaceGuard::isCurrent(other));
        QVERIFY(AccountList::update([](AccountList& list, AccountList::State) {
            list = AccountList{personal, personal, {{personal, {}, {}, {}, 0}, {team, {}, {}, {}, 42}}};
            return true;
        }));
        QVERIFY(PlaceGuard::isCurrent(home) && PlaceGuard::isCurrent(other));
        QVERIFY(!PlaceGuard::isCurrent(AccountPlace::otherAccount(team, 41)));

        // Removed, or removed and added again: a refresh that read the place before writes nothing.
        QVERIFY(AccountList::update([](AccountList& list, AccountList::State) {
            list.find(team)->generation = 43;
            return true;
        }));
        bool wrote = false;
        QVERIFY(!PlaceGuard::write(other, [&wrote] { return wrote = true; }));
        QVERIFY(!wrote);
        QVERIFY(PlaceGuard::write(AccountPlace::otherAccount(team, 43), [&wrote] { return wrote = true; }));
        QVERIFY(wrote);
        {
            const AccountsLock lock;
            HomeRecord record;
            record.userId = QString(); // the home account removed
            record.generation = 5;
            QVERIFY(lock.isHeld() && record.write(lock));
        }
        QVERIFY(!PlaceGuard::isCurrent(home));
        QVERIFY(!SnapshotStore::saveTo(home, UsageSnapshot::empty()));
    }

    void aBrokenListIsSetAsideAndTheHomeAccountGoesOn()
    {
        TestEnvironment env;
        QCOMPARE(AccountList::read().state, AccountList::State::missing);
        // Reading alone never writes: a status bar polls it.
        QVERIFY(!QFileInfo::exists(AccountList::fileName()));
        QDir().mkpath(QFileInfo(AccountList::fileName()).path());
        QFile broken(AccountList::fileName());
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("{\"primary\":") > 0);
        broken.close();
        QCOMPARE(AccountList::read().state, AccountList::State::broken);
        AccountList::setAsideIfBroken();
        QCOMPARE(AccountList::read().state, AccountList::State::missing);
        const QStringList aside =
            QDir(QFileInfo(AccountList::fileName()).path()).entryList({u"accounts.json.broken-*"_s});
        QCOMPARE(aside.size(), 1);

        // Written under the lock (privately, as every save: TestPlatformServices), read back whole.
        QVERIFY(AccountList::update([](AccountList& list, AccountList::State) {
            list = AccountList{personal, personal, {{personal, u"a@b.c"_s, u"A"_s, {}}}};
            return true;
        }));
        QCOMPARE(AccountList::read().list.find(u"a@b.c"_s), nullptr); // found by id or label only
        QCOMPARE(AccountList::read().list.find(personal)->email, u"a@b.c"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestAccountList);
#include "TestAccountList.moc"
