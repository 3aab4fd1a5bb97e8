#include "AppWorld.h"
#include "TestRegistry.h"

#include "app/commands/CommandLine.h"

#include <QDir>

using Mode = CommandLine::Mode;
Q_DECLARE_METATYPE(CommandLine::Mode)

// The executable's entry: the mode its arguments choose, and the commands that only print and touch
// nothing.
class TestEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("values"); // the mode's value, then format, cycle, account and follow
        const QString program = u"/usr/bin/tallyfern"_s;
        const QString none = u" - - -"_s;
        QTest::newRow("nothing") << QStringList{program} << Mode::Interactive << none;
        QTest::newRow("not even a program") << QStringList{} << Mode::Interactive << none;
        QTest::newRow("the program name is no argument")
            << QStringList{u"--background"_s} << Mode::Interactive << none;
        QTest::newRow("anywhere, among unknown options")
            << QStringList{program, u"--bogus"_s, u"-style"_s, u"fusion"_s, u"--refresh"_s, u"x"_s}
            << Mode::Refresh << none;
        QTest::newRow("upper case") << QStringList{program, u"--REFRESH"_s} << Mode::Interactive << none;
        QTest::newRow("with a value") << QStringList{program, u"--refresh=1"_s} << Mode::Interactive << none;
        QTest::newRow("toolkit option with a v")
            << QStringList{program, u"-reverse"_s} << Mode::Interactive << none;
        QTest::newRow("help over version") << QStringList{program, u"-v"_s, u"-help"_s} << Mode::Help << none;
        QTest::newRow("refresh over a misused option")
            << QStringList{program, u"--help=x"_s, u"--refresh"_s} << Mode::Refresh << none;
        QTest::newRow("a value for a flag")
            << QStringList{program, u"--version=2"_s} << Mode::Misused << none;
        QTest::newRow("login launch")
            << QStringList{program, u"-style"_s, u"fusion"_s, u"--background"_s} << Mode::Background << none;
        QTest::newRow("refresh over background")
            << QStringList{program, u"--background"_s, u"--refresh"_s} << Mode::Refresh << none;
        QTest::newRow("export") << QStringList{program, u"--export-csv"_s, u"out.csv"_s} << Mode::ExportCsv
                                << u"out.csv - - -"_s;
        QTest::newRow("export with its cycle and account")
            << QStringList{program, u"--export-csv=out.csv"_s, u"--cycle"_s, u"previous"_s,
                           u"-account=工作"_s}
            << Mode::ExportCsv << u"out.csv - previous 工作"_s;
        QTest::newRow("export without a file")
            << QStringList{program, u"--export-csv"_s} << Mode::Misused << none;
        QTest::newRow("cycle without a value")
            << QStringList{program, u"--export-csv"_s, u"out.csv"_s, u"--cycle"_s} << Mode::Misused << none;
        QTest::newRow("refresh over export, and its account ignored")
            << QStringList{program, u"--export-csv"_s, u"out.csv"_s, u"--account"_s, u"x"_s, u"--refresh"_s}
            << Mode::Refresh << none;
        QTest::newRow("status of every account")
            << QStringList{program, u"--status"_s, u"--account"_s, u"all"_s, u"-format"_s, u"json"_s}
            << Mode::Status << u" json - all"_s;
        QTest::newRow("a format alone is the status")
            << QStringList{program, u"--format=waybar"_s} << Mode::Status << u" waybar - -"_s;
        QTest::newRow("a status that follows")
            << QStringList{program, u"--status"_s, u"--follow"_s, u"--format=waybar"_s} << Mode::Status
            << u" waybar - - follow"_s;
        QTest::newRow("following alone is the status")
            << QStringList{program, u"-follow"_s} << Mode::Status << u" - - - follow"_s;
        QTest::newRow("following takes no value")
            << QStringList{program, u"--status"_s, u"--follow=1"_s} << Mode::Misused << none;
        QTest::newRow("only the status follows")
            << QStringList{program, u"--accounts"_s, u"--follow"_s} << Mode::Misused << none;
        QTest::newRow("a modifier its mode does not take")
            << QStringList{program, u"--status"_s, u"--cycle"_s, u"previous"_s} << Mode::Misused << none;
        QTest::newRow("accounts") << QStringList{program, u"--accounts"_s, u"--format"_s, u"json"_s}
                                  << Mode::Accounts << u" json - -"_s;
        QTest::newRow("accounts take no account")
            << QStringList{program, u"--accounts"_s, u"--account"_s, u"x"_s} << Mode::Misused << none;
        QTest::newRow("add an account")
            << QStringList{program, u"--add-account"_s} << Mode::AddAccount << none;
        QTest::newRow("never a cookie on the command line")
            << QStringList{program, u"--add-account=token"_s} << Mode::Misused << none;
        QTest::newRow("remove an account") << QStringList{program, u"--remove-account"_s, u"工作"_s}
                                           << Mode::RemoveAccount << u"工作 - - -"_s;
        QTest::newRow("primary without an account")
            << QStringList{program, u"--primary"_s} << Mode::Misused << none;
    }

    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Mode, mode);
        const CommandLine::Invocation parsed = CommandLine::parse(arguments);
        QCOMPARE(parsed.mode, mode);
        // What the command takes as it is: its value and the modifiers it accepts ("-": none).
        const auto shown = [](const std::optional<QString>& value) { return value.value_or(u"-"_s); };
        QStringList values{parsed.value, shown(parsed.format), shown(parsed.cycle), shown(parsed.account)};
        if (parsed.follow)
            values.append(u"follow"_s);
        QTEST(values.join(u' '), "values");
    }

    void printsWithoutTouchingAnything_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::newRow("help beside unknown")
            << QStringList{u"--bogus"_s, u"--help"_s} << 0 << CommandLine::helpText();
        QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << u"tallyfern 0.1.0\n"_s;
        QTest::newRow("misused: one line on stderr")
            << QStringList{u"-help=all"_s} << 2 << u"tallyfern：选项 -help=all 不带取值\n"_s;
        QTest::newRow("status, nothing stored") << QStringList{u"--status"_s} << 0 << u"暂无用量数据\n"_s;
        QTest::newRow("json") << QStringList{u"--status"_s, u"--format=json"_s} << 0
                              << u"{\"hasData\":false}\n"_s;
        QTest::newRow("waybar")
            << QStringList{u"--format"_s, u"waybar"_s, u"--status"_s} << 0
            << u"{\"class\":\"nodata\",\"text\":\"暂无用量数据\",\"tooltip\":\"暂无用量数据\"}\n"_s;
        QTest::newRow("one dash, a value apart")
            << QStringList{u"-format"_s, u"json"_s, u"-status"_s} << 0 << u"{\"hasData\":false}\n"_s;
        QTest::newRow("unknown format") << QStringList{u"--status"_s, u"--format"_s, u"xml"_s} << 2
                                        << u"tallyfern: --format 只接受 text、json 或 waybar\n"_s;
        QTest::newRow("following an unknown account")
            << QStringList{u"--status"_s, u"--follow"_s, u"--account"_s, u"nobody"_s} << 2
            << u"tallyfern：没有这个账号：nobody\n"_s;
        QTest::newRow("format without a value") << QStringList{u"--status"_s, u"--format"_s} << 2
                                                << u"tallyfern：选项 --format 缺少取值 格式\n"_s;
    }

    void printsWithoutTouchingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        AppWorld world;
        QCOMPARE(run(world, arguments), std::pair(status, out));
        QVERIFY(QDir(world.env.root()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(world.service.requests().isEmpty());
    }
};

TALLYFERN_REGISTER_TEST(TestEntry);
#include "TestEntry.moc"
