#include "DashboardWindow.h"

#include "ActionButton.h"
#include "CookieSheet.h"
#include "DashboardHeader.h"
#include "SegmentedControl.h"
#include "SettingsPage.h"
#include "ShellColours.h"

#include "app/UsageStore.h"
#include "app/views/FitLabel.h"
#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "app/views/PageScroll.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"
#include "app/views/TrendsPage.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMouseEvent>
#include <QShortcut>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

QStringList pageTitles()
{
    QStringList titles;
    for (DashboardPage page : DashboardPages::all)
        titles.append(DashboardPages::rawValue(page));
    return titles;
}

} // namespace

DashboardWindow::DashboardWindow(UsageStore* store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_header(new DashboardHeader(store, this))
    , m_switcher(new SegmentedControl(u"页面"_s, pageTitles(), this))
    , m_pageArea(new QVBoxLayout)
{
    setWindowTitle(u"Tallyfern"_s);
    setMinimumSize(minimumWindowSize);
    resize(idealWindowSize);
    setPalette(ShellColours::boardPalette(palette()));
    setAutoFillBackground(true);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(m_header);
    auto* switcherRow = new QVBoxLayout;
    switcherRow->setContentsMargins(22, 0, 22, 12);
    switcherRow->addWidget(m_switcher);
    stack->addLayout(switcherRow);
    m_pageArea->setContentsMargins(0, 0, 0, 0);
    stack->addLayout(m_pageArea, 1);

    // One line: a long error gives way to an ellipsis rather than widening the window.
    auto* status = new FitLabel(QString(), Theme::font(Theme::TextStyle::caption));
    Text::setColour(status, Theme::white(0.50));
    status->setContentsMargins(22, 12, 22, 12);
    m_status = status;
    stack->addWidget(m_status);

    connect(m_header, &DashboardHeader::cookieRequested, this,
            [this] { selectPage(DashboardPage::settings); });
    connect(m_switcher, &SegmentedControl::currentChanged, this,
            [this](int index) { selectPage(DashboardPages::all.at(std::size_t(index))); });
    connect(m_store, &UsageStore::changed, this, &DashboardWindow::follow);
    addShortcuts();

    m_shown = current();
    m_status->setText(m_shown.status);
    selectPage(DashboardPage::overview);
    followSheet();
}

DashboardWindow::~DashboardWindow() = default;

CookieSheet* DashboardWindow::cookieSheet() const
{
    return m_sheet;
}

void DashboardWindow::selectPage(DashboardPage page)
{
    const bool same = page == m_selected && m_page;
    m_selected = page;
    m_switcher->setCurrentIndex(DashboardPages::index(page));
    if (same)
        return;
    if (page == DashboardPage::settings) {
        placePage(new SettingsPage(m_store, this));
    } else {
        rebuildDataPage();
    }
}

void DashboardWindow::addShortcuts()
{
    // Window-wide, whichever control has the focus. The cookie sheet is a window of its own, where
    // Esc closes it as any dialog.
    const auto add = [this](QKeyCombination keys, auto action) {
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this, action);
    };
    // Like the refresh button, which is disabled while a refresh runs.
    add(Qt::CTRL | Qt::Key_R, [this] {
        if (!m_store->isRefreshing())
            m_store->refresh(false);
    });
    // By position, so that a page added later moves the keys of the pages after it.
    for (std::size_t i = 0; i < DashboardPages::all.size() && i < 9; ++i)
        add(Qt::CTRL | Qt::Key(Qt::Key_1 + int(i)), [this, i] { selectPage(DashboardPages::all.at(i)); });
    for (int i = 0; i < 9; ++i) {
        add(Qt::CTRL | Qt::SHIFT | Qt::Key(Qt::Key_1 + i), [this, i] {
            if (m_store->hasSeveralAccounts())
                m_store->setCurrentAccount(i);
        });
    }
    add(Qt::CTRL | Qt::Key_Comma, [this] { selectPage(DashboardPage::settings); });
    add(Qt::CTRL | Qt::Key_W, [this] { close(); });
}

DashboardWindow::Shown DashboardWindow::current() const
{
    return {m_store->snapshot(),        m_store->pricingLabel(),
            m_store->refreshStatus(),   m_store->hasSession(),
            m_store->showCookieSheet(), m_store->isPinned(),
            m_store->isRefreshing(),    m_store->backgroundRefreshEnabled(),
            m_store->currentAccount()};
}

