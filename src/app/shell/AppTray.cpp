#include "AppTray.h"

#include "app/UsageStore.h"
#include "model/QuotaAlerts.h"
#include "model/QuotaPace.h"
#include "model/QuotaThresholds.h"
#include "model/StatusLine.h"
#include "model/UsageSnapshot.h"

#include <QMenu>
#include <QPointer>
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
    m_icon = new QSystemTrayIcon(GaugeIcon::icon(m_tint), this);
    m_icon->setToolTip(m_toolTip);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT activated();
    });
    m_icon->show();
}

void AppTray::follow(UsageStore* store)
{
    const auto show = [this, store = QPointer(store)] {
        if (!store)
            return;
        QStringList others;
        UsageSnapshot primary = UsageSnapshot::empty();
        for (const UsageStore::AccountRow& row : store->accountRows()) {
            if (row.primary)
                primary = row.snapshot;
            else if (store->hasSeveralAccounts())
                others.append(StatusLine::tooltipLine({row.name, row.snapshot}));
        }
        showUsage(primary, lowThreshold(), others);
    };
    // A changed setting (the low threshold) comes with changed(), an account's data with either,
    // and often with both at once: one update for all that came in a turn of the event loop.
    m_update.setSingleShot(true);
    m_update.setInterval(0);
    connect(&m_update, &QTimer::timeout, this, show);
    for (const auto signal : {&UsageStore::changed, &UsageStore::accountsChanged})
        connect(store, signal, &m_update, qOverload<>(&QTimer::start));
    show();
}

void AppTray::showUsage(const UsageSnapshot& snapshot, int lowThreshold, const QStringList& otherAccounts)
{
    QString text = toolTip(snapshot);
    for (const QString& line : otherAccounts)
        text += u'\n' + line;
    if (text != m_toolTip) {
        m_toolTip = text;
        if (m_icon)
            m_icon->setToolTip(m_toolTip);
    }
    const GaugeIcon::Tint shown = tint(snapshot, lowThreshold);
    if (shown != m_tint) {
        m_tint = shown;
        if (m_icon)
            m_icon->setIcon(GaugeIcon::icon(m_tint));
    }
}

QString AppTray::toolTip(const UsageSnapshot& snapshot)
{
    QString text = StatusLine::text(snapshot);
    if (const QString pace = QuotaPace::warning(snapshot); !pace.isEmpty())
        text += u'\n' + pace;
    if (snapshot.hasRealData && snapshot.updatedAt != Timestamp::distantPast())
        text += u"\n已更新 "_s + UsageStore::shortTime(snapshot.updatedAt);
    return text;
}

GaugeIcon::Tint AppTray::tint(const UsageSnapshot& snapshot, int lowThreshold)
{
    for (const auto remaining :
         {QuotaAlerts::cursorRemaining(snapshot), snapshot.premiumRemainingPercent()}) {
        if (remaining && *remaining <= lowThreshold)
            return GaugeIcon::Tint::warning;
    }
    return GaugeIcon::Tint::normal;
}

int AppTray::lowThreshold()
{
    return int(QuotaThresholds::load().low);
}
