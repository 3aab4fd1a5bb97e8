#include "AppTray.h"

#include "GaugeIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

AppTray::AppTray(QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_menu(menu)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &AppTray::tryShow);
    tryShow();
}

AppTray::~AppTray() = default;

bool AppTray::isVisible() const
{
    return m_icon && m_icon->isVisible();
}

void AppTray::tryShow()
{
    ++m_attemptsMade;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (m_attemptsMade < attempts)
            m_retry.start();
        else
            Q_EMIT gaveUp();
        return;
    }
    m_icon = new QSystemTrayIcon(GaugeIcon::icon(), this);
    m_icon->setToolTip(u"Tallyfern"_s);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT activated();
    });
    m_icon->show();
}
