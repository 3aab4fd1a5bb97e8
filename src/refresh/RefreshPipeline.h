#pragma once

#include "AccountRecord.h"
#include "LedgerSink.h"
#include "NoticeSink.h"
#include "PricingSource.h"
#include "RefreshPolicy.h"
#include "SessionAccess.h"
#include "SnapshotSink.h"

#include "client/DashboardError.h"
#include "client/UsageService.h"

#include <QCoroTask>
#include <QObject>

#include <memory>
#include <optional>

// What a refresh talks to. Each edge has one real implementation and one that tests script; they are
// shared with the refreshes still running when the pipeline goes away.
struct RefreshEdges
{
    std::shared_ptr<UsageService> service;
    std::shared_ptr<SessionAccess> session;
    std::shared_ptr<SnapshotSink> snapshots;
    std::shared_ptr<NoticeSink> notices;
    std::shared_ptr<LedgerSink> ledger;
    std::shared_ptr<PricingSource> pricing;
    std::shared_ptr<AccountRecord> account;
};

// How a refresh ended, as the caller may act on it.
struct RefreshOutcome
{
    enum class Result {
        stored,       // a snapshot was stored (the overview; the event patch may follow on its own)
        notStored,    // fetched, but it could not be stored: the snapshot shown stays
        superseded,   // a newer refresh started meanwhile and has the last word
        noSession,    // no token stored
        locked,       // the token (or the editor's newer login) waits behind a locked keyring
        unlockFailed, // the user's unlock was cancelled, or an earlier prompt is still up
        busy,         // the service asked to be left alone until a later time
        unauthorized, // the service turned the token away
        removed,      // the account was removed meanwhile: nothing more was sent or stored for it
        failed,       // any other failure: network, answer, parsing
    };

    Result result = Result::failed;
    std::optional<UsageSnapshot> stored;
};

// One account's refresh, for every caller there is: the window's start-up, its timer, "刷新" and the
// tray's refresh, a paste or an import, and `tallyfern --refresh`. The steps run in one order
// (RefreshSequence.cpp); callers differ only by their RefreshPolicy. The pipeline also holds what the
// status line says and the snapshot on screen, so that outcomes never need to be worked out twice.
//
// Overlapping refreshes are allowed: each takes a generation, and only the newest one's result is
// shown; a newer refresh stops the event patch of an older one before its next page.
class RefreshPipeline : public QObject
{
    Q_OBJECT

public:
    // Loads the stored snapshot. `state` is the account's client state, kept for every refresh.
    RefreshPipeline(RefreshEdges edges, DashboardClient::ClientStateRef state, QObject* parent = nullptr);
    ~RefreshPipeline() override;

    const UsageSnapshot& snapshot() const { return m_snapshot; }
    QString status() const { return m_status; }
    bool hasSession() const { return m_hasSession; }
    // A refresh that is not silent is running.
    bool isRefreshing() const { return m_isRefreshing; }
    // Read at each call: every account's pipeline shares the one pricing table.
    QString pricingLabel() const { return m_edges.pricing->label(); }
    const RefreshEdges& edges() const { return m_edges; }
    // The account's edges made again for its new place (the home account's user became known); what
    // it shows and the refreshes under way stay.
    void setEdges(RefreshEdges edges) { m_edges = std::move(edges); }

    // The window's start: the editor's login followed and the first status set. With `storeAgain`
    // (the home account's, kept both in a file and in the settings) the stored snapshot is stored
    // again, so that the two agree, and the widget nudged. True when a session is there to refresh
    // at once (with RefreshPolicy::startUp()).
    bool prepare(bool storeAgain);

    // One refresh. It ends once its result is stored (with appliesOverviewFirst, the event patch
    // then runs on its own); never throws. `facts`: what the steps taken once for several accounts
    // learnt (RefreshSequence).
    QCoro::Task<RefreshOutcome> refresh(RefreshPolicy policy, RefreshFacts facts = {});

    // For a user's own action: unlocks the keyring when the token is locked, or, `forWriting`, when a
    // save would have to; false (with the status said) when it stays locked.
    QCoro::Task<bool> unlock(bool forWriting);
    // Whether unlock() would have to ask. Never prompts.
    bool needsUnlock(bool forWriting) const;

