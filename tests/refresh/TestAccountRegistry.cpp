#include "RegistryWorld.h"
#include "TestRegistry.h"

// The one owner of the accounts: where each token goes, and what adding, removing, labelling and
// choosing the primary account leave in the list, the home record and the keyring.
class TestAccountRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The rule, as a table: the arrival × one account or several × whose the token is (a listed
    // account's, another's, or nobody asked) × where the home place is and whether it is signed out.
    void route_data()
    {
        QTest::addColumn<QString>("arrival");
        QTest::addColumn<QString>("accounts"); // rosterOf()
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("homeSignedOut");
        QTest::addColumn<QString>("route");
        const QString foreign = u"refuse: "_s + AccountRegistry::foreignLogin();
        const auto row = [](const QByteArray& name, const char* arrival, const char* accounts,
                            const char* owner, bool signedOut, const QString& route) {
            QTest::newRow(name.constData()) << QString::fromLatin1(arrival) << QString::fromLatin1(accounts)
                                            << QString::fromLatin1(owner) << signedOut << route;
        };
        // The home account alone: a paste, an import or following replaces its token, whoever's it
        // is, as before accounts could be added; nobody has to ask the service for a paste.
        for (const char* arrival : {"paste", "import", "follow"}) {
            const QByteArray name = arrival;
            row(QByteArray(name + ", alone, nobody asked"), arrival, "alone", "", false, u"replace home"_s);
            row(QByteArray(name + ", alone, its own user"), arrival, "alone user_a", "user_a", false,
                u"replace home"_s);
            row(QByteArray(name + ", alone, another user"), arrival, "alone user_a", "user_c", false,
                u"replace home"_s);
            row(QByteArray(name + ", alone and signed out"), arrival, "alone user_a", "user_c", true,
                u"replace home"_s);
            row(QByteArray(name + ", removed"), arrival, "empty", "user_c", false, u"add home"_s);
            row(QByteArray(name + ", one listed at home"), arrival, "user_a*", "user_c", false,
                u"replace home"_s);
        }
        // Several, or one that is not the home account: each token to its own account, or nowhere.
        row("paste, several, known", "paste", "user_a* user_b", "user_b", false, u"replace user_b"_s);
        row("paste, several, known at home", "paste", "user_a* user_b", "user_a", true, u"replace home"_s);
        row("paste, several, unknown", "paste", "user_a* user_b", "user_c", false, foreign);
        row("paste, several, home empty, unknown", "paste", "user_a user_b", "user_c", false, foreign);
        row("import, several, known", "import", "user_a* user_b", "user_b", false, u"replace user_b"_s);
        row("import, several, unknown", "import", "user_a* user_b", "user_c", true, foreign);
        row("follow, several, known", "follow", "user_a user_b", "user_a", false, u"replace user_a"_s);
        row("follow, several, unknown", "follow", "user_a* user_b", "user_c", false, u"nothing"_s);
        row("paste, one left beside the empty home", "paste", "user_b", "user_c", false, foreign);
        row("import, one left beside the empty home", "import", "user_b", "user_b", false,
            u"replace user_b"_s);
        // Adding: a known account is updated; a new one takes an empty home place, or that of an
        // account nobody can name once its token is gone; beside the others otherwise, eight at most.
        row("add, nothing yet", "add", "alone", "user_a", true, u"add home, files aside"_s);
        row("add, alone unnamed, signed in", "add", "alone", "user_c", false, u"identify home"_s);
        row("add, alone unnamed, signed out", "add", "alone", "user_c", true, u"add home, files aside"_s);
        row("add, alone, the same user", "add", "alone user_a", "user_a", false, u"update home"_s);
        row("add, alone, another", "add", "alone user_a", "user_c", false, u"add beside"_s);
        row("add, alone signed out, another", "add", "alone user_a", "user_c", true, u"add beside"_s);
        row("add, removed", "add", "empty", "user_c", false, u"add home"_s);
        row("add, several, known", "add", "user_a* user_b", "user_b", false, u"update user_b"_s);
        row("add, several, new", "add", "user_a* user_b", "user_c", true, u"add beside"_s);
        row("add, several, home empty", "add", "user_a user_b", "user_c", false, u"add home"_s);
        row("add, eight", "add", "eight", "user_c", false, u"refuse: 最多只能添加 8 个账号"_s);
        row("add, eight, one of them", "add", "eight", "user_3", false, u"update user_3"_s);
    }

    void route()
    {
        QFETCH(QString, arrival);
        QFETCH(QString, accounts);
        QFETCH(QString, owner);
        QFETCH(bool, homeSignedOut);
        const AccountRegistry::Route route =
            AccountRegistry::route(arrivalNamed(arrival), rosterOf(accounts), owner, homeSignedOut);
        QTEST(routeText(route), "route");
    }

    void changes_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("tokens");
        // The steps apart at each "; ".
        const auto row = [](const char* name, const char* steps, const QStringList& said, const QString& list,
                            const QString& tokens) {
            QTest::newRow(name) << QString::fromUtf8(steps).split(u"; "_s) << said << list << tokens;
        };
        const QString addedA = u"已添加账号：a@example.com"_s, addedB = u"已添加账号：b@example.com"_s;
        const QString both = u"home user_a, primary user_a: user_a user_b / user_a"_s;
        const QString removedA = u"已移除账号：a@example.com"_s, foreign = AccountRegistry::foreignLogin();
        // One account is the home account alone, exactly as before there were several, its user
        // recorded.
        row("the first", "add a", {addedA}, u"none / user_a"_s, u"a"_s);
        row("the first again", "add a; add a", {addedA, u"已更新账号：a@example.com"_s}, u"none / user_a"_s,
            u"a"_s);
        row("a known one, a new token", "add a; add b; add team::b",
            {addedA, addedB, u"已更新账号：b@example.com"_s}, both, u"a user_b=team::b"_s);
        // The home account's token turned away: another account still goes beside it, never into
        // its place, once its user is known.
        row("beside a signed-out home", "add a; reject a; add b", {addedA, {}, addedB}, both,
            u"a user_b=b"_s);
        // An install from before accounts: whose the home token is, the service says first.
        row("beside an unnamed home", "plant a; add b", {{}, addedB}, both, u"a user_b=b"_s);
        row("into an unnamed home turned away", "plant a; reject a; add b", {{}, {}, addedB},
            u"none / user_b"_s, u"b"_s);
        row("turned away", "add a; expired; add b", {addedA, {}, u"Cookie 已失效，请重新粘贴"_s},
            u"none / user_a"_s, u"a"_s);
        row("no token in the paste", "add  ", {u"请粘贴 Cookie"_s}, u"none / unknown"_s, u"-"_s);
        row("a locked keyring", "add a; lock; add b", {addedA, {}, u"钥匙串已锁定"_s}, u"none / user_a"_s,
            u"a"_s);
        // Not listed after all: the new account's item goes again.
        row("the list cannot be written", "add a; full; add b", {addedA, {}, u"无法写入账号列表"_s},
            u"none / user_a"_s, u"a"_s);
        // A paste or an import with several accounts goes to the account it belongs to, or nowhere.
        row("a paste of a listed account", "add a; add b; paste team::b",
            {addedA, addedB, u"stored in user_b"_s}, both, u"a user_b=team::b"_s);
        row("a paste of another account", "add a; add b; paste c", {addedA, addedB, foreign}, both,
            u"a user_b=b"_s);
        row("the home account alone takes any paste", "add a; paste c", {addedA, u"stored in home"_s},
            u"none / user_a"_s, u"c"_s);
        // The home place empties; the next account added takes it.
        row("the home account removed", "add a; add b; remove user_a; add c",
            {addedA, addedB, removedA, u"已添加账号：c@example.com"_s},
            u"home user_c, primary user_b: user_b user_c / user_c"_s, u"c user_b=b"_s);
        // One left beside the empty home place behaves as one account, but takes no other's token.
        row("one left beside the empty home", "add a; add b; remove user_a; paste c; import user_b",
            {addedA, addedB, removedA, foreign, u"stored in user_b"_s},
            u"home -, primary user_b: user_b / removed"_s, u"- user_b=user_b::"_s + jwtOf(u"user_b"_s));
        // The only account, by the user id the service named: removing it sticks.
        row("the only account removed", "add a; primary user_a; remove user_a",
            {addedA, u"primary"_s, removedA}, u"none / removed"_s, u"-"_s);
        row("another removed, the primary passes",
            "add a; add b; primary b@example.com; primary user_b; remove user_b",
            {addedA, addedB, u"unknown"_s, u"primary"_s, u"已移除账号：b@example.com"_s},
            u"home user_a, primary user_a: user_a / user_a"_s, u"a"_s);
        row("the list held elsewhere: no primary chosen", "add a; add b; hold; primary user_b",
            {addedA, addedB, {}, u"failed"_s}, both, u"a user_b=b"_s);
        row("unknown or locked: nothing removed", "add a; add b; remove user_c; lock; remove user_b",
            {addedA, addedB, u"没有这个账号：user_c"_s, {}, u"钥匙串已锁定"_s}, both, u"a user_b=b"_s);
        // A new label may not read as an option on the command line.
        row("labels", "add a; add b; label user_b -x; label user_b 工作",
            {addedA, addedB, u"标签不能以 - 开头"_s, {}}, both, u"a user_b=b"_s);
    }

    void changes()
    {
        QFETCH(QStringList, steps);
        RegistryWorld world;
        QStringList said;
        for (const QString& step : steps)
            said.append(world.step(step));
        QTEST(said, "said");
        QTEST(world.list(), "list");
        QTEST(world.tokens(), "tokens");
    }

    // Removal takes every file of the account, and a refresh that read the place before can no
    // longer write there.
    void removingTakesTheFilesAndFencesTheRefreshes()
    {
        RegistryWorld world;
        world.step(u"add a"_s);
        world.step(u"add b"_s);
        const AccountRoster before = AccountRoster::read();
        const AccountPlace home = before.find(u"user_a"_s)->place;
        const AccountPlace other = before.find(u"user_b"_s)->place;
        QVERIFY(SnapshotStore::saveTo(home, labelledSnapshot(u"a"_s)) &&
                SnapshotStore::saveTo(other, labelledSnapshot(u"b"_s)));
        world.step(u"remove user_a"_s);
        QVERIFY(!QFile::exists(home.snapshotFile()) && !QFile::exists(home.ledgerFile()));
        QVERIFY(!SnapshotStore::saveTo(home, labelledSnapshot(u"a again"_s)));
        QVERIFY(!QFile::exists(home.snapshotFile()));
        QCOMPARE(SnapshotStore::loadFrom(other).planName, u"b"_s);
        world.step(u"remove user_b"_s);
        QVERIFY(!QFile::exists(other.folder()));
        QVERIFY(!SnapshotStore::saveTo(other, labelledSnapshot(u"b again"_s)));
        QVERIFY(!QFile::exists(other.folder()));
        // None left: the next account is the home account alone again.
        QVERIFY(!QFile::exists(AccountList::fileName()));
        QCOMPARE(world.step(u"add c"_s), u"已添加账号：c@example.com"_s);
        QVERIFY(
            SnapshotStore::saveTo(AccountRoster::read().find(u"user_c"_s)->place, labelledSnapshot(u"c"_s)));
    }

    // An account nobody can name gives up the home place: its files are kept under other names.
    void anUnnamedHomeAccountsFilesAreSetAside()
    {
        RegistryWorld world;
        world.step(u"plant a"_s);
        QVERIFY(SnapshotStore::save(labelledSnapshot(u"old"_s)));
        world.step(u"reject a"_s);
        QCOMPARE(world.step(u"add b"_s), u"已添加账号：b@example.com"_s);
        QVERIFY(!QFile::exists(SnapshotStore::fileName()));
        const QStringList aside = QDir(Paths::supportFolder()).entryList({u"snapshot.json.previous-*"_s});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(
            UsageSnapshot::decode(fileBytes(Paths::supportFolder() + u'/' + aside.constFirst()))->planName,
            u"old"_s);
    }

    // What the service says of the home account's user is recorded, once it can name a folder; a
    // single listed account at home simply becomes the user who signed in there.
    void theHomeAccountIsNamedByTheService()
    {
        RegistryWorld world;
        const AccountPlace home = AccountRoster::read().entries.constFirst().place;
        AccountRegistry::recordHome(home, u"../user_a"_s, u"a@example.com"_s);
        QCOMPARE(world.list(), u"none / unknown"_s);
        AccountRegistry::recordHome(home, u"user_a"_s, u"a@example.com"_s);
        QCOMPARE(world.list(), u"none / user_a"_s);
        QCOMPARE(HomeRecord::read().email, u"a@example.com"_s);
        // Another account's place is not the home account's record.
        AccountRegistry::recordHome(AccountPlace::otherAccount(u"user_b"_s), u"user_b"_s, {});
        QCOMPARE(world.list(), u"none / user_a"_s);

        world.step(u"add b"_s);
        world.step(u"remove user_b"_s);
        AccountRegistry::recordHome(AccountRoster::read().homeEntry()->place, u"user_c"_s,
                                    u"c@example.com"_s);
        QCOMPARE(world.list(), u"home user_c, primary user_c: user_c / user_c"_s);
    }

private:
    static QString jwtOf(const QString& sub) { return EditorDatabase::jwt(sub, 4'000'000'000); }
};

TALLYFERN_REGISTER_TEST(TestAccountRegistry);
#include "TestAccountRegistry.moc"
