#include "ShellFixture.h"
#include "TestRegistry.h"

#include "app/shell/AppShell.h"
#include "app/shell/AppTray.h"
#include "app/shell/CookieSheet.h"
#include "app/shell/DashboardWindow.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/TrayMenu.h"
#include "app/shell/WindowPinning.h"

#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The entries as the menu shows them; a separator reads "—".
QStringList shownEntries(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isVisible())
            entries.append(action->isSeparator() ? u"—"_s : action->text());
    }
    return entries;
}

} // namespace

class TestTrayAndShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuEntriesFollowTheStore()
    {
        ShellFixture fixture;
        fixture.holdAnswers();
        auto store = fixture.makeStore();
        TrayMenu menu(store.get());
        QCOMPARE(shownEntries(&menu),
                 (QStringList{u"粘贴 Cookie"_s, u"立即刷新"_s, u"置顶"_s, u"—"_s, u"退出"_s}));
        QVERIFY(menu.refreshAction()->isEnabled());
        QVERIFY(menu.pinAction()->isCheckable());
        QVERIFY(!menu.pinAction()->isChecked());
        for (const QAction* action : menu.actions())
            QVERIFY(action->shortcut().isEmpty());

        // Without a token the refresh only says so.
        menu.refreshAction()->trigger();
        QCOMPARE(store->refreshStatus(), u"还没有登录态。请先粘贴 Cookie。"_s);
        QVERIFY(!store->isRefreshing());

        // With one, the entry waits for the refresh.
        fixture.storeToken();
        menu.refreshAction()->trigger();
        QVERIFY(store->isRefreshing());
        QCOMPARE(menu.refreshAction()->text(), u"正在刷新…"_s);
        QVERIFY(!menu.refreshAction()->isEnabled());
        QCOMPARE(shownEntries(&menu), (QStringList{u"粘贴 Cookie"_s, u"正在刷新…"_s, u"置顶"_s, u"退出登录"_s,
                                                   u"—"_s, u"退出"_s}));
        fixture.gate().open();
        QTRY_VERIFY(!store->isRefreshing());
        QCOMPARE(menu.refreshAction()->text(), u"立即刷新"_s);
        QVERIFY(menu.refreshAction()->isEnabled());

        menu.logoutAction()->trigger();
        QVERIFY(!store->hasSession());
        QVERIFY(!menu.logoutAction()->isVisible());
        QCOMPARE(fixture.secrets().read(), std::nullopt);

        QSignalSpy quit(&menu, &TrayMenu::quitRequested);
        menu.quitAction()->trigger();
        QCOMPARE(quit.count(), 1);
    }

    void menuActsOnTheWindow()
    {
        ShellFixture fixture;
        auto store = fixture.makeStore();
        AppShell shell(store.get());
        DashboardWindow* window = shell.window();
        TrayMenu* menu = shell.menu();
        QVERIFY(!window->isVisible());

        // "粘贴 Cookie" brings the window and opens the sheet in it.
        menu->pasteAction()->trigger();
        QVERIFY(window->isVisible());
        QVERIFY(store->showCookieSheet());
        QVERIFY(window->cookieSheet());
        QVERIFY(QTest::qWaitForWindowExposed(window->cookieSheet()));
        window->cookieSheet()->reject();
        QVERIFY(!store->showCookieSheet());

        // "置顶" pins the window and is stored; the menu shows the pin set from elsewhere.
        menu->pinAction()->trigger();
        QVERIFY(store->isPinned());
        QVERIFY(WindowPinning::isPinned(window));
        QCOMPARE(fixture.storedValue("windowPinnedEnabled"), QVariant(true));
        store->setPinned(false);
        QVERIFY(!menu->pinAction()->isChecked());
        QVERIFY(!WindowPinning::isPinned(window));
        QVERIFY(window->isVisible());

        QSignalSpy quit(&shell, &AppShell::quitRequested);
        menu->quitAction()->trigger();
        QCOMPARE(quit.count(), 1);
    }

    void closingWithoutTrayQuits()
    {
        ShellFixture fixture;
        auto store = fixture.makeStore();
        AppShell shell(store.get());
        // No panel here: the tray keeps trying for a while and the app works without it.
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(!shell.tray()->isVisible());
        QCOMPARE(shell.tray()->attemptsMade(), 1);
        QVERIFY(shell.tray()->isRetrying());

        QSignalSpy quit(&shell, &AppShell::quitRequested);
        shell.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(shell.window()));
        QVERIFY(shell.window()->close());
        QCOMPARE(quit.count(), 1);
    }

    void secondLaunchShowsTheFirstWindow()
    {
        ShellFixture fixture;
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tallyfern-test"_s);
        SingleInstance first(path);
        QVERIFY(first.claim());
        auto store = fixture.makeStore();
        AppShell shell(store.get());
        shell.listenTo(&first);
        shell.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(shell.window()));
        shell.window()->close();
        QVERIFY(!shell.window()->isVisible());

        SingleInstance second(path);
        QVERIFY(!second.claim());
        QTRY_VERIFY(shell.window()->isVisible());
        QVERIFY(first.isListening());
    }
};

TALLYFERN_REGISTER_TEST(TestTrayAndShell);
#include "TestTrayAndShell.moc"
