#pragma once

#include "history/TrendsReport.h"
#include "model/QuotaThresholds.h"
#include "model/UsageSnapshot.h"
#include "platform/Preferences.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class AccountPipelines;
class PricingSource;
class RefreshPipeline;
struct AccountPlace;
struct PipelineWiring;
namespace AccountRegistry {
enum class Arrival;
}

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

    // How each account's refreshes are wired (AccountPipelines::Wiring): the real edges, or a test's.
    using Wiring =
        std::function<PipelineWiring(const AccountPlace& place, std::shared_ptr<const QString> noticeTitle,
                                     std::shared_ptr<PricingSource> pricing)>;

    // Loads the stored snapshot, sets the first status line, starts the first refresh when a
    // session token is stored, starts the periodic silent refresh and installs or removes the
    // background agent as the setting says.
    explicit UsageStore(std::chrono::milliseconds refreshInterval = defaultRefreshInterval,
                        QObject* parent = nullptr);
    // The same on other edges (tests script them).
    UsageStore(Wiring wiring, std::shared_ptr<PricingSource> pricing,
               std::chrono::milliseconds refreshInterval, QObject* parent = nullptr);
    ~UsageStore() override;

    // One account as the window shows it (the header's switcher, the tray, the settings page).
    struct AccountRow
    {
        QString userId; // empty only for the home account alone, before the service named it
        QString name;   // its label, else its e-mail, else its name, else its user id
        QString label;
        QString plan; // as the status line names the plan
        QString summary; // "剩余 x%" (the Cursor models' quota, as the widget shows it), "暂无数据", "未登录"
        UsageSnapshot snapshot;
        bool signedIn = false;
        bool primary = false;
        bool current = false; // the one on screen
        bool editor = false;  // the Cursor editor is signed in as its user (with several accounts)

        bool operator==(const AccountRow&) const = default;
    };

    const UsageSnapshot& snapshot() const;
    QString refreshStatus() const;
    bool hasSession() const;
    bool showCookieSheet() const { return m_showCookieSheet; }
    bool isRefreshing() const;
    QString pricingLabel() const;
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
    // The ledger's figures for the trends page, as of its last sync.
    const TrendsReport& trends() const;
    // Whether the account on screen waits for the user to unlock the keyring (its token, or the
    // editor's login it follows, behind the lock). Never prompts.
    bool waitsForUnlock() const;
    // Reads accounts.json again (an account added or removed elsewhere).
    void reloadAccounts();

    // The accounts, in their order, for the header's switcher, the tray and the settings page
    // (UsageStoreAccounts.cpp). With one account these are never shown.
    QList<AccountRow> accountRows() const;
    bool hasSeveralAccounts() const;
    // The position of the account on screen among accountRows(); showing another (by position,
    // as the switcher and the shortcuts count) redraws the pages from its stored snapshot at once,
    // without a request.
    qsizetype currentAccount() const { return m_current; }
    void setCurrentAccount(qsizetype index);

    // "添加账号": a pasted cookie, or the editor's login, checked with the service and added (or its
    // account's token updated); the new account is shown and refreshed. The status says how it went.
    QCoro::Task<> addAccount(QString pastedText);
    QCoro::Task<> addEditorAccount();
    // By user id: the list may have changed since the row was shown. The status says how it went.
    QCoro::Task<> removeAccount(QString userId);
    void setPrimaryAccount(const QString& userId);
    // Empty when the label was stored; otherwise why it was refused, and nothing changed.
    QString setAccountLabel(const QString& userId, const QString& label);

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
    // The account on screen's.
    RefreshPipeline& pipeline();
    const RefreshPipeline& pipeline() const;
    void start(std::chrono::milliseconds refreshInterval);
    void connectPipelines();
    void readEditorUser();
    void setFlag(Preferences::Key key, bool value);
    // The pipeline of the account a paste or the editor's login goes to, by the account registry's
    // rule; nothing, with the refusal said in the status line, when it belongs to no account here.
    QCoro::Task<QPointer<RefreshPipeline>> routed(AccountRegistry::Arrival arrival, QString token,
                                                  QString owner, QString* routedOwner);
    // Shows and refreshes the account in `place`, read again from the list (a token stored there may
    // have made it new).
    QCoro::Task<> refreshAfterSaving(const AccountPlace& place);
    // `followsEditor`: the editor's login, followed once it was added.
    QCoro::Task<> enrolled(QString pasted, bool followsEditor = false);

    std::unique_ptr<AccountPipelines> m_accounts;
    qsizetype m_current = 0;
    bool m_showCookieSheet = false;
    QString m_editorUserId; // with several accounts; empty when the editor holds no usable login
    QTimer m_timer;
};
