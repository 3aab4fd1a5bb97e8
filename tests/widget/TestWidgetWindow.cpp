#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "WidgetTestData.h"

#include "TimelineHost.h"
#include "WidgetWindow.h"

#include "model/SnapshotStore.h"
#include "platform/Settings.h"

#include <QMenu>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace WidgetTestData;

class TestWidgetWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sitsOnTheDesktopWithoutFrameOrTaskbarEntry()
    {
        TestEnvironment env;
        TimelineHost host;
        WidgetWindow window(&host);
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnBottomHint));
        QVERIFY(!flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window.windowType(), Qt::Tool);
        // Small until the user picks another size.
        QCOMPARE(window.family(), WidgetFamily::small);
        QCOMPARE(window.size(), QSize(170, 170));
    }

    void remembersFamilyAndPosition()
    {
        TestEnvironment env;
        TimelineHost host;
        {
            WidgetWindow window(&host);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.setFamily(WidgetFamily::large);
            window.move(120, 80);
            QTRY_COMPARE(window.pos(), QPoint(120, 80));
        }
        auto settings = Settings::open(QLatin1StringView(Settings::widgetDomain));
        QCOMPARE(settings->value(QLatin1StringView(WidgetWindow::familyKey)).toString(), u"large"_s);
        QCOMPARE(settings->value(QLatin1StringView(WidgetWindow::positionKey)).toPoint(), QPoint(120, 80));

        WidgetWindow reopened(&host);
        QCOMPARE(reopened.family(), WidgetFamily::large);
        QCOMPARE(reopened.size(), QSize(364, 382));
        QCOMPARE(reopened.pos(), QPoint(120, 80));
    }

    void positionOffEveryScreenIsNotRestored()
    {
        TestEnvironment env;
        auto settings = Settings::open(QLatin1StringView(Settings::widgetDomain));
        settings->setValue(QLatin1StringView(WidgetWindow::positionKey), QPoint(-50000, 90000));
        settings->setValue(QLatin1StringView(WidgetWindow::familyKey), u"huge"_s);
        settings->sync();
        TimelineHost host;
        WidgetWindow window(&host);
        QCOMPARE(window.family(), WidgetFamily::small);
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(window.geometry()));
    }

    void menuPicksTheSize()
    {
        TestEnvironment env;
        TimelineHost host;
        WidgetWindow window(&host);
        window.setFamily(WidgetFamily::medium);
        std::unique_ptr<QMenu> menu(window.createMenu(nullptr));
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts.append(action->isSeparator() ? u"-"_s : action->text());
        QCOMPARE(texts, (QStringList{u"小尺寸"_s, u"中尺寸"_s, u"大尺寸"_s, u"-"_s, u"关闭"_s}));
        QVERIFY(menu->actions().at(1)->isChecked());
        QVERIFY(!menu->actions().at(0)->isChecked());

        menu->actions().at(2)->trigger();
        QCOMPARE(window.family(), WidgetFamily::large);
        QCOMPARE(window.size(), QSize(364, 382));
        const std::unique_ptr<QMenu> again(window.createMenu(nullptr));
        QVERIFY(again->actions().at(2)->isChecked());
    }

    void showsEachNewEntry()
    {
        TestEnvironment env;
        TimelineHost host;
        WidgetWindow window(&host);
        QCOMPARE(window.entry().snapshot, UsageSnapshot::sample());
        host.start();
        QCOMPARE(window.entry().snapshot, UsageSnapshot::empty());

        const UsageSnapshot saved = realistic();
        SnapshotStore::save(saved, nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(window.entry().snapshot, saved, 5000);
    }
};

TALLYFERN_REGISTER_TEST(TestWidgetWindow);
#include "TestWidgetWindow.moc"
