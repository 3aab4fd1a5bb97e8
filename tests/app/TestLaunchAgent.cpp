#include "AppWorld.h"
#include "TestRegistry.h"

#include "app/desktop/LoginItem.h"
#include "model/SnapshotStore.h"
#include "platform/Paths.h"
#include "platform/SecretStore.h"

#include <sys/stat.h>

namespace {

// The plist's leaf elements in document order, each as "name:text".
QStringList leavesOf(const QByteArray& xml)
{
    QStringList leaves;
    QXmlStreamReader reader(xml);
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        const QString name = reader.name().toString();
        if (reader.isStartElement() && name != "plist"_L1 && name != "dict"_L1 && name != "array"_L1)
            leaves.append(name + u':' + reader.readElementText());
    }
    return reader.hasError() ? QStringList{reader.errorString()} : leaves;
}

} // namespace

class TestLaunchAgent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installTwiceThenUninstall()
    {
        AppWorld world;
        const QString folder = world.env.configHome() + u"/systemd/user/"_s;
        // A unit left by an older install elsewhere is replaced.
        QFile old(LaunchAgent::serviceFileName());
        QVERIFY(QDir().mkpath(folder) && old.open(QIODevice::WriteOnly) &&
                old.write("ExecStart=/old/t\n") > 0);
        old.close();

        LaunchAgent::install();
        const QByteArray service = fileBytes(LaunchAgent::serviceFileName());
        const QByteArray timer = fileBytes(LaunchAgent::timerFileName());
        // The only folders the confined refresh may write into, created private before it runs.
        QVERIFY(service.contains((u"\nReadWritePaths=\"-"_s + world.env.dataHome() + u"/Tallyfern\" \"-" +
                                  world.env.configHome() + u"/Tallyfern\"\n")
                                     .toUtf8()));
        for (const QString& folder : {Paths::supportFolder(), Paths::settingsFolder()}) {
            struct stat info
            {};
            QVERIFY(::stat(QFile::encodeName(folder).constData(), &info) == 0 &&
                    (info.st_mode & 0777) == 0700);
        }
        // At once, then every 180 seconds.
        QVERIFY(timer.contains("\nOnActiveSec=0\nOnUnitActiveSec=180\n"));
        // A crash of the refresh leaves no core dump, whatever limit the user manager gives; a run
        // that hangs is stopped, so the timer starts the next.
        QVERIFY(service.contains("\nLimitCORE=0\n"));
        QVERIFY(service.contains("\nTimeoutStartSec=5min\n"));

        LaunchAgent::install();
        QCOMPARE(fileBytes(LaunchAgent::serviceFileName()), service);
        QCOMPARE(fileBytes(LaunchAgent::timerFileName()), timer);
        // Atomic writes leave no temporary files behind.
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{u"com.local.tallyfern.refresh.service"_s,
                                                                   u"com.local.tallyfern.refresh.timer"_s}));
        LaunchAgent::uninstall();
        QVERIFY(QDir(folder).isEmpty());

        // Stop-and-disable before every enable-and-start, so one timer runs however often the app
        // installs it; files in place before the manager reads them, and until it has let go. Linked
        // by absolute path, wherever the manager looks for units.
        const QString disable = u"systemctl --user disable --now com.local.tallyfern.refresh.timer [files]"_s;
        const QStringList once{u"systemctl --user daemon-reload [files]"_s, disable,
                               u"systemctl --user link "_s + LaunchAgent::serviceFileName() + u" [files]",
                               u"systemctl --user enable --now "_s + LaunchAgent::timerFileName() +
                                   u" [files]"};
        const QStringList out{disable,
                              u"systemctl --user disable com.local.tallyfern.refresh.service [files]"_s};
        QCOMPARE(world.runner.commands, once + once + out);

        // Uninstalling what is not there still asks the manager, and fails quietly.
        world.runner.commands.clear();
        LaunchAgent::uninstall();
        QCOMPARE(world.runner.commands, QStringList(out).replaceInStrings(u"[files]"_s, u"[no files]"_s));
    }

    // The manager's own checks: no complaint about either unit, and an exposure of at most 1.9.
    void unitsPassTheManagersChecks()
    {
        AppWorld world;
        LaunchAgent::install();
        const QStringList units{LaunchAgent::serviceFileName(), LaunchAgent::timerFileName()};
        QCOMPARE(runProgram(u"systemd-analyze"_s, QStringList{u"verify"_s, u"--user"_s} + units),
                 std::pair(0, QString()));
        const auto [status, report] =
            runProgram(u"systemd-analyze"_s,
                       {u"security"_s, u"--user"_s, u"--offline=yes"_s, LaunchAgent::serviceFileName()});
        const QRegularExpression overall(u"Overall exposure level for [^:]+: (\\d+\\.\\d)"_s);
        const QRegularExpressionMatch match = overall.match(report);
        QVERIFY2(status == 0 && match.hasMatch(), qPrintable(report));
        QVERIFY2(match.captured(1).toDouble() <= 1.9, qPrintable(report));
    }

    // The user manager may have other folders in its environment, or none: the refresh it starts
    // still writes where the app reads, through the unit's own Environment= lines.
    void refreshWithTheUnitsEnvironmentWritesWhereTheAppReads()
    {
        AppWorld world;
        QVERIFY2(SystemSecretStore().write(u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s),
                 "needs the private keyring of scripts/with-keyring");
        const QString unit =
            QString::fromUtf8(*LaunchAgent::serviceUnit(QStringLiteral(TALLYFERN_EXECUTABLE)));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, world.env.root() + u"/manager/data");
        environment.insert(u"XDG_CONFIG_HOME"_s, world.env.root() + u"/manager/config");
        const QRegularExpression word(u"\"(\\w+)=([^\"]*)\""_s);
        for (const QString& line : unit.split(u'\n')) {
            for (auto it = word.globalMatch(line); line.startsWith("Environment="_L1) && it.hasNext();) {
                const QRegularExpressionMatch match = it.next();
                environment.insert(match.captured(1), match.captured(2));
            }
        }

        QCOMPARE(runProgram(QStringLiteral(TALLYFERN_EXECUTABLE), {u"--refresh"_s}, environment).first, 0);
        const auto stored = UsageSnapshot::decode(fileBytes(SnapshotStore::fileName()));
        QVERIFY(stored && stored->hasRealData);
        QVERIFY(!QFileInfo::exists(world.env.root() + u"/manager"));
    }

    // Each path as the service unit's ExecStart= and the autostart entry's Exec= write it, and
    // whether the unit can check that the program exists.
    void execStart_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("autostart");
        QTest::addColumn<bool>("condition");
        QTest::newRow("spaces") << u"/home/a b/My Apps/tallyfern"_s
                                << u"\"/home/a b/My Apps/tallyfern\" --refresh"_s
                                << u"\"/home/a b/My Apps/tallyfern\" --background"_s << true;
        QTest::newRow("percent is a specifier") << u"/opt/100%/%h"_s << u"\"/opt/100%%/%%h\" --refresh"_s
                                                << u"/opt/100%%/%%h --background"_s << true;
        // The program path is not subject to "$" substitution: doubling it would name another file.
        // The autostart line is split like a shell's, where "$" needs quoting and a backslash, and
        // every backslash is doubled once more.
        QTest::newRow("dollar") << u"/opt/$HOME/t"_s << u"\"/opt/$HOME/t\" --refresh"_s
                                << uR"("/opt/\\$HOME/t" --background)"_s << true;
        // systemd refuses these in a program path, so the shell runs it from an argument, where
        // C escapes, "%%" and "$$" all apply.
        const QString shell = u"/bin/sh -c \"exec \\\"$$0\\\" --refresh\" "_s;
        QTest::newRow("backslash") << u"/opt/a\\b/$x/100%/t"_s << shell + u"\"/opt/a\\\\b/$$x/100%%/t\""_s
                                   << uR"("/opt/a\\\\b/\\$x/100%%/t" --background)"_s << false;
        QTest::newRow("quotes") << u"/opt/\"it's\"/t"_s << shell + u"\"/opt/\\\"it's\\\"/t\""_s
                                << uR"("/opt/\\"it's\\"/t" --background)"_s << false;
        QTest::newRow("newline") << u"/opt/a\nb"_s << shell + u"\"/opt/a\\x0ab\""_s << QString() << false;
        QTest::newRow("relative") << u"tallyfern"_s << QString() << QString() << false;
        QTest::newRow("NUL") << u"/opt/a"_s + QChar(0) + u"b" << QString() << QString() << false;
    }

    void execStart()
    {
        QFETCH(QString, path);
        QFETCH(QString, line);
        QFETCH(QString, autostart);
        QFETCH(bool, condition);
        QCOMPARE(LaunchAgent::execStart(path).value_or(QString()), line);
        const auto unit = LaunchAgent::serviceUnit(path);
        QCOMPARE(unit.has_value(), !line.isEmpty());
        // The path never breaks out of its line.
        if (unit) {
            const QString text = QString::fromUtf8(*unit);
            QVERIFY(text.contains(u"\nExecStart="_s + line + u"\nStandardOutput=null\n"));
            const QString check =
                u"\nConditionPathExists="_s + QString(path).replace(u'%', u"%%"_s) + u"\n\n";
            QCOMPARE(text.contains(check), condition);
            QCOMPARE(text.count(u"Condition"_s), condition ? 1 : 0);
        }
        const auto entry = LoginItem::entry(path);
        QCOMPARE(entry.has_value(), !autostart.isEmpty());
        if (entry)
            QVERIFY(QString::fromUtf8(*entry).contains(u"\nExec="_s + autostart + u"\nTryExec="));
    }

    void propertyList()
    {
        const QString path = u"/Users/a & b/<Apps>/Tallyfern.app/Contents/MacOS/Tallyfern"_s;
        const auto xml = LaunchAgent::propertyList(path);
        QVERIFY(xml);
        QCOMPARE(
            leavesOf(*xml),
            (QStringList{u"key:Label"_s, u"string:com.local.tallyfern.refresh"_s, u"key:ProgramArguments"_s,
                         u"string:"_s + path, u"string:--refresh"_s, u"key:RunAtLoad"_s, u"true:"_s,
                         u"key:StandardErrorPath"_s, u"string:/dev/null"_s, u"key:StandardOutPath"_s,
                         u"string:/dev/null"_s, u"key:StartInterval"_s, u"integer:180"_s}));
        // A path XML cannot carry gives no file at all rather than a broken one.
        QVERIFY(!LaunchAgent::propertyList(u"/Users/a\u0001b"_s));
        QVERIFY(!LaunchAgent::propertyList(u"/Users/a"_s + QChar(0xd800) + u"b"));
    }
};

TALLYFERN_REGISTER_TEST(TestLaunchAgent);
#include "TestLaunchAgent.moc"
