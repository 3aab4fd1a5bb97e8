#include "ShellFixture.h"
#include "TestRegistry.h"

#include "app/shell/ActionButton.h"
#include "app/shell/AppShell.h"
#include "app/shell/DashboardHeader.h"
#include "app/shell/DashboardWindow.h"
#include "app/shell/PasteField.h"
#include "app/shell/SegmentedControl.h"
#include "app/shell/SettingsPage.h"
#include "app/shell/SwitchToggle.h"
#include "app/shell/WindowPinning.h"
#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "app/views/PageScroll.h"
#include "app/views/PlanBadge.h"
#include "app/views/Theme.h"
#include "client/DashboardClient.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void clickSegment(DashboardWindow& window, DashboardPage page)
{
    SegmentedControl* switcher = window.pageSwitcher();
    QTest::mouseClick(switcher, Qt::LeftButton, {},
                      switcher->segmentRect(DashboardPages::index(page)).center());
}

} // namespace

class TestDashboardWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freshStart()
    {
        ShellFixture fixture;
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        ShellProbe::showAndSettle(&window);

        QCOMPARE(window.windowTitle(), u"Tallyfern"_s);
        QCOMPARE(window.minimumSize(), QSize(640, 520));
        QCOMPARE(window.size(), QSize(720, 640));
        QCOMPARE(window.selectedPage(), DashboardPage::overview);
        QCOMPARE(window.pageSwitcher()->currentIndex(), 0);
        QCOMPARE(window.pageSwitcher()->segments(), (QStringList{u"概览"_s, u"模型"_s, u"设置"_s}));
        QVERIFY(qobject_cast<OverviewPage*>(window.pageWidget()));
        QVERIFY(!window.cookieSheet());

        DashboardHeader* header = window.header();
        QCOMPARE(header->subtitleLabel()->text(), u"仅保存在这台电脑上"_s);
        QCOMPARE(header->pinCaptionLabel()->text(), u"普通"_s);
        QCOMPARE(header->pinSwitch()->toolTip(), u"点击后始终浮在最前"_s);
        QCOMPARE(header->refreshButton()->text(), u"刷新"_s);
        QVERIFY(header->refreshButton()->isEnabled());
        QCOMPARE(window.statusLabel()->text(), u"等待粘贴 Cookie"_s);

        // The board shows everywhere the pages do not draw: in a corner of the page area too.
        const QImage image = window.grab().toImage();
        QCOMPARE(image.pixel(2, image.height() / 2), Theme::boardBackground().rgb());
        QCOMPARE(image.pixel(image.width() - 3, image.height() - 3), Theme::boardBackground().rgb());
        ShellProbe::saveScreenshot(&window, u"window-fresh"_s);
    }

    void subtitleSaysHowFreshTheDataAre()
    {
        UsageSnapshot snapshot = ShellFixture::realisticSnapshot();
        // 10:00:00.5 in Asia/Shanghai, in the locale's short time format.
        QCOMPARE(DashboardHeader::subtitle(snapshot),
                 u"仅本机保存 · 已更新 "_s + QLocale::system().toString(QTime(10, 0), QLocale::ShortFormat));
        snapshot.updatedAt = Timestamp::distantPast();
        QCOMPARE(DashboardHeader::subtitle(snapshot), u"仅保存在这台电脑上"_s);
        snapshot = ShellFixture::realisticSnapshot();
        snapshot.hasRealData = false;
        QCOMPARE(DashboardHeader::subtitle(snapshot), u"仅保存在这台电脑上"_s);

        // Stored data without a session: shown, with the time they were fetched.
        ShellFixture fixture;
        fixture.storeSnapshot();
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        QCOMPARE(window.header()->subtitleLabel()->text(), DashboardHeader::subtitle(store->snapshot()));
        QVERIFY(window.header()->subtitleLabel()->text().startsWith(u"仅本机保存 · 已更新 "_s));
        QCOMPARE(qobject_cast<OverviewPage*>(window.pageWidget())->snapshot(), store->snapshot());
        QCOMPARE(window.statusLabel()->text(), u"已显示上次缓存 · 请重新粘贴 Cookie 后刷新"_s);
    }

    void cookieButtonOpensTheSettingsPage()
    {
        ShellFixture fixture;
        fixture.storeSnapshot();
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        ShellProbe::showAndSettle(&window);
        ShellProbe::saveScreenshot(&window, u"window-overview"_s);

        QTest::mouseClick(window.header()->cookieButton(), Qt::LeftButton);
        QCOMPARE(window.selectedPage(), DashboardPage::settings);
        QCOMPARE(window.pageSwitcher()->currentIndex(), 2);
        auto* settings = qobject_cast<SettingsPage*>(window.pageWidget());
        QVERIFY(settings);
        QVERIFY(!store->showCookieSheet());
        QVERIFY(!window.cookieSheet());
        ShellProbe::settle();
        ShellProbe::saveScreenshot(&window, u"window-settings"_s);

        // Pressing it again keeps the page and what was typed into it.
        QTest::keyClicks(settings->pasteField()->editor(), u"typed"_s);
        QTest::mouseClick(window.header()->cookieButton(), Qt::LeftButton);
        QCOMPARE(window.pageWidget(), settings);
        QCOMPARE(settings->pasteField()->text(), u"typed"_s);

        // Another page and back: the settings page is new, its paste text gone.
        QPointer<SettingsPage> previous = settings;
        clickSegment(window, DashboardPage::models);
        QCOMPARE(window.selectedPage(), DashboardPage::models);
        QVERIFY(qobject_cast<ModelsPage*>(window.pageWidget()));
        QCOMPARE(qobject_cast<ModelsPage*>(window.pageWidget())->snapshot(), store->snapshot());
        QVERIFY(previous.isNull());
        ShellProbe::settle();
        ShellProbe::saveScreenshot(&window, u"window-models"_s);
        clickSegment(window, DashboardPage::settings);
        settings = qobject_cast<SettingsPage*>(window.pageWidget());
        QVERIFY(settings);
        QCOMPARE(settings->pasteField()->text(), QString());
    }

    void pagesRedrawForNewDataOnly()
    {
        ShellFixture fixture;
        fixture.storeSnapshot();
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        window.selectPage(DashboardPage::models);
        auto* models = qobject_cast<ModelsPage*>(window.pageWidget());
        QPointer<QWidget> drawn = models->scroll()->page();

        // A flag or the status line leaves the page as it is.
        store->setPinned(true);
        store->logout();
        QCOMPARE(models->scroll()->page(), drawn.data());

        // A notification that changes nothing else stands for a new pricing table: estimates are
        // read again.
        Q_EMIT store->changed();
        QVERIFY(drawn.isNull());
        QCOMPARE(window.pageWidget(), models);
        QVERIFY(models->scroll()->page());
    }

    void refreshButtonFollowsTheStore()
    {
        ShellFixture fixture;
        fixture.storeToken();
        fixture.holdAnswers();
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        ShellProbe::showAndSettle(&window);
        ActionButton* refresh = window.header()->refreshButton();

        // The start-up refresh waits for the service.
        QVERIFY(store->isRefreshing());
        QCOMPARE(refresh->text(), u"刷新中"_s);
        QVERIFY(!refresh->isEnabled());
        QCOMPARE(window.statusLabel()->text(), u"正在读取用量"_s);
        QTRY_COMPARE(fixture.service().requests(DashboardClient::mePath).size(), 1);

        // The window keeps working meanwhile, and a press on the disabled button starts nothing.
        clickSegment(window, DashboardPage::models);
        QVERIFY(qobject_cast<ModelsPage*>(window.pageWidget()));
        QTest::mouseClick(refresh, Qt::LeftButton);
        clickSegment(window, DashboardPage::overview);
        QVERIFY(store->isRefreshing());

        fixture.gate().open();
        QTRY_VERIFY(!store->isRefreshing());
        QCOMPARE(refresh->text(), u"刷新"_s);
        QVERIFY(refresh->isEnabled());
        QVERIFY(store->snapshot().hasRealData);
        QVERIFY2(window.statusLabel()->text().startsWith(u"已更新"_s),
                 qPrintable(window.statusLabel()->text()));
        QCOMPARE(window.header()->subtitleLabel()->text(), DashboardHeader::subtitle(store->snapshot()));
        // The overview shows what arrived.
        QCOMPARE(qobject_cast<OverviewPage*>(window.pageWidget())->snapshot(), store->snapshot());
        QCOMPARE(fixture.service().requests(DashboardClient::mePath).size(), 1);

        // The button starts a refresh of its own and is disabled at once.
        QTest::mouseClick(refresh, Qt::LeftButton);
        QVERIFY(store->isRefreshing());
        QCOMPARE(refresh->text(), u"刷新中"_s);
        QVERIFY(!refresh->isEnabled());
        QTRY_VERIFY(!store->isRefreshing());
        QCOMPARE(fixture.service().requests(DashboardClient::mePath).size(), 2);
    }

    void pinSwitchPinsTheWindow()
    {
        ShellFixture fixture;
        auto store = fixture.makeStore();
        AppShell shell(store.get());
        DashboardWindow* window = shell.window();
        ShellProbe::showAndSettle(window);
        QWindow* handle = window->windowHandle();
        SwitchToggle* pin = window->header()->pinSwitch();
        QVERIFY(!WindowPinning::isPinned(window));
        QVERIFY(!pin->isChecked());

        QTest::mouseClick(pin, Qt::LeftButton);
        QVERIFY(store->isPinned());
        QVERIFY(pin->isChecked());
        QCOMPARE(window->header()->pinCaptionLabel()->text(), u"置顶"_s);
        QCOMPARE(pin->toolTip(), u"已置顶，点击取消"_s);
        QCOMPARE(fixture.storedValue("windowPinnedEnabled"), QVariant(true));
        QVERIFY(handle->flags().testFlag(Qt::WindowStaysOnTopHint));
        // The same window, still on screen.
        QCOMPARE(window->windowHandle(), handle);
        QVERIFY(window->isVisible());

        // The settings page's switch is the same setting.
        window->selectPage(DashboardPage::settings);
        auto* settings = qobject_cast<SettingsPage*>(window->pageWidget());
        QVERIFY(settings->pinSwitch()->isChecked());
        QTest::mouseClick(settings->pinSwitch(), Qt::LeftButton);
        QVERIFY(!store->isPinned());
        QVERIFY(!pin->isChecked());
        QCOMPARE(window->header()->pinCaptionLabel()->text(), u"普通"_s);
        QCOMPARE(pin->toolTip(), u"点击后始终浮在最前"_s);
        QCOMPARE(fixture.storedValue("windowPinnedEnabled"), QVariant(false));
        QVERIFY(!handle->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window->isVisible());
    }

    void storedPinAppliesAtStart()
    {
        ShellFixture fixture;
        fixture.setStoredFlag("windowPinnedEnabled", true);
        auto store = fixture.makeStore();
        AppShell shell(store.get());
        shell.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(shell.window()));
        QVERIFY(shell.window()->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(shell.window()->header()->pinSwitch()->isChecked());
        QCOMPARE(shell.window()->header()->pinCaptionLabel()->text(), u"置顶"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestDashboardWindow);
#include "TestDashboardWindow.moc"
