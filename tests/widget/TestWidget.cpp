#include "TestRegistry.h"
#include "WidgetTest.h"

#include "TimelineHost.h"
#include "WidgetCommandLine.h"
#include "WidgetWindow.h"

#include "platform/Preferences.h"

#include <QMenu>

using namespace WidgetTestData;

// The widget as a program: its window on the desktop and its command line.
class TestWidget : public WidgetTest
{
    Q_OBJECT

private Q_SLOTS:
    void windowRemembersItsSizeAndPlace()
    {
        TimelineHost host;
        {
            WidgetWindow window(&host);
            QCOMPARE(window.size(), QSize(170, 170)); // small until the user picks another size
            host.start();
            QCOMPARE(window.entry().snapshot, UsageSnapshot::empty()); // each entry of the host
            const std::unique_ptr<QMenu> menu(window.createMenu(nullptr));
            QStringList texts;
            for (const QAction* action : menu->actions())
                texts.append(action->isSeparator() ? u"-"_s : action->text());
            QCOMPARE(texts, (QStringList{u"小尺寸"_s, u"中尺寸"_s, u"大尺寸"_s, u"-"_s, u"关闭"_s}));
            menu->actions().at(2)->trigger();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.move(120, 80);
            QTRY_COMPARE(window.pos(), QPoint(120, 80));
        }
        WidgetWindow reopened(&host);
        QCOMPARE(reopened.size(), QSize(364, 382));
        QCOMPARE(reopened.pos(), QPoint(120, 80));

        // A place off every screen, or a size it does not know, is not restored.
        Preferences::setValue(Preferences::Key::widgetPosition, QPoint(-50000, 90000));
        Preferences::setValue(Preferences::Key::widgetFamily, u"huge"_s);
        WidgetWindow lost(&host);
        QCOMPARE(lost.size(), QSize(170, 170));
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(lost.geometry()));
    }

    void windowRendersAtDoubleScale()
    {
        // The scale is fixed when the application starts: the check runs again in a child.
        if (qEnvironmentVariable("QT_SCALE_FACTOR") != u"2"_s) {
            QVERIFY(passesInChild(this, QString::fromLatin1(QTest::currentTestFunction()), "QT_SCALE_FACTOR",
                                  "2"));
            return;
        }
        storeAsApp(realistic());
        TimelineHost host;
        WidgetWindow window(&host);
        host.start();
        window.setFamily(WidgetFamily::medium);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.entry().snapshot, realistic());
        const QPixmap picture = window.grab();
        QCOMPARE(picture.size(), window.size() * 2);
        QCOMPARE(picture.devicePixelRatio(), 2.0);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("invocation");
        const auto row = [](const char* name, const QString& arguments, const QString& invocation) {
            QTest::newRow(name) << arguments.split(u' ', Qt::SkipEmptyParts) << invocation;
        };
        row("none", {}, u"desktop"_s);
        row("account", u"--account 工作"_s, u"desktop @工作"_s);
        row("one dash", u"-render small x.png"_s, u"render small x.png ×2"_s);
        row("values after =", u"--render=large --scale=1.5 --placeholder --dark x.png"_s,
            u"render large x.png ×1.5 placeholder dark"_s);
        row("file after --", u"--render medium -- -x.png"_s, u"render medium -x.png ×2"_s);
        row("value with a dash after =", u"--account=-x -render medium x.png"_s,
            u"render medium x.png ×2 @-x"_s);
        row("help first", u"-v --render huge -h"_s, u"help"_s);
        row("version", u"--version"_s, u"version"_s);
        row("unknown option", u"--render small x.png --bogus"_s,
            u"tallyfern-widget：未知选项 --bogus（--help 列出全部选项）"_s);
        row("unknown with a value", u"--bogus=1"_s,
            u"tallyfern-widget：未知选项 --bogus（--help 列出全部选项）"_s);
        row("value never an option", u"--account --render medium x.png"_s,
            u"tallyfern-widget：选项 --account 缺少取值 账号"_s);
        row("value missing", u"-render"_s, u"tallyfern-widget：选项 -render 缺少取值 尺寸"_s);
        row("flag with a value", u"--dark=yes"_s, u"tallyfern-widget：选项 --dark 不带取值"_s);
        row("family", u"--render huge x.png"_s,
            u"tallyfern-widget：--render 的尺寸只能是 small、medium 或 large：huge"_s);
        row("no file", u"--render small"_s, u"tallyfern-widget：--render 需要且只需要一个输出文件"_s);
        row("two files", u"--render small a.png b.png"_s,
            u"tallyfern-widget：--render 需要且只需要一个输出文件"_s);
        row("scale", u"--render small x.png --scale 0"_s,
            u"tallyfern-widget：--scale 只能是 0.5 到 8 之间的数：0"_s);
        row("render's options alone", u"--dark"_s,
            u"tallyfern-widget：输出文件、--placeholder、--dark 与 --scale 只能与 --render 一起使用"_s);
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, invocation);
        using Mode = WidgetCommandLine::Invocation::Mode;
        const WidgetCommandLine::Invocation parsed =
            WidgetCommandLine::parse(QStringList{u"tallyfern-widget"_s} + arguments);
        const QMap<Mode, QString> modes{{Mode::desktop, u"desktop"_s},
                                        {Mode::help, u"help"_s},
                                        {Mode::version, u"version"_s},
                                        {Mode::misused, parsed.problem}};
        QString shown = modes.value(parsed.mode);
        if (parsed.mode == Mode::render)
            shown = u"render "_s + WidgetFamilies::name(*parsed.family) + u' ' + parsed.output + u" ×"_s +
                    QString::number(parsed.scale) + (parsed.placeholder ? u" placeholder"_s : QString()) +
                    (parsed.dark ? u" dark"_s : QString());
        if (!parsed.account.isEmpty())
            shown += u" @"_s + parsed.account;
        QCOMPARE(shown, invocation);
    }

    void commandNeedsNoDisplay()
    {
        // No platform chosen and no X or Wayland server for the child processes.
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            qunsetenv(name);
        const QString out = m_env->root() + u'/';
        QCOMPARE(runWidget({u"-render"_s, u"small"_s, out + u"empty.png", u"--scale"_s, u"1"_s}).status, 0);
        QCOMPARE(
            runWidget({u"--render=small"_s, u"--placeholder"_s, u"-scale=1"_s, out + u"sample.png"}).status,
            0);
        storeAsApp(realistic());
        for (const auto& [family, pixels] : {std::pair{u"small"_s, QSize(340, 340)},
                                             {u"medium"_s, QSize(728, 340)},
                                             {u"large"_s, QSize(728, 764)}}) {
            QCOMPARE(runWidget({u"--render"_s, family, out + family + u".png"}).status, 0);
            QCOMPARE(QImage(out + family + u".png").size(), pixels);
        }
        // The stored snapshot, not the placeholder or the empty state.
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"stored.png", u"--scale"_s, u"1"_s}).status, 0);
        const QImage stored(out + u"stored.png");
        QVERIFY(stored != QImage(out + u"sample.png") && stored != QImage(out + u"empty.png"));

        // A wrong use: status 2 and one line, never an abort for want of a display.
        const WidgetRun bogus = runWidget({u"--bogus"_s});
        QCOMPARE(bogus.status, 2);
        QCOMPARE(QString::fromUtf8(bogus.err),
                 u"tallyfern-widget：未知选项 --bogus（--help 列出全部选项）\n"_s);
        // A file that cannot be written: status 2, and the last line says so.
        const WidgetRun unwritable = runWidget({u"--render"_s, u"small"_s, out + u"missing/bad.png"});
        QCOMPARE(unwritable.status, 2);
        QVERIFY2(unwritable.err.endsWith(
                     QString(u"tallyfern-widget：无法写入 "_s + out + u"missing/bad.png\n"_s).toUtf8()),
                 unwritable.err.constData());
        const QString help = QString::fromUtf8(runWidget({u"--help"_s}).out);
        QVERIFY(help.startsWith(u"用法：tallyfern-widget"_s) &&
                help.contains(u"显示本机保存的 Cursor token 余量和账期。"_s));
        QVERIFY(runWidget({u"--version"_s}).out.startsWith("tallyfern-widget "));
    }
};

TALLYFERN_REGISTER_TEST(TestWidget);
#include "TestWidget.moc"
