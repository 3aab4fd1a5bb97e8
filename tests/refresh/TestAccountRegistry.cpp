#include "RefreshTesting.h"
#include "TestRegistry.h"

#include "model/SnapshotStore.h"
#include "platform/MemorySecretStore.h"
#include "platform/Paths.h"
#include "refresh/AccountEnrollment.h"

#include <QFile>
#include <QLockFile>

namespace {

// Steps of a table row, run in order: "add TOKEN" (the service says token "x" is user "user_x",
// "x@example.com"; "team::x" is "user_x" too), "remove ID", "primary ID", "lock" (the keyring
// locked, its unlock cancelled), "expired" (the service turns every token away), "hold" (another
// process holds accounts.lock; the next change waits for it, then gives up).
struct EnrollmentWorld
{
    TestEnvironment env;
    MemorySecretStore secrets;
    std::optional<QLockFile> listLock;
    std::shared_ptr<ScriptedService> service = std::make_shared<ScriptedService>();

    EnrollmentWorld()
    {
        SecretStore::setCurrent(&secrets);
        service->journal = std::make_shared<Journal>();
        for (const QString& token : {u"a"_s, u"b"_s, u"team::b"_s, u"c"_s})
            service->identities.insert(token,
                                       {1, u"user_"_s + token.back(), token.back() + u"@example.com"_s, {}});
    }
    ~EnrollmentWorld() { SecretStore::setCurrent(nullptr); }

    QString step(const QString& step)
    {
        const QString argument = step.section(u' ', 1);
        if (step.startsWith(u"add "_s))
            return await(AccountEnrollment::add(argument, service)).text;
        if (step.startsWith(u"remove "_s))
            return await(AccountEnrollment::remove(argument)).text;
        if (step.startsWith(u"primary "_s)) // made, unknown, failed
            return u"primary unknown failed"_s.split(u' ').at(int(AccountEnrollment::setPrimary(argument)));
        if (step == u"lock")
            secrets.setLocked(true);
        else if (step == u"expired")
            service->identifyAnswer = ScriptedService::Answer::unauthorized;
        else if (step == u"hold")
            listLock.emplace(Paths::supportFolder() + u"/accounts.lock"_s).lock();
        else
            qFatal("no step %s", qPrintable(step));
        return {};
    }

    // "none" without accounts.json; else "home ID, primary ID: ID ID …".
    static QString list()
    {
        const AccountList::Read read = AccountList::read();
        if (read.state == AccountList::State::missing)
            return u"none"_s;
        QStringList ids;
        for (const Account& account : read.list.accounts)
            ids.append(account.userId);
        return u"home %1, primary %2: %3"_s.arg(read.list.home.value_or(u"-"_s), read.list.primary,
                                                ids.join(u' '));
    }

    // The tokens stored: the home item's, then each other account's as "ID=token".
    QString tokens()
    {
        secrets.setLocked(false); // to read them
        QStringList stored{secrets.read().value_or(u"-"_s)};
        for (const QString& id : {u"user_a"_s, u"user_b"_s, u"user_c"_s}) {
            if (const auto token = secrets.read(SecretKey::account(id)))
                stored.append(id + u'=' + *token);
        }
        return stored.join(u' ');
    }
};

} // namespace

