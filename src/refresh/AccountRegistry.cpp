// The rule that routes a token to its account, and the changes that store one token.
#include "AccountRegistry_p.h"

#include "client/DashboardError.h"
#include "client/EditorSessionError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "model/PlaceGuard.h"

using namespace Qt::StringLiterals;
using Kind = AccountRegistry::Route::Kind;

namespace AccountRegistry {

namespace {

const AccountRoster::Entry* byUserId(const AccountRoster& roster, const QString& userId)
{
    const auto found = std::find_if(roster.entries.begin(), roster.entries.end(), [&](const auto& entry) {
        return !userId.isEmpty() && entry.account.userId == userId;
    });
    return found != roster.entries.end() ? &*found : nullptr;
}

} // namespace

Route route(Arrival arrival, const AccountRoster& roster, const QString& owner, bool homeSignedOut)
{
    Route route;
    route.owner = owner;
    if (const AccountRoster::Entry* known = byUserId(roster, owner)) {
        route.kind = arrival == Arrival::add ? Kind::update : Kind::replace;
        route.place = known->place;
        return route;
    }
    if (arrival != Arrival::add && roster.homeAlone()) {
        // As before accounts could be added: the home account's token, whoever it belongs to.
        route.kind = roster.entries.isEmpty() ? Kind::addHome : Kind::replace;
        route.place = roster.entries.isEmpty() ? AccountPlace::homeAccount(owner, roster.home.generation)
                                               : roster.entries.constFirst().place;
        return route;
    }
    if (arrival == Arrival::follow)
        return route; // each account follows only its own user's login
    if (arrival != Arrival::add) {
        route.refusal = foreignLogin();
        return route;
    }
    if (roster.entries.size() >= AccountList::maximum) {
        route.refusal = u"最多只能添加 8 个账号"_s;
        return route;
    }
    const AccountRoster::Entry* home = roster.homeEntry();
    if (home && !home->account.userId.isEmpty()) {
        route.kind = Kind::addBeside;
        route.place = AccountPlace::otherAccount(owner);
    } else if (home && !homeSignedOut) {
        route.kind = Kind::identifyHome; // whose is the token in the home place?
    } else {
        route.kind = Kind::addHome;
        route.place = AccountPlace::homeAccount(owner, roster.home.generation);
        route.replacesUnknown = home != nullptr;
    }
    return route;
}

bool needsOwner(const AccountRoster& roster)
{
    return !roster.homeAlone();
}

QString foreignLogin()
{
    return u"这个登录属于另一个账号 · 请在「设置」中添加账号"_s;
}

QString nameOf(const Account& account)
{
    return account.email.isEmpty() ? account.userId : account.email;
}

QCoro::Task<bool> unlockFor(SecretKey key)
{
    if (!SessionKeychain::needsUnlock(key))
        co_return true;
    co_await SessionKeychain::unlockAndLookup(key);
    co_return !SessionKeychain::needsUnlock(key);
}

QCoro::Task<Route> routeToken(Arrival arrival, QString token, QString owner,
                              std::shared_ptr<UsageService> service)
{
    if (arrival == Arrival::paste && needsOwner(AccountRoster::read())) {
        try {
            // Asked with a state of its own: nothing of any account is learnt from it.
            const auto state = std::make_shared<DashboardClient::ClientState>();
            owner = (co_await service->identify(token, state)).userId;
        } catch (const std::exception& error) {
            Route refused;
            refused.refusal = DashboardClient::describe(error);
            co_return refused;
        }
    }
    co_return route(arrival, AccountRoster::read(), owner, false);
}

namespace detail {

Decision decide(const AccountsLock& lock, Arrival arrival, const QString& owner, bool homeSignedOut)
{
    AccountRoster roster = AccountRoster::of(AccountList::readHeld(lock), HomeRecord::read());
    Route decided = route(arrival, roster, owner, homeSignedOut);
    return {std::move(decided), std::move(roster)};
}

bool isSamePlace(const AccountPlace& routed, const AccountPlace& expected)
{
    return routed.home == expected.home && routed.generation == expected.generation &&
           (routed.home || routed.userId == expected.userId);
}

// With the home account alone and its place empty, the token's account takes it: the record names it
// when the owner is known (the same generation: the removal that emptied the place changed it).
bool fillHomePlace(const AccountsLock& lock, const Decision& decision, const QString& email)
{
    HomeRecord record = decision.roster.home;
    record.userId = decision.route.owner.isEmpty() ? std::nullopt : std::optional(decision.route.owner);
    record.email = email;
    return record.write(lock);
}

} // namespace detail

using namespace detail;

void store(Arrival arrival, const AccountPlace& place, const QString& pasted, const QString& owner)
{
    const AccountsLock lock;
    if (!lock.isHeld())
        throw SessionKeychainError(SessionKeychainError::Kind::saveFailed);
    // The rule asked again on what is on disk now: the place, generation included, must be the one
    // the token was routed to, so its account is still there.
    const Decision decision = decide(lock, arrival, owner, false);
    const bool fills = decision.route.kind == Kind::addHome;
    if ((decision.route.kind != Kind::replace && !fills) || !isSamePlace(decision.route.place, place))
        throw SessionKeychainError(SessionKeychainError::Kind::listChanged);
    if (arrival == Arrival::import)
        EditorLogin::importNow(place.secretKey());
    else
        SessionKeychain::save(pasted, place.secretKey());
    if (fills)
        fillHomePlace(lock, decision, {});
}

EditorSession::Login importInto(const AccountPlace& place)
{
    const EditorSession::Login login = EditorLogin::current();
    store(Arrival::import, place, login.token, login.userId);
    return login;
}

QCoro::Task<Outcome> receive(Arrival arrival, QString token, QString owner,
                             std::shared_ptr<UsageService> service, Unlock unlock)
{
    const Route routed = co_await routeToken(arrival, token, owner, std::move(service));
    if (!routed.stores())
        co_return Outcome{Outcome::Kind::refused, routed.refusal, {}, {}};
    if (!co_await unlock(routed.place.secretKey()))
        co_return Outcome{Outcome::Kind::refused,
                          SessionKeychainError(SessionKeychainError::Kind::locked).description(),
                          {},
                          {}};
    try {
        store(arrival, routed.place, token, routed.owner);
    } catch (const SessionKeychainError& error) {
        co_return Outcome{Outcome::Kind::refused, error.description(), {}, {}};
    } catch (const EditorSessionError& error) {
        co_return Outcome{Outcome::Kind::refused, error.description(), {}, {}};
    }
    const Account account{routed.owner, {}, {}, {}, 0};
    co_return Outcome{Outcome::Kind::stored, {}, account, routed.place};
}

EditorLogin::FollowOutcome follow(const AccountPlace& place)
{
    using Followed = EditorLogin::FollowOutcome;
    if (!EditorLogin::isFollowing())
        return Followed::unchanged;
    QString owner;
    try {
        owner = EditorLogin::current().userId;
    } catch (const EditorSessionError&) {
        return Followed::unchanged; // signed out, expired, turned away or unreadable
    }
    // A hint first, so that a refresh with nothing to take never waits for the lock.
    const Route hinted = route(Arrival::follow, AccountRoster::read(), owner, false);
    if (!hinted.stores() || !isSamePlace(hinted.place, place))
        return Followed::unchanged;
    const AccountsLock lock;
    if (!lock.isHeld())
        return Followed::unchanged;
    const Decision decision = decide(lock, Arrival::follow, owner, false);
    const bool fills = decision.route.kind == Kind::addHome;
    if (!decision.route.stores() || !isSamePlace(decision.route.place, place))
        return Followed::unchanged;
    const Followed followed = EditorLogin::follow(place.secretKey(), owner);
    if (followed == Followed::stored && fills)
        fillHomePlace(lock, decision, {});
    return followed;
}

bool ownsEditorLogin(const AccountPlace& place)
{
    try {
        const Route routed =
            route(Arrival::import, AccountRoster::read(), EditorLogin::current().userId, false);
        return routed.stores() && isSamePlace(routed.place, place);
    } catch (const EditorSessionError&) {
        return false; // signed out or unreadable: no account's login
    }
}

void recordHome(const AccountPlace& place, const QString& userId, const QString& email)
{
    if (!place.home || !AccountPlace::isValidUserId(userId))
        return;
    const HomeRecord known = HomeRecord::read();
    if (known.userId == userId && known.email == email)
        return; // the usual case: nothing to write, and no lock taken
    const AccountsLock lock;
    if (!lock.isHeld() || !PlaceGuard::isCurrent(place, lock))
        return;
    AccountRoster roster = AccountRoster::of(AccountList::readHeld(lock), HomeRecord::read());
    if (roster.isListed()) {
        AccountList list = roster.list;
        Account* entry = list.home ? list.find(*list.home) : nullptr;
        if (!entry)
            return;
        if (entry->userId != userId) {
            // Another user signed in to the home place: with one account listed it simply is that
            // user now; with several, the list stays as the user made it.
            if (list.accounts.size() > 1)
                return;
            *entry = Account{userId, email, {}, {}, 0};
            list.home = list.primary = userId;
        }
        entry->email = email;
        if (list != roster.list && !AccountList::write(list, lock))
            return;
    }
    HomeRecord record = roster.home;
    record.userId = userId;
    record.email = email;
    record.write(lock);
}

PrimaryChoice setPrimary(const QString& userIdOrLabel)
{
    const AccountRoster roster = AccountRoster::read();
    const AccountRoster::Entry* found = roster.find(userIdOrLabel);
    if (!found)
        return PrimaryChoice::unknown;
    if (!roster.isListed())
        return PrimaryChoice::made; // the home account alone is the primary one
    const QString userId = found->account.userId;
    bool known = false;
    const bool written = AccountList::update([&](AccountList& current, AccountList::State state) {
        // Checked again under the lock: another process may have removed it meanwhile.
        known = state == AccountList::State::loaded && current.find(userId);
        if (known)
            current.primary = userId;
        return known;
    });
    if (!written)
        return PrimaryChoice::failed;
    return known ? PrimaryChoice::made : PrimaryChoice::unknown;
}

QString setLabel(const QString& userId, const QString& label)
{
    QString refusal = AccountRoster::read().list.newLabelRefusal(label, userId);
    if (!refusal.isEmpty())
        return refusal;
    const bool written = AccountList::update([&](AccountList& list, AccountList::State) {
        // Checked again under the lock: another process may have taken the label meanwhile.
        Account* account = list.find(userId);
        refusal =
            account && account->userId == userId ? list.newLabelRefusal(label, userId) : u"没有这个账号"_s;
        if (!refusal.isEmpty())
            return false;
        account->label = label;
        return true;
    });
    if (!written)
        return u"无法写入账号列表"_s;
    return refusal;
}

} // namespace AccountRegistry
