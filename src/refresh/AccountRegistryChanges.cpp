// Adding and removing accounts: the changes that write the list and the home account's record too.
#include "AccountRegistry_p.h"

#include "client/DashboardError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "history/Ledger.h"
#include "history/LedgerLock.h"
#include "model/PlaceGuard.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "platform/SecretStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using Kind = AccountRegistry::Route::Kind;
using Preferences::Key;

namespace AccountRegistry {

namespace {

using namespace detail;

constexpr int ledgerWaitMs = 10'000;

Outcome refused(const QString& text)
{
    return {Outcome::Kind::refused, text, {}, {}};
}

QString unwritable()
{
    return u"无法写入账号列表"_s;
}

QString stamp()
{
    return QDateTime::fromMSecsSinceEpoch(qint64(Clock::now().msSince1970())).toString(u"yyyyMMdd-HHmmss"_s);
}

// The files of a home account nobody can name any more are kept under other names (its ledger keeps
// its events itself: another user's sync copies them aside first); its copy of the snapshot in the
// settings and its busy-service wait go.
void setAsideHomeFiles()
{
    const AccountPlace home = AccountPlace::homeAccount();
    for (const QString& file : {home.snapshotFile(), home.noticesFile()}) {
        if (QFileInfo::exists(file))
            QFile::rename(file, AtomicFile::unusedName(file + u".previous-"_s + stamp()));
    }
    Preferences::setValues({{Key::usageSnapshot, QVariant()}, {Key::serviceBusyUntil, QVariant()}});
}

// Under the lock, after the token was stored: the list and the record as `decision` says, and the
// account's folder. `account` comes back as it is listed; `place` with its generation.
bool writeBooks(const AccountsLock& lock, const Decision& decision, Account& account, AccountPlace& place)
{
    const AccountRoster& roster = decision.roster;
    AccountList list = roster.list;
    HomeRecord record = roster.home;
    switch (decision.route.kind) {
    case Kind::update:
        if (Account* known = roster.isListed() ? list.find(account.userId) : nullptr) {
            known->email = account.email;
            known->name = account.name;
            account = *known;
        } else {
            record.email = account.email;
        }
        break;
    case Kind::addHome:
        // Over an account nobody can name: refreshes still running for it stop writing here.
        if (decision.route.replacesUnknown)
            record.generation = AccountPlace::newGeneration();
        record.userId = account.userId;
        record.email = account.email;
        place.generation = record.generation;
        if (roster.isListed()) {
            list.accounts.append(account);
            list.home = account.userId;
        }
        break;
    case Kind::addBeside:
        account.generation = place.generation = AccountPlace::newGeneration();
        if (!roster.isListed()) {
            // The list appears as a second account joins the home account.
            const Account home = roster.homeEntry()->account;
            list = AccountList{home.userId, home.userId, {home}};
        }
        list.accounts.append(account);
        break;
    default:
        return false;
    }
    if (list.primary.isEmpty() && !list.accounts.isEmpty())
        list.primary = account.userId;
    if ((list != roster.list && !AccountList::write(list, lock)) || !record.write(lock))
        return false;
    if (decision.route.replacesUnknown)
        setAsideHomeFiles();
    return place.home ? AtomicFile::makePrivateFolder(Paths::supportFolder()) : place.makeFolder();
}

// The add itself, in one hold of the lock.
Outcome commitAdd(const QString& token, const DashboardClient::Identity& identity, bool homeSignedOut)
{
    const AccountsLock lock;
    if (!lock.isHeld())
        return refused(unwritable());
    const Decision decision = decide(lock, Arrival::add, identity.userId, homeSignedOut);
    if (decision.route.kind == Kind::refuse)
        return refused(decision.route.refusal);
    if (!decision.route.stores())
        return refused(SessionKeychainError(SessionKeychainError::Kind::listChanged).description());
    AccountPlace place = decision.route.place;
    const SecretKey key = place.secretKey();
    // Nothing prompts while the lock is held: a keyring that locked again meanwhile refuses.
    if (SessionKeychain::needsUnlock(key))
        return refused(SessionKeychainError(SessionKeychainError::Kind::locked).description());
    const SecretLookup before = SecretStore::current().lookup(key);
    try {
        SessionKeychain::save(token, key);
    } catch (const SessionKeychainError& error) {
        return refused(error.description());
    }
    Account account{identity.userId, identity.email, identity.name, {}, 0};
    if (!writeBooks(lock, decision, account, place)) {
        // Not listed after all: the item goes back to what it held, a new one goes.
        if (before.state == SecretLookup::State::found)
            SecretStore::current().write(key, before.secret);
        else
            SessionKeychain::remove(key);
        return refused(unwritable());
    }
    if (decision.route.kind == Kind::update)
        return {Outcome::Kind::updated, u"已更新账号："_s + nameOf(account), account, place};
    return {Outcome::Kind::added, u"已添加账号："_s + nameOf(account), account, place};
}

// Under the lock: a new generation for the account's place, so that refreshes still running for it
// write nothing more. The place as it is now, or nothing when the account went meanwhile.
std::optional<AccountPlace> fence(const AccountPlace& place)
{
    const AccountsLock lock;
    if (!lock.isHeld())
        return std::nullopt;
    const AccountRoster roster = AccountRoster::of(AccountList::readHeld(lock), HomeRecord::read());
    if (!PlaceGuard::isCurrent(place, lock))
        return std::nullopt;
    AccountPlace fenced = place;
    fenced.generation = AccountPlace::newGeneration();
    if (place.home) {
        HomeRecord record = roster.home;
        record.generation = fenced.generation;
        return record.write(lock) ? std::optional(fenced) : std::nullopt;
    }
    AccountList list = roster.list;
    list.find(place.userId)->generation = fenced.generation;
    return AccountList::write(list, lock) ? std::optional(fenced) : std::nullopt;
}

// Under the lock: the item and the entry go together, or neither.
Removal unlist(const Account& account, const AccountPlace& place)
{
    const AccountsLock lock;
    if (!lock.isHeld())
        return {Removal::Kind::failed, unwritable()};
    const AccountRoster roster = AccountRoster::of(AccountList::readHeld(lock), HomeRecord::read());
    if (!PlaceGuard::isCurrent(place, lock))
        return {Removal::Kind::failed,
                SessionKeychainError(SessionKeychainError::Kind::listChanged).description()};
    const SecretKey key = place.secretKey();
    if (SessionKeychain::needsUnlock(key))
        return {Removal::Kind::failed,
                SessionKeychainError(SessionKeychainError::Kind::locked).description()};
    const SecretLookup before = SecretStore::current().lookup(key);
    SessionKeychain::remove(key);
    if (SessionKeychain::lookup(key).state != SecretLookup::State::absent)
        return {Removal::Kind::failed, u"无法从本机钥匙串移除"_s};

    AccountList list = roster.list;
    list.accounts.removeIf([&account](const Account& each) { return each.userId == account.userId; });
    if (list.home == account.userId)
        list.home.reset();
    if (list.primary == account.userId)
        list.primary = list.accounts.isEmpty() ? QString() : list.accounts.constFirst().userId;
    HomeRecord record = roster.home;
    if (place.home) {
        // Empty, never unknown: no later run takes it for an install from before accounts.
        record.userId = QString();
        record.email.clear();
    }
    if ((roster.isListed() && !AccountList::write(list, lock)) || !record.write(lock)) {
        if (before.state == SecretLookup::State::found)
            SecretStore::current().write(key, before.secret);
        return {Removal::Kind::failed, unwritable()};
    }
    // Following would sign the removed account straight back in.
    if (EditorLogin::isFollowing()) {
        bool followed = roster.homeAlone();
        try {
            followed = followed || EditorLogin::current().userId == account.userId;
        } catch (const std::exception&) {
        }
        if (followed)
            EditorLogin::setFollowing(false);
    }
    return {Removal::Kind::removed, u"已移除账号："_s + nameOf(account)};
}

// The account's files, with the ledger's lock held: no sync is writing them.
void removeFiles(const AccountPlace& place)
{
    if (!place.home) {
        QDir(place.folder()).removeRecursively();
        return;
    }
    QFile::remove(place.snapshotFile());
    QFile::remove(place.noticesFile());
    Ledger::remove(place.ledgerFile());
    Preferences::setValues({{Key::usageSnapshot, QVariant()}, {Key::serviceBusyUntil, QVariant()}});
}

} // namespace

QCoro::Task<Outcome> add(QString pasted, std::shared_ptr<UsageService> service, Unlock unlock)
{
    const QString token = SessionKeychain::normalize(pasted);
    if (token.isEmpty() || !SessionKeychain::isSendable(token))
        co_return refused(SessionKeychainError(SessionKeychainError::Kind::empty).description());

    // Nothing is remembered from these questions (no rate-limit record): a busy service is no
    // account's wait yet.
    auto state = std::make_shared<DashboardClient::ClientState>();
    DashboardClient::Identity identity;
    try {
        identity = co_await service->identify(token, state);
    } catch (const std::exception& error) {
        co_return refused(DashboardClient::describe(error));
    }

    bool homeSignedOut = false;
    Route routed;
    for (bool asked = false;; asked = true) {
        const AccountRoster roster = AccountRoster::read();
        homeSignedOut = homeSignedOut || SessionKeychain::lookup().state == SecretLookup::State::absent;
        routed = route(Arrival::add, roster, identity.userId, homeSignedOut);
        if (routed.kind != Kind::identifyHome || asked)
            break;
        // An account nobody has named holds the home place: the service says whose its token is.
        if (!co_await unlock(SecretKey::home()))
            co_return refused(SessionKeychainError(SessionKeychainError::Kind::locked).description());
        const std::optional<QString> homeToken = SessionKeychain::read();
        if (!homeToken) {
            homeSignedOut = true;
            continue;
        }
        try {
            const DashboardClient::Identity owner = co_await service->identify(*homeToken, state);
            recordHome(roster.homeEntry()->place, owner.userId, owner.email);
        } catch (const DashboardError& error) {
            // A home token the service turned away belongs to nobody any more: its place is free.
            if (error.kind() != DashboardError::Kind::unauthorized)
                co_return refused(error.description());
            homeSignedOut = true;
        } catch (const std::exception& error) {
            co_return refused(DashboardClient::describe(error));
        }
    }
    if (routed.kind == Kind::identifyHome)
        co_return refused(unwritable()); // the home account's user could not be recorded
    if (!routed.stores())
        co_return refused(routed.refusal);
    if (!co_await unlock(routed.place.secretKey()))
        co_return refused(SessionKeychainError(SessionKeychainError::Kind::locked).description());
    co_return commitAdd(token, identity, homeSignedOut);
}

QCoro::Task<Removal> remove(QString userIdOrLabel, Unlock unlock)
{
    const AccountRoster roster = AccountRoster::read();
    const AccountRoster::Entry* found = roster.find(userIdOrLabel);
    if (!found)
        co_return Removal{Removal::Kind::unknown, u"没有这个账号："_s + userIdOrLabel};
    const Account account = found->account;
    // The item is deleted under the lock, where nothing may prompt: the keyring opens first.
    if (!co_await unlock(found->place.secretKey()))
        co_return Removal{Removal::Kind::failed,
                          SessionKeychainError(SessionKeychainError::Kind::locked).description()};

    const std::optional<AccountPlace> place = fence(found->place);
    if (!place)
        co_return Removal{Removal::Kind::failed,
                          SessionKeychainError(SessionKeychainError::Kind::listChanged).description()};
    // The sync under way stops between pages now that the place changed hands; then its lock is free.
    std::unique_ptr<LedgerLock> ledgerLock;
    if (QFileInfo::exists(place->folder())) {
        ledgerLock = co_await LedgerLock::acquire(place->ledgerFile(), ledgerWaitMs);
        if (!ledgerLock)
            co_return Removal{Removal::Kind::failed, u"用量历史正在同步，请稍后再试"_s};
    }
    const Removal removal = unlist(account, *place);
    if (removal.kind == Removal::Kind::removed)
        removeFiles(*place);
    co_return removal;
}

} // namespace AccountRegistry
