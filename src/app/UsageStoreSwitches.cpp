// The usage store's switches and thresholds, each kept in the settings as soon as it changes.
#include "UsageStore.h"

#include "LaunchAgent.h"
#include "LoginItem.h"
#include "QuotaNotices.h"

using namespace Qt::StringLiterals;

void UsageStore::setPinned(bool pinned)
{
    if (m_isPinned == pinned)
        return;
    m_isPinned = pinned;
    m_defaults->setValue(QLatin1StringView(pinnedKey), pinned);
    m_defaults->sync();
    Q_EMIT changed();
}

void UsageStore::setQuotaNotices(bool enabled)
{
    if (m_quotaNoticesEnabled == enabled)
        return;
    m_quotaNoticesEnabled = enabled;
    m_defaults->setValue(QLatin1StringView(QuotaNotices::enabledKey), enabled);
    m_defaults->sync();
    Q_EMIT changed();
}

void UsageStore::setThresholds(const QuotaThresholds& thresholds)
{
    if (m_thresholds == thresholds || !thresholds.save(m_defaults.get()))
        return;
    m_thresholds = thresholds;
    Q_EMIT changed();
}

void UsageStore::setBackgroundRefresh(bool enabled)
{
    m_backgroundRefreshEnabled = enabled;
    m_defaults->setValue(u"backgroundRefreshEnabled"_s, enabled);
    m_defaults->sync();
    if (LaunchAgent::isEnabled())
        LaunchAgent::install();
    else
        LaunchAgent::uninstall();
    Q_EMIT changed();
}

void UsageStore::setTrayAtLogin(bool enabled)
{
    m_trayAtLoginEnabled = enabled;
    m_defaults->setValue(QLatin1StringView(LoginItem::enabledKey), enabled);
    m_defaults->sync();
    if (enabled)
        LoginItem::install();
    else
        LoginItem::uninstall();
    Q_EMIT changed();
}
