#include "LedgerTesting.h"
#include "TestRegistry.h"

#include "app/commands/CommandLine.h"
#include "app/commands/ExportCommand.h"
#include "history/CsvExport.h"
#include "model/SnapshotStore.h"

#include <QDir>

#include <utility>

#include <sys/stat.h>

// The cycle's export to CSV, from the command line to the file it writes or leaves alone.
class TestCsvExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void csvExport_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("existing"); // what out.csv is before: nothing, file, folder or fifo
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QString>("stderrLine");
        QTest::addColumn<QByteArray>("written"); // after the header; null: out.csv as it was
        const auto row = [](const char* name, const char* arguments, const char* existing, int status,
                            const QString& stderrLine, const QByteArray& written = {}) {
            QTest::newRow(name) << QString::fromLatin1(arguments).split(u' ') << QString::fromLatin1(existing)
                                << status << stderrLine << written;
        };
        // Oldest first, ties in stored order, quoted only where needed, totals summed.
        const QByteArray today("2026-04-20T00:00:01.789Z,\"model \"\"x\"\", large\",\"K\nL\",1,2,3,4,10\r\n"
                               "2026-04-20T00:00:01.789Z,a,K,0,0,0,0,0\r\n"
                               "2026-04-20T00:00:02.000Z,b,K,5,6,7,8,26\r\n");
        // Today's window is whole but may still gain late events: not yet synced.
        row("current, incomplete", "--export-csv out.csv", "", 0, u"账期尚未同步完整（0/20 天）"_s, today);
        row("replacing a file", "--export-csv out.csv", "file", 0, u"账期尚未同步完整（0/20 天）"_s, today);
        // 1 March was fetched weeks after it ended; 31 March only before its day was over.
        row("previous, empty", "--export-csv out.csv --cycle previous", "", 0,
            u"账期尚未同步完整（1/31 天）"_s, QByteArray(""));
        row("a folder", "--export-csv out.csv", "folder", 1, u"无法写入 out.csv"_s);
        row("a fifo", "--export-csv out.csv", "fifo", 1, u"无法写入 out.csv"_s);
        row("no file name", "--export-csv=", "", 2, u"tallyfern：--export-csv 需要一个文件名"_s);
        row("bad cycle", "--export-csv out.csv --cycle last", "", 2,
            u"tallyfern：--cycle 只能是 current 或 previous"_s);
        row("unwritable", "--export-csv missing/out.csv", "", 1, u"无法写入 missing/out.csv"_s);
        row("no ledger", "--export-csv out.csv", "", 1, u"tallyfern：还没有用量历史，刷新后再试"_s);
    }

    void csvExport()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, existing);
        QFETCH(int, exitStatus);
        QFETCH(QString, stderrLine);
        QFETCH(QByteArray, written);
        LedgerWorld world;
        QDir::setCurrent(world.env.root());
        SnapshotStore::save(aprilCycle());
        if (QString::fromLatin1(QTest::currentDataTag()) != "no ledger"_L1) {
            const auto ledger = Ledger::open(world.path);
            const qint64 today = march1 + 50 * dayMs;
            const qint64 now = today + 7'200'000;
            const qint64 march31 = march1 + 30 * dayMs;
            QVERIFY(ledger->prepare(
                254123789, {{march1, march1 + dayMs}, {march31, today - 19 * dayMs}, {today, today + dayMs}},
                march1));
            QVERIFY(ledger->store({march1, march1 + dayMs, 1, 0, 0, true, now}, {}, true));
            QVERIFY(ledger->store({march31, today - 19 * dayMs, 1, 0, 0, true, march31 + 23 * 3'600'000}, {},
                                  true));
            // Today's window of the current cycle, with names that need quoting.
            QVERIFY(ledger->store({today, today + dayMs, 2, 3, 3, true, now},
                                  {{today + 2000, u"b"_s, u"K"_s, 5, 6, 7, 8},
                                   {today + 1789, u"model \"x\", large"_s, u"K\nL"_s, 1, 2, 3, 4},
                                   {today + 1789, u"a"_s, u"K"_s, 0, 0, 0, 0}},
                                  true));
        }
        // Files of the user's beside the target, of any age, are never touched.
        for (const auto& [name, ageHours] : {std::pair{"out.csv.backup", 1}, {"out.csv.old123", 48}}) {
            QFile kept(QString::fromLatin1(name));
            QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("mine") == 4 && kept.flush());
            QVERIFY(kept.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600 * ageHours),
                                     QFileDevice::FileModificationTime));
        }
        const QByteArray target("out.csv");
        if (existing == "file"_L1)
            QVERIFY(QFile(u"out.csv"_s).open(QIODevice::WriteOnly) && ::chmod(target, 0644) == 0);
        else if (existing == "folder"_L1)
            QVERIFY(QDir().mkdir(u"out.csv"_s) && ::chmod(target, 0755) == 0);
        else if (existing == "fifo"_L1)
            QVERIFY(::mkfifo(target, 0644) == 0);
        struct stat before
        {};
        ::lstat(target, &before);

        const CommandLine::Invocation parsed = CommandLine::parse(QStringList{u"tallyfern"_s} + arguments);
        QCOMPARE(parsed.mode, CommandLine::Mode::ExportCsv);
        QString errors;
        const int status = ExportCommand::exportCsv({parsed.value, parsed.cycle, parsed.account}, &errors);
        QCOMPARE(status, exitStatus);
        QCOMPARE(errors, stderrLine);
        for (const auto name : {"out.csv.backup", "out.csv.old123"}) {
            QFile kept(QString::fromLatin1(name));
            QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "mine");
        }
        struct stat after
        {};
        const bool exists = ::lstat(target, &after) == 0;
        if (written.isNull()) {
            // As it was: absent, or the same entry with the same mode.
            QCOMPARE(exists, !existing.isEmpty());
            QCOMPARE(after.st_mode, before.st_mode);
            return;
        }
        QFile file(u"out.csv"_s);
        QVERIFY(exists && S_ISREG(after.st_mode) && isPrivate(file.fileName()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray(CsvExport::header) + "\r\n" + written);
    }

    // Never over one of Tallyfern's own files, by whatever path it is named: refused before anything
    // changes.
    void neverOverOurOwnFiles_data()
    {
        QTest::addColumn<QString>("target"); // relative to the test's root
        QTest::newRow("the ledger") << u"data/Tallyfern/history.sqlite"_s;
        QTest::newRow("a link to it") << u"link.csv"_s;
        QTest::newRow("a new file among ours, by way of ..") << u"data/elsewhere/../Tallyfern/new.csv"_s;
        QTest::newRow("the settings") << u"config/Tallyfern/Tallyfern.conf"_s;
        QTest::newRow("the refresh unit") << u"config/systemd/user/com.local.tallyfern.refresh.service"_s;
        QTest::newRow("the autostart entry") << u"config/autostart/com.local.tallyfern.desktop"_s;
        QTest::newRow("the editor's database") << u"config/Cursor/User/globalStorage/state.vscdb"_s;
    }

    void neverOverOurOwnFiles()
    {
        QFETCH(QString, target);
        LedgerWorld world;
        QDir::setCurrent(world.env.root());
        SnapshotStore::save(aprilCycle());
        QVERIFY(Ledger::open(world.path));
        for (const QString& path : {u"config/Tallyfern/Tallyfern.conf"_s,
                                    u"config/systemd/user/com.local.tallyfern.refresh.service"_s,
                                    u"config/autostart/com.local.tallyfern.desktop"_s,
                                    u"config/Cursor/User/globalStorage/state.vscdb"_s}) {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append) && file.write("ours") == 4);
        }
        QVERIFY(QDir().mkpath(u"data/elsewhere"_s) && QFile::link(world.path, u"link.csv"_s));
        const QByteArray before = fileBytes(target);

        QString errors;
        QCOMPARE(ExportCommand::exportCsv({target, {}, {}}, &errors), 1);
        QCOMPARE(errors, u"tallyfern：不能导出到 Tallyfern 自己的文件："_s + target);
        QCOMPARE(fileBytes(target), before);
        QVERIFY(!QFile::exists(u"data/Tallyfern/new.csv"_s));
    }
};

TALLYFERN_REGISTER_TEST(TestCsvExport);

#include "TestCsvExport.moc"
