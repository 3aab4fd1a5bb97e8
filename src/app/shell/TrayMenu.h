#pragma once

#include <QMenu>

class UsageStore;

// The tray's command menu: with several accounts a line for each (choosing one opens the window on
// it), then paste a cookie, refresh now, pin the window, log out, quit. It follows the store: the
// refresh entry waits while a refresh runs, the logout entry shows only with a session, the pin
// entry shows the pin.
class TrayMenu : public QMenu
{
    Q_OBJECT

public:
    explicit TrayMenu(UsageStore* store, QWidget* parent = nullptr);

    QAction* pasteAction() const { return m_paste; }
    QAction* refreshAction() const { return m_refresh; }
    QAction* pinAction() const { return m_pin; }
    QAction* logoutAction() const { return m_logout; }
    QAction* quitAction() const { return m_quit; }
    QList<QAction*> accountActions() const { return m_accounts; }

Q_SIGNALS:
    // The cookie sheet opens in the dashboard window, which must therefore be shown.
    void windowRequested();
    void quitRequested();

private:
    void follow();
    void followAccounts();

    UsageStore* m_store;
    QAction* m_paste;
    QAction* m_refresh;
    QAction* m_pin;
    QAction* m_logout;
    QAction* m_quit;
    QList<QAction*> m_accounts;
    QAction* m_accountsEnd;
};
