#pragma once

#include "DashboardPage.h"

#include "model/UsageSnapshot.h"

#include <QPointer>
#include <QWidget>

class CookieSheet;
class DashboardHeader;
class OverviewPage;
class QLabel;
class QVBoxLayout;
class SegmentedControl;
class UsageStore;

// The app's main window: the header, the page switcher, the selected page and the status line, all
// on the dark board, and the cookie sheet while the store asks for it. Every new window starts on
// the overview page. Dragging the board moves the window. Keys: Ctrl+R refreshes, Ctrl+1… pick the
// pages by position, Ctrl+Shift+1… the accounts (while there are several), Ctrl+, the settings,
// Ctrl+W closes.
class DashboardWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize minimumWindowSize{640, 520};
    static constexpr QSize idealWindowSize{720, 640};

    explicit DashboardWindow(UsageStore* store, QWidget* parent = nullptr);
    ~DashboardWindow() override;

    DashboardPage selectedPage() const { return m_selected; }
    // Replaces the page at once; the previous page is discarded with whatever was typed into it.
    void selectPage(DashboardPage page);

    DashboardHeader* header() const { return m_header; }
    SegmentedControl* pageSwitcher() const { return m_switcher; }
    QWidget* pageWidget() const { return m_page; }
    QLabel* statusLabel() const { return m_status; }
    // The open cookie sheet, or null.
    CookieSheet* cookieSheet() const;

    QSize sizeHint() const override { return idealWindowSize; }

Q_SIGNALS:
    // The window was closed by the user or the window manager (it is only hidden).
    void closed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What the pages and the sheet were last drawn from.
    struct Shown
    {
        UsageSnapshot snapshot;
        QString pricingLabel;
        QString status;
        bool hasSession = false;
        bool showCookieSheet = false;
        bool isPinned = false;
        bool isRefreshing = false;
        bool backgroundRefreshEnabled = false;
        qsizetype account = 0;
        bool operator==(const Shown&) const = default;
    };
    void addShortcuts();
    Shown current() const;
    void follow();
    void rebuildDataPage();
    void placePage(QWidget* page);
    void followSheet();
    // Before any data: the import offer, and what the empty card asks for.
    void showFirstSteps(OverviewPage* overview) const;
    void askExportFile();

    UsageStore* m_store;
    DashboardHeader* m_header;
    SegmentedControl* m_switcher;
    QVBoxLayout* m_pageArea;
    QWidget* m_page = nullptr;
    QLabel* m_status;
    QPointer<CookieSheet> m_sheet;
    DashboardPage m_selected = DashboardPage::overview;
    Shown m_shown;
};
