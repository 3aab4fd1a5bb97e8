#include "AppWorld.h"
#include "TestRegistry.h"

#include "app/commands/CommandLine.h"
#include "platform/SecretStore.h"

#include <QDir>
#include <QSemaphore>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using Mode = CommandLine::Mode;
Q_DECLARE_METATYPE(CommandLine::Mode)

namespace {

// Starts a program in `folder` with no limit on its core file, as `ulimit -c unlimited` would.
void startWithCoreDumps(QProcess& process, const QString& folder, const QString& program,
                        const QStringList& arguments)
{
    process.setWorkingDirectory(folder);
    process.setChildProcessModifier([] {
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_CORE, &unlimited);
    });
    process.start(program, arguments);
}

// Waits for the program's end with the event loop running; the files it left in `folder`.
QStringList leftAfterItsEnd(QProcess& process, const QString& folder)
{
    QSignalSpy finished(&process, &QProcess::finished);
    if (process.state() != QProcess::NotRunning && !finished.wait(30'000))
        qWarning("the program did not end");
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

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
        // A value never starts with "-" unless it is written after "=": a label stored with one
        // stays reachable.
        QTest::newRow("a label that starts with a dash")
            << QStringList{program, u"--status"_s, u"--account=-dash"_s} << Mode::Status << u" - - -dash"_s;
        QTest::newRow("a value that reads as an option")
            << QStringList{program, u"--status"_s, u"--account"_s, u"-dash"_s} << Mode::Misused << none;
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
        QTest::addColumn<QString>("origin"); // TALLYFERN_SERVICE_ORIGIN, when not the fake service's
        QTest::newRow("help beside unknown")
            << QStringList{u"--bogus"_s, u"--help"_s} << 0 << CommandLine::helpText() << QString();
        QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << u"tallyfern 0.1.0\n"_s << QString();
        QTest::newRow("misused: one line on stderr")
            << QStringList{u"-help=all"_s} << 2 << u"tallyfern：选项 -help=all 不带取值\n"_s << QString();
        QTest::newRow("status, nothing stored")
            << QStringList{u"--status"_s} << 0 << u"暂无用量数据\n"_s << QString();
        QTest::newRow("json") << QStringList{u"--status"_s, u"--format=json"_s} << 0
                              << u"{\"hasData\":false}\n"_s << QString();
        QTest::newRow("waybar")
            << QStringList{u"--format"_s, u"waybar"_s, u"--status"_s} << 0
            << u"{\"class\":\"nodata\",\"text\":\"暂无用量数据\",\"tooltip\":\"暂无用量数据\"}\n"_s
            << QString();
        QTest::newRow("one dash, a value apart") << QStringList{u"-format"_s, u"json"_s, u"-status"_s} << 0
                                                 << u"{\"hasData\":false}\n"_s << QString();
        QTest::newRow("unknown format")
            << QStringList{u"--status"_s, u"--format"_s, u"xml"_s} << 2
            << u"tallyfern：--format 只接受 text、json 或 waybar\n"_s << QString();
        QTest::newRow("following an unknown account")
            << QStringList{u"--status"_s, u"--follow"_s, u"--account"_s, u"nobody"_s} << 2
            << u"tallyfern：没有这个账号：nobody\n"_s << QString();
        QTest::newRow("format without a value") << QStringList{u"--status"_s, u"--format"_s} << 2
                                                << u"tallyfern：选项 --format 缺少取值 格式\n"_s << QString();
        // A refused origin never falls back to the real service: the commands that would talk to it
        // for the user stop before anything else.
        const QString refused = u"tallyfern：TALLYFERN_SERVICE_ORIGIN 不可用：http://localhost.\n"_s;
        QTest::newRow("adding an account, the origin refused")
            << QStringList{u"--add-account"_s} << 2 << refused << u"http://localhost."_s;
        QTest::newRow("importing, the origin refused")
            << QStringList{u"--import-session"_s} << 2 << refused << u"http://localhost."_s;
    }

    void printsWithoutTouchingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, origin);
        AppWorld world;
        if (!origin.isEmpty())
            qputenv("TALLYFERN_SERVICE_ORIGIN", origin.toUtf8());
        QCOMPARE(run(world, arguments), std::pair(status, out));
        QVERIFY(QDir(world.env.root()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(world.service.requests().isEmpty());
    }

    // A crash while a token is in use (its request on the way) leaves no core file, even with
    // `ulimit -c unlimited`: a crash report attached to a bug report must not carry the session.
    void aCrashWhileATokenIsInUseLeavesNoCore_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("pasted"); // the token comes on standard input, else from the keyring
        QTest::newRow("the background refresh") << QStringList{u"--refresh"_s} << false;
        QTest::newRow("adding an account") << QStringList{u"--add-account"_s} << true;
        QTest::newRow("the window") << QStringList{} << false;
    }

    void aCrashWhileATokenIsInUseLeavesNoCore()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, pasted);
        // Only a plain file name puts the core in the crashed program's folder, where this test
        // sees it and removes it with the folder; a pipe or a system folder would keep it.
        const QString pattern = QString::fromUtf8(fileBytes(u"/proc/sys/kernel/core_pattern"_s)).trimmed();
        if (pattern.isEmpty() || pattern.startsWith(u'|') || pattern.contains(u'/'))
            QSKIP(qPrintable(u"kernel.core_pattern is \""_s + pattern +
                             u"\": cores would go where this test can neither see nor remove them"_s));
        AppWorld world;
        QTemporaryDir control(world.env.root() + u"/control-XXXXXX"_s);
        QTemporaryDir crashed(world.env.root() + u"/crashed-XXXXXX"_s);
        // An ordinary program crashing here leaves its core, or the check below would prove nothing.
        QProcess shell;
        startWithCoreDumps(shell, control.path(), u"sh"_s, {u"-c"_s, u"kill -SEGV $$"_s});
        if (leftAfterItsEnd(shell, control.path()).isEmpty())
            QSKIP("this system writes no core file for a crashing program, whatever its limit");

        const QString token = u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s;
        if (!pasted)
            QVERIFY2(SystemSecretStore().write(token), "needs the private keyring of scripts/with-keyring");
        // Every request to the service waits until the program has crashed.
        const auto release = std::make_shared<QSemaphore>();
        world.service.setFallback([release](const FakeService::Request&) {
            release->tryAcquire(1, 30'000);
            return FakeService::Answer{503, {}, {}, 0};
        });
        const auto releaseAll = qScopeGuard([release] { release->release(64); });
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, world.env.root());
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(environment);
        startWithCoreDumps(program, crashed.path(), QStringLiteral(TALLYFERN_EXECUTABLE), arguments);
        if (pasted)
            program.write(token.toUtf8());
        program.closeWriteChannel();
        const QByteArray cookie = "WorkosCursorSessionToken=" + token.toUtf8();
        const bool inUse = QTest::qWaitFor(
            [&] {
                const auto requests = world.service.requests();
                return std::any_of(requests.begin(), requests.end(), [&](const FakeService::Request& r) {
                    return r.headers.value("cookie") == cookie;
                });
            },
            30'000);
        QVERIFY2(inUse, "the program never sent its token");
        QCOMPARE(::kill(pid_t(program.processId()), SIGSEGV), 0);

        const QStringList left = leftAfterItsEnd(program, crashed.path());
        QString holding;
        for (const QString& name : left) {
            const QByteArray core = fileBytes(crashed.filePath(name));
            const QByteArray utf16(reinterpret_cast<const char*>(token.utf16()), token.size() * 2);
            if (core.contains(token.toUtf8()) || core.contains(utf16))
                holding.append(name + u' ');
        }
        QVERIFY2(left.isEmpty(),
                 qPrintable(u"left: "_s + left.join(u' ') + u"; holding the token: "_s + holding));
    }
};

TALLYFERN_REGISTER_TEST(TestEntry);
#include "TestEntry.moc"
