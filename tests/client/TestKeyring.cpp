// Runs inside a private D-Bus session with an unlocked gnome-keyring (scripts/with-keyring): the
// real Secret Service, and the `secret-tool` a user would reach for, on a throw-away keyring.
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "platform/SecretStore.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList itemAttributes{u"service"_s, u"tallyfern.session"_s, u"account"_s,
                                 u"WorkosCursorSessionToken"_s};

struct ToolResult
{
    int exitCode = -1;
    QByteArray output; // stdout and stderr together
};

ToolResult secretTool(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(u"secret-tool"_s, arguments);
    if (!tool.waitForStarted(10'000))
        return {};
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(30'000))
        return {};
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAll()};
}

ToolResult lookup()
{
    return secretTool(QStringList{u"lookup"_s} + itemAttributes);
}

bool storeByHand(const QByteArray& secret)
{
    return secretTool(QStringList{u"store"_s, u"--label=pasted by hand"_s} + itemAttributes, secret)
               .exitCode == 0;
}

// Every item that carries the two attributes, as `secret-tool search --all` lists them.
QByteArray listing()
{
    return secretTool(QStringList{u"search"_s, u"--all"_s} + itemAttributes).output;
}

} // namespace

class TestKeyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Not skipped when the keyring is missing: the real store is what this test is for.
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under scripts/with-keyring");
        QVERIFY2(!QStandardPaths::findExecutable(u"secret-tool"_s).isEmpty(), "libsecret-tools is missing");
    }

    void init()
    {
        // Each case starts without the item.
        SecretStore::setCurrent(nullptr);
        SessionKeychain::remove();
        QCOMPARE(lookup().exitCode, 1);
    }

    void saveReadRemove()
    {
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        SessionKeychain::save(u"_ga=1; WorkosCursorSessionToken=user_01%3A%3AeyJ.token; x=2"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"user_01::eyJ.token"_s));
        // What secret-tool finds is the normalised token, nothing around it.
        const ToolResult found = lookup();
        QCOMPARE(found.exitCode, 0);
        QCOMPARE(found.output, QByteArray("user_01::eyJ.token"));

        SessionKeychain::remove();
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QCOMPARE(lookup().exitCode, 1);
    }

    void oneItemWithTwoAttributes()
    {
        SessionKeychain::save(u"first"_s);
        SessionKeychain::save(u"second"_s);
        const QByteArray items = listing();
        QCOMPARE(items.count("[/"), 1); // one item, listed under its object path
        QCOMPARE(items.count("attribute."), 2);
        QVERIFY2(items.contains("attribute.service = tallyfern.session"), items.constData());
        QVERIFY2(items.contains("attribute.account = WorkosCursorSessionToken"), items.constData());
        QVERIFY(items.contains("secret = second"));
    }

    void tokenStoredBySecretTool()
    {
        // A token stored by hand (with the newline echo adds) is the one the program reads...
        QVERIFY(storeByHand("by-hand-token\n"));
        QCOMPARE(SessionKeychain::read(), std::optional(u"by-hand-token"_s));

        // ...and a paste afterwards replaces it rather than standing beside it.
        SessionKeychain::save(u"pasted-later"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"pasted-later"_s));
        QCOMPARE(lookup().output, QByteArray("pasted-later"));
        QCOMPARE(listing().count("secret = "), 1);

        QVERIFY(storeByHand("by-hand-again"));
        QCOMPARE(SessionKeychain::read(), std::optional(u"by-hand-again"_s));
        SessionKeychain::remove();
        QCOMPARE(lookup().exitCode, 1);
    }

    void unusableStoredValues()
    {
        QVERIFY(storeByHand("\xff\xfe not text"));
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QVERIFY(storeByHand(" \n\t\n"));
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QVERIFY(storeByHand("令牌-ü"));
        QCOMPARE(SessionKeychain::read(), std::optional(u"令牌-ü"_s));
    }

    void emptyPasteLeavesTheItemAlone()
    {
        SessionKeychain::save(u"kept"_s);
        QVERIFY_THROWS_EXCEPTION(SessionKeychainError,
                                 SessionKeychain::save(u"WorkosCursorSessionToken=;"_s));
        QCOMPARE(SessionKeychain::read(), std::optional(u"kept"_s));
    }
};

QTEST_GUILESS_MAIN(TestKeyring)
#include "TestKeyring.moc"
