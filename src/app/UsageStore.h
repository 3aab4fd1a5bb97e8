#pragma once

#include "client/DashboardClient.h"
#include "history/TrendsReport.h"
#include "model/QuotaThresholds.h"
#include "model/UsageSnapshot.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

// The interactive app's one state object, on the main thread: the snapshot on screen, the status
// line, the session and setting flags, and the actions that change them. Views read its properties
// and redraw on changed(); nothing else owns UI state.
class UsageStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString refreshStatus READ refreshStatus NOTIFY changed)
    Q_PROPERTY(bool hasSession READ hasSession NOTIFY changed)
    Q_PROPERTY(bool showCookieSheet READ showCookieSheet WRITE setShowCookieSheet NOTIFY changed)
    Q_PROPERTY(bool isPinned READ isPinned WRITE setPinned NOTIFY changed)
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY changed)
    Q_PROPERTY(QString pricingLabel READ pricingLabel NOTIFY changed)
    Q_PROPERTY(bool backgroundRefreshEnabled READ backgroundRefreshEnabled NOTIFY changed)
    Q_PROPERTY(bool followsEditor READ followsEditor WRITE setFollowEditor NOTIFY changed)
    Q_PROPERTY(bool quotaNoticesEnabled READ quotaNoticesEnabled WRITE setQuotaNotices NOTIFY changed)
    Q_PROPERTY(bool trayAtLoginEnabled READ trayAtLoginEnabled NOTIFY changed)
    Q_PROPERTY(bool historyEnabled READ historyEnabled NOTIFY changed)

public:
    static constexpr std::chrono::milliseconds defaultRefreshInterval{180'000};

    // Loads the stored snapshot, sets the first status line, starts the first refresh when a
    // session token is stored, starts the periodic silent refresh and installs or removes the
    // background agent as the setting says.
    explicit UsageStore(std::chrono::milliseconds refreshInterval = defaultRefreshInterval,
                        QObject* parent = nullptr);
    ~UsageStore() override;

    const UsageSnapshot& snapshot() const { return m_snapshot; }
    QString refreshStatus() const { return m_refreshStatus; }
    bool hasSession() const { return m_hasSession; }
    bool showCookieSheet() const { return m_showCookieSheet; }
    bool isPinned() const { return m_isPinned; }
    bool isRefreshing() const { return m_isRefreshing; }
    QString pricingLabel() const { return m_pricingLabel; }
    bool backgroundRefreshEnabled() const { return m_backgroundRefreshEnabled; }
    // Whether each refresh first takes over the Cursor editor's current login. Read from the settings
    // at each use: the background refresh and "--import-session" change it too.
    bool followsEditor() const;
    // Whether the editor's state database is there to import from (checked on every call).
    static bool editorLoginAvailable();
    bool quotaNoticesEnabled() const { return m_quotaNoticesEnabled; }
    const QuotaThresholds& thresholds() const { return m_thresholds; }
    bool trayAtLoginEnabled() const { return m_trayAtLoginEnabled; }
    bool historyEnabled() const { return m_historyEnabled; }
    // The ledger's figures for the trends page, as of the last sync.
    const TrendsReport& trends() const { return m_trends; }

    void setShowCookieSheet(bool show);
    // Stores the choice under "windowPinnedEnabled" whenever it changes.
    void setPinned(bool pinned);

    // Never throws; failures end up in the status line. A refresh the user asked for (not silently)
    // may unlock the keyring; a silent one never does, and leaves a busy service alone.
    QCoro::Task<> refresh(bool silently);
    // A user's action: may unlock the keyring first.
    QCoro::Task<> saveCookie(QString pastedText);
    // A user's action too: a locked keyring is unlocked first, and a cancelled unlock keeps the token.
    void logout();
    void setBackgroundRefresh(bool enabled);
    // Takes over the editor's login like a pasted cookie, turns following on and refreshes; a
    // failure shows its reason in the status line and keeps the stored token.
    QCoro::Task<> importFromEditor();
    void setFollowEditor(bool follow);
    // Both stored at once, for the headless refresh to read too.
    void setQuotaNotices(bool enabled);
    // An invalid pair is refused and changes nothing.
    void setThresholds(const QuotaThresholds& thresholds);
    // Stores the choice and writes or removes the autostart entry (LoginItem).
    void setTrayAtLogin(bool enabled);
    // "保存用量历史". Off stops syncing and deletes the ledger (the page asks first); on syncs at once.
    void setHistoryEnabled(bool enabled);
    // Every ledger event of the cycle on screen as CSV; the status line says how it went.
    void exportCsv(const QString& fileName);

    // The status line's time of day, in the user's short time format.
    static QString shortTime(Timestamp timestamp);

Q_SIGNALS:
    // Any published value changed, or the pricing table behind the estimates did.
    void changed();

private:
    // The settings key of the window's pin.
    static constexpr auto pinnedKey = "windowPinnedEnabled";

    // Who started a refresh: the user may unlock the keyring and reach a busy service; the start-up
    // and the timer may not, and the timer also keeps quiet about a missing session.
    enum class Trigger { user, startUp, timer };

    QCoro::Task<> refreshFor(Trigger trigger);
    // Unlocks the keyring when the token is locked, or, `forWriting`, when a write would have to;
    // false (with the status said) when it stays locked.
    QCoro::Task<bool> unlockIfLocked(bool forWriting);
    QCoro::Task<> logoutUnlocking();
    // False, with the status said, when the snapshot could not be stored: it is then not shown.
    bool apply(const UsageSnapshot& snapshot, const QString& status);
    // A failure's text, with the note that the cached usage stays on screen when there is any.
    QString withCache(const QString& text) const;
    void setStatus(const QString& status);
    void finishUserRefresh(qint64 generation);
    static QCoro::Task<> syncPricing(QPointer<UsageStore> store);
    void reloadTrends();
    static QCoro::Task<> syncLedger(QPointer<UsageStore> store);
    static QCoro::Task<> applyEventPatch(QPointer<UsageStore> store, UsageSnapshot base, qint64 generation,
                                         std::shared_ptr<DashboardClient::Cancellation> cancellation);

    UsageSnapshot m_snapshot;
    QString m_refreshStatus;
    bool m_hasSession = false;
    bool m_showCookieSheet = false;
    bool m_isPinned = false;
    bool m_isRefreshing = false;
    QString m_pricingLabel;
    bool m_backgroundRefreshEnabled = true;
    bool m_quotaNoticesEnabled = true;
    QuotaThresholds m_thresholds;
    bool m_trayAtLoginEnabled = false;
    bool m_historyEnabled = true;
    bool m_ledgerSyncing = false;
    TrendsReport m_trends;

    std::unique_ptr<QSettings> m_defaults;
    QTimer m_timer;
    qint64 m_refreshGeneration = 0;
    qint64 m_activeUserRefresh = 0;
    bool m_unlocking = false; // one unlock prompt at a time
    // The running event patch; a newer refresh cancels it.
    std::shared_ptr<DashboardClient::Cancellation> m_eventTask;
};
