#pragma once

#include <QObject>

#include <memory>

class AppTray;
class DashboardWindow;
class SingleInstance;
class TrayMenu;
class UsageStore;

// The interactive app's two faces on one store: the dashboard window and the tray with its menu.
// It keeps the window pinned as the store says and decides what closing the window means.
class AppShell : public QObject
{
    Q_OBJECT

public:
    explicit AppShell(UsageStore* store, QObject* parent = nullptr);
    ~AppShell() override;

    DashboardWindow* window() const { return m_window.get(); }
    TrayMenu* menu() const { return m_menu.get(); }
    AppTray* tray() const { return m_tray; }

    // Shows the window (again), in front and with focus.
    void showWindow();
    // The first showing: the window, or with `background` only the tray, and the window after all
    // when the tray does not appear.
    void start(bool background);
    // A later launch shows this instance's window.
    void listenTo(SingleInstance* instance);

Q_SIGNALS:
    // "退出" from the menu, or the window closed while there is no tray to bring it back from.
    void quitRequested();

private:
    void followPin();

    UsageStore* m_store;
    std::unique_ptr<DashboardWindow> m_window;
    std::unique_ptr<TrayMenu> m_menu;
    AppTray* m_tray;
    bool m_pinned;
};
