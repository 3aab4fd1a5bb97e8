#include "ShellTesting.h"
#include "TestRegistry.h"

#include <sys/stat.h>

namespace {

// Another local user taking the single-instance names first, wherever it can write: a lock naming
// its own live process beside a socket that listens, and prints, what a started app sends.
const char* const takeTheNamesFirst = R"(
use IO::Socket::UNIX; use IO::Select; use Socket qw(SOCK_STREAM);
$| = 1;
my $select = IO::Select->new;
for my $path (@ARGV) {
    open(my $lock, '>', "$path.lock") or next;
    print $lock "$$\nperl\n\n";
    close $lock;
    my $server = IO::Socket::UNIX->new(Type => SOCK_STREAM, Local => $path, Listen => 5) or next;
    $select->add($server);
}
print "ready\n";
while (my @ready = $select->can_read) {
    for my $server (@ready) {
        my $client = $server->accept or next;
        my $line = <$client>;
        print "heard: $line" if defined $line;
    }
}
sleep;
)";

// An environment variable's value, or none when it is unset; and setting one so, or unsetting it.
std::optional<QByteArray> variable(const char* name)
{
    return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
}

void setVariable(const char* name, const std::optional<QByteArray>& value)
{
    value ? qputenv(name, *value) : qunsetenv(name);
}

} // namespace

// One interactive app per user: a later start raises the first, and no other user can stand in
// for it.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondLaunchRaisesTheFirst()
    {
        ShellFixture fixture;
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tallyfern-test"_s);
        {
            SingleInstance crashed(path);
            QVERIFY(crashed.claim());
        }
        // A socket file without a live owner, as a crash leaves it, is taken over.
        if (QFile leftover(path); !leftover.exists())
            QVERIFY(leftover.open(QIODevice::WriteOnly));
        SingleInstance first(path);
        QVERIFY(first.claim());
        auto store = fixture.store();
        AppShell shell(store.get());
        shell.listenTo(&first);
        // A login launch waits for the tray, and opens the window when none comes.
        shell.start(true);
        QVERIFY(!shell.window()->isVisible() && shell.tray()->isRetrying());
        Q_EMIT shell.tray()->gaveUp();
        QVERIFY(QTest::qWaitForWindowExposed(shell.window()));
        shell.window()->hide();
        // Another login launch while the app runs leaves it alone: when the next launch's request
        // arrives, it is the only one.
        QSignalSpy asked(&first, &SingleInstance::showRequested);
        SingleInstance background(path);
        QVERIFY(!background.claim(false));
        SingleInstance second(path);
        QVERIFY(!second.claim());
        QTRY_VERIFY(shell.window()->isVisible());
        QCOMPARE(asked.size(), 1);
        QVERIFY(first.isListening());
        QVERIFY(SingleInstance::defaultPath().endsWith(u"/tallyfern-"_s + QString::number(::getuid())));
    }

    // Another local user can neither keep the app from starting nor hear each start: wherever that
    // user could write (a shared temporary folder, a runtime folder anyone may write, or its own),
    // its lock and listening socket wait first, and a lock in our own folder may name its process.
    void anotherUserCannotHoldTheInstance_data()
    {
        QTest::addColumn<QString>("runtime"); // XDG_RUNTIME_DIR: "none", or the folder's name
        QTest::newRow("no runtime folder") << u"none"_s;
        QTest::newRow("a runtime folder anyone may write") << u"shared"_s;
        QTest::newRow("another user's runtime folder") << u"theirs"_s;
        QTest::newRow("our runtime folder, a lock naming their process") << u"ours"_s;
    }

    void anotherUserCannotHoldTheInstance()
    {
        if (::getuid() != 0)
            QSKIP("needs root, to act as a second user through setpriv --reuid (CI runs the tests as root)");
        QFETCH(QString, runtime);
        const uid_t other = 65534;
        TestEnvironment env; // the data folder, where no one else can enter
        QTemporaryDir machine;
        QVERIFY(::chmod(QFile::encodeName(machine.path()).constData(), 0755) == 0);
        const QMap<QString, mode_t> folders{
            {u"tmp"_s, 01777}, {u"shared"_s, 0777}, {u"theirs"_s, 0700}, {u"ours"_s, 0700}};
        for (auto it = folders.begin(); it != folders.end(); ++it) {
            const QByteArray path = QFile::encodeName(machine.filePath(it.key()));
            QVERIFY(::mkdir(path.constData(), it.value()) == 0 && ::chmod(path.constData(), it.value()) == 0);
        }
        QVERIFY(::chown(QFile::encodeName(machine.filePath(u"theirs"_s)).constData(), other, other) == 0);
        const auto restore = qScopeGuard([tmp = variable("TMPDIR"), folder = variable("XDG_RUNTIME_DIR")] {
            setVariable("TMPDIR", tmp);
            setVariable("XDG_RUNTIME_DIR", folder);
        });
        setVariable("TMPDIR", QFile::encodeName(machine.filePath(u"tmp"_s)));
        setVariable("XDG_RUNTIME_DIR", runtime == u"none"
                                           ? std::nullopt
                                           : std::optional(QFile::encodeName(machine.filePath(runtime))));

        const QString name = u"/tallyfern-"_s + QString::number(::getuid());
        QStringList arguments{u"--reuid="_s + QString::number(other),
                              u"--regid="_s + QString::number(other),
                              u"--clear-groups"_s,
                              u"perl"_s,
                              u"-e"_s,
                              QString::fromLatin1(takeTheNamesFirst)};
        for (const QString& folder : folders.keys())
            arguments.append(machine.filePath(folder) + name);
        QProcess taker;
        taker.start(u"setpriv"_s, arguments);
        QVERIFY(QTest::qWaitFor([&] { return taker.canReadLine(); }, 10'000));
        QCOMPARE(taker.readLine(), QByteArray("ready\n"));
        if (runtime == u"ours") {
            // As a pid reused by another user's process would leave it.
            QFile lock(machine.filePath(u"ours"_s) + name + u".lock"_s);
            QVERIFY(lock.open(QIODevice::WriteOnly) &&
                    lock.write(QByteArray::number(taker.processId()) + "\nperl\n\n") > 0);
        }

        SingleInstance instance;
        QVERIFY(instance.claim());
        QVERIFY(instance.isListening());
        struct stat folder
        {};
        QVERIFY(::lstat(QFile::encodeName(QFileInfo(instance.path()).path()).constData(), &folder) == 0);
        QVERIFY(folder.st_uid == ::getuid() && (folder.st_mode & 022) == 0);
        taker.kill();
        QVERIFY(taker.waitForFinished(10'000));
        QCOMPARE(taker.readAll(), QByteArray());
    }
};

TALLYFERN_REGISTER_TEST(TestSingleInstance);
#include "TestSingleInstance.moc"
