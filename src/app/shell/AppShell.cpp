#include "AppShell.h"

#include "AppTray.h"
#include "DashboardWindow.h"
#include "SingleInstance.h"
#include "TrayMenu.h"
#include "WindowPinning.h"

#include "app/UsageStore.h"

AppShell::AppShell(UsageStore* store, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_window(std::make_unique<DashboardWindow>(store))
    , m_menu(std::make_unique<TrayMenu>(store))
    , m_tray(new AppTray(m_menu.get(), this))
    , m_pinned(store->isPinned())
{
    // Before the window is first shown, so that it opens at the stored level.
    WindowPinning::apply(m_window.get(), m_pinned);
    m_tray->follow(m_store);
    connect(m_store, &UsageStore::changed, this, &AppShell::followPin);
    connect(m_menu.get(), &TrayMenu::windowRequested, this, &AppShell::showWindow);
    connect(m_menu.get(), &TrayMenu::quitRequested, this, &AppShell::quitRequested);
    connect(m_tray, &AppTray::activated, this, &AppShell::showWindow);
    connect(m_window.get(), &DashboardWindow::closed, this, [this] {
        // Without a tray nothing could bring the window back.
        if (!m_tray->isVisible())
            Q_EMIT quitRequested();
    });
}

AppShell::~AppShell()
{
    // The tray icon goes before the menu it shows.
    delete m_tray;
}

void AppShell::showWindow()
{
    if (m_window->isMinimized())
        m_window->showNormal();
    else
        m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void AppShell::start(bool background)
{
    if (!background || (!m_tray->isVisible() && !m_tray->isRetrying()))
        showWindow();
    else if (!m_tray->isVisible())
        connect(m_tray, &AppTray::gaveUp, this, &AppShell::showWindow);
}

void AppShell::listenTo(SingleInstance* instance)
{
    connect(instance, &SingleInstance::showRequested, this, &AppShell::showWindow);
}

void AppShell::followPin()
{
    if (m_store->isPinned() == m_pinned)
        return;
    m_pinned = m_store->isPinned();
    WindowPinning::apply(m_window.get(), m_pinned);
}
