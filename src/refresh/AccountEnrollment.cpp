#include "AccountEnrollment.h"

#include "client/DashboardError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"
#include "history/Ledger.h"
#include "model/SnapshotStore.h"
#include "platform/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

using namespace Qt::StringLiterals;
using Kind = AccountEnrollment::Outcome::Kind;

namespace AccountEnrollment {

namespace {

Outcome refused(const QString& text)
{
    return {Kind::refused, text, {}};
}

// The keyring is unlocked for the write to come (a user's action); false when it stays locked.
QCoro::Task<bool> unlockFor(SecretKey key)
{
    if (!SessionKeychain::needsUnlock(key))
        co_return true;
    co_await SessionKeychain::unlockAndLookup(key);
    co_return !SessionKeychain::needsUnlock(key);
}

Account accountOf(const DashboardClient::Identity& identity, const QString& label = {})
{
    return {identity.userId, identity.email, identity.name, label};
}

// The home account's files; its token is removed apart.
void removeHomeFiles(const AccountPlace& home)
{
    QFile::remove(home.snapshotFile());
    QFile::remove(home.noticesFile());
    Ledger::remove(home.ledgerFile());
    Preferences::remove(Preferences::Key::usageSnapshot);
    Preferences::remove(Preferences::Key::serviceBusyUntil);
}

} // namespace

QString nameOf(const Account& account)
{
    return account.email.isEmpty() ? account.userId : account.email;
}

QCoro::Task<Outcome> add(QString pasted, std::shared_ptr<UsageService> service)
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

    const AccountList::Read read = AccountList::read();
    const bool listed = read.state == AccountList::State::loaded;
    const Account* known = listed ? read.list.find(identity.userId) : nullptr;
    AccountPlace place = AccountPlace::homeAccount(identity.userId);
    std::optional<Account> home; // set when a second account joins the home account
    bool updated = known != nullptr;

    if (known) {
        place = read.list.placeOf(known->userId);
    } else if (listed) {
        if (read.list.accounts.size() >= AccountList::maximum)
            co_return refused(u"最多只能添加 8 个账号"_s);
        // The home place, when its account was removed, goes to the next account added.
        if (read.list.home)
            place = AccountPlace::otherAccount(identity.userId);
    } else if (SessionKeychain::lookup().state != SecretLookup::State::absent) {
        // One account so far, never identified: whose is the stored token?
        const bool unlocked = co_await unlockFor(SecretKey::home());
        if (!unlocked)
            co_return refused(u"钥匙串已锁定"_s);
        if (const std::optional<QString> homeToken = SessionKeychain::read()) {
            try {
                const DashboardClient::Identity owner = co_await service->identify(*homeToken, state);
                updated = owner.userId == identity.userId;
                if (!updated) {
                    home = accountOf(owner);
                    place = AccountPlace::otherAccount(identity.userId);
                }
            } catch (const DashboardError& error) {
                // A home token the service turned away belongs to nobody any more: its place is free.
                if (error.kind() != DashboardError::Kind::unauthorized)
                    co_return refused(error.description());
            } catch (const std::exception& error) {
                co_return refused(DashboardClient::describe(error));
            }
        }
    }

    const bool unlocked = co_await unlockFor(place.secretKey());
    if (!unlocked)
        co_return refused(u"钥匙串已锁定"_s);
    try {
        SessionKeychain::save(token, place.secretKey());
    } catch (const SessionKeychainError& error) {
        co_return refused(error.description());
    }

    const Account account = accountOf(identity, known ? known->label : QString());
    if (listed || home) {
        const bool written = AccountList::update([&](AccountList& current, AccountList::State state) {
            if (state != AccountList::State::loaded && home)
                current = AccountList{home->userId, home->userId, {*home}};
            if (Account* existing = current.find(account.userId)) {
                existing->email = account.email;
                existing->name = account.name;
            } else {
                current.accounts.append(account);
                if (current.primary.isEmpty())
                    current.primary = account.userId;
            }
            if (place.home)
                current.home = account.userId;
            return true;
        });
        if (!written)
            co_return refused(u"无法写入账号列表"_s);
    }
    place.makeFolder();
    if (updated)
        co_return Outcome{Kind::updated, u"已更新账号："_s + nameOf(account), account};
    co_return Outcome{Kind::added, u"已添加账号："_s + nameOf(account), account};
}

QCoro::Task<Removal> remove(QString userIdOrLabel)
{
    const AccountList::Read read = AccountList::read();
    const Account* found = read.state == AccountList::State::loaded ? read.list.find(userIdOrLabel) : nullptr;
    if (!found)
        co_return Removal{Removal::Kind::unknown, u"没有这个账号："_s + userIdOrLabel};
    const Account account = *found;
    const AccountPlace place = read.list.placeOf(account.userId);

    const bool unlocked = co_await unlockFor(place.secretKey());
    if (!unlocked)
        co_return Removal{Removal::Kind::failed, u"钥匙串已锁定"_s};
    // Held while the files go: a sync that starts meanwhile waits, and one running now keeps them.
    QLockFile ledgerLock(place.ledgerFile() + u".lock"_s);
    if (QFileInfo::exists(place.folder()) && !ledgerLock.tryLock(0))
        co_return Removal{Removal::Kind::failed, u"用量历史正在同步，请稍后再试"_s};

    SessionKeychain::remove(place.secretKey());
    if (SessionKeychain::lookup(place.secretKey()).state != SecretLookup::State::absent)
        co_return Removal{Removal::Kind::failed, u"无法从本机钥匙串移除"_s};
    if (place.home)
        removeHomeFiles(place);
    // No account left: the list goes too, and the next account added is the home account alone.
    const bool written = AccountList::update([&account](AccountList& current, AccountList::State) {
        current.accounts.removeIf([&account](const Account& each) { return each.userId == account.userId; });
        if (current.home == account.userId)
            current.home.reset();
        if (current.primary == account.userId && !current.accounts.isEmpty())
            current.primary = current.accounts.constFirst().userId;
        return true;
    });
    if (!place.home) {
        ledgerLock.unlock();
        QDir(place.folder()).removeRecursively();
    }
    if (!written)
        co_return Removal{Removal::Kind::failed, u"无法写入账号列表"_s};
    co_return Removal{Removal::Kind::removed, u"已移除账号："_s + nameOf(account)};
}

PrimaryChoice setPrimary(const QString& userIdOrLabel)
{
    const AccountList::Read read = AccountList::read();
    const Account* found = read.state == AccountList::State::loaded ? read.list.find(userIdOrLabel) : nullptr;
    if (!found)
        return PrimaryChoice::unknown;
    const QString userId = found->userId;
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

} // namespace AccountEnrollment
