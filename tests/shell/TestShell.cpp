#include "ShellTesting.h"
#include "TestRegistry.h"

#include "app/shell/OnDemandAmountRow.h"
#include "app/shell/ShellColours.h"

#include <QLineEdit>

// The window: from a fresh start to data, signing in, its switches, the cookie sheet, the keyboard
// and a screen reader's names.
class TestShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowFromFreshStartToData()
    {
        ShellFixture fixture;
        auto store = fixture.store();
        DashboardWindow window(store.get());
        showAndSettle(&window);
        DashboardHeader* header = window.header();
        ActionButton* refresh = header->refreshButton();
        QCOMPARE(window.selectedPage(), DashboardPage::overview);
        QCOMPARE(header->subtitleLabel()->text(), u"仅保存在这台电脑上"_s);
        screenshot(&window, u"window-empty"_s);

        // "Cookie" shows the settings page; the sheet stays closed.
        QTest::mouseClick(header->cookieButton(), Qt::LeftButton);
        auto* settings = qobject_cast<SettingsPage*>(window.pageWidget());
        QVERIFY(settings && !store->showCookieSheet() && !window.cookieSheet());
        screenshot(&window, u"window-settings"_s);

        // Another page and back: what was pasted is gone.
        QTest::keyClicks(settings->pasteField()->editor(), u"typed"_s);
        QVERIFY(showPage<ModelsPage>(window, DashboardPage::models));
        settings = showPage<SettingsPage>(window, DashboardPage::settings);
        QVERIFY(settings && settings->pasteField()->text().isEmpty());

        // Blank text is nothing to save; without a session there is nothing to log out of.
        QPlainTextEdit* editor = settings->pasteField()->editor();
        QTest::keyClicks(editor, u"  \t"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!settings->saveButton()->isEnabled());
        QCOMPARE(visibleButtons(settings), (QStringList{u"添加账号"_s, u"保存并刷新"_s}));
        // "添加账号" speaks of another account only once one is signed in.
        const auto addAccountNote = [&] {
            const QList<ActionButton*> buttons = settings->findChildren<ActionButton*>();
            QTest::mouseClick(
                *std::find_if(buttons.begin(), buttons.end(),
                              [](ActionButton* button) { return button->text() == u"添加账号"_s; }),
                Qt::LeftButton);
            const std::unique_ptr<AddAccountSheet> sheet(window.findChild<AddAccountSheet*>());
            return sheet ? sheet->findChildren<QLabel*>().at(1)->text() : QString();
        };
        QVERIFY(
            addAccountNote().startsWith(u"粘贴 Cookie，或从 Cursor 编辑器导入登录。只保存到本机钥匙串"_s));

        // A keychain that refuses the cookie: the field is emptied all the same.
        fixture.account.session->failsSaves = true;
        settings->pasteField()->setText(fakeCookie);
        QTest::mouseClick(settings->saveButton(), Qt::LeftButton);
        QCOMPARE(settings->pasteField()->text(), QString());
        fixture.account.session->failsSaves = false;

        // Saving empties the field at once, with nothing to undo back to, and starts a refresh.
        settings->pasteField()->setText(u"  "_s + fakeCookie + u"\n"_s);
        QVERIFY(settings->saveButton()->isEnabled());
        QTest::mouseClick(settings->saveButton(), Qt::LeftButton);
        QCOMPARE(settings->pasteField()->text(), QString());
        editor->undo();
        QCOMPARE(settings->pasteField()->text(), QString());
        QCOMPARE(fixture.account.session->token, std::optional(fakeToken));
        QCOMPARE(window.statusLabel()->text(), u"已保存到本机钥匙串，正在读取用量"_s);
        QCOMPARE(visibleButtons(settings), (QStringList{u"退出登录"_s, u"添加账号"_s, u"保存并刷新"_s}));
        QVERIFY(addAccountNote().startsWith(u"粘贴另一个账号的 Cookie"_s));
        QVERIFY(store->isRefreshing() && !refresh->isEnabled());
        QCOMPARE(refresh->text(), u"刷新中"_s);
        QTest::mouseClick(refresh, Qt::LeftButton); // disabled: starts nothing
        screenshot(&window, u"window-refreshing"_s);

        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        QVERIFY(refresh->isEnabled() && refresh->text() == u"刷新"_s);
        QCOMPARE(header->subtitleLabel()->text(), u"仅本机保存 · 已更新 12:00"_s);
        QCOMPARE(fixture.account.service->overviews.count(), 1);
        showPage(window, DashboardPage::overview);
        screenshot(&window, u"window-connected"_s);

        // The button starts a refresh of its own.
        QTest::mouseClick(refresh, Qt::LeftButton);
        QVERIFY(!refresh->isEnabled());
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        QCOMPARE(fixture.account.service->overviews.count(), 2);

        // History off only once the question is answered with the destructive button: Return keeps
        // it. The trends page then offers to turn it on again.
        settings = showPage<SettingsPage>(window, DashboardPage::settings);
        readmePicture(&window, u"settings"_s);
        QTest::mouseClick(settings->historySwitch(), Qt::LeftButton);
        pressReturn(settings->findChild<QMessageBox*>());
        QVERIFY(store->historyEnabled() && settings->historySwitch()->isChecked());
        DestructiveQuestion::setNextAnswer(DestructiveQuestion::Answer::destroy);
        QTest::mouseClick(settings->historySwitch(), Qt::LeftButton);
        QVERIFY(!store->historyEnabled() && !settings->historySwitch()->isChecked());
        auto* trends = showPage<TrendsPage>(window, DashboardPage::trends);
        QVERIFY(trends && trends->offLine()->isVisibleTo(trends));
        const QList<ActionButton*> buttons = trends->findChildren<ActionButton*>();
        const auto enable = std::find_if(buttons.begin(), buttons.end(), [](ActionButton* button) {
            return button->text() == u"打开用量历史"_s;
        });
        QVERIFY(enable != buttons.end() && (*enable)->isVisibleTo(trends));
        QTest::mouseClick(*enable, Qt::LeftButton);
        QVERIFY(store->historyEnabled() && trends->historyContent()->isVisibleTo(trends));

        settings = showPage<SettingsPage>(window, DashboardPage::settings);
        QTest::mouseClick(settings->logoutButton(), Qt::LeftButton);
        QCOMPARE(fixture.account.session->token, std::nullopt);
        QCOMPARE(visibleButtons(settings), (QStringList{u"添加账号"_s, u"保存并刷新"_s}));
    }

    void signingInFromTheEditor()
    {
        ShellFixture fixture;
        EditorDatabase editor(EditorSession::databasePath());
        QVERIFY(
            editor.setLogin(EditorDatabase::jwt(u"auth0|user_1"_s, Clock::now().secondsSince1970() + 3600)));
        auto store = fixture.store();
        DashboardWindow window(store.get());
        showAndSettle(&window);

        // The first run offers the import; nothing is read before the press.
        auto* overview = qobject_cast<OverviewPage*>(window.pageWidget());
        QVERIFY(overview && overview->importButton() && !fixture.account.session->token);
        QTest::mouseClick(overview->importButton(), Qt::LeftButton);
        QCOMPARE(fixture.account.session->token, std::optional(u"editor"_s));
        QVERIFY(!overview->importButton() && store->isRefreshing());

        auto* settings = showPage<SettingsPage>(window, DashboardPage::settings);
        QVERIFY(settings->importRow()->isVisibleTo(settings) && settings->followSwitch()->isChecked());
        QTest::mouseClick(settings->followSwitch(), Qt::LeftButton);
        QVERIFY(!fixture.account.session->following && !settings->followSwitch()->isChecked());
    }

    void firstStartBehindALockedKeyring()
    {
        ShellFixture fixture;
        fixture.account.session->token = fakeToken;
        *fixture.account.session->locked = true;
        auto store = fixture.store();
        DashboardWindow window(store.get());
        showAndSettle(&window);
        // The empty card says what "刷新" does now: it asks for the keyring's password, not for a
        // cookie.
        QStringList card;
        for (const QLabel* label : window.pageWidget()->findChild<RemainingCard*>()->findChildren<QLabel*>())
            card.append(label->text());
        QCOMPARE(card.mid(card.size() - 2),
                 (QStringList{u"还没有用量数据"_s, u"钥匙串已锁定 · 点「刷新」解锁"_s}));
        screenshot(&window, u"window-locked"_s);
    }

    void pinSwitchPinsTheWindow()
    {
        ShellFixture fixture;
        auto store = fixture.store();
        auto shell = std::make_unique<AppShell>(store.get());
        DashboardWindow* window = shell->window();
        showAndSettle(window);
        QWindow* handle = window->windowHandle();
        DashboardHeader* header = window->header();
        // The caption, the tooltip and the window's flag follow the switch; the window stays shown.
        const auto checkPinned = [&](bool on) {
            QCOMPARE(header->pinSwitch()->isChecked(), on);
            QCOMPARE(header->pinCaptionLabel()->text(), on ? u"置顶"_s : u"普通"_s);
            QCOMPARE(header->pinSwitch()->toolTip(), on ? u"已置顶，点击取消"_s : u"点击后始终浮在最前"_s);
            QCOMPARE(handle->flags().testFlag(Qt::WindowStaysOnTopHint), on);
            QVERIFY(window->windowHandle() == handle && window->isVisible());
        };
        checkPinned(false);
        QTest::mouseClick(header->pinSwitch(), Qt::LeftButton);
        checkPinned(true);

        // The settings page's switch is the same setting.
        window->selectPage(DashboardPage::settings);
        auto* settings = qobject_cast<SettingsPage*>(window->pageWidget());
        QVERIFY(settings->pinSwitch()->isChecked());
        QTest::mouseClick(settings->pinSwitch(), Qt::LeftButton);
        checkPinned(false);
        // Below the background refresh, the tray at login: off until clicked.
        QVERIFY(settings->loginSwitch()->mapTo(settings, QPoint()).y() >
                settings->backgroundSwitch()->mapTo(settings, QPoint()).y());
        QVERIFY(!settings->loginSwitch()->isChecked());
        QTest::mouseClick(settings->loginSwitch(), Qt::LeftButton);
        QVERIFY(settings->loginSwitch()->isChecked() && store->trayAtLoginEnabled());

        // The stored choice applies at the next start.
        QTest::mouseClick(header->pinSwitch(), Qt::LeftButton);
        shell.reset();
        store = fixture.store();
        AppShell next(store.get());
        next.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(next.window()));
        QVERIFY(next.window()->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(next.window()->header()->pinCaptionLabel()->text(), u"置顶"_s);
    }

    void noticeSettingsAreStored()
    {
        ShellFixture fixture;
        auto store = fixture.store();
        SettingsPage page(store.get());
        QVERIFY(page.noticesSwitch()->isChecked());
        QTest::mouseClick(page.noticesSwitch(), Qt::LeftButton);
        QCOMPARE(fixture.stored("quotaNoticesEnabled"), QVariant(false));
        QVERIFY(!page.noticesSwitch()->isChecked());

        // Each field stops short of the other, so every pair stored is a valid one.
        ThresholdRow* row = page.thresholdRow();
        row->criticalField()->setValue(40);
        QCOMPARE(store->thresholds(), QuotaThresholds({20, 19}));
        row->lowField()->setValue(50);
        row->criticalField()->setValue(40);
        QCOMPARE(store->thresholds(), QuotaThresholds({50, 40}));
        QCOMPARE(row->lowField()->minimum(), 41);

        // The on-demand amount: empty (off) at first; a whole number in range is stored, anything
        // else says so and leaves the stored amount; emptied, it is off again.
        OnDemandAmountRow* amount = page.onDemandAmountRow();
        QCOMPARE(amount->field()->text(), QString());
        const auto enter = [amount](const QString& text) {
            amount->field()->setText(text);
            Q_EMIT amount->field()->editingFinished();
        };
        enter(u"250"_s);
        QCOMPARE(fixture.stored("onDemandNoticeUSD").toInt(), 250);
        QVERIFY(amount->problem()->isHidden());
        enter(u"12.5"_s); // which amounts are whole numbers in range is OnDemandAmount's table
        QCOMPARE(amount->problem()->text(), u"请输入 1 到 100000 之间的整数"_s);
        QVERIFY(!amount->problem()->isHidden());
        QCOMPARE(fixture.stored("onDemandNoticeUSD").toInt(), 250);
        QCOMPARE(amount->field()->text(), u"250"_s);
        page.setPalette(ShellColours::boardPalette(page.palette()));
        page.resize(720, 900);
        page.show();
        page.scroll()->ensureWidgetVisible(amount);
        screenshot(&page, u"settings-on-demand-amount"_s);
        enter(u" "_s);
        QVERIFY(!fixture.env.settingsFile()->contains("onDemandNoticeUSD"_L1));
        QVERIFY(amount->problem()->isHidden());
    }

    void sheetOpensAndClosesWithTheStore()
    {
        ShellFixture fixture;
        auto store = fixture.store();
        DashboardWindow window(store.get());
        showAndSettle(&window);
        QVERIFY(!window.cookieSheet());

        QPointer<CookieSheet> sheet;
        const auto openSheet = [&] {
            store->setShowCookieSheet(true);
            sheet = window.cookieSheet();
            return sheet && QTest::qWaitForWindowExposed(sheet);
        };
        QVERIFY(openSheet());
        QCOMPARE(sheet->windowTitle(), u"粘贴 Cookie"_s);
        QCOMPARE(visibleButtons(sheet), (QStringList{u"取消"_s, u"保存并刷新"_s}));
        sheet->pasteField()->setText(u"\u3000\n\t "_s);
        QVERIFY(!sheet->saveButton()->isEnabled());
        screenshot(sheet, u"window-sheet"_s);

        // Closing it, by "取消", Escape or the store, tells the store; it opens again empty.
        for (const int way : {0, 1, 2}) {
            if (way > 0)
                QVERIFY(openSheet() && sheet->pasteField()->text().isEmpty());
            if (way == 0)
                QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(sheet, Qt::Key_Escape);
            else
                store->setShowCookieSheet(false);
            QVERIFY(!store->showCookieSheet());
            QTRY_VERIFY(sheet.isNull());
        }

        // Saving stores the token and closes the sheet.
        QVERIFY(openSheet());
        QTest::keyClicks(sheet->pasteField()->editor(), fakeCookie);
        QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
        QCOMPARE(fixture.account.session->token, std::optional(fakeToken));
        QVERIFY(!store->showCookieSheet());
        QTRY_VERIFY(sheet.isNull());
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());

        // With a session it offers to log out, and doing so keeps it open.
        QVERIFY(openSheet());
        QCOMPARE(visibleButtons(sheet), (QStringList{u"取消"_s, u"退出登录"_s, u"保存并刷新"_s}));
        QTest::mouseClick(sheet->logoutButton(), Qt::LeftButton);
        QVERIFY(!store->hasSession() && store->showCookieSheet() && sheet->isVisible());
        QCOMPARE(window.cookieSheet(), sheet.data());
        QCOMPARE(visibleButtons(sheet), (QStringList{u"取消"_s, u"保存并刷新"_s}));
    }

    void keyboardReachesEveryControl()
    {
        ShellFixture fixture;
        auto store = fixture.store();
        DashboardWindow window(store.get());
        showAndSettle(&window);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // Ctrl and a digit pick the pages by position, Ctrl+, the settings; there is no fifth page.
        const QList<std::pair<Qt::Key, DashboardPage>> keys{
            {Qt::Key_2, DashboardPage::models},      {Qt::Key_1, DashboardPage::overview},
            {Qt::Key_3, DashboardPage::trends},      {Qt::Key_4, DashboardPage::settings},
            {Qt::Key_1, DashboardPage::overview},    {Qt::Key_5, DashboardPage::overview},
            {Qt::Key_Comma, DashboardPage::settings}};
        for (const auto& [key, page] : keys) {
            QTest::keyClick(&window, key, Qt::ControlModifier);
            QCOMPARE(window.selectedPage(), page);
        }

        // Tab in reading order: the header, the switcher, the page's scroll area, the page's controls.
        settle(); // the new page shows on the next turn of the loop
        const QStringList header{u"置顶"_s, u"Cookie"_s, u"刷新"_s, u"页面"_s};
        QCOMPARE(tabOrder(&window),
                 header + QStringList({u"设置"_s, u"粘贴 Cookie"_s, u"添加账号"_s, u"置顶"_s, u"后台刷新"_s,
                                       u"登录时打开托盘"_s, u"额度提醒"_s, u"偏低"_s, u"紧急"_s,
                                       u"按需用量提醒（美元）"_s, u"保存用量历史"_s}));
        window.selectPage(DashboardPage::overview);
        settle();
        QCOMPARE(tabOrder(&window), header + QStringList{u"概览"_s});

        // Ctrl+R refreshes, one refresh at a time like the button; Ctrl+W closes.
        fixture.account.session->token = fakeToken;
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        QVERIFY(store->isRefreshing());
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        QCOMPARE(fixture.account.service->overviews.count(), 1);
        QSignalSpy closed(&window, &DashboardWindow::closed);
        QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(closed.count(), 1);
    }

    void switchesAndPagesReadAloud()
    {
        ShellFixture fixture;
        auto store = fixture.store();
        DashboardWindow window(store.get());
        QAccessibleInterface* pin = QAccessible::queryAccessibleInterface(window.header()->pinSwitch());
        QCOMPARE(pin->role(), QAccessible::CheckBox);
        QCOMPARE(pin->text(QAccessible::Name) + pin->text(QAccessible::Value), u"置顶关"_s);
        pin->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(store->isPinned() && pin->state().checked);
        QCOMPARE(pin->text(QAccessible::Value), u"开"_s);

        // The page switcher is a tab list, one tab per page, the shown one selected.
        QAccessibleInterface* pages = QAccessible::queryAccessibleInterface(window.pageSwitcher());
        QCOMPARE(pages->role(), QAccessible::PageTabList);
        QCOMPARE(pages->text(QAccessible::Name), u"页面"_s);
        pages->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(window.selectedPage(), DashboardPage::models);
        QStringList tabs;
        for (int i = 0; i < pages->childCount(); ++i) {
            QCOMPARE(pages->child(i)->role(), QAccessible::PageTab);
            QCOMPARE(pages->indexOfChild(pages->child(i)), i);
            tabs.append(pages->child(i)->text(QAccessible::Name) +
                        (pages->child(i)->state().selected ? u"*"_s : u""_s));
        }
        QCOMPARE(tabs, (QStringList{u"概览"_s, u"模型*"_s, u"趋势"_s, u"设置"_s}));
    }
};

TALLYFERN_REGISTER_TEST(TestShell);
#include "TestShell.moc"
