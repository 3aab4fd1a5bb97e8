#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "platform/Paths.h"
#include "platform/ProcessRunner.h"
#include "platform/WidgetCenter.h"

#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

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

        env.setNow(u"2025-05-01T00:00:00Z"_s);
        WidgetCenter::reloadAllTimelines();
        QVERIFY(changed.wait(2000));
        QFile marker(WidgetCenter::markerFileName());
        QVERIFY(marker.open(QIODevice::ReadOnly));
        const QByteArray first = marker.readAll();
        marker.close();

        env.setNow(u"2025-05-01T00:00:01Z"_s);
        WidgetCenter::reloadAllTimelines();
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QVERIFY(marker.readAll() != first);
    }

    void systemRunnerReportsExitCodes()
    {
        SystemProcessRunner runner;
        QCOMPARE(runner.run(u"sh"_s, {u"-c"_s, u"echo discarded; exit 3"_s}), 3);
        QCOMPARE(runner.run(u"/nonexistent/tool"_s, {}), -1);
        QCOMPARE(&ProcessRunner::current() == &runner, false);
        ProcessRunner::setCurrent(&runner);
        QCOMPARE(&ProcessRunner::current(), static_cast<ProcessRunner*>(&runner));
        ProcessRunner::setCurrent(nullptr);
    }
};

TALLYFERN_REGISTER_TEST(TestPlatformServices);
#include "TestPlatformServices.moc"
