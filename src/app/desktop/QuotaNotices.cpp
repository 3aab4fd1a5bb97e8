#include "QuotaNotices.h"

#include "model/OnDemandAmount.h"
#include "model/PlaceGuard.h"
#include "model/QuotaAlerts.h"
#include "platform/AtomicFile.h"
#include "platform/DesktopNotifications.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"

#include <QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

using namespace Qt::StringLiterals;

namespace {

struct State
{
    QString cycle;
    QStringList sent;
};

// An unreadable file counts as nothing sent: at worst a notice comes twice, never not at all.
State readState(const AccountPlace& place)
{
    QFile file(place.noticesFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    State state{object.value("cycle"_L1).toString(), {}};
    for (const QJsonValue& key : object.value("sent"_L1).toArray())
        state.sent.append(key.toString());
    return state;
}

// Only while the place is still the account's, so a removed account's notices never come back.
bool writeState(const AccountPlace& place, const State& state)
{
    const QJsonObject object{{u"cycle"_s, state.cycle}, {u"sent"_s, QJsonArray::fromStringList(state.sent)}};
    return PlaceGuard::write(place, [&] {
        return AtomicFile::write(place.noticesFile(), QJsonDocument(object).toJson(QJsonDocument::Compact));
    });
}

// Under the lock: which notices are due, remembered as sent before any goes out, so that two
// processes storing the same snapshot never both send it. Nothing goes out that could not be
// remembered. Switched off, only the cycle is remembered, so that switching on later brings no news
// of a cycle that began meanwhile.
QList<QuotaAlerts::Notice> claimDue(const AccountPlace& place, const UsageSnapshot& snapshot, bool enabled)
{
    // In the account's folder, which only adding the account makes: none for a removed account.
    if (place.home)
        AtomicFile::makePrivateFolder(place.folder());
    QLockFile lock(place.noticesLock());
    // Short: the window's refresh runs on the UI thread, and the next refresh tries again.
    if (!lock.tryLock(250))
        return {};
    State state = readState(place);
    const QString cycle = QuotaAlerts::cycle(snapshot);
    QList<QuotaAlerts::Notice> notices;
    const bool newCycle = state.cycle != cycle;
    if (newCycle) {
        if (const auto began = QuotaAlerts::newCycle(state.cycle, snapshot))
            notices.append(*began);
        state = State{cycle, {}};
        if (!enabled)
            writeState(place, state);
    }
    if (!enabled)
        return {};
    const QuotaAlerts::Outcome outcome =
        QuotaAlerts::due(snapshot, QuotaThresholds::load(), state.sent, OnDemandAmount::load());
    notices.append(outcome.notices);
    if ((newCycle || outcome.sent != state.sent) && !writeState(place, State{cycle, outcome.sent}))
        return {};
    return notices;
}

} // namespace

QString QuotaNotices::stateFileName()
{
    return AccountPlace::homeAccount().noticesFile();
}

QCoro::Task<> QuotaNotices::post(UsageSnapshot snapshot, AccountPlace place, QString title)
{
    QList<QuotaAlerts::Notice> notices;
    try {
        // Without a session bus nothing could be shown; the notices wait for a run that has one.
        if (!snapshot.hasRealData || !QDBusConnection::sessionBus().isConnected())
            co_return;
        notices = claimDue(place, snapshot, Preferences::flag(Preferences::Key::quotaNotices));
    } catch (...) {
        co_return;
    }
    // Awaited one by one, so that the headless run's message is delivered before it exits.
    for (const QuotaAlerts::Notice& notice : notices)
        co_await DesktopNotifications::notify(notice.body, title);
}
