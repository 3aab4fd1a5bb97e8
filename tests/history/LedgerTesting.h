#pragma once

#include "ClientFixture.h"
#include "HeavyAccount.h"

#include "history/Ledger.h"
#include "history/LedgerSync.h"
#include "model/UsageSnapshot.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

// What the history tests share: the cycle the fixtures' clock stands in, and a ledger synced from
// the fake service.

// The fixture's clock stands at 2026-04-20 02:00 UTC, inside this cycle; the previous one is March.
inline UsageSnapshot aprilCycle()
{
    UsageSnapshot snapshot;
    snapshot.hasRealData = true;
    snapshot.billingCycleStart = u"2026-04-01T00:00:00.000Z"_s;
    snapshot.billingCycleEnd = u"2026-05-01T00:00:00.000Z"_s;
    return snapshot;
}

inline constexpr qint64 march1 = 1'772'323'200'000; // 2026-03-01T00:00:00Z
inline constexpr qint64 dayMs = 86'400'000;

// Readable and writable by its owner alone.
inline bool isPrivate(const QString& path)
{
    return QFile::permissions(path) == (QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadUser | QFileDevice::WriteUser);
}

// The ledger at `path` with 1 March's window whole, holding one event, fetched at `fetchedMs`.
inline bool storeOneEvent(const QString& path, qint64 fetchedMs)
{
    const auto ledger = Ledger::open(path);
    const CycleSpan::Window window{march1, march1 + dayMs};
    return ledger && ledger->prepare(1, {window}, march1) &&
           ledger->store({window.startMs, window.endMs, 2, 1, 1, true, fetchedMs},
                         {{march1 + 5, u"gpt-5"_s, u"k"_s, 1, 2, 3, 4}}, true);
}

// One ledger test's world: the client's fixture, with a busy account of `events` events over the 51
// days from 1 March answering the event pages, and the home account's ledger in its data folder.
struct LedgerWorld : ClientFixture
{
    AccountPlace place = AccountPlace::homeAccount();
    QString path = place.ledgerFile();
    HeavyAccount account;

    explicit LedgerWorld(int events = 3000)
        : account(march1, 51, events)
    {
        QDir().mkpath(place.folder());
        service.setJson("GET", DashboardClient::mePath, R"({"id": 254123789})");
        service.setHandler("POST", DashboardClient::eventsPath,
                           [this](const FakeService::Request& request) { return account.answer(request); });
    }

    LedgerSync::Result sync(int budget = 20)
    {
        return await(LedgerSync::runLocked(place, aprilCycle(), budget,
                                           {std::make_shared<CursorService>(), session, state}));
    }

    QList<LedgerEvent> stored() { return Ledger::open(path)->events(march1, march1 + 61 * dayMs); }
};
