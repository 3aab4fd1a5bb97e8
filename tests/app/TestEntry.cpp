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
        // After the program's name, the arguments apart at each space.
        const auto row = [](const char* name, const char* arguments, Mode mode,
                            const char* values = " - - -") {
            QTest::newRow(name)
                << QString(u"/usr/bin/tallyfern "_s + QString::fromUtf8(arguments)).split(u' ') << mode
                << QString::fromUtf8(values);
        };
        QTest::newRow("nothing") << QStringList{u"/usr/bin/tallyfern"_s} << Mode::Interactive << u" - - -"_s;
        QTest::newRow("not even a program") << QStringList{} << Mode::Interactive << u" - - -"_s;
        QTest::newRow("the program name is no argument")
            << QStringList{u"--background"_s} << Mode::Interactive << u" - - -"_s;
        row("anywhere, among unknown options", "--bogus -style fusion --refresh x", Mode::Refresh);
        row("upper case", "--REFRESH", Mode::Interactive);
        row("with a value", "--refresh=1", Mode::Interactive);
        row("toolkit option with a v", "-reverse", Mode::Interactive);
        row("help over version", "-v -help", Mode::Help);
        row("refresh over a misused option", "--help=x --refresh", Mode::Refresh);
        row("a value for a flag", "--version=2", Mode::Misused);
        row("login launch", "-style fusion --background", Mode::Background);
        row("refresh over background", "--background --refresh", Mode::Refresh);
        row("export", "--export-csv out.csv", Mode::ExportCsv, "out.csv - - -");
        row("export with its cycle and account", "--export-csv=out.csv --cycle previous -account=工作",
            Mode::ExportCsv, "out.csv - previous 工作");
        row("export without a file", "--export-csv", Mode::Misused);
        row("cycle without a value", "--export-csv out.csv --cycle", Mode::Misused);
        row("refresh over export, and its account ignored", "--export-csv out.csv --account x --refresh",
            Mode::Refresh);
        row("status of every account", "--status --account all -format json", Mode::Status, " json - all");
        // A value never starts with "-" unless it is written after "=": a label stored with one
        // stays reachable.
        row("a label that starts with a dash", "--status --account=-dash", Mode::Status, " - - -dash");
        row("a value that reads as an option", "--status --account -dash", Mode::Misused);
        row("a format alone is the status", "--format=waybar", Mode::Status, " waybar - -");
        row("a status that follows", "--status --follow --format=waybar", Mode::Status, " waybar - - follow");
        row("following alone is the status", "-follow", Mode::Status, " - - - follow");
        row("following takes no value", "--status --follow=1", Mode::Misused);
        row("only the status follows", "--accounts --follow", Mode::Misused);
        row("a modifier its mode does not take", "--status --cycle previous", Mode::Misused);
        row("accounts", "--accounts --format json", Mode::Accounts, " json - -");
        row("accounts take no account", "--accounts --account x", Mode::Misused);
        row("add an account", "--add-account", Mode::AddAccount);
        row("never a cookie on the command line", "--add-account=token", Mode::Misused);
        row("remove an account", "--remove-account 工作", Mode::RemoveAccount, "工作 - - -");
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
        const auto row = [](const char* name, const char* arguments, int status, const QString& out,
                            const QString& origin = {}) {
            QTest::newRow(name) << QString::fromLatin1(arguments).split(u' ') << status << out << origin;
        };
        row("help beside unknown", "--bogus --help", 0, CommandLine::helpText());
        row("--version", "--version", 0, u"tallyfern 0.1.0\n"_s);
        row("misused: one line on stderr", "-help=all", 2, u"tallyfern：选项 -help=all 不带取值\n"_s);
        row("status, nothing stored", "--status", 0, u"暂无用量数据\n"_s);
        row("waybar", "--format waybar --status", 0,
            u"{\"class\":\"nodata\",\"text\":\"暂无用量数据\",\"tooltip\":\"暂无用量数据\"}\n"_s);
        // The status takes the format as the command line parsed it, one dash or two.
        row("one dash, a value apart", "-format json -status", 0, u"{\"hasData\":false}\n"_s);
        row("unknown format", "--status --format xml", 2,
            u"tallyfern：--format 只接受 text、json 或 waybar\n"_s);
        row("following an unknown account", "--status --follow --account nobody", 2,
            u"tallyfern：没有这个账号：nobody\n"_s);
        row("format without a value", "--status --format", 2, u"tallyfern：选项 --format 缺少取值 格式\n"_s);
        // A refused origin never falls back to the real service: the commands that would talk to it
        // for the user stop before anything else.
        const QString refused = u"tallyfern：TALLYFERN_SERVICE_ORIGIN 不可用：http://localhost.\n"_s;
        row("adding an account, the origin refused", "--add-account", 2, refused, u"http://localhost."_s);
        row("importing, the origin refused", "--import-session", 2, refused, u"http://localhost."_s);
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
