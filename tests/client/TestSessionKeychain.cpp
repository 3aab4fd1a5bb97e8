#include "ServiceWorld.h"
#include "TestRegistry.h"

#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"

#include <QDirIterator>
#include <QtTest>

using namespace Qt::StringLiterals;

// What a paste leaves in the secret store (what a paste holds is TestClientRules' table).
class TestSessionKeychain : public QObject
{
    Q_OBJECT

    // The in-memory keychain, which holds an earlier token; the session bus points nowhere.
    std::optional<ServiceWorld> world;

    // What saving leaves in the store, or the text of the error the save ends with.
    static QString saved(const QString& pasted, MemorySecretStore& store)
    {
        try {
            SessionKeychain::save(pasted);
        } catch (const SessionKeychainError& error) {
            return error.description();
        }
        return store.read().value_or(u"(nothing)"_s);
    }

private Q_SLOTS:
    void init() { QVERIFY(world.emplace().secrets.write(u"earlier"_s)); }
    void cleanup() { world.reset(); }

    void saves_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("store");   // "" | "refuses" | "locked"
        QTest::addColumn<QString>("outcome"); // the token stored, or the error's text
        QTest::addColumn<QString>("stored");  // afterwards
        QTest::newRow("the token of a header")
            << u"a=1; WorkosCursorSessionToken=x%3A%3Ay"_s << QString() << u"x::y"_s << u"x::y"_s;
        // Each of these leaves the working token where it was.
        QTest::newRow("no token") << u"WorkosCursorSessionToken=; other=1"_s << QString()
                                  << u"请粘贴 Cookie"_s << u"earlier"_s;
        QTest::newRow("a token no header could carry")
            << u"user_01NL\n::eyJ.x"_s << QString() << u"请粘贴 Cookie"_s << u"earlier"_s;
        QTest::newRow("a refused write")
            << u"new-token"_s << u"refuses"_s << u"无法写入本机钥匙串"_s << u"earlier"_s;
        // Never attempted: it would prompt.
        QTest::newRow("a locked keyring")
            << u"new-token"_s << u"locked"_s << u"钥匙串已锁定"_s << u"earlier"_s;
    }

    void saves()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, store);
        QFETCH(QString, outcome);
        MemorySecretStore& secrets = world->secrets;
        secrets.setFailsWrites(store == u"refuses");
        secrets.setLocked(store == u"locked");
        QCOMPARE(saved(pasted, secrets), outcome);
        QCOMPARE(secrets.writesWhileLocked(), 0);
        secrets.setLocked(false);
        QTEST(SessionKeychain::read().value_or(QString()), "stored");
    }

    void readsTheTokenTrimmed()
    {
        MemorySecretStore& secrets = world->secrets;
        // Blanks around a stored token are no part of it; blanks alone are no token.
        secrets.write(u"\n tok \n"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"tok"_s));
        secrets.write(u" \n\t "_s);
        QCOMPARE(SessionKeychain::lookup(), SecretLookup{});
        // No session bus at all: no token is read, saving fails, and nothing is written anywhere else.
        SecretStore::setCurrent(nullptr);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QCOMPARE(saved(u"tok"_s, secrets), u"无法写入本机钥匙串"_s);
        QDirIterator written(world->env.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!written.hasNext(), qPrintable(written.hasNext() ? written.next() : QString()));
    }
};

TALLYFERN_REGISTER_TEST(TestSessionKeychain);
#include "TestSessionKeychain.moc"
