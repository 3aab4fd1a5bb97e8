#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "platform/MemorySecretStore.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

std::optional<SessionKeychainError::Kind> saveError(const QString& pasted)
{
    try {
        SessionKeychain::save(pasted);
    } catch (const SessionKeychainError& error) {
        return error.kind();
    }
    return std::nullopt;
}

} // namespace

class TestSessionKeychain : public QObject
{
    Q_OBJECT

    MemorySecretStore m_store;

private Q_SLOTS:
    void init()
    {
        // Every case starts from an empty keychain of its own, never the user's.
        m_store = MemorySecretStore();
        SecretStore::setCurrent(&m_store);
    }

    void cleanup() { SecretStore::setCurrent(nullptr); }

    void normalize_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("token");
        QTest::newRow("bare value") << u"abc123"_s << u"abc123"_s;
        QTest::newRow("cookie header")
            << u"Cookie: _ga=GA1.1; WorkosCursorSessionToken=user_01%3A%3Aeyj.x; NEXT_LOCALE=en"_s
            << u"user_01::eyj.x"_s;
        QTest::newRow("lower-case name") << u"workoscursorsessiontoken=tok"_s << u"tok"_s;
        QTest::newRow("blank lines around") << u"\n\n  tok-value \r\n\t"_s << u"tok-value"_s;
        QTest::newRow("name then semicolon") << u"WorkosCursorSessionToken=; other=1"_s << QString();
        QTest::newRow("value over two lines") << u"WorkosCursorSessionToken=first\nsecond"_s << u"first"_s;
        QTest::newRow("line separator ends value") << u"WorkosCursorSessionToken=a\u2028b"_s << u"a"_s;
        QTest::newRow("next line ends value") << u"WorkosCursorSessionToken=a\u0085b"_s << u"a"_s;
        QTest::newRow("spaces inside cookie") << u"a=1;  WorkosCursorSessionToken=  tok  ;b=2"_s << u"tok"_s;
        QTest::newRow("only the exact escape")
            << u"WorkosCursorSessionToken=a%3a%3Ab%3A%3Ac%20d"_s << u"a%3a%3Ab::c%20d"_s;
        QTest::newRow("first occurrence wins")
            << u"WorkosCursorSessionToken=one; WorkosCursorSessionToken=two"_s << u"one"_s;
        QTest::newRow("blank paste") << u" \n "_s << QString();
    }

    void normalize()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, token);
        QCOMPARE(SessionKeychain::normalize(pasted), token);
    }

    void saveReadRemove()
    {
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        SessionKeychain::save(u"x=1; WorkosCursorSessionToken=user%3A%3Atok; y=2"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"user::tok"_s));
        QCOMPARE(m_store.read(), std::optional(u"user::tok"_s)); // stored normalised

        SessionKeychain::save(u"newer"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"newer"_s));

        SessionKeychain::remove();
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        SessionKeychain::remove(); // nothing stored: still quiet
    }

    void emptyPasteTouchesNothing()
    {
        SessionKeychain::save(u"kept"_s);
        const int writes = m_store.writeCount();
        QCOMPARE(saveError(u"WorkosCursorSessionToken=;"_s), SessionKeychainError::Kind::empty);
        QCOMPARE(saveError(u"   "_s), SessionKeychainError::Kind::empty);
        QCOMPARE(m_store.writeCount(), writes);
        QCOMPARE(SessionKeychain::read(), std::optional(u"kept"_s));
    }

    void refusedWriteKeepsTheOldToken()
    {
        SessionKeychain::save(u"old-token"_s);
        m_store.setFailsWrites(true);
        QCOMPARE(saveError(u"new-token"_s), SessionKeychainError::Kind::saveFailed);
        // The user is still signed in with the cookie that worked.
        QCOMPARE(SessionKeychain::read(), std::optional(u"old-token"_s));

        SessionKeychain::remove();
        QCOMPARE(saveError(u"new-token"_s), SessionKeychainError::Kind::saveFailed);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
    }

    void blankStoredValueReadsAsNone()
    {
        m_store.write(u" \n\t "_s);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        m_store.write(u"\n tok \n"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"tok"_s));
    }

    void descriptions()
    {
        QCOMPARE(SessionKeychainError(SessionKeychainError::Kind::empty).description(), u"请粘贴 Cookie"_s);
        QCOMPARE(SessionKeychainError(SessionKeychainError::Kind::saveFailed).description(),
                 u"无法写入本机钥匙串"_s);
    }

    void unreachableSecretService()
    {
        // No session bus at all: reading finds no token, saving fails, and nothing is written
        // anywhere else instead.
        TestEnvironment environment;
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tallyfern-test-bus");
        SecretStore::setCurrent(nullptr);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QCOMPARE(saveError(u"tok"_s), SessionKeychainError::Kind::saveFailed);
        SessionKeychain::remove();
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QDirIterator written(environment.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!written.hasNext(), qPrintable(written.hasNext() ? written.next() : QString()));
    }
};

TALLYFERN_REGISTER_TEST(TestSessionKeychain);
#include "TestSessionKeychain.moc"
