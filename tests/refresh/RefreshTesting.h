#pragma once

#include "Await.h"
#include "ScriptedEdges.h"
#include "TestEnvironment.h"

#include "platform/Preferences.h"
#include "refresh/AccountRefresh.h"

#include <QtTest>

#include <functional>
#include <iterator>
#include <map>
#include <memory>

using namespace Qt::StringLiterals;

// A refresh to its end on the window's policies: the overview shown at once, then its event patch
// stored, a notice for each, the ledger last.
inline const QString windowStores =
    u"overview tok, store o1, nudge, notice o1, patch tok, store o1+p, nudge, notice o1+p"_s;
inline const QString window = windowStores + u", ledger 20 tok"_s;
// On the headless one: the patch awaited, the snapshot stored once, its notices, a shorter ledger.
inline const QString headlessStores = u"overview tok, patch tok, store o1+p, nudge, notice o1+p"_s;
inline const QString headless = headlessStores + u", ledger 10 tok"_s;

// The statuses more than one table expects.
inline const QString updated = u"已更新 · 10:00"_s;
inline const QString stillLocked = u"钥匙串仍锁定"_s;
inline const QString loggedOut = u"已退出登录。上次用量仍留在本机。"_s;

// The policies by the names the tables give them.
inline RefreshPolicy policyNamed(const QString& name)
{
    if (name == u"user")
        return RefreshPolicy::user();
    if (name == u"startUp")
        return RefreshPolicy::startUp();
    if (name == u"timer")
        return RefreshPolicy::timer();
    if (name != u"headless")
        qFatal("no policy named %s", qPrintable(name));
    return RefreshPolicy::headless();
}

inline QString resultName(RefreshOutcome::Result result)
{
    static const char* const names[] = {"stored",       "notStored", "superseded",   "noSession", "locked",
                                        "unlockFailed", "busy",      "unauthorized", "removed",   "failed"};
    static_assert(std::size(names) == std::size_t(RefreshOutcome::Result::failed) + 1, "one name a result");
    return QString::fromLatin1(names[int(result)]);
}

// One test's account on scripted edges and the pipeline on it, the clock at Monday 10:00 in
// Shanghai (the tests' time zone), a token "tok" stored and nothing else, until the words of a
// table's "setup" column say otherwise (script() below; among them "editor": the editor holds a newer
// login, "editor-elsewhere": it is signed in as another account's user, "turned-away": the stored
// token was turned away as the editor's login, "busy": a 429 remembered until 10:02, "signed-in": the
// pipeline last saw a session, "hold": the overviews wait for the test).
// Only "cached" is set before the pipeline exists; everything else after, so that a pipeline that
// kept an earlier copy of a setting would fail.
struct PipelineWorld
{
    TestEnvironment env;
    ScriptedAccount account;
    std::unique_ptr<RefreshPipeline> pipeline;

    explicit PipelineWorld(const QString& setup = {})
    {
        env.setNow(u"2026-04-20T10:00:00+08:00"_s);
        const QStringList words = setup.split(u' ', Qt::SkipEmptyParts);
        if (words.contains(u"cached"_s))
            account.snapshots->stored = labelledSnapshot(u"c0"_s);
        pipeline = std::make_unique<RefreshPipeline>(account.edges(), account.state);
        for (const QString& word : words)
            script(word);
    }

    ~PipelineWorld()
    {
        // Whatever a test left waiting ends before the pipeline goes.
        for (Calls* calls :
             {&account.service->overviews, &account.service->patches, &account.session->unlocks,
              &account.notices->posts, &account.ledger->syncs, &account.pricing->syncs})
            calls->releaseAll();
        QTest::qWait(0);
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
    }

    // As every caller runs one: through AccountRefresh, which awaits the day's pricing first when
    // the policy says so.
    QCoro::Task<QList<RefreshOutcome>> start(const QString& policy)
    {
        return AccountRefresh::run({pipeline.get()}, policyNamed(policy), account.pricing);
    }
    RefreshOutcome refresh(const QString& policy) { return await(start(policy)).value(0); }
    QString journal() const { return account.text(); }

    void script(const QString& word)
    {
        using Answer = ScriptedService::Answer;
        ScriptedService& service = *account.service;
        ScriptedSession& session = *account.session;
        const std::map<QString, std::function<void()>> words{
            {u"no-token"_s, [&] { session.token.reset(); }},
            {u"locked"_s, [&] { *session.locked = true; }},
            {u"unlocks"_s, [&] { session.unlockSucceeds = true; }},
            {u"fails-saves"_s, [&] { session.failsSaves = true; }},
            {u"following"_s, [&] { session.following = true; }},
            {u"editor"_s, [&] { session.editorLogin = true; }},
            {u"editor-elsewhere"_s, [&] { session.ownsEditor = false; }},
            {u"import-fails"_s, [&] { session.importError = EditorSessionError::Kind::noDatabase; }},
            {u"rejected"_s, [&] { session.rejected.append(u"editor"_s); }},
            {u"turned-away"_s, [&] { session.rejected.append(u"tok"_s); }},
            {u"removed"_s, [&] { account.record->current = false; }},
            {u"cached"_s, [] {}},
            {u"busy"_s, [&] { account.state->rateLimit->record("120"); }},
            {u"401"_s, [&] { service.overviewAnswer = Answer::unauthorized; }},
            {u"429"_s, [&] { service.overviewAnswer = Answer::busy; }},
            {u"500"_s, [&] { service.overviewAnswer = Answer::serverError; }},
            {u"transport"_s, [&] { service.overviewAnswer = Answer::transport; }},
            {u"patch-fails"_s, [&] { service.patchFails = true; }},
            {u"store-fails"_s, [&] { account.snapshots->savesBeforeFailing = 0; }},
            {u"patch-store-fails"_s, [&] { account.snapshots->savesBeforeFailing = 1; }},
            {u"history-off"_s, [] { Preferences::setValue(Preferences::Key::usageHistory, false); }},
            {u"ledger-busy"_s, [&] { account.ledger->outcome = LedgerSync::Outcome::busy; }},
            {u"pricing-due"_s, [&] { account.pricing->due = true; }},
            {u"pricing-changes"_s, [&] { account.pricing->due = account.pricing->changes = true; }},
            {u"hold"_s, [&] { service.overviews.hold(); }},
            {u"signed-in"_s, [&] { pipeline->setHasSession(true); }},
            {u"origin-refused"_s, [] { qputenv("TALLYFERN_SERVICE_ORIGIN", "http://localhost."); }},
        };
        const auto found = words.find(word);
        if (found == words.end())
            qFatal("no setup word %s", qPrintable(word));
        found->second();
    }
};
