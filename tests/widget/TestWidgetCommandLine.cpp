#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "WidgetTestData.h"

#include "model/SnapshotStore.h"

#include <QImage>
#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace WidgetTestData;

namespace {

struct Result
{
    int exitCode = -1;
    QByteArray out;
};

// Runs the widget executable with no display at all: no platform chosen, no X or Wayland server.
Result runWidget(const TestEnvironment& env, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(u"XDG_DATA_HOME"_s, env.dataHome());
    environment.insert(u"XDG_CONFIG_HOME"_s, env.configHome());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(TALLYFERN_WIDGET_EXECUTABLE), arguments);
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

} // namespace

class TestWidgetCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rendersEachFamilyWithoutADisplay()
    {
        TestEnvironment env;
        SnapshotStore::save(realistic(), nullptr);
        const QList<std::pair<QString, QSize>> families{
            {u"small"_s, {340, 340}}, {u"medium"_s, {728, 340}}, {u"large"_s, {728, 764}}};
        for (const auto& [family, pixels] : families) {
            const QString out = env.root() + u'/' + family + u".png";
            QCOMPARE(runWidget(env, {u"--render"_s, family, out}).exitCode, 0);
            const QImage image(out);
            QCOMPARE(image.size(), pixels);
        }
    }

    void rendersTheStoredSnapshotOrThePlaceholder()
    {
        TestEnvironment env;
        const QString stored = env.root() + u"/stored.png";
        const QString sample = env.root() + u"/sample.png";
        const QString emptyStore = env.root() + u"/empty.png";
        QCOMPARE(runWidget(env, {u"--render"_s, u"small"_s, emptyStore, u"--scale"_s, u"1"_s}).exitCode, 0);
        SnapshotStore::save(realistic(), nullptr);
        QCOMPARE(runWidget(env, {u"--render"_s, u"small"_s, stored, u"--scale"_s, u"1"_s}).exitCode, 0);
        QCOMPARE(runWidget(env, {u"--render=small"_s, u"--placeholder"_s, u"--scale=1"_s, sample}).exitCode,
                 0);
        const QImage storedImage(stored);
        QCOMPARE(storedImage.size(), QSize(170, 170));
        QVERIFY(storedImage != QImage(sample));
        QVERIFY(storedImage != QImage(emptyStore));
        QVERIFY(QImage(sample) != QImage(emptyStore));
    }

    void rejectsBadArguments()
    {
        TestEnvironment env;
        const QString out = env.root() + u"/out.png";
        QCOMPARE(runWidget(env, {u"--render"_s, u"huge"_s, out}).exitCode, 2);
        QCOMPARE(runWidget(env, {u"--render"_s, u"small"_s}).exitCode, 2);
        QCOMPARE(runWidget(env, {u"--render"_s, u"small"_s, out, u"--scale"_s, u"0"_s}).exitCode, 2);
        QCOMPARE(
            runWidget(env, {u"--render"_s, u"small"_s, env.root() + u"/missing/folder/out.png"_s}).exitCode,
            2);
        QVERIFY(!QFileInfo::exists(out));
    }

    void helpAndVersionNeedNoDisplay()
    {
        TestEnvironment env;
        const Result help = runWidget(env, {u"--help"_s});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--render"));
        QVERIFY(QString::fromUtf8(help.out).contains(u"显示本机保存的 Cursor token 余量和账期。"_s));
        const Result version = runWidget(env, {u"--version"_s});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("tallyfern-widget "));
    }
};

TALLYFERN_REGISTER_TEST(TestWidgetCommandLine);
#include "TestWidgetCommandLine.moc"
