#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "platform/ProcessHardening.h"
#include "platform/ProcessRunner.h"
#include "platform/WidgetCenter.h"

#include <QtTest>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int modeOf(const QString& path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

bool writeFile(const QString& path, const QByteArray& bytes, mode_t mode)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
           ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class TestPlatformServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widgetNudgeIsSeenByAFolderWatcher()
    {
        TestEnvironment env;
        QDir().mkpath(Paths::supportFolder());
        QFileSystemWatcher watcher({Paths::supportFolder()});
        QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
        const auto nudge = [&env](const QString& now) {
            env.setNow(now);
            WidgetCenter::reloadAllTimelines();
            QFile marker(WidgetCenter::markerFileName());
            return marker.open(QIODevice::ReadOnly) ? marker.readAll() : QByteArray();
        };
        const QByteArray first = nudge(u"2025-05-01T00:00:00Z"_s);
        QVERIFY(changed.wait(2000) && !first.isEmpty());
        QVERIFY(nudge(u"2025-05-01T00:00:01Z"_s) != first);
    }

    // Folders and files an older version left open to everyone, and a umask that would give the
    // same to new ones: every save makes them the user's alone.
    void savesArePrivateWhateverTheUmask()
    {
        TestEnvironment env;
        const QString settings = Paths::settingsFolder() + u"/Tallyfern.conf";
        for (const QString& folder : {Paths::supportFolder(), Paths::settingsFolder()})
            QVERIFY(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        QVERIFY(writeFile(WidgetCenter::markerFileName(), "1", 0666));
        QVERIFY(writeFile(settings, "[General]\nkept=1\n", 0644));

        const mode_t umask = ::umask(0);
        WidgetCenter::reloadAllTimelines();
        Preferences::setValue(Preferences::Key::windowPinned, true);
        Preferences::setProcess(Preferences::Process::widget);
        Preferences::setValue(Preferences::Key::widgetFamily, u"small"_s);
        Preferences::setProcess(Preferences::Process::app);
        ::umask(umask);

        const QString widgetSettings = Paths::settingsFolder() + u"/TallyfernWidget.conf";
        for (const QString& path : QStringList{Paths::supportFolder(), Paths::settingsFolder()})
            QCOMPARE(modeOf(path), 0700);
        for (const QString& path : QStringList{WidgetCenter::markerFileName(), settings, widgetSettings})
            QCOMPARE(modeOf(path), 0600);
    }

    void staleCopiesOfOurFilesGo_data()
    {
        QTest::addColumn<QString>("folder"); // support, settings, or one of the user's
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageMinutes");
        QTest::addColumn<bool>("removed");
        QTest::newRow("left by a killed save") << u"support"_s << u"reload-timelines.a1B2c3"_s << 11 << true;
        // Another process may be between writing its copy and renaming it.
        QTest::newRow("young") << u"support"_s << u"reload-timelines.a1B2c3"_s << 9 << false;
        QTest::newRow("five characters") << u"support"_s << u"reload-timelines.a1B2c"_s << 11 << false;
        QTest::newRow("not our file") << u"support"_s << u"notes.txt.a1B2c3"_s << 11 << false;
        QTest::newRow("settings folder") << u"settings"_s << u"reload-timelines.a1B2c3"_s << 11 << true;
        // The settings are made in a copy first, which QSettings saves through a copy of its own.
        QTest::newRow("a copy's copy") << u"settings"_s << u"reload-timelines.a1B2c3.d4E5f6"_s << 11 << true;
        // A folder of the user's: "reload-timelines.backup" there is theirs, whatever its name.
        QTest::newRow("user's folder") << u"exports"_s << u"reload-timelines.backup"_s << 11 << false;
    }

    void staleCopiesOfOurFilesGo()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(int, ageMinutes);
        QFETCH(bool, removed);
        TestEnvironment env;
        const QString path = folder == "support"_L1    ? Paths::supportFolder()
                             : folder == "settings"_L1 ? Paths::settingsFolder()
                                                       : env.root() + u'/' + folder;
        QVERIFY(QDir().mkpath(path));
        QFile copy(path + u'/' + name);
        QVERIFY(copy.open(QIODevice::WriteOnly));
        QVERIFY(copy.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60 * ageMinutes),
                                 QFileDevice::FileModificationTime));
        copy.close();
        QVERIFY(AtomicFile::write(path + u"/reload-timelines"_s, "1"));
        QCOMPARE(copy.exists(), !removed);
    }

    // A disk that takes only part of a save: the save says it failed, and every file, settings
    // included, keeps what it held (Qt alone would have replaced it with what reached the disk).
    void aFullDiskLeavesEveryFileAsItWas_data()
    {
        QTest::addColumn<QString>("file"); // "snapshot", "settings", "widget settings"
        QTest::newRow("a file of ours") << u"snapshot"_s;
        QTest::newRow("the app's settings") << u"settings"_s;
        QTest::newRow("the widget's settings") << u"widget settings"_s;
    }

    void aFullDiskLeavesEveryFileAsItWas()
    {
        QFETCH(QString, file);
        TestEnvironment env;
        const QByteArray big(4000, 'x');
        const QString snapshot = Paths::supportFolder() + u"/snapshot.json"_s;
        const QString settings = Paths::settingsFolder() + u"/Tallyfern.conf"_s;
        const QString widget = Paths::settingsFolder() + u"/TallyfernWidget.conf"_s;
        QVERIFY(AtomicFile::makePrivateFolder(Paths::supportFolder()) && AtomicFile::write(snapshot, "{}"));
        QVERIFY(Preferences::setValues({{Preferences::Key::windowPinned, true},
                                        {Preferences::Key::usageSnapshot, QByteArray(1500, 'a')}}));
        {
            const AsProcess asWidget(Preferences::Process::widget);
            QVERIFY(Preferences::setValue(Preferences::Key::widgetSnapshot, QByteArray(1500, 'w')));
        }
        const QHash<QString, QByteArray> before{
            {snapshot, fileBytes(snapshot)}, {settings, fileBytes(settings)}, {widget, fileBytes(widget)}};

        bool saved = true;
        {
            const FullDisk disk(3000);
            const AsProcess process(file == u"widget settings" ? Preferences::Process::widget
                                                               : Preferences::Process::app);
            if (file == u"snapshot")
                saved = AtomicFile::write(snapshot, big);
            else if (file == u"settings")
                saved = Preferences::setValue(Preferences::Key::usageSnapshot, big);
            else
                saved = Preferences::setValue(Preferences::Key::widgetSnapshot, big);
        }
        QVERIFY(!saved);
        for (auto each = before.cbegin(); each != before.cend(); ++each)
            QCOMPARE(fileBytes(each.key()), each.value());
        QVERIFY(Preferences::flag(Preferences::Key::windowPinned));
    }

    // What a process that will hold a token does first: it is not dumpable (no core, and no ptrace
    // by another process of the user) and its core limit is zero for good. In a child, since it
    // lasts for the process's life.
    void hardenedProcessKeepsItsMemoryPrivate()
    {
        const pid_t child = ::fork();
        if (child == 0) {
            const bool reported = ProcessHardening::keepMemoryPrivate();
            rlimit core{1, 1};
            const bool hardened = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 &&
                                  ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0 &&
                                  core.rlim_max == 0;
            ::_exit(reported && hardened ? 0 : 1);
        }
        QVERIFY(child > 0);
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void systemRunnerReportsExitCodes()
    {
        SystemProcessRunner runner;
        QCOMPARE(runner.run(u"sh"_s, {u"-c"_s, u"echo discarded; exit 3"_s}), 3);
        QCOMPARE(runner.run(u"/nonexistent/tool"_s, {}), -1);
        // What a command printed, only from one that succeeded; its errors are not part of it.
        QCOMPARE(runner.output(u"sh"_s, {u"-c"_s, u"echo said; echo aside >&2"_s}),
                 std::optional(QByteArray("said\n")));
        QCOMPARE(runner.output(u"sh"_s, {u"-c"_s, u"echo said; exit 1"_s}), std::nullopt);
        QCOMPARE(runner.output(u"/nonexistent/tool"_s, {}), std::nullopt);
    }
};

TALLYFERN_REGISTER_TEST(TestPlatformServices);
#include "TestPlatformServices.moc"