void DashboardWindow::follow()
{
    const Shown now = current();
    // A notification that changes nothing the window knows of means the pricing table behind the
    // estimates changed: the data pages are drawn again as well.
    const bool redraw = now == m_shown || now.snapshot != m_shown.snapshot ||
                        now.pricingLabel != m_shown.pricingLabel || now.account != m_shown.account;
    m_shown = now;
    if (m_status->text() != now.status)
        m_status->setText(now.status);
    if (redraw && m_selected != DashboardPage::settings)
        rebuildDataPage();
    if (auto* overview = qobject_cast<OverviewPage*>(m_page))
        showFirstSteps(overview);
    followSheet();
}

void DashboardWindow::rebuildDataPage()
{
    QWidget* page = nullptr;
    if (m_selected == DashboardPage::overview) {
        auto* overview = qobject_cast<OverviewPage*>(m_page);
        if (!overview) {
            overview = new OverviewPage(this);
            connect(overview, &OverviewPage::importRequested, m_store,
                    [this] { m_store->importFromEditor(); });
            page = overview;
        }
        showFirstSteps(overview);
        overview->setPricingLabel(m_store->pricingLabel());
        overview->setSnapshot(m_store->snapshot());
    } else if (m_selected == DashboardPage::models) {
        auto* models = qobject_cast<ModelsPage*>(m_page);
        if (!models) {
            models = new ModelsPage(this);
            page = models;
        }
        models->setSnapshot(m_store->snapshot());
    } else if (m_selected == DashboardPage::trends) {
        auto* trends = qobject_cast<TrendsPage*>(m_page);
        if (!trends) {
            auto* exportButton = new ActionButton(u"导出 CSV"_s, ActionButton::Kind::bordered);
            auto* enableButton = new ActionButton(u"打开用量历史"_s, ActionButton::Kind::prominent);
            trends = new TrendsPage(exportButton, enableButton, this);
            connect(exportButton, &ActionButton::clicked, this, &DashboardWindow::askExportFile);
            connect(enableButton, &ActionButton::clicked, m_store,
                    [this] { m_store->setHistoryEnabled(true); });
            page = trends;
        }
        trends->setData(m_store->trends(), m_store->snapshot(), m_store->historyEnabled());
    }
    if (page)
        placePage(page);
}

void DashboardWindow::placePage(QWidget* page)
{
    delete m_page;
    m_page = page;
    m_pageArea->addWidget(m_page);
    // The page's scroll area takes the focus, so that the keys scroll it; it is read as the page.
    if (auto* scroll = m_page->findChild<PageScroll*>())
        scroll->setAccessibleName(DashboardPages::rawValue(m_selected));
}

void DashboardWindow::showFirstSteps(OverviewPage* overview) const
{
    // Only on a first run: nothing stored yet, and the editor's database is there to import from.
    overview->setImportOffer(!m_store->hasSession() && !m_store->snapshot().hasRealData &&
                             UsageStore::editorLoginAvailable());
    // A token (or the editor's newer login, when following) behind the lock: "刷新" would ask for the
    // keyring's password. Looked up only while there is nothing else to show.
    overview->setKeyringLocked(m_store->hasSession() && !m_store->snapshot().hasRealData &&
                               m_store->waitsForUnlock());
}

void DashboardWindow::askExportFile()
{
    // Opened as a sheet, never run in a loop of its own; the store writes the file and reports.
    auto* dialog = new QFileDialog(this, u"导出 CSV"_s, QDir::homePath() + u"/tallyfern-usage.csv"_s,
                                   u"CSV 文件 (*.csv)"_s);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(u"csv"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, m_store, &UsageStore::exportCsv);
    dialog->open();
}

void DashboardWindow::followSheet()
{
    if (m_store->showCookieSheet() && !m_sheet) {
        m_sheet = new CookieSheet(m_store, this);
        // Each opening starts with an empty field: the closed sheet goes away with its text.
        connect(m_sheet, &QDialog::finished, m_sheet, &QObject::deleteLater);
        m_sheet->open();
    } else if (!m_store->showCookieSheet() && m_sheet) {
        m_sheet->reject();
    }
}

void DashboardWindow::mousePressEvent(QMouseEvent* event)
{
    // Presses that reach the window fell on the board or on a text, not on a control.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void DashboardWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closed();
}
