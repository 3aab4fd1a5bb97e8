#include "ShellTesting.h"
#include "TestRegistry.h"

#include "app/shell/AccountSwitcher.h"
#include "app/shell/AccountsSection.h"
#include "app/views/PlanBadge.h"

#include <QLineEdit>

// Two accounts side by side: the header's account and switcher, the keys, the tray's lines and
// tooltip, and the settings page's accounts.
class TestShellAccounts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void twoAccountsSideBySide()
    {
        ShellFixture fixture;
        auto store = fixture.makeTwoAccounts();
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        AppShell shell(store.get());
        DashboardWindow* window = shell.window();
        showAndSettle(window);

        // The account on screen, its plan, and every account with what is left of it.
        DashboardHeader* header = window->header();
        AccountSwitcher* switcher = header->accountSwitcher();
        QVERIFY(switcher->isVisibleTo(window));
        QAccessibleInterface* readAloud = QAccessible::queryAccessibleInterface(switcher);
        QCOMPARE(readAloud->role(), QAccessible::ComboBox);
        // Qt reads a combo box's current entry as its name on Linux; the name given is for the
        // platforms that read it.
        QCOMPARE(switcher->accessibleName(), u"账号"_s);
        // ("+p": each overview's event patch, as the scripted service marks it.)
        const QStringList lines{u"me@example.com · Pro+p · 剩余 69%"_s, u"工作 · Enterprise+p · 剩余 40%"_s};
        QStringList entries;
        for (int i = 0; i < switcher->count(); ++i)
            entries.append(switcher->itemText(i));
        QCOMPARE(entries, lines);
        QCOMPARE(header->accountLabel()->text(), u"me@example.com"_s);
        QCOMPARE(header->accountPlan()->text(), u"Pro+p"_s);
        screenshot(window, u"accounts-overview-personal"_s);
        switcher->showPopup();
        readmePicture(window, u"accounts-switcher"_s);
        switcher->hidePopup();

        // Ctrl+Shift+2 shows the second from what is stored; there is no third.
        QTest::keyClick(window, Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(store->currentAccount(), 1);
        QCOMPARE(header->accountLabel()->text(), u"工作"_s);
        QCOMPARE(header->accountPlan()->text(), u"Enterprise+p"_s);
        QCOMPARE(switcher->currentIndex(), 1);
        QCOMPARE(qobject_cast<OverviewPage*>(window->pageWidget())->snapshot().planName, u"Enterprise+p"_s);
        QTest::keyClick(window, Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(store->currentAccount(), 1);
        screenshot(window, u"accounts-overview-team"_s);
        QTest::keyClick(switcher, Qt::Key_Up);
        QCOMPARE(store->currentAccount(), 0);

        // The tray: a line per account that opens the window on it; the icon and its tooltip lead
        // with the primary account, a line for each other.
        TrayMenu* menu = shell.menu();
        QCOMPARE(shownEntries(menu).first(3), lines + QStringList{u"—"_s});
        menu->adjustSize();
        screenshot(menu, u"accounts-tray-menu"_s);
        window->hide();
        menu->accountActions().at(1)->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(store->currentAccount(), 1);
        QCOMPARE(shell.tray()->toolTip(),
                 AppTray::toolTip(store->accountRows().at(0).snapshot) + u'\n' +
                     StatusLine::tooltipLine({u"工作"_s, store->accountRows().at(1).snapshot}));
    }

    void theSettingsPageKeepsTheAccounts()
    {
        ShellFixture fixture;
        auto store = fixture.makeTwoAccounts();
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        DashboardWindow window(store.get());
        showAndSettle(&window);
        auto* settings = showPage<SettingsPage>(window, DashboardPage::settings);
        auto* section = settings->findChild<AccountsSection*>();
        QVERIFY(section->isVisibleTo(settings));
        QCOMPARE(section->primaryButtons().at(0)->isVisibleTo(section), false); // already the primary
        readmePicture(&window, u"accounts-settings"_s);
        // A long e-mail asks no more width of the header or the rows than the narrowest window has;
        // the name gives way, not the plan.
        const QString longEmail = u"christopher.alexander.montgomery-whitfield@research-lab.example.org"_s;
        QVERIFY(AccountList::update([&longEmail](AccountList& list, AccountList::State) {
            list.accounts[0].email = longEmail;
            return true;
        }));
        store->refresh(false);
        fixture.answer();
        QTRY_VERIFY(!store->isRefreshing());
        window.resize(DashboardWindow::minimumWindowSize);
        settle();
        const QScrollArea* scroll = settings->scroll();
        QCOMPARE_LE(scroll->widget()->minimumSizeHint().width(), scroll->viewport()->width());
        QCOMPARE_LE(window.header()->minimumSizeHint().width(), window.width());
        QCOMPARE(window.header()->accountPlan()->shownText(), u"Pro+p"_s);

        // A label is checked as it is given; a refused one changes nothing and says why.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        settle(); // the page shows on the next turn of the loop
        QLineEdit* label = section->labelFields().at(0);
        label->setFocus();
        label->setText(u"all"_s);
        QTest::keyClick(label, Qt::Key_Return);
        QVERIFY(section->refusal()->isVisibleTo(section));
        QCOMPARE(store->accountRows().at(0).name, longEmail);
        // Stored as Tab leaves the field; the focus stays where Tab took it.
        label->clear();
        QTest::keyClicks(label, u"home"_s);
        QTest::keyClick(label, Qt::Key_Tab);
        QVERIFY(!section->refusal()->isVisibleTo(section));
        QCOMPARE(store->accountRows().at(0).name, u"home"_s);
        QCOMPARE(QApplication::focusWidget(), section->removeButtons().at(0));

        QTest::mouseClick(section->primaryButtons().at(1), Qt::LeftButton);
        QVERIFY(store->accountRows().at(1).primary);

        // Removing asks first, naming the account; Return keeps it.
        section->removeButtons().at(1)->click();
        auto* question = section->findChild<QMessageBox*>();
        QVERIFY(question);
        QCOMPARE(question->text(), u"移除账号“工作”？"_s);
        pressReturn(question);
        QCOMPARE(store->accountRows().size(), 2);
        DestructiveQuestion::setNextAnswer(DestructiveQuestion::Answer::destroy);
        section->removeButtons().at(1)->click();
        // One account left: the window is exactly as it is with one (as the other tests' tab orders and
        // tray menus have it).
        QTRY_COMPARE(store->accountRows().size(), 1);
        QTRY_VERIFY(!window.header()->accountSwitcher()->isVisibleTo(&window));
        QVERIFY(!window.header()->accountLabel()->isVisibleTo(&window) && !section->isVisibleTo(settings));
    }

    void aLabelLeftForAnAccountRemovedElsewhereLabelsNobody()
    {
        ShellFixture fixture;
        auto store = fixture.makeTwoAccounts();
        DashboardWindow window(store.get());
        showAndSettle(&window);
        auto* section =
            showPage<SettingsPage>(window, DashboardPage::settings)->findChild<AccountsSection*>();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        settle();
        QLineEdit* label = section->labelFields().at(0);
        label->setFocus();
        QTest::keyClicks(label, u"home"_s);
        // `tallyfern --remove-account user_me` meanwhile, seen at the next refresh.
        QVERIFY(AccountList::update([](AccountList& list, AccountList::State) {
            list = {u"user_team"_s, std::nullopt, {list.accounts.at(1)}};
            return true;
        }));
        store->refresh(false);
        QTRY_VERIFY(!section->isVisibleTo(&window));
        // The edit ends when the focus leaves the window at last.
        QWidget elsewhere;
        showAndSettle(&elsewhere);
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        QCOMPARE(store->accountRows().at(0).name, u"工作"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestShellAccounts);
#include "TestShellAccounts.moc"
