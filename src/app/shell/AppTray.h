#pragma once

#include "GaugeIcon.h"

#include <QObject>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;
class UsageStore;
struct UsageSnapshot;

// The tray icon with the command menu. A panel that starts after the app (a desktop still logging
// in) gets a few more chances; without any, the app works on without a tray. Its tooltip tells the
// usage at a glance, and the gauge turns orange while a quota is running low.
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

    // Shows the store's primary account from now on, with the low threshold as stored at each
    // change (the changes of one event-loop turn shown at once, at its end), and with several
    // accounts a line in the tooltip for each other account.
    void follow(UsageStore* store);
    void showUsage(const UsageSnapshot& snapshot, int lowThreshold, const QStringList& otherAccounts = {});
    // What the icon shows, or will show once it is on a panel.
    QString toolTip() const { return m_toolTip; }
    GaugeIcon::Tint tint() const { return m_tint; }

    // The summary line, the pace line when a quota runs out early, and the time of the last update.
    static QString toolTip(const UsageSnapshot& snapshot);
    // Orange when either remaining quota of the overview is at or below the threshold.
    static GaugeIcon::Tint tint(const UsageSnapshot& snapshot, int lowThreshold);
    // The stored low threshold of the quota notices (20 unless set).
    static int lowThreshold();

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
    QTimer m_update;
    int m_attemptsMade = 0;
    QString m_toolTip = QStringLiteral("Tallyfern");
    GaugeIcon::Tint m_tint = GaugeIcon::Tint::normal;
};
