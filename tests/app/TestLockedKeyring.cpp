#include "AppWorld.h"
#include "EditorDatabase.h"
#include "TestRegistry.h"

#include "app/UsageStore.h"
#include "app/commands/BackgroundRefresh.h"
#include "client/EditorLogin.h"
#include "client/EditorSession.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

// The environment the private gnome-keyring was started with, before any test moved the folders.
const QProcessEnvironment keyringEnvironment = QProcessEnvironment::systemEnvironment();

void lock()
{
    const QString lock =
        u"--session --print-reply --dest=org.freedesktop.secrets /org/freedesktop/secrets "
        u"org.freedesktop.Secret.Service.Lock array:objpath:/org/freedesktop/secrets/collection/login"_s;
    QCOMPARE(QProcess::execute(u"dbus-send"_s, lock.split(u' ')), 0);
}

// A new daemon on the same keyring files, unlocked with its password.
void unlock()
{
    QProcess daemon;
    daemon.setProcessEnvironment(keyringEnvironment);
    daemon.start(u"gnome-keyring-daemon"_s, {u"--replace"_s, u"--unlock"_s, u"--components=secrets"_s});
    daemon.write("test");
    daemon.closeWriteChannel();
    QVERIFY(daemon.waitForFinished(30'000));
    SystemSecretStore::reconnect();
}

// Every call on the session bus that unlocks, prompts or stores, from whichever process.
class BusCalls
{
public:
    BusCalls()
    {
        m_monitor.start(u"dbus-monitor"_s,
                        {u"--session"_s, u"type='method_call',member='Unlock'"_s,
                         u"type='method_call',member='Prompt'"_s, u"type='method_call',member='CreateItem'"_s,
                         u"type='method_call',member='CreateCollection'"_s,
                         u"type='method_call',member='GetId'"_s});
    }
    // The monitor says it has taken the bus name it watches from; before that it may miss a call.
    bool started() { return (count("Unlock"), m_seen.contains("NameLost")); }
    int count(const char* member)
    {
        m_seen += m_monitor.readAllStandardOutput();
        return m_seen.count(QByteArray(QByteArray("member=") + member));
    }
    // Every call so far: one of our own goes over the bus after them, and once the monitor has shown
    // it, it has shown every call before it.
    int settled()
    {
        const int sentinels = count("GetId") + 1;
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus"_s, u"GetId"_s));
        [&] { QVERIFY(QTest::qWaitFor([&] { return count("GetId") >= sentinels; }, 10'000)); }();
        return count("Unlock") + count("Prompt") + count("CreateItem") + count("CreateCollection");
    }

private:
    QProcess m_monitor;
    QByteArray m_seen;
};

// A display of its own for the keyring's prompter, gcr-prompter, which the session bus starts for
// each prompt: without one a prompt fails at once. There is no window manager, so a key reaches a
// prompt only once it is given the focus.
class PrompterDisplay
{
public:
    PrompterDisplay()
    {
        // -noreset: by default the server starts afresh whenever its last client leaves, and turns
        // away whoever connects meanwhile; each xdotool below is a client that leaves, and the
        // prompter may be connecting just then.
        m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-noreset"_s});
        while (m_server.waitForReadyRead(30'000) && !m_server.canReadLine()) {
        }
        const QByteArray number = m_server.readLine().trimmed();
        if (number.isEmpty())
            return;
        m_name = u':' + QString::fromLatin1(number);
        m_ready = activationDisplay(m_name);
    }
    ~PrompterDisplay()
    {
        // Later prompts fail at once again, as they did before.
        activationDisplay({});
        m_server.terminate();
        m_server.waitForFinished();
    }
    bool isReady() const { return m_ready; }
    // Presses Esc on the prompt shown, if there is one: its window, else nothing.
    QString dismissPrompt()
    {
        const QString window =
            xdotool({u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"gcr-prompter"_s}).section(u'\n', 0, 0);
        if (!window.isEmpty())
            xdotool({u"windowfocus"_s, window, u"key"_s, u"Escape"_s});
        return window;
    }

private:
    static bool activationDisplay(const QString& name)
    {
        return QProcess::execute(u"dbus-update-activation-environment"_s, {u"DISPLAY="_s + name}) == 0;
    }
    QString xdotool(const QStringList& arguments) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, m_name);
        process.setProcessEnvironment(environment);
        process.start(u"xdotool"_s, arguments);
        if (!process.waitForFinished(10'000))
            QTest::qFail("xdotool (package xdotool) did not answer", __FILE__, __LINE__);
        return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
    }

    QProcess m_server;
    QString m_name;
    bool m_ready = false;
};

} // namespace

// A locked keyring: what runs on its own leaves it alone, and only what the user asked for may
// prompt.
class TestLockedKeyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aLockedKeyringRaisesNoPromptNobodyAskedFor()
    {
        AppWorld world;
        BusCalls calls;
        QTRY_VERIFY2(calls.started(), "dbus-monitor (package dbus-bin) did not start");
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
        {
            UsageStore store(std::chrono::hours(1));
            store.refresh(true);
        }
        QCOMPARE(calls.settled(), 0);
        // The user's command may ask, but no prompt can be shown without a display.
        QCOMPARE(run(world, {u"--import-session"_s}), std::pair(1, u"钥匙串已锁定\n"_s));
        int asked = calls.settled();
        QVERIFY(calls.count("Unlock") > 0 && calls.count("CreateItem") == 0);
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QCOMPARE(calls.settled(), asked);
        unlock();

        // A token stored before the keyring was locked: the background run uses only the pricing.
        QVERIFY(SystemSecretStore().write(u"token"_s));
        lock();
        asked = calls.settled();
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QCOMPARE(calls.settled(), asked);
        QCOMPARE(world.service.requests().size(), 1); // the pricing document

        // The window's user refresh asks; with no display for the prompt the keyring stays locked,
        // and with nothing cached nothing is said to be still shown.
        UsageStore store(std::chrono::hours(1));
        store.refresh(false);
        QTRY_COMPARE_WITH_TIMEOUT(store.refreshStatus(), u"钥匙串仍锁定"_s, 10'000);
        QVERIFY(calls.settled() > asked && store.hasSession());
        QCOMPARE(calls.count("CreateItem"), 1); // only the token written above
    }

    void aCancelledUnlockAsksOnce()
    {
        AppWorld world;
        BusCalls calls;
        QTRY_VERIFY2(calls.started(), "dbus-monitor (package dbus-bin) did not start");
        PrompterDisplay display;
        QVERIFY2(display.isReady(), "Xvfb (package xvfb) did not start");
        SecretStore::setCurrent(nullptr);
        const auto restore = qScopeGuard([&] {
            unlock(); // for later tests
            SecretStore::setCurrent(&world.secrets);
        });
        QVERIFY(SystemSecretStore().write(u"token"_s));
        lock();

        // "刷新" on a locked keyring shows the keyring's prompt; Esc on it ends the refresh, with no
        // second prompt after it.
        UsageStore store(std::chrono::hours(1));
        const int before = calls.count("Prompt");
        store.refresh(false);
        // Esc is pressed on whatever prompt shows until the refresh ends: a second prompt would be
        // dismissed too, and counted.
        bool shown = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            (shown |= !display.dismissPrompt().isEmpty(), store.refreshStatus() == u"钥匙串仍锁定"_s),
            30'000);
        QVERIFY2(shown, "the keyring's prompter (package gcr) showed no prompt");
        calls.settled();
        QCOMPARE(calls.count("Prompt") - before, 1);
        QVERIFY(store.hasSession());
    }
};

TALLYFERN_REGISTER_TEST(TestLockedKeyring);
#include "TestLockedKeyring.moc"