    // One sync of the ledger outside any refresh ("保存用量历史" switched on), with the stored token.
    QCoro::Task<> syncLedger();
    // The ledger's figures for the trends page: read when first asked after its last sync, and kept
    // until the next (switching accounts reads nothing again); empty while the history is off.
    const TrendsReport& trends() const;
    // Read again when next asked ("保存用量历史" switched).
    void forgetTrends() { m_trends.reset(); }

    // The session's own actions (a paste, an import, a logout) say how they went, and whether a
    // session is there now. A logout also stops the running event patch.
    void say(const QString& status);
    void setHasSession(bool hasSession);
    void supersede();

    // A failure's text, with the note that the cached usage stays on screen when there is any.
    QString withCache(const QString& text) const;

Q_SIGNALS:
    // Any of the values above changed.
    void changed();
    // The day's pricing download this pipeline started ended: the table behind every account's
    // estimates, and its label, may be new.
    void pricingSynced();
    // The ledger's sync ended: the trends page reads it again.
    void ledgerSynced();

private:
    friend class RefreshSequence;
    struct Run;
    // What a step answers: the refresh goes on, ends here, or goes on on its own from the next step
    // while the caller's refresh ends (the window's event patch, after the overview was shown).
    enum class Next { goOn, stop, detach };

    QCoro::Task<> runSteps(Run& run, RefreshPolicy policy, qsizetype from);
    QCoro::Task<> continueFrom(Run run, RefreshPolicy policy, qsizetype from);

    // The steps (RefreshPipelineSteps.cpp), each handed the policy values it reads.
    QCoro::Task<Next> checkLock(Run& run, PolicyView<Policy::MayUnlock> policy);
    QCoro::Task<Next> followEditor(Run& run, PolicyView<Policy::FollowsWithoutToken> policy);
    QCoro::Task<Next> lookUpToken(Run& run, PolicyView<Policy::Silent> policy);
    QCoro::Task<Next> respectRateLimit(Run& run,
                                       PolicyView<Policy::IgnoresRateLimit, Policy::PricingTiming> policy);
    QCoro::Task<Next> beginGeneration(Run& run, PolicyView<Policy::Silent, Policy::PricingTiming> policy);
    QCoro::Task<Next> fetchOverview(Run& run,
                                    PolicyView<Policy::Silent, Policy::RemovesRejectedToken> policy);
    QCoro::Task<Next> applyOverview(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy);
    QCoro::Task<Next> detachPatch(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy);
    QCoro::Task<Next> fetchEventPatch(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy);
    QCoro::Task<Next> storeSnapshot(Run& run, PolicyView<> policy);
    QCoro::Task<Next> postNotices(Run& run, PolicyView<Policy::AppliesOverviewFirst> policy);
    QCoro::Task<Next>
    syncLedgerStep(Run& run,
                   PolicyView<Policy::SyncsLedgerAfterFailedPatch, Policy::LedgerPageBudget> policy);

    void failOverview(Run& run, PolicyView<Policy::Silent, Policy::RemovesRejectedToken> policy,
                      std::optional<DashboardError::Kind> kind, QString text);
    // True, with the outcome set, once the account was removed: the refresh sends and stores nothing
    // more, and an answer still in flight is dropped.
    bool accountGone(Run& run);
    // What the event patch checks before each page: a newer refresh raises it, and it reads as raised
    // once the account is gone.
    std::shared_ptr<DashboardClient::Cancellation> cancellation() const;
    // The outcome of a refresh that ends now.
    static RefreshOutcome outcome(RefreshOutcome::Result result, std::optional<UsageSnapshot> stored = {});
    bool store(const UsageSnapshot& snapshot, const QString& status);
    void startPricing(Policy::PricingTiming policy);
    QCoro::Task<> syncPricingAlongside();
    QCoro::Task<> syncLedgerWith(QString token, UsageSnapshot snapshot, int pageBudget);
    void finishUserRefresh(qint64 generation);

    RefreshEdges m_edges;
    DashboardClient::ClientStateRef m_state;
    // Read after every await: false once the pipeline is gone, so a late answer touches nothing.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    UsageSnapshot m_snapshot;
    QString m_status;
    bool m_hasSession = false;
    bool m_isRefreshing = false;

    qint64 m_generation = 0;
    qint64 m_activeUserRefresh = 0;
    bool m_unlocking = false; // one unlock prompt at a time
    bool m_ledgerSyncing = false;
    // The running event patch; a newer refresh or a logout raises it.
    std::shared_ptr<DashboardClient::Cancellation> m_eventTask;
    mutable std::optional<TrendsReport> m_trends;
};