// Adding, updating and removing accounts: what is said, where each token goes, and the list.
class TestAccountEnrollment : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enrollment_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("tokens");
        const QString addedA = u"已添加账号：a@example.com"_s, addedB = u"已添加账号：b@example.com"_s;
        // One account is the home account alone, exactly as before there were several.
        QTest::newRow("the first") << QStringList{u"add a"_s} << QStringList{addedA} << u"none"_s << u"a"_s;
        QTest::newRow("the first again")
            << QStringList{u"add a"_s, u"add a"_s} << QStringList{addedA, u"已更新账号：a@example.com"_s}
            << u"none"_s << u"a"_s;
        QTest::newRow("a second") << QStringList{u"add a"_s, u"add b"_s} << QStringList{addedA, addedB}
                                  << u"home user_a, primary user_a: user_a user_b"_s << u"a user_b=b"_s;
        QTest::newRow("a known one, a new token")
            << QStringList{u"add a"_s, u"add b"_s, u"add team::b"_s}
            << QStringList{addedA, addedB, u"已更新账号：b@example.com"_s}
            << u"home user_a, primary user_a: user_a user_b"_s << u"a user_b=team::b"_s;
        QTest::newRow("turned away") << QStringList{u"add a"_s, u"expired"_s, u"add b"_s}
                                     << QStringList{addedA, {}, u"Cookie 已失效，请重新粘贴"_s} << u"none"_s
                                     << u"a"_s;
        QTest::newRow("no token in the paste")
            << QStringList{u"add  "_s} << QStringList{u"请粘贴 Cookie"_s} << u"none"_s << u"-"_s;
        QTest::newRow("a locked keyring")
            << QStringList{u"add a"_s, u"lock"_s, u"add b"_s} << QStringList{addedA, {}, u"钥匙串已锁定"_s}
            << u"none"_s << u"a"_s;
        // The home place empties; the next account added takes it.
        QTest::newRow("the home account removed")
            << QStringList{u"add a"_s, u"add b"_s, u"remove user_a"_s, u"add c"_s}
            << QStringList{addedA, addedB, u"已移除账号：a@example.com"_s, u"已添加账号：c@example.com"_s}
            << u"home user_c, primary user_b: user_b user_c"_s << u"c user_b=b"_s;
        QTest::newRow("another removed, the primary passes")
            << QStringList{u"add a"_s, u"add b"_s, u"primary b@example.com"_s, u"primary user_b"_s,
                           u"remove user_b"_s}
            << QStringList{addedA, addedB, u"unknown"_s, u"primary"_s, u"已移除账号：b@example.com"_s}
            << u"home user_a, primary user_a: user_a"_s << u"a"_s;
        QTest::newRow("the list held elsewhere: no primary chosen")
            << QStringList{u"add a"_s, u"add b"_s, u"hold"_s, u"primary user_b"_s}
            << QStringList{addedA, addedB, {}, u"failed"_s} << u"home user_a, primary user_a: user_a user_b"_s
            << u"a user_b=b"_s;
        QTest::newRow("unknown or locked: nothing removed")
            << QStringList{u"add a"_s, u"add b"_s, u"remove user_c"_s, u"lock"_s, u"remove user_b"_s}
            << QStringList{addedA, addedB, u"没有这个账号：user_c"_s, {}, u"钥匙串已锁定"_s}
            << u"home user_a, primary user_a: user_a user_b"_s << u"a user_b=b"_s;
    }

    void enrollment()
    {
        QFETCH(QStringList, steps);
        EnrollmentWorld world;
        QStringList said;
        for (const QString& step : steps)
            said.append(world.step(step));
        QTEST(said, "said");
        QTEST(world.list(), "list");
        QTEST(world.tokens(), "tokens");
    }

    void aNinthIsRefused()
    {
        EnrollmentWorld world;
        for (int i = 0; i < AccountList::maximum; ++i) {
            const QString token = u"t%1"_s.arg(i);
            world.service->identities.insert(token, {1, u"user_"_s + token, {}, {}});
            QCOMPARE(world.step(u"add "_s + token), u"已添加账号：user_"_s + token);
        }
        QCOMPARE(world.step(u"add a"_s), u"最多只能添加 8 个账号"_s);
        QCOMPARE(AccountList::read().list.accounts.size(), AccountList::maximum);
    }

    void removingTheHomeAccountTakesItsFiles()
    {
        EnrollmentWorld world;
        world.step(u"add a"_s);
        world.step(u"add b"_s);
        const AccountPlace home = AccountPlace::homeAccount(u"user_a"_s);
        const AccountPlace other = AccountPlace::otherAccount(u"user_b"_s);
        QVERIFY(SnapshotStore::saveTo(home, labelledSnapshot(u"a"_s)) &&
                SnapshotStore::saveTo(other, labelledSnapshot(u"b"_s)));
        world.step(u"remove user_a"_s);
        QVERIFY(!QFile::exists(home.snapshotFile()) && !QFile::exists(home.ledgerFile()));
        QCOMPARE(SnapshotStore::loadFrom(other).planName, u"b"_s);
        world.step(u"remove user_b"_s);
        QVERIFY(!QFile::exists(other.folder()));
        // None left: the next account is the home account alone again.
        QVERIFY(!QFile::exists(AccountList::fileName()));
    }
};

TALLYFERN_REGISTER_TEST(TestAccountEnrollment);
#include "TestAccountEnrollment.moc"
