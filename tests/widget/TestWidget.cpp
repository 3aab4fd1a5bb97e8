#include "TestRegistry.h"
#include "WidgetTest.h"

#include "TimelineHost.h"
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

    void renderCommandNeedsNoDisplay()
    {
        // No platform chosen and no X or Wayland server for the child processes.
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            qunsetenv(name);
        const QString out = m_env->root() + u'/';
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"empty.png", u"--scale"_s, u"1"_s}).first, 0);
        QCOMPARE(
            runWidget({u"--render=small"_s, u"--placeholder"_s, u"--scale=1"_s, out + u"sample.png"}).first,
            0);
        storeAsApp(realistic());
        for (const auto& [family, pixels] : {std::pair{u"small"_s, QSize(340, 340)},
                                             {u"medium"_s, QSize(728, 340)},
                                             {u"large"_s, QSize(728, 764)}}) {
            QCOMPARE(runWidget({u"--render"_s, family, out + family + u".png"}).first, 0);
            QCOMPARE(QImage(out + family + u".png").size(), pixels);
        }
        // The stored snapshot, not the placeholder or the empty state.
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"stored.png", u"--scale"_s, u"1"_s}).first, 0);
        const QImage stored(out + u"stored.png");
        QVERIFY(stored != QImage(out + u"sample.png") && stored != QImage(out + u"empty.png"));

        for (const QStringList& bad : {QStringList{u"--render"_s, u"huge"_s, out + u"bad.png"},
                                       {u"--render"_s, u"small"_s, out + u"bad.png", u"--scale"_s, u"0"_s},
                                       {u"--render"_s, u"small"_s, out + u"missing/bad.png"},
                                       {u"--render"_s}})
            QCOMPARE(runWidget(bad).first, 2);
        QVERIFY(!QFileInfo::exists(out + u"bad.png"));
        const QString help = QString::fromUtf8(runWidget({u"--help"_s}).second);
        QVERIFY(help.contains(u"--render"_s) && help.contains(u"显示本机保存的 Cursor token 余量和账期。"_s));
        QVERIFY(runWidget({u"--version"_s}).second.startsWith("tallyfern-widget "));
    }
};

TALLYFERN_REGISTER_TEST(TestWidget);
#include "TestWidget.moc"
