#pragma once

#include <QObject>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;

// The tray icon with the command menu. A panel that starts after the app (a desktop still logging
// in) gets a few more chances; without any, the app works on without a tray.
class AppTray : public QObject
{
    Q_OBJECT

public:
    static constexpr int attempts = 5;
    static constexpr int retryIntervalMs = 2000;

    explicit AppTray(QMenu* menu, QObject* parent = nullptr);
    ~AppTray() override;

    // Whether the icon is on a panel now.
    bool isVisible() const;
    int attemptsMade() const { return m_attemptsMade; }
    bool isRetrying() const { return m_retry.isActive(); }

Q_SIGNALS:
    // The icon was clicked (not for the menu).
    void activated();
    // The last attempt found no tray.
    void gaveUp();

private:
    void tryShow();

    QMenu* m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QTimer m_retry;
    int m_attemptsMade = 0;
};
