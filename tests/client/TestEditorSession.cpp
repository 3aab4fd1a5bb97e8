#include "EditorDatabase.h"
#include "ServiceWorld.h"
#include "TestRegistry.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// ServiceWorld's pinned now, 2026-04-20T10:00:00+08:00, in seconds since 1970.
constexpr double now = 1776650400;
const QString earlier = u"earlier::token"_s;

} // namespace

class TestEditorSession : public QObject
{
    Q_OBJECT

    // Pinned at `now`, with the in-memory keychain holding an earlier token.
    std::optional<ServiceWorld> world;

private Q_SLOTS:
    void init() { QVERIFY(world.emplace().secrets.write(earlier)); }
    void cleanup() { world.reset(); }

    void importsTheEditorsLogin_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("outcome");

        const QString login = EditorDatabase::jwt(u"auth0|user_01ABC"_s, now + 3600);
        const QString bare = EditorDatabase::jwt(u"user_01XYZ"_s, now + 3600);
        QTest::newRow("text, auth0 subject") << u"plain"_s << QVariant(login) << u"user_01ABC"_s;
        QTest::newRow("UTF-8 blob, bare subject") << u"plain"_s << QVariant(bare.toUtf8()) << u"user_01XYZ"_s;
        QByteArray utf16("\xff\xfe");
        utf16.append(reinterpret_cast<const char*>(login.utf16()), login.size() * 2);
        QTest::newRow("UTF-16LE blob") << u"plain"_s << QVariant(utf16) << u"user_01ABC"_s;
        QTest::newRow("JSON-quoted") << u"plain"_s << QVariant(u'"' + login + u"\"\n"_s) << u"user_01ABC"_s;
        QTest::newRow("WAL, writer mid-transaction") << u"wal"_s << QVariant(login) << u"user_01ABC"_s;

