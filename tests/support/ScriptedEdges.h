#pragma once

#include "client/EditorSessionError.h"
#include "refresh/AccountPipelines.h"
#include "refresh/RefreshPipeline.h"

#include <QHash>
#include <QStringList>

#include <coroutine>
#include <memory>
#include <optional>
#include <vector>

// The edges of a refresh as tests script them: every answer is set by the test, and every call that
// does something is written down in one shared journal, so that a test states a whole refresh in a
// line. No network, no keyring, no files.

// What the edges were asked to do, in order, in short words: "overview tok", "store o1", "nudge",
// "ledger 20 tok". Reads that change nothing (a lookup, a label) are left out.
class Journal
{
public:
    void add(const QString& entry) { m_entries.append(entry); }
    QString text() const { return m_entries.join(QStringLiteral(", ")); }
    void clear() { m_entries.clear(); }

private:
    QStringList m_entries;
};

// Holds one call's answer back until the test opens it; the call then goes on at once, inside
// open(), so that a test sees its effects on the next line.
class Gate
{
public:
    void open();
    // Ends once the gate is open.
    auto passed()
    {
        struct Awaiter
        {
            Gate& gate;
            bool await_ready() const noexcept { return gate.m_open; }
            void await_suspend(std::coroutine_handle<> waiting) { gate.m_waiting.push_back(waiting); }
            void await_resume() const noexcept {}
        };
        return Awaiter{*this};
    }

private:
    bool m_open = false;
    std::vector<std::coroutine_handle<>> m_waiting;
};

// The calls of one scripted operation. While holding, each new call waits at a gate of its own until
// the test releases it, so that the test decides in which order answers arrive.
class Calls
{
public:
    int count() const { return int(m_gates.size()); }
    void hold() { m_holding = true; }
    // Lets the n-th call (from 1) go on.
    void release(int call);
    // Lets every call held so far go on; later ones are held still.
    void releaseHeld();
    // Lets every held call go on, and holds no more.
    void releaseAll();
    // Where each scripted call begins.
    QCoro::Task<> enter();

private:
    bool m_holding = false;
    QList<std::shared_ptr<Gate>> m_gates;
};

// The service. Each overview is labelled by its call ("o1", "o2"), its patch after it ("o1+p"), so a
// test can tell whose snapshot was stored. A 429 is recorded in the state's rate-limit record with a
// two-minute wait, as the client records it.
class ScriptedService : public UsageService
{
public:
    enum class Answer { usage, unauthorized, busy, serverError, transport };

    std::shared_ptr<Journal> journal; // set by ScriptedAccount
    Answer overviewAnswer = Answer::usage;
    std::optional<UsageSnapshot> usage; // what a usage answer holds, stamped now; else one labelled
    QList<Answer> overviewAnswers;      // per call, before overviewAnswer
    bool patchFails = false;
    Answer identifyAnswer = Answer::usage; // usage: the identity
    QHash<QString, DashboardClient::Identity> identities;
    QStringList turnedAway; // tokens "/api/auth/me" answers with 401, whatever identifyAnswer says
    Calls overviews;
    Calls patches;
    QList<DashboardClient::CancellationFlag> patchCancellations; // as each patch was handed it

    QCoro::Task<UsageSnapshot> fetchOverview(QString token, DashboardClient::ClientStateRef state) override;
    QCoro::Task<UsageSnapshot> fetchEventPatch(QString token, DashboardClient::ClientStateRef state,
                                               UsageSnapshot base,
                                               DashboardClient::CancellationFlag cancellation) override;
    QCoro::Task<double> currentUserId(QString token, DashboardClient::ClientStateRef state) override;
    // Whom a token belongs to: `identities` by token, else user "user_<token>", "<token>@example.com".
    QCoro::Task<DashboardClient::Identity> identify(QString token,
                                                    DashboardClient::ClientStateRef state) override;
    QCoro::Task<DashboardClient::Answer> fetchEventPage(QString token, DashboardClient::ClientStateRef state,
                                                        double userId, double startMs, double endMs,
                                                        int page) override;
};

// The keychain and the editor's login. One lock stands for the keyring, which accounts may share: a
// token behind it is "locked", and nothing is written while it is locked. The editor's newer login
// is "editor". A token in `rejected` reads as none, as the real one does.
class ScriptedSession : public SessionAccess
{
public:
    std::shared_ptr<Journal> journal; // set by ScriptedAccount
    std::optional<QString> token = QStringLiteral("tok");
    std::shared_ptr<bool> locked = std::make_shared<bool>(false);
    bool unlockSucceeds = false;
    bool failsSaves = false;
    bool following = false;
    bool editorLogin = false; // the editor holds a login newer than the stored token
    bool ownsEditor = true;   // the editor is signed in as this account's user (always with one)
    std::optional<EditorSessionError::Kind> importError;
    QStringList rejected;
    Calls unlocks; // each answers on a later turn of the event loop, like the keyring's prompt

