#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "platform/MemorySecretStore.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestSessionKeychain : public QObject
{
    Q_OBJECT

    MemorySecretStore m_store;

    // What saving a paste leaves in the store, or the text of the error the save ends with.
    QString saved(const QString& pasted)
    {
        try {
            SessionKeychain::save(pasted);
        } catch (const SessionKeychainError& error) {
            return error.description();
        }
        return m_store.read().value_or(u"(nothing)"_s);
    }

private Q_SLOTS:
    void init() { SecretStore::setCurrent(&m_store); }
    void cleanup() { SecretStore::setCurrent(nullptr); }

    void savesTheNormalisedToken()
    {
        QCOMPARE(saved(u"\n\n  tok-value \r\n\t"_s), u"tok-value"_s);
        QCOMPARE(saved(u"Cookie: _ga=GA1.1; WorkosCursorSessionToken=user_01%3A%3Aeyj.x; b=2"_s),
                 u"user_01::eyj.x"_s);
        QCOMPARE(saved(u"workoscursorsessiontoken=tok"_s), u"tok"_s);
        QCOMPARE(saved(u"WorkosCursorSessionToken=first\nsecond"_s), u"first"_s);
        QCOMPARE(saved(u"WorkosCursorSessionToken=a\u2028b"_s), u"a"_s); // a line separator too
        QCOMPARE(saved(u"a=1;  WorkosCursorSessionToken=  tok  ;b=2"_s), u"tok"_s);
        QCOMPARE(saved(u"WorkosCursorSessionToken=a%3a%3Ab%3A%3Ac%20d"_s), u"a%3a%3Ab::c%20d"_s);
        // A paste without a token, or a write the store refuses, leaves the working token in place.
        QCOMPARE(saved(u"WorkosCursorSessionToken=; other=1"_s), u"请粘贴 Cookie"_s);
        m_store.setFailsWrites(true);
        QCOMPARE(saved(u"new-token"_s), u"无法写入本机钥匙串"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"a%3a%3Ab::c%20d"_s));
        // Blanks around a stored token are no part of it; blanks alone are no token.
        m_store.setFailsWrites(false);
        m_store.write(u"\n tok \n"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"tok"_s));
        m_store.write(u" \n\t "_s);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
    }

    void unreachableSecretService()
    {
        // No session bus at all: no token is read, saving fails, and nothing is written anywhere else.
        TestEnvironment environment;
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tallyfern-test-bus");
        SecretStore::setCurrent(nullptr);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QCOMPARE(saved(u"tok"_s), u"无法写入本机钥匙串"_s);
        SessionKeychain::remove();
        QDirIterator written(environment.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!written.hasNext(), qPrintable(written.hasNext() ? written.next() : QString()));
    }
};

TALLYFERN_REGISTER_TEST(TestSessionKeychain);
#include "TestSessionKeychain.moc"