        QTest::newRow("no database") << u"none"_s << QVariant() << u"未找到 Cursor 编辑器的登录数据"_s;
        QTest::newRow("no row") << u"plain"_s << QVariant() << u"Cursor 编辑器未登录"_s;
        QTest::newRow("empty value") << u"plain"_s << QVariant(u"\"\""_s) << u"Cursor 编辑器未登录"_s;
        QTest::newRow("ends within a minute")
            << u"plain"_s << QVariant(EditorDatabase::jwt(u"user_1"_s, now + 30))
            << u"Cursor 编辑器的登录已过期"_s;
        const QString unreadable = u"无法读取 Cursor 编辑器的数据"_s;
        QTest::newRow("not SQLite") << u"garbage"_s << QVariant() << unreadable;
        QTest::newRow("no table") << u"noTable"_s << QVariant() << unreadable;
        // Hostile files: whatever query they shape, the read ends within its budget, with a reason.
        QTest::newRow("a view over an endless query") << u"endlessView"_s << QVariant() << unreadable;
        QTest::newRow("a table whose rows each cost work")
            << u"costlyRows"_s << QVariant() << u"无法读取 Cursor 编辑器的登录：读取超时"_s;
        const QString malformed = u"Cursor 编辑器的登录数据格式不对"_s;
        QTest::newRow("not a JWT") << u"plain"_s << QVariant(u"abc.def"_s) << malformed;
        QTest::newRow("payload not JSON") << u"plain"_s << QVariant(u"a.bm90IGpzb24.c"_s) << malformed;
        // The account list's rule for a user id (its table is TestAccountList's).
        QTest::newRow("empty user id")
            << u"plain"_s << QVariant(EditorDatabase::jwt(u"auth0|"_s, now + 3600)) << malformed;
        QTest::newRow("over 64 KiB") << u"plain"_s << QVariant(QByteArray(65 * 1024, 'a')) << malformed;
    }

    void importsTheEditorsLogin()
    {
        QFETCH(QString, database);
        QFETCH(QVariant, value);
        QFETCH(QString, outcome);

        MemorySecretStore& secrets = world->secrets;
        const QString path = EditorSession::databasePath();
        QVERIFY(path.startsWith(world->env.configHome()));
        std::unique_ptr<EditorDatabase> writer;
        if (database == u"garbage") {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
        } else if (database != u"none") {
            writer = std::make_unique<EditorDatabase>(path);
            if (database != u"plain" && database != u"wal")
                QVERIFY(writer->exec("DROP TABLE ItemTable"));
            if (database == u"endlessView")
                QVERIFY(
                    writer->exec("CREATE VIEW ItemTable AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                                 "SELECT x + 1 FROM c) SELECT CAST(x AS TEXT) AS key, x AS value FROM c"));
            if (database == u"costlyRows") {
                // A real table whose search computes a 2 MB text for each of its 100,000 rows: minutes
                // of work for a read without a budget. The column is declared after the rows are in,
                // as a hostile file can be written, since an insert would compute it too.
                QVERIFY(writer->exec("CREATE TABLE ItemTable (n INTEGER, value BLOB)"));
                QVERIFY(writer->exec("INSERT INTO ItemTable (n) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                                     "SELECT x + 1 FROM c WHERE x < 100000) SELECT 1000000 FROM c"));
                QVERIFY(writer->exec("PRAGMA writable_schema = ON"));
                QVERIFY(
                    writer->exec("UPDATE sqlite_schema SET sql = 'CREATE TABLE ItemTable (n INTEGER, "
                                 "value BLOB, key TEXT AS (hex(zeroblob(n))))' WHERE name = 'ItemTable'"));
            }
            if (value.isValid())
                QVERIFY(writer->setLogin(value));
            if (database == u"wal") {
                // The editor in the middle of a write: the committed login must still be readable.
                QVERIFY(writer->exec("BEGIN IMMEDIATE") && writer->setLogin(u"uncommitted"_s));
                QVERIFY(QFile::exists(path + u"-wal"_s));
            } else {
                writer.reset(); // the editor closed: its -wal file is gone
                QVERIFY(!QFile::exists(path + u"-wal"_s));
            }
        }
        const QByteArray before = fileBytes(path);

        QString result;
        try {
            const EditorSession::Login login = EditorLogin::importNow();
            const QString sub = login.userId == u"user_01ABC" ? u"auth0|user_01ABC"_s : login.userId;
            QCOMPARE(login.token, login.userId + u"::"_s + EditorDatabase::jwt(sub, now + 3600));
            QCOMPARE(login.expiresAt.secondsSince1970(), now + 3600);
            QCOMPARE(secrets.read(), login.token);
            result = login.userId;
        } catch (const EditorSessionError& error) {
            result = error.description();
        }
        QCOMPARE(result, outcome);
        const bool imported = !result.contains(u"Cursor"_s);
        QCOMPARE(secrets.read() != earlier, imported);
        QCOMPARE(EditorLogin::isFollowing(), imported);
        // Nothing is written to the editor's files, and no -shm appears beside a database
        // without a -wal.
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QFile::exists(path + u"-shm"_s), database == u"wal");
    }

    void followsTheEditorsLogin_data()
    {
        QTest::addColumn<bool>("following");
        QTest::addColumn<QString>(
            "editor"); // the editor's login: "newer", "same", "expiring", "none", "rejected"
        QTest::addColumn<QString>("keyring"); // "" | "locked" | "locked, no token" | "refuses"
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("taken"); // the editor's login is the stored token afterwards
        using Outcome = EditorLogin::FollowOutcome;
        QTest::newRow("a newer login") << true << u"newer"_s << QString() << int(Outcome::stored) << true;
        QTest::newRow("following off")
            << false << u"newer"_s << QString() << int(Outcome::unchanged) << false;
        QTest::newRow("the same login") << true << u"same"_s << QString() << int(Outcome::unchanged) << true;
        QTest::newRow("signed out") << true << u"none"_s << QString() << int(Outcome::unchanged) << false;
        QTest::newRow("ends within a minute")
            << true << u"expiring"_s << QString() << int(Outcome::unchanged) << false;
        // Turned away by the service once: never taken again, by following or an import.
        QTest::newRow("rejected") << true << u"rejected"_s << QString() << int(Outcome::unchanged) << false;
        // Never written into a locked keyring, which would prompt, with or without an item in it.
        QTest::newRow("a locked token") << true << u"newer"_s << u"locked"_s << int(Outcome::locked) << false;
        QTest::newRow("a locked keyring, no token")
            << true << u"newer"_s << u"locked, no token"_s << int(Outcome::locked) << false;
        QTest::newRow("a refused write")
            << true << u"newer"_s << u"refuses"_s << int(Outcome::unchanged) << false;
    }

    void followsTheEditorsLogin()
    {
        QFETCH(bool, following);
        QFETCH(QString, editor);
        QFETCH(QString, keyring);
        MemorySecretStore& secrets = world->secrets;
        EditorDatabase database(EditorSession::databasePath());
        const QString jwt = EditorDatabase::jwt(u"auth0|user_1"_s, now + (editor == u"expiring" ? 30 : 3600));
        const QString login = u"user_1::"_s + jwt;
        if (editor != u"none")
            QVERIFY(database.setLogin(jwt));
        if (editor == u"rejected")
            EditorLogin::rememberRejected(login);
        if (keyring == u"locked, no token")
            secrets.remove();
        else if (editor == u"same")
            QVERIFY(secrets.write(login));
        secrets.setLocked(keyring.startsWith(u"locked"_s));
        secrets.setFailsWrites(keyring == u"refuses");
        EditorLogin::setFollowing(following);

        QTEST(int(EditorLogin::follow()), "outcome");
        QCOMPARE(secrets.writesWhileLocked(), 0);
        secrets.setLocked(false);
        QTEST(secrets.read() == login, "taken");
        if (editor == u"rejected")
            QVERIFY_THROWS_EXCEPTION(EditorSessionError, EditorLogin::importNow());
    }
};

TALLYFERN_REGISTER_TEST(TestEditorSession);

#include "TestEditorSession.moc"
