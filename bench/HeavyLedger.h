#pragma once

#include "HeavyAccount.h"

#include "client/DashboardClient.h"
#include "history/Ledger.h"
#include "history/LedgerEvent.h"
#include "history/LedgerWindow.h"
#include "model/CycleSpan.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

// Every window's events of `account` over `cycle`, straight from its answers, as a sync would
// store them.
inline QList<std::pair<LedgerWindow, QList<LedgerEvent>>> heavyWindows(const HeavyAccount& account,
                                                                       const CycleSpan& cycle)
{
    using namespace Qt::StringLiterals;
    QList<std::pair<LedgerWindow, QList<LedgerEvent>>> result;
    for (const CycleSpan::Window& window : cycle.windows(cycle.endMs)) {
        LedgerWindow state{window.startMs, window.endMs, 1, 0, 0, true, std::nullopt};
        QList<LedgerEvent> events;
        for (int page = 1;; ++page) {
            FakeService::Request request;
            request.body = QJsonDocument(QJsonObject{{"startDate"_L1, QString::number(window.startMs)},
                                                     {"endDate"_L1, QString::number(window.endMs)},
                                                     {"page"_L1, page},
                                                     {"pageSize"_L1, DashboardClient::eventPageSize}})
                               .toJson();
            const auto answer = QJsonDocument::fromJson(account.answer(request).body).object();
            const DashboardClient::Events list = DashboardClient::eventsOf(answer);
            for (const QJsonObject& event : list)
                events.append(*LedgerEvent::fromJson(event));
            if (list.size() < DashboardClient::eventPageSize)
                break;
        }
        state.expected = state.received = events.size();
        result.append({state, events});
    }
    return result;
}

// A ledger at `path` holding every event of `account` over `cycle` for the user `userId`.
inline bool storeHeavyLedger(const QString& path, double userId, const HeavyAccount& account,
                             const CycleSpan& cycle)
{
    const auto ledger = Ledger::open(path);
    if (!ledger || !ledger->prepare(userId, cycle.windows(cycle.endMs), cycle.startMs))
        return false;
    for (const auto& [state, events] : heavyWindows(account, cycle)) {
        if (!ledger->store(state, events, true))
            return false;
    }
    return true;
}
