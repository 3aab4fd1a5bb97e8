#include "LedgerTesting.h"
#include "TestRegistry.h"

#include <QDateTime>
#include <QDir>

#include <sqlite3.h>

#include <thread>

// The ledger's file: what it keeps, and what it sets aside when it cannot use it.
class TestLedger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unusableFilesAreSetAside_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("keptRows");
        QTest::newRow("none") << u"none"_s << true;
        // A file of the first version, before windows knew when they were fetched.
        QTest::newRow("older schema") << u"older schema"_s << true;
        // Another process migrating it too, its write lock held past the open's wait or let go in it.
        QTest::newRow("older schema, held") << u"older schema, held"_s << true;
        QTest::newRow("older schema, migrated meanwhile") << u"older schema, migrated meanwhile"_s << true;
        QTest::newRow("newer schema") << u"newer schema"_s << false;
        QTest::newRow("damaged pages") << u"damaged pages"_s << false;
        QTest::newRow("not a database") << u"not a database"_s << false;
    }

    void unusableFilesAreSetAside()
    {
        QFETCH(QString, damage);
        QFETCH(bool, keptRows);
        LedgerWorld world;
        QVERIFY(storeOneEvent(world.path, march1 + 2 * dayMs));
        sqlite3* other = nullptr; // another process's connection
        const auto run = [&](const char* sql) { return sqlite3_exec(other, sql, {}, {}, {}) == SQLITE_OK; };
        std::thread committer;
        if (damage.contains(u"schema"_s)) {
            QCOMPARE(sqlite3_open(qPrintable(world.path), &other), SQLITE_OK);
            QVERIFY(run(damage == "newer schema"_L1
                            ? "PRAGMA user_version=99"
                            : "ALTER TABLE windows DROP COLUMN fetched_ms; PRAGMA user_version=1"));
            if (damage.contains(u", "_s))
                QVERIFY(
                    run("BEGIN IMMEDIATE; ALTER TABLE windows ADD COLUMN fetched_ms; PRAGMA user_version=2"));
            else
                sqlite3_close(std::exchange(other, nullptr));
            if (damage.endsWith(u"meanwhile"_s))
                committer = std::thread([&] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    run("COMMIT");
                });
        } else if (damage != "none"_L1) {
            QFile file(world.path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const qint64 from = damage == "damaged pages"_L1 ? 4096 : 0;
            file.seek(from);
            file.write(QByteArray(file.size() - from, 'x'));
        }
        // Three set aside before: the oldest goes.
        for (const auto stamp : {"20260101-000000", "20260102-000000", "20260103-000000"})
            QFile(world.path + u".broken-"_s + QLatin1StringView(stamp)).open(QIODevice::WriteOnly);

        auto ledger = Ledger::open(world.path);
        if (damage.endsWith(u"held"_s)) {
            QVERIFY(!ledger); // busy, and left alone
            run("ROLLBACK");
            ledger = Ledger::open(world.path);
        }
        if (committer.joinable())
            committer.join();
        sqlite3_close(other);
        QVERIFY(ledger);
        QCOMPARE(ledger->events(march1, march1 + dayMs).size(), keptRows ? 1 : 0);
        const QStringList broken =
            QFileInfo(world.path).dir().entryList({u"history.sqlite.broken-*"_s}, QDir::Files);
        QCOMPARE(broken.size(), 3);
        QCOMPARE(broken.contains(u"history.sqlite.broken-20260101-000000"_s), keptRows);
        QVERIFY(isPrivate(world.path));
        // The older file's window is still whole, but when it was fetched is not known: it is
        // asked once more before it counts as final.
        const LedgerWindow window = ledger->windows().value(0);
        QCOMPARE(window.complete, keptRows);
        QCOMPARE(window.isFinal(), damage == "none"_L1);
        // The new ledger works.
        QVERIFY(ledger->prepare(1, {{march1, march1 + dayMs}}, march1));
    }

    // A file set aside keeps a name of its own, even when an earlier one got the same second's.
    void aFileSetAsideNeverTakesAnothersPlace()
    {
        LedgerWorld world;
        const QString stamp =
            QDateTime::fromMSecsSinceEpoch(qint64(Clock::now().msSince1970())).toString(u"yyyyMMdd-HHmmss"_s);
        const QString earlier = world.path + u".broken-"_s + stamp;
        for (const QString& path : {earlier, world.path}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(path.toUtf8()) > 0);
        }
        QVERIFY(Ledger::open(world.path));
        QCOMPARE(fileBytes(earlier), earlier.toUtf8());
        QCOMPARE(fileBytes(earlier + u"-2"_s), world.path.toUtf8());
    }

    // A full disk says nothing about the file: it stays where it is, whole, for a later run.
    void aFullDiskIsNoBrokenLedger()
    {
        LedgerWorld world;
        QVERIFY(storeOneEvent(world.path, march1));
        {
            const FullDisk disk;
            for (int attempt = 0; attempt < 2; ++attempt) {
                if (const auto ledger = Ledger::open(world.path))
                    ledger->prepare(1, {{march1 + dayMs, march1 + 2 * dayMs}}, march1);
            }
        }
        QVERIFY(QFileInfo(world.path).dir().entryList({u"history.sqlite.*"_s}, QDir::Files).isEmpty());
        QCOMPARE(Ledger::open(world.path)->events(march1, march1 + dayMs).size(), 1);
    }
};

TALLYFERN_REGISTER_TEST(TestLedger);

#include "TestLedger.moc"
