#include "AppWorld.h"
#include "EditorDatabase.h"
#include "TestRegistry.h"

#include "app/UsageStore.h"
#include "app/commands/BackgroundRefresh.h"
#include "client/EditorLogin.h"
#include "client/EditorSession.h"

namespace {

// The environment the private gnome-keyring was started with, before any test moved the folders.
const QProcessEnvironment keyringEnvironment = QProcessEnvironment::systemEnvironment();

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
        // Every call on the session bus that unlocks, prompts or stores, from whichever process.
        QProcess monitor;
        monitor.start(u"dbus-monitor"_s,
                      {u"--session"_s, u"type='method_call',member='Unlock'"_s,
                       u"type='method_call',member='Prompt'"_s, u"type='method_call',member='CreateItem'"_s,
                       u"type='method_call',member='CreateCollection'"_s});
        QByteArray seen;
        const auto calls = [&](const char* member) {
            seen += monitor.readAllStandardOutput();
            return seen.count(QByteArray(QByteArray("member=") + member));
        };
        QTRY_VERIFY2((calls("Unlock"), seen.contains("NameLost")),
                     "dbus-monitor (package dbus-bin) did not start");
        const auto lock = [] {
            const QString lock =
                u"--session --print-reply --dest=org.freedesktop.secrets /org/freedesktop/secrets "
                u"org.freedesktop.Secret.Service.Lock array:objpath:/org/freedesktop/secrets/collection/login"_s;
            QCOMPARE(QProcess::execute(u"dbus-send"_s, lock.split(u' ')), 0);
        };
        // A new daemon on the same keyring files, unlocked with its password.
        const auto unlock = [] {
            QProcess daemon;
            daemon.setProcessEnvironment(keyringEnvironment);
            daemon.start(u"gnome-keyring-daemon"_s,
                         {u"--replace"_s, u"--unlock"_s, u"--components=secrets"_s});
            daemon.write("test");
            daemon.closeWriteChannel();
            QVERIFY(daemon.waitForFinished(30'000));
            SystemSecretStore::reconnect();
        };
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
        const auto quietSoFar = [&] {
            QTest::qWait(200); // what the monitor saw reaches us
            return calls("Unlock") + calls("Prompt") + calls("CreateItem") + calls("CreateCollection");
        };
        {
            UsageStore store(std::chrono::hours(1));
            store.refresh(true);
        }
        QCOMPARE(quietSoFar(), 0);
        // The user's command may ask, but no prompt can be shown without a display.
        QCOMPARE(run(world, {u"--import-session"_s}), std::pair(1, u"钥匙串已锁定\n"_s));
        int asked = quietSoFar();
        QVERIFY(calls("Unlock") > 0 && calls("CreateItem") == 0);
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QCOMPARE(quietSoFar(), asked);
        unlock();

        // A token stored before the keyring was locked: the background run uses only the pricing.
        QVERIFY(SystemSecretStore().write(u"token"_s));
        lock();
        asked = quietSoFar();
        // It says why nothing changed, for whoever started it by hand.
        QCOMPARE(run(world, {u"--refresh"_s}),
                 std::pair(0, QString(BackgroundRefresh::lockedText() + u'\n')));
        QCOMPARE(quietSoFar(), asked);
        QCOMPARE(world.service.requests().size(), 1); // the pricing document

        // The window's user refresh asks; with no display for the prompt the keyring stays locked,
        // and with nothing cached nothing is said to be still shown.
        UsageStore store(std::chrono::hours(1));
        store.refresh(false);
        QTRY_COMPARE_WITH_TIMEOUT(store.refreshStatus(), u"钥匙串仍锁定"_s, 10'000);
        QVERIFY(quietSoFar() > asked && store.hasSession());
        QCOMPARE(calls("CreateItem"), 1); // only the token written above
    }
};

TALLYFERN_REGISTER_TEST(TestLockedKeyring);
#include "TestLockedKeyring.moc"
