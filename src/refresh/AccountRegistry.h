#pragma once

#include "client/EditorLogin.h"
#include "client/UsageService.h"
#include "model/AccountRoster.h"
#include "platform/SecretKey.h"

#include <QCoroTask>
#include <QString>

#include <functional>
#include <memory>

// The one owner of the accounts: every change to the account list, the home account's record, the
// tokens in the secret store and the accounts' folders goes through here, whoever asks (the window,
// the commands, a refresh following the editor's login). Each change is one transaction: what needs
// the network or may prompt (asking the service whose token it is, unlocking the keyring) comes
// first, outside the lock; then, holding accounts.lock, the list is read again and every decision
// (the limit of eight, the place a new account takes, whether the home place is free, whether the
// user is known) is taken on that read, and the secret item and the list are written. Nothing
// prompts while the lock is held: a keyring that locked again meanwhile refuses the change.
namespace AccountRegistry {

// How a token arrived.
enum class Arrival {
    paste,  // a pasted cookie ("保存并刷新")
    import, // the editor's login, imported by the user (the window, --import-session)
    follow, // the editor's renewed login, taken before a refresh
    add,    // "添加账号", --add-account
};

// Where a token goes: one rule for every arrival.
struct Route
{
    enum class Kind {
        replace,      // the account's token is replaced, nothing else changes
        update,       // an account added again: its token replaced, its e-mail and name refreshed
        addHome,      // it takes the home place (empty, or held by an account nobody can name)
        addBeside,    // a new account beside the others, in a place of its own
        identifyHome, // first ask the service whose the stored home token is, then route again
        refuse,       // nothing is stored: `refusal` says why
    };
    Kind kind = Kind::refuse;
    AccountPlace place;
    QString refusal;
    // The token's owner as routed: empty when nobody needed to ask.
    QString owner;
    // addHome over an account nobody can name (no record, its token turned away): its files are set
    // aside, never deleted, and refreshes still running for it stop writing.
    bool replacesUnknown = false;

    bool stores() const { return kind != Kind::identifyHome && kind != Kind::refuse; }
};

// `owner` is the token's user id (the service's answer, or the editor login's), empty when nobody
// asked; `homeSignedOut` says that the home place's token is absent or was turned away.
//   - A token of a listed account replaces that account's (add: updates it).
//   - With the home account alone (or none), a paste, an import or following replaces the home
//     account's token whoever it belongs to, as before accounts could be added.
//   - Otherwise a paste or an import of an unlisted account is refused ("这个登录属于另一个账号 ·
//     请在「设置」中添加账号"), and following takes nothing.
//   - An added account takes the home place when it is empty, or when its account cannot be named
//     (no record) and is signed out; beside the others otherwise, at most eight in all.
Route route(Arrival arrival, const AccountRoster& roster, const QString& owner, bool homeSignedOut);

// Whether route() needs to know whose a pasted token is: not with the home account alone.
bool needsOwner(const AccountRoster& roster);

// The foreign-login refusal, as the window and the commands say it.
QString foreignLogin();

// What a change ended with.
struct Outcome
{
    enum class Kind {
        added,
        updated,
        stored,  // a paste, an import or following replaced a token
        refused, // nothing stored: `text` says why
    };
    Kind kind = Kind::refused;
    QString text; // "已添加账号：…", "已更新账号：…", or the reason
    Account account;
    AccountPlace place;
};

// The user's unlock of the keyring, asked only when a write would need it, before the lock is
// taken; true when the keyring is open now.
using Unlock = std::function<QCoro::Task<bool>(SecretKey key)>;
// Through the secret store: it may prompt. For the commands; the window unlocks the way its
// refresh does.
QCoro::Task<bool> unlockFor(SecretKey key);

// "添加账号" and --add-account: a token checked with "/api/auth/me" and stored in the place of the
// account it belongs to (with the home account alone, the list appears once a second one joins).
QCoro::Task<Outcome> add(QString pasted, std::shared_ptr<UsageService> service, Unlock unlock = unlockFor);

// Where a paste or the editor's login goes: `owner` is the editor login's user; for a paste the
// service is asked, only when the rule needs to know. A refusal (or the service's failure) is a
// route of kind refuse.
QCoro::Task<Route> routeToken(Arrival arrival, QString token, QString owner,
                              std::shared_ptr<UsageService> service);

// Stores a routed token in `place`, under the lock, when the rule, asked again there, still sends it
// to that place and the place is still its account's. For the paste: the normalised token is stored
// (SessionKeychain::save); for the import: the editor's login, and following turns on
// (EditorLogin::importNow). Throws what those throw; SessionKeychainError::listChanged when the
// accounts changed meanwhile, `locked` when the keyring locked again.
void store(Arrival arrival, const AccountPlace& place, const QString& pasted, const QString& owner);
EditorSession::Login importInto(const AccountPlace& place);

// A token arrival from a command: routed, unlocked, stored. For --import-session: the editor's
// login, into the account it belongs to.
QCoro::Task<Outcome> receive(Arrival arrival, QString token, QString owner,
                             std::shared_ptr<UsageService> service, Unlock unlock = unlockFor);

// Before a refresh of `place`: the editor's renewed login, when following is on and the rule sends
// it to this place (EditorLogin::follow, under the lock). Never prompts.
EditorLogin::FollowOutcome follow(const AccountPlace& place);
// Whether the editor's current login belongs to the account in `place`.
bool ownsEditorLogin(const AccountPlace& place);

// What a refresh of the home place learnt from the service: its user id and e-mail, recorded when
// they changed (HomeRecord; with one listed account, its entry too). A `userId` that cannot name a
// folder is not recorded.
void recordHome(const AccountPlace& place, const QString& userId, const QString& email);

struct Removal
{
    enum class Kind {
        removed,
        unknown, // no account by that id or label
        failed,  // nothing removed: `text` says why (the keyring locked, the history syncing)
    };
    Kind kind = Kind::unknown;
    QString text;
};

// The account's token, its files and its ledger go, and it leaves the list. Refreshes still running
// for it stop first (PlaceGuard); the ledger's sync under way is waited for, up to ten seconds. The
// home place is left empty for the next account; the primary passes to the first account left;
// following ends when it followed this account.
QCoro::Task<Removal> remove(QString userIdOrLabel, Unlock unlock = unlockFor);

enum class PrimaryChoice {
    made,
    unknown, // no account by that id or label
    failed,  // accounts.json could not be written
};
PrimaryChoice setPrimary(const QString& userIdOrLabel);

// Empty when the label was stored; otherwise why not (nothing changed).
QString setLabel(const QString& userId, const QString& label);

// What the commands and the window say about an account: its e-mail, else its user id.
QString nameOf(const Account& account);

} // namespace AccountRegistry
