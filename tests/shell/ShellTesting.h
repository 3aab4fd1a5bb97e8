#pragma once

#include "EditorDatabase.h"
#include "ReadmePicture.h"
#include "StoreWorld.h"

#include "app/shell/ActionButton.h"
#include "app/shell/AddAccountSheet.h"
#include "app/shell/AppShell.h"
#include "app/shell/AppTray.h"
#include "app/shell/CookieSheet.h"
#include "app/shell/DashboardHeader.h"
#include "app/shell/DashboardWindow.h"
#include "app/shell/DestructiveQuestion.h"
#include "app/shell/GaugeIcon.h"
#include "app/shell/PasteField.h"
#include "app/shell/SegmentedControl.h"
#include "app/shell/SettingsPage.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/SwitchToggle.h"
#include "app/shell/ThresholdRow.h"
#include "app/shell/TopBarExtension.h"
#include "app/shell/TopBarRow.h"
#include "app/shell/TrayMenu.h"
#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "app/views/PageScroll.h"
#include "app/views/RemainingCard.h"
#include "app/views/TrendsPage.h"
#include "client/EditorLogin.h"
#include "model/AccountList.h"
#include "model/QuotaThresholds.h"
#include "model/StatusLine.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

// Obviously fake: screenshots and failure messages may show it.
const QString fakeCookie = u"WorkosCursorSessionToken=fake-session-for-tests"_s;
const QString fakeToken = u"fake-session-for-tests"_s;

// One test's world: the store's, with the clock pinned at 12:00 in Asia/Shanghai and the window's
// account on scripted edges (no token yet). Its overviews wait for answer(), so that a refresh stays
// under way for as long as the test looks at it; each answers with $12.44 of a $40 plan used in the
// cycle from 1 May to 1 June 2025.
struct ShellFixture : StoreWorld
{
    ShellFixture()
        : StoreWorld(u"2025-05-19T04:00:00Z"_s)
    {
        TopBarExtension::setHost(&host);
        account.session->token.reset();
        UsageSnapshot usage = UsageSnapshot::empty();
        usage.hasRealData = true;
        usage.planName = u"Pro"_s;
        usage.monthlyUsed = 12.44;
        usage.monthlyLimit = 40;
        usage.cursorModelsPercent = 31;
        usage.billingCycleStart = u"2025-05-01T00:00:00Z"_s;
        usage.billingCycleEnd = u"2025-06-01T00:00:00Z"_s;
        account.service->usage = usage;
        account.service->overviews.hold();
    }
    ~ShellFixture()
    {
        account.service->overviews.releaseAll();
        DestructiveQuestion::setNextAnswer(DestructiveQuestion::Answer::ask); // one a test set and left
        TopBarExtension::setHost(nullptr);
    }
    // Every overview asked for so far answers; later ones wait again.
    void answer() { account.service->overviews.releaseHeld(); }
    QVariant stored(const char* key) const { return env.settingsFile()->value(QLatin1StringView(key)); }

    // Two accounts: `account` in the home place (user_me, me@example.com) and `other`, a team seat
    // beside it (user_team, wei.chen@corp.example.com, labelled "工作"), which answers at once with
    // 60 % of its quota used. Both tokens are in `secrets` too, where removing an account looks.
    std::unique_ptr<UsageStore> makeTwoAccounts()
    {
        const AccountList list{u"user_me"_s,
                               u"user_me"_s,
                               {{u"user_me"_s, u"me@example.com"_s, {}, {}},
                                {u"user_team"_s, u"wei.chen@corp.example.com"_s, {}, u"工作"_s}}};
        QDir().mkpath(Paths::supportFolder());
        AtomicFile::write(AccountList::fileName(), list.encode());
        account.session->token = fakeToken;
        UsageSnapshot seat = *account.service->usage;
        seat.planName = u"Enterprise"_s;
        seat.cursorModelsPercent = 60;
        other.service->usage = seat;
        secrets.write(SecretKey::home(), fakeToken);
        secrets.write(SecretKey::account(u"user_team"_s), *other.session->token);
        return store();
    }

    // Not GNOME, so the top-bar switch stays away unless a test makes the desktop one.
    TopBarExtension::Host host;
};

inline void settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

inline void showAndSettle(QWidget* window)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    settle();
}

// The window at `scale` times its resolution, with the popup open over it (a list), if there is one.
inline QImage windowPicture(QWidget* window, int scale)
{
    settle();
    QPixmap pixmap(window->size() * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(window->palette().color(QPalette::Window));
    QPainter painter(&pixmap);
    const auto flags = QWidget::DrawWindowBackground | QWidget::DrawChildren;
    window->render(&painter, QPoint(), QRegion(), flags);
    if (QWidget* popup = QApplication::activePopupWidget(); popup && popup != window)
        popup->render(&painter, window->mapFromGlobal(popup->mapToGlobal(QPoint())), QRegion(), flags);
    painter.end();
    return pixmap.toImage();
}

// With TALLYFERN_SCREENSHOT_DIR set, saves the window as `name`.png at TALLYFERN_SCREENSHOT_SCALE
// (default 2) times its resolution.
inline void screenshot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("TALLYFERN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const int scale = qEnvironmentVariableIntValue("TALLYFERN_SCREENSHOT_SCALE") == 1 ? 1 : 2;
    QVERIFY(windowPicture(window, scale).save(folder + u'/' + name + u".png"_s));
}

// The window's picture in the README (ReadmePicture), at twice its resolution; saved with the
// others too.
inline void readmePicture(QWidget* window, const QString& name)
{
    screenshot(window, name);
    if (ReadmePicture::wanted())
        ReadmePicture::check(windowPicture(window, 2), name);
}

// Return as the user presses it in an open question: on the control that has the focus there. The
// question is closed afterwards, whichever button Return pressed.
inline void pressReturn(QMessageBox* question)
{
    QVERIFY(question && question->isVisible());
    const QPointer<QMessageBox> box(question);
    QWidget* focused = question->focusWidget();
    QTest::keyClick(focused ? focused : question, Qt::Key_Return);
    QVERIFY(!box || !box->isVisible());
}

inline QStringList visibleButtons(QWidget* root)
{
    QStringList texts;
    for (ActionButton* button : root->findChildren<ActionButton*>()) {
        if (button->isVisibleTo(root))
            texts.append(button->text());
    }
    return texts;
}

// The entries as the menu shows them; a separator reads "—".
inline QStringList shownEntries(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isVisible())
            entries.append(action->isSeparator() ? u"—"_s : action->text());
    }
    return entries;
}

// The names a screen reader gives the controls that Tab visits, once round from the window.
inline QStringList tabOrder(QWidget* window)
{
    QStringList names;
    window->setFocus();
    const QWidget* first = nullptr;
    while (names.size() < 30) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        if (!focused || focused == first)
            break;
        first = first ? first : focused;
        names.append(QAccessible::queryAccessibleInterface(focused)->text(QAccessible::Name));
    }
    return names;
}

// Clicks the page's segment; the page then shown, if it is a `Page`.
template <typename Page = QWidget>
inline Page* showPage(DashboardWindow& window, DashboardPage page)
{
    SegmentedControl* switcher = window.pageSwitcher();
    QTest::mouseClick(switcher, Qt::LeftButton, {},
                      switcher->segmentRect(DashboardPages::index(page)).center());
    return qobject_cast<Page*>(window.pageWidget());
}
