#pragma once

#include "desktop/AccountWiring.h"
#include "history/TrendsReport.h"
#include "model/QuotaThresholds.h"
#include "model/UsageSnapshot.h"
#include "platform/Preferences.h"
#include "refresh/AccountPipelines.h"
#include "refresh/AccountRegistry.h"
#include "refresh/RefreshPipeline.h"
#include "refresh/SessionController.h"

#include <optional>

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

// The interactive app's one state object, on the main thread: what the window and the tray read and
// the actions they call. The refreshes are the accounts' pipelines', the session's actions the
// session controller's, the settings Preferences'; this only binds them for the views, which redraw
// on changed(). With several accounts the views show the current one (the primary at first), and
// every refresh refreshes them all.
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
    // The same on other edges (tests script them): one account's, or every account's.
    UsageStore(PipelineWiring wiring, std::chrono::milliseconds refreshInterval, QObject* parent = nullptr);
    UsageStore(AccountPipelines::Wiring wiring, std::shared_ptr<PricingSource> pricing,
               std::chrono::milliseconds refreshInterval, QObject* parent = nullptr);

    const UsageSnapshot& snapshot() const { return pipeline().snapshot(); }
    QString refreshStatus() const { return pipeline().status(); }
    bool hasSession() const { return pipeline().hasSession(); }
    bool showCookieSheet() const { return m_showCookieSheet; }
    bool isRefreshing() const { return pipeline().isRefreshing(); }
    QString pricingLabel() const { return pipeline().pricingLabel(); }
    // The settings are read at each use: the background refresh and the commands change some too.
    bool isPinned() const;
    bool backgroundRefreshEnabled() const;
    bool followsEditor() const;
    bool quotaNoticesEnabled() const;
    QuotaThresholds thresholds() const;
    bool trayAtLoginEnabled() const;
    bool historyEnabled() const;
    // Whether the editor's state database is there to import from (checked on every call).
    static bool editorLoginAvailable();
    // The ledger's figures for the trends page, as of the last sync.
    const TrendsReport& trends() const { return m_trends; }
    const AccountPipelines& accounts() const { return m_accounts; }
    qsizetype currentAccount() const { return m_current; }
    RefreshPipeline& pipeline() const { return m_accounts.pipeline(m_current); }
    // Shows another account; the pages redraw from its stored snapshot at once, without a request.
    void setCurrentAccount(qsizetype index);
    // Reads accounts.json again (an account added or removed elsewhere).
    void reloadAccounts();

    // The accounts, for the header's switcher, the tray and the settings page
    // (UsageStoreAccounts.cpp). With one account these are never shown.
    qsizetype accountCount() const { return m_accounts.size(); }
    bool hasSeveralAccounts() const { return m_accounts.several(); }
    // Account::displayName(): the label, else the e-mail, else the name.
    QString accountName(qsizetype index) const;
    const UsageSnapshot& accountSnapshot(qsizetype index) const
    {
        return m_accounts.pipeline(index).snapshot();
    }
    bool accountSignedIn(qsizetype index) const { return m_accounts.pipeline(index).hasSession(); }
    // "剩余 x%" (what is left of the Cursor models' quota, as the widget shows it), "暂无数据"
    // before any usage, or "未登录".
    QString accountSummary(qsizetype index) const;
    qsizetype primaryAccount() const { return m_accounts.primaryIndex(); }
    // The account whose login the Cursor editor holds, when it is listed; -1 otherwise. As the
    // editor's database was read when the list was, or when following or an import changed.
    qsizetype editorAccount() const;

    // "添加账号": a pasted cookie, or the editor's login, checked with the service and added (or its
    // account's token updated); the new account is shown and refreshed. The status says how it went.
    QCoro::Task<> addAccount(QString pastedText);
    QCoro::Task<> addEditorAccount();
    QCoro::Task<> removeAccount(qsizetype index);
    void setPrimaryAccount(qsizetype index);
    // Empty when the label was stored; otherwise why it was refused, and nothing changed.
    QString setAccountLabel(qsizetype index, const QString& label);

    void setShowCookieSheet(bool show);
    void setPinned(bool pinned);

    // Never throws; failures end up in the status line. A refresh the user asked for (not silently)
    // may unlock the keyring; a silent one never does, and leaves a busy service alone.
    QCoro::Task<> refresh(bool silently);
    // The user's actions on the session; each may unlock the keyring first.
    QCoro::Task<> saveCookie(QString pastedText);
    QCoro::Task<> importFromEditor();
    void logout();
    void setFollowEditor(bool follow);

    void setBackgroundRefresh(bool enabled);
    void setQuotaNotices(bool enabled);
    // An invalid pair is refused and changes nothing.
    void setThresholds(const QuotaThresholds& thresholds);
    // Stores the choice and writes or removes the autostart entry (LoginItem).
    void setTrayAtLogin(bool enabled);
    // "保存用量历史". Off deletes the ledger (the page asks first); on syncs at once.
    void setHistoryEnabled(bool enabled);
    // Every ledger event of the cycle on screen as CSV; the status line says how it went.
    void exportCsv(const QString& fileName);

    // The status line's time of day, in the user's short time format.
    static QString shortTime(Timestamp timestamp);

Q_SIGNALS:
    // Any published value changed, or the pricing table behind the estimates did (whichever account
    // fetched it).
    void changed();
    // Some account's values changed, whether or not it is the one on screen (the tray follows the
    // primary account, the switcher every account).
    void accountsChanged();

private Q_SLOTS:
    void pipelineChanged();
    void pricingSynced();
    void ledgerSynced();

private:
    void start(std::chrono::milliseconds refreshInterval);
    void connectPipelines();
    void readEditorUser();
    void setFlag(Preferences::Key key, bool value);
    void reloadTrends();
    // The current account's trends: as last shown, else read again.
    void takeTrends();
    // The pipeline of the account a paste or the editor's login goes to, by the account registry's
    // rule; nothing, with the refusal said in the status line, when it belongs to no account here.
    QCoro::Task<QPointer<RefreshPipeline>> routed(AccountRegistry::Arrival arrival, QString token,
                                                  QString owner, QString* routedOwner);
    // Shows and refreshes the account in `place`, read again from the list (a token stored there may
    // have made it new).
    QCoro::Task<> refreshAfterSaving(AccountPlace place);
    // `followsEditor`: the editor's login, followed once it was added.
    QCoro::Task<> enrolled(QString pasted, bool followsEditor = false);

    AccountPipelines m_accounts;
    qsizetype m_current = 0;
    bool m_showCookieSheet = false;
    TrendsReport m_trends;
    // The other accounts' trends as last shown, by folder: switching back draws them without reading
    // the ledger again.
    QHash<QString, TrendsReport> m_otherTrends;
    QString m_editorUserId; // with several accounts; empty when the editor holds no usable login
    QTimer m_timer;
};
