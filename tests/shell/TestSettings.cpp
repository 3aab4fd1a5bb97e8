#include "ShellFixture.h"
#include "TestRegistry.h"

#include "app/shell/ActionButton.h"
#include "app/shell/CookieSheet.h"
#include "app/shell/DashboardWindow.h"
#include "app/shell/PasteField.h"
#include "app/shell/SettingsPage.h"
#include "app/shell/ShellColours.h"
#include "app/shell/SwitchToggle.h"
#include "app/views/Theme.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

SettingsPage* settingsPageOf(DashboardWindow& window)
{
    window.selectPage(DashboardPage::settings);
    return qobject_cast<SettingsPage*>(window.pageWidget());
}

QStringList visibleButtonTexts(QWidget* root)
{
    QStringList texts;
    for (ActionButton* button : root->findChildren<ActionButton*>()) {
        if (button->isVisibleTo(root))
            texts.append(button->text());
    }
    return texts;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageWithoutSession()
    {
        ShellFixture fixture;
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        SettingsPage* page = settingsPageOf(window);
        ShellProbe::showAndSettle(&window);

        QCOMPARE(visibleButtonTexts(page), QStringList{u"保存并刷新"_s});
        QVERIFY(!page->saveButton()->isEnabled());
        QVERIFY(page->pasteField()->editor()->minimumHeight() >= 140);
        QVERIFY(page->backgroundSwitch()->isChecked());
        QVERIFY(!page->pinSwitch()->isChecked());
        QCOMPARE(page->footer()->text(),
                 u"用量缓存在本机数据目录，不含 Cookie。预估美元按官方标价本地计算，不是账单。"_s +
                     store->pricingLabel() + u"。后台刷新不弹窗。"_s);
        QVERIFY(!store->pricingLabel().isEmpty());
        for (const QString& text :
             {u"本机登录"_s, u"窗口置顶"_s, u"打开后始终浮在其他应用前面。"_s, u"开机与后台刷新"_s,
              u"主窗口关掉也会每 3 分钟静默拉一次用量，不弹窗。"_s}) {
            QVERIFY2(ShellProbe::labelWithText(page, text), qPrintable(text));
        }

        // Spaces and line breaks are nothing to save.
        QTest::keyClicks(page->pasteField()->editor(), u"   "_s);
        QTest::keyClick(page->pasteField()->editor(), Qt::Key_Return);
        QTest::keyClicks(page->pasteField()->editor(), u"\t "_s);
        QVERIFY(!page->saveButton()->isEnabled());
        QTest::mouseClick(page->saveButton(), Qt::LeftButton);
        QCOMPARE(store->refreshStatus(), u"等待粘贴 Cookie"_s);
        QCOMPARE(fixture.secrets().writeCount(), 0);
    }

    void saveEmptiesTheFieldAndStoresTheCookie()
    {
        ShellFixture fixture;
        fixture.holdAnswers();
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        SettingsPage* page = settingsPageOf(window);
        ShellProbe::showAndSettle(&window);

        page->pasteField()->setText(u"  "_s + QLatin1StringView(ShellFixture::fakeCookie) + u"\n"_s);
        QVERIFY(page->saveButton()->isEnabled());
        QTest::mouseClick(page->saveButton(), Qt::LeftButton);
        // At once, before the refresh that follows the save has an answer.
        QCOMPARE(page->pasteField()->text(), QString());
        QVERIFY(!page->saveButton()->isEnabled());
        QCOMPARE(fixture.secrets().read(), std::optional(QString::fromLatin1(ShellFixture::fakeToken)));
        QCOMPARE(window.statusLabel()->text(), u"已保存到本机钥匙串，正在读取用量"_s);
        QVERIFY(store->isRefreshing());
        QCOMPARE(visibleButtonTexts(page), (QStringList{u"退出登录"_s, u"保存并刷新"_s}));
        // The editor keeps nothing to undo back to.
        page->pasteField()->editor()->undo();
        QCOMPARE(page->pasteField()->text(), QString());

        fixture.gate().open();
        QTRY_VERIFY(!store->isRefreshing());
        ShellProbe::saveScreenshot(&window, u"window-settings-session"_s);

        // Logging out hides the button again and keeps the page.
        QTest::mouseClick(page->logoutButton(), Qt::LeftButton);
        QVERIFY(!store->hasSession());
        QCOMPARE(fixture.secrets().read(), std::nullopt);
        QCOMPARE(visibleButtonTexts(page), QStringList{u"保存并刷新"_s});
        QCOMPARE(window.statusLabel()->text(), u"已退出登录。上次用量仍留在本机。"_s);
        QCOMPARE(window.pageWidget(), page);
    }

    void failedSaveShowsInTheStatusLine()
    {
        ShellFixture fixture;
        fixture.secrets().setFailsWrites(true);
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        SettingsPage* page = settingsPageOf(window);
        page->pasteField()->setText(QString::fromLatin1(ShellFixture::fakeCookie));
        QTest::mouseClick(page->saveButton(), Qt::LeftButton);
        QCOMPARE(page->pasteField()->text(), QString());
        QCOMPARE(window.statusLabel()->text(), u"无法写入本机钥匙串"_s);
        QVERIFY(!store->hasSession());
        QVERIFY(page->logoutButton()->isHidden());
    }

    void backgroundSwitchInstallsAndRemovesTheAgent()
    {
        ShellFixture fixture;
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        SettingsPage* page = settingsPageOf(window);
        ShellProbe::showAndSettle(&window);
        fixture.runner().calls.clear();

        QTest::mouseClick(page->backgroundSwitch(), Qt::LeftButton);
        QVERIFY(!store->backgroundRefreshEnabled());
        QVERIFY(!page->backgroundSwitch()->isChecked());
        QCOMPARE(fixture.storedValue("backgroundRefreshEnabled"), QVariant(false));
        QVERIFY(!fixture.runner().calls.isEmpty());
        QVERIFY(fixture.runner().calls.last().contains(u"disable"_s));

        fixture.runner().calls.clear();
        QTest::mouseClick(page->backgroundSwitch(), Qt::LeftButton);
        QVERIFY(store->backgroundRefreshEnabled());
        QVERIFY(page->backgroundSwitch()->isChecked());
        QCOMPARE(fixture.storedValue("backgroundRefreshEnabled"), QVariant(true));
        QVERIFY(fixture.runner().calls.last().contains(u"enable"_s));
    }

    void sheetFollowsTheStore()
    {
        ShellFixture fixture;
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        ShellProbe::showAndSettle(&window);
        QVERIFY(!window.cookieSheet());

        store->setShowCookieSheet(true);
        QPointer<CookieSheet> sheet = window.cookieSheet();
        QVERIFY(sheet);
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QCOMPARE(sheet->windowModality(), Qt::WindowModal);
        QCOMPARE(sheet->parentWidget(), &window);
        QCOMPARE(sheet->windowTitle(), u"粘贴 Cookie"_s);
        QVERIFY(sheet->width() >= CookieSheet::minimumSheetWidth);
        // The platform's colours, not the board's.
        QVERIFY(sheet->palette().color(QPalette::Window) != Theme::boardBackground());
        QCOMPARE(visibleButtonTexts(sheet), (QStringList{u"取消"_s, u"保存并刷新"_s}));
        QVERIFY(!sheet->saveButton()->isEnabled());
        QVERIFY(sheet->pasteField()->editor()->minimumHeight() >= 140);
        ShellProbe::saveScreenshot(sheet, u"cookie-sheet"_s);

        QTest::keyClicks(sheet->pasteField()->editor(), u"  "_s);
        QTest::keyClick(sheet->pasteField()->editor(), Qt::Key_Return);
        QVERIFY(!sheet->saveButton()->isEnabled());

        // "取消" closes it and tells the store.
        QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
        QVERIFY(!store->showCookieSheet());
        QTRY_VERIFY(sheet.isNull());
        QVERIFY(!window.cookieSheet());

        // So does closing it any other way; each opening starts empty.
        store->setShowCookieSheet(true);
        sheet = window.cookieSheet();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QCOMPARE(sheet->pasteField()->text(), QString());
        QTest::keyClick(sheet, Qt::Key_Escape);
        QVERIFY(!store->showCookieSheet());
        QTRY_VERIFY(sheet.isNull());

        store->setShowCookieSheet(true);
        sheet = window.cookieSheet();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        sheet->close();
        QVERIFY(!store->showCookieSheet());
        QTRY_VERIFY(sheet.isNull());

        // The store closing it closes it.
        store->setShowCookieSheet(true);
        sheet = window.cookieSheet();
        QVERIFY(sheet);
        store->setShowCookieSheet(false);
        QTRY_VERIFY(sheet.isNull());
    }

    void sheetSavesAndLogsOut()
    {
        ShellFixture fixture;
        fixture.holdAnswers();
        auto store = fixture.makeStore();
        DashboardWindow window(store.get());
        ShellProbe::showAndSettle(&window);

        store->setShowCookieSheet(true);
        QPointer<CookieSheet> sheet = window.cookieSheet();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QTest::keyClicks(sheet->pasteField()->editor(), QString::fromLatin1(ShellFixture::fakeCookie));
        QVERIFY(sheet->saveButton()->isEnabled());
        QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
        QCOMPARE(fixture.secrets().read(), std::optional(QString::fromLatin1(ShellFixture::fakeToken)));
        QVERIFY(!store->showCookieSheet());
        QTRY_VERIFY(sheet.isNull());
        QCOMPARE(window.statusLabel()->text(), u"已保存到本机钥匙串，正在读取用量"_s);
        fixture.gate().open();
        QTRY_VERIFY(!store->isRefreshing());

        // With a session the sheet offers to log out; doing so keeps it open.
        store->setShowCookieSheet(true);
        sheet = window.cookieSheet();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QCOMPARE(visibleButtonTexts(sheet), (QStringList{u"取消"_s, u"退出登录"_s, u"保存并刷新"_s}));
        QTest::mouseClick(sheet->logoutButton(), Qt::LeftButton);
        QVERIFY(!store->hasSession());
        QVERIFY(store->showCookieSheet());
        QCOMPARE(window.cookieSheet(), sheet.data());
        QVERIFY(sheet->isVisible());
        QCOMPARE(visibleButtonTexts(sheet), (QStringList{u"取消"_s, u"保存并刷新"_s}));
    }
};

TALLYFERN_REGISTER_TEST(TestSettings);
#include "TestSettings.moc"
