#include "ShellTesting.h"
#include "TestRegistry.h"

// The tray: its menu acting on the store and the window, and its icon and tooltip telling the usage
// at a glance.
class TestTray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trayMenuFollowsTheStoreAndActsOnTheWindow()
    {
        ShellFixture fixture;
        auto store = fixture.store();
        AppShell shell(store.get());
        DashboardWindow* window = shell.window();
        TrayMenu* menu = shell.menu();
        QVERIFY(!window->isVisible());
        QCOMPARE(shownEntries(menu),
                 (QStringList{u"粘贴 Cookie"_s, u"立即刷新"_s, u"置顶"_s, u"—"_s, u"退出"_s}));
        QVERIFY(!menu->pinAction()->isChecked());

        // The entry starts the user's refresh, and waits for it.
        fixture.account.session->token = fakeToken;
        menu->refreshAction()->trigger();
        QVERIFY(store->isRefreshing() && !menu->refreshAction()->isEnabled());
        QCOMPARE(shownEntries(menu), (QStringList{u"粘贴 Cookie"_s, u"正在刷新…"_s, u"置顶"_s, u"退出登录"_s,
                                                  u"—"_s, u"退出"_s}));
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        QVERIFY(menu->refreshAction()->isEnabled() && menu->refreshAction()->text() == u"立即刷新"_s);
        menu->logoutAction()->trigger();
        QCOMPARE(fixture.account.session->token, std::nullopt);
        QVERIFY(!menu->logoutAction()->isVisible());

        // "粘贴 Cookie" brings the window and opens the sheet in it.
        menu->pasteAction()->trigger();
        QVERIFY(window->isVisible() && store->showCookieSheet());
        QVERIFY(QTest::qWaitForWindowExposed(window->cookieSheet()));
        window->cookieSheet()->reject();
        QVERIFY(!store->showCookieSheet());

        // "置顶" pins the window and is stored; the menu shows the pin set from elsewhere.
        menu->pinAction()->trigger();
        QVERIFY(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        store->setPinned(false);
        QVERIFY(!menu->pinAction()->isChecked());

        // "退出" quits; so does closing the window when there is no tray to stay in.
        QSignalSpy quit(&shell, &AppShell::quitRequested);
        menu->quitAction()->trigger();
        QCOMPARE(quit.count(), 1);
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(window->close());
        QCOMPARE(quit.count(), 2);
    }

    void trayTellsTheUsageAtAGlance()
    {
        ShellFixture fixture;
        // Each panel size is drawn at that size, not scaled from another, in both tints.
        for (const GaugeIcon::Tint tint : {GaugeIcon::Tint::normal, GaugeIcon::Tint::warning}) {
            for (const int side : {16, 22, 24, 32, 48}) {
                QVERIFY(GaugeIcon::icon(tint).availableSizes().contains(QSize(side, side)));
                QCOMPARE(GaugeIcon::icon(tint).pixmap(side).toImage().convertToFormat(
                             QImage::Format_ARGB32_Premultiplied),
                         GaugeIcon::render(side, 1, tint));
            }
        }
        QVERIFY(GaugeIcon::render(16, 1, GaugeIcon::Tint::warning) != GaugeIcon::render(16));

        // Orange when either ring is at or below the threshold; never without real data.
        const QList<std::tuple<bool, qint64, qint64, GaugeIcon::Tint>> rings{
            {true, 28, 80, GaugeIcon::Tint::warning},
            {true, 28, 79, GaugeIcon::Tint::normal},
            {true, 80, 0, GaugeIcon::Tint::warning},
            {false, 100, 100, GaugeIcon::Tint::normal}};
        for (const auto& [real, cursorUsed, premiumUsed, tint] : rings) {
            UsageSnapshot s = UsageSnapshot::empty();
            s.hasRealData = real;
            s.cursorModelsPercent = cursorUsed;
            s.otherModelsPercent = premiumUsed;
            QCOMPARE(AppTray::tint(s, 20), tint);
        }

        // The shell's tray follows the store, whether or not a panel shows it, with the low threshold
        // as stored (here as a hand-edited file has it).
        Preferences::setValue(Preferences::Key::quotaLowThreshold, u"90"_s);
        auto store = fixture.store();
        AppShell shell(store.get());
        QCOMPARE(shell.tray()->toolTip(), u"暂无用量数据"_s);
        fixture.account.session->token = fakeToken;
        store->refresh(false);
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        QTRY_COMPARE(shell.tray()->toolTip(), StatusLine::text(store->snapshot()) + u"\n已更新 12:00"_s);
        // A quota that runs out before the cycle's end at this rate adds the overview's line.
        UsageSnapshot early = store->snapshot();
        early.otherModelsPercent = 90;
        QCOMPARE(AppTray::toolTip(early),
                 StatusLine::text(early) + u"\n按当前速度，高级模型额度约在 5月21日 用完\n已更新 12:00"_s);
        QCOMPARE(shell.tray()->tint(), GaugeIcon::Tint::warning); // 69 % left
    }
};

TALLYFERN_REGISTER_TEST(TestTray);
#include "TestTray.moc"