    SecretLookup lookup() override;
    bool needsUnlock() override { return *locked; }
    QCoro::Task<SecretLookup> unlockAndLookup() override;
    void save(const QString& pasted, const QString& owner) override;
    void remove() override;
    bool isFollowing() override { return following; }
    void setFollowing(bool on) override;
    bool ownsEditorLogin() override { return ownsEditor; }
    EditorLogin::FollowOutcome follow() override;
    EditorSession::Login importFromEditor() override;
    void rememberRejected(const QString& rejectedToken) override;
};

// The stored snapshot: what load() finds, and the saves, which fail from a given one on.
class ScriptedSnapshots : public SnapshotSink
{
public:
    std::shared_ptr<Journal> journal; // set by ScriptedAccount
    std::optional<UsageSnapshot> stored;
    int savesBeforeFailing = -1; // -1: none fails

    UsageSnapshot load() override;
    bool save(const UsageSnapshot& snapshot) override;
    void nudgeWidget() override;

private:
    int m_saves = 0;
};

class ScriptedNotices : public NoticeSink
{
public:
    std::shared_ptr<Journal> journal; // set by ScriptedAccount
    Calls posts;

    QCoro::Task<> post(UsageSnapshot snapshot) override;
};

// The ledger: syncs answer with the scripted outcome; the trends report counts the syncs ended.
class ScriptedLedger : public LedgerSink
{
public:
    std::shared_ptr<Journal> journal; // set by ScriptedAccount
    LedgerSync::Outcome outcome = LedgerSync::Outcome::upToDate;
    CycleExport::Result exported;
    Calls syncs;
    std::optional<LedgerSync::Source> lastSource;

    QCoro::Task<LedgerSync::Result> sync(UsageSnapshot snapshot, int pageBudget,
                                         LedgerSync::Source source) override;
    TrendsReport trends(const UsageSnapshot& snapshot) override;
    void remove() override;
    CycleExport::Result exportCycle(const UsageSnapshot& snapshot, CycleExport::Cycle cycle,
                                    const QString& fileName) override;

private:
    int m_ended = 0;
};

// The account's entry among the accounts: removed once `current` is false; what the service said
// about its user, in `identities` ("user_tok tok@example.com").
class ScriptedRecord : public AccountRecord
{
public:
    bool current = true;
    QStringList identities;

    bool isCurrent() override { return current; }
    void recordIdentity(const QString& userId, const QString& email) override
    {
        identities.append(userId + u' ' + email);
    }
};

// The day's pricing download: due or not, and whether it brings a new table.
class ScriptedPricing : public PricingSource
{
public:
    std::shared_ptr<Journal> journal; // set by ScriptedAccount
    bool due = false;
    bool changes = false;
    Calls syncs;

    bool needsSync() override { return due; }
    QCoro::Task<bool> syncIfNeeded() override;
    QString label() override { return m_label; }

private:
    QString m_label = QStringLiteral("标价用内置表");
};

// One account on scripted edges, all writing to one journal, with its client state (the rate-limit
// record in memory).
struct ScriptedAccount
{
    ScriptedAccount();

    std::shared_ptr<Journal> journal = std::make_shared<Journal>();
    std::shared_ptr<ScriptedService> service = std::make_shared<ScriptedService>();
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    std::shared_ptr<ScriptedSnapshots> snapshots = std::make_shared<ScriptedSnapshots>();
    std::shared_ptr<ScriptedNotices> notices = std::make_shared<ScriptedNotices>();
    std::shared_ptr<ScriptedLedger> ledger = std::make_shared<ScriptedLedger>();
    std::shared_ptr<ScriptedPricing> pricing = std::make_shared<ScriptedPricing>();
    std::shared_ptr<ScriptedRecord> record = std::make_shared<ScriptedRecord>();
    DashboardClient::ClientStateRef state = std::make_shared<DashboardClient::ClientState>();

    RefreshEdges edges() const;
    QString text() const { return journal->text(); }
};

// Every pipeline of a set of accounts on scripted edges: the home place's on `home`, any other on
// `other`. With `titles`, each account's shared notice title is kept by its user id.
AccountPipelines::Wiring scriptedWiring(const ScriptedAccount& home, const ScriptedAccount& other,
                                        QHash<QString, std::shared_ptr<const QString>>* titles = nullptr);

// A snapshot with real data, named as the journal names it.
UsageSnapshot labelledSnapshot(const QString& label);
