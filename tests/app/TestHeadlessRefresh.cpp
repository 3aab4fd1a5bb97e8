#include "AppWorld.h"
#include "FakeNotifications.h"
#include "TestRegistry.h"

#include "client/DashboardClient.h"
#include "model/AccountPlace.h"
#include "model/SnapshotStore.h"
#include "model/StatusLine.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/WidgetCenter.h"
#include "pricing/PricingClient.h"

#include <QDirIterator>

#include <array>

// The background refresh the agent runs, through the built executable.
class TestHeadlessRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The headless run with the production edges, end to end: what each policy and edge outcome
    // does is tests/refresh's; here, that the real service, keyring, files, notices, ledger and
    // rate-limit record are the ones it reaches.
    void refreshStoresWhatItFetchedAndExitsQuietly()
    {
        AppWorld world;
        FakeNotifications notifications;
        QVERIFY(notifications.registered);
        const QString token = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s;
        QVERIFY2(SystemSecretStore().write(token), "needs the private keyring of scripts/with-keyring");

        // The sample account: the day's pricing first, then overview and event patch stored where
        // the widget and the app read them, the widget nudged.
        QCOMPARE(run(world, {u"--bogus"_s, u"--refresh"_s}), quiet);
        const auto requests = world.service.requests();
        QVERIFY(requests.size() > 2);
        QCOMPARE(requests[0].path, QByteArray(PricingClient::documentPath));
        QCOMPARE(requests[1].headers.value("cookie"), "WorkosCursorSessionToken=" + token.toUtf8());
        const auto stored = UsageSnapshot::decode(fileBytes(SnapshotStore::fileName()));
        QVERIFY(stored && stored->hasRealData && !stored->days.isEmpty());
        QVERIFY(QFile::exists(WidgetCenter::markerFileName()));
        // The sample account has nearly used up its premium quota and has on-demand tokens: a notice
        // for each on the desktop's service (their texts are QuotaAlerts', tests/model).
        QCOMPARE(notifications.calls.size(), 2);
        // Told last in the cycle before, two runs at once store the new one: the new cycle's notice
        // and the quota's go out once between them.
        const QString notices = AccountPlace::homeAccount().noticesFile();
        QVERIFY(AtomicFile::write(
            notices, R"({"cycle":"2026-03-17T09:42:14.000Z/2026-04-17T09:42:14.000Z","sent":[]})"));
        std::array<QProcess, 2> runs;
        for (QProcess& concurrent : runs) {
            concurrent.setProcessEnvironment(programEnvironment(world));
            concurrent.start(QStringLiteral(TALLYFERN_EXECUTABLE), {u"--refresh"_s});
        }
        // The bound only stops a hang; the event loop runs meanwhile, so the notices reach us.
        QTRY_VERIFY_WITH_TIMEOUT(
            runs[0].state() == QProcess::NotRunning && runs[1].state() == QProcess::NotRunning, 60'000);
        QCOMPARE(notifications.calls.size(), 5);
        QCOMPARE(notifications.calls.filter(u"新账期已开始 · 额度已恢复"_s).size(), 1);
        QCOMPARE(notifications.calls.mid(3), notifications.calls.mid(0, 2)); // the quota's, as before
        QCOMPARE(run(world, {u"--status"_s}).second,
                 StatusLine::text(*stored, Timestamp::fromDateTime(QDateTime::currentDateTimeUtc())) + u'\n');
        // The manual page names every file the run left.
        for (const QString& folder : {Paths::dataHome(), Paths::configHome()}) {
            QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const QString name = QFileInfo(files.next()).fileName();
                QVERIFY2(manualPage().contains(name), qPrintable(name));
            }
        }

        // A busy service: the wait it asks for is kept in the app's settings, where the window's
        // refreshes and the next run read it, and the next run leaves the service alone.
        world.service.setAnswer("GET", DashboardClient::mePath, {429, {}, {{"Retry-After", "600"}}, 0});
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QVERIFY(world.env.settingsFile()->contains("serviceBusyUntil"_L1));
        world.service.clearRequests();
        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QVERIFY(world.service.requests().isEmpty());
    }

    // A bar's continuous module: its line at once, the next as soon as a refresh stores, and its end
    // once nobody reads it.
    void followingStatusPrintsEachStoreUntilItsReaderLeaves()
    {
        AppWorld world;
        QVERIFY2(SystemSecretStore().write(u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s),
                 "needs the private keyring of scripts/with-keyring");
        const QStringList waybar{u"--status"_s, u"--format"_s, u"waybar"_s};
        // A reader that takes two lines and leaves; the pipeline's status is the follower's too.
        QProcess bar;
        bar.setProcessEnvironment(programEnvironment(world));
        const QString script =
            u"set -o pipefail; \"$0\" \"$@\" | "
            u"{ for line in 1 2; do IFS= read -r line; printf '%s\\n' \"$line\"; done; }"_s;
        bar.start(u"bash"_s, QStringList{u"-c"_s, script, QStringLiteral(TALLYFERN_EXECUTABLE)} + waybar +
                                 QStringList{u"--follow"_s});
        // The bounds only stop a hang: each line comes at once.
        QTRY_VERIFY_WITH_TIMEOUT(bar.canReadLine(), 5000);
        QCOMPARE(QString::fromUtf8(bar.readLine()), run(world, waybar).second);

        QCOMPARE(run(world, {u"--refresh"_s}), quiet);
        QTRY_VERIFY_WITH_TIMEOUT(bar.canReadLine(), 5000);
        const QString stored = QString::fromUtf8(bar.readLine());
        QVERIFY2(stored.contains(u"剩余"_s), qPrintable(stored));
        QCOMPARE(stored, run(world, waybar).second);

        QTRY_COMPARE_WITH_TIMEOUT(bar.state(), QProcess::NotRunning, 5000);
        QCOMPARE(bar.exitStatus(), QProcess::NormalExit);
        QCOMPARE(bar.exitCode(), 0);
    }
};

TALLYFERN_REGISTER_TEST(TestHeadlessRefresh);
#include "TestHeadlessRefresh.moc"
