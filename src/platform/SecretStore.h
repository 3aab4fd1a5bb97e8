#pragma once

#include "SecretKey.h"
#include "SecretLookup.h"

#include <QString>

#include <functional>
#include <optional>

// The secrets Tallyfern keeps: one session cookie per account, in the desktop's Secret Service
// (GNOME Keyring, KWallet), each under its SecretKey. Tests install an in-memory store instead of
// touching the user's keyring. The calls without a key are the home account's item.
class SecretStore
{
public:
    virtual ~SecretStore() = default;

    // The stored text, looked up without unlocking anything, so it never raises a prompt. Absent when
    // no item exists, the store cannot be reached, or the item does not hold UTF-8 text; locked when
    // the item is there but its keyring is locked.
    virtual SecretLookup lookup(const SecretKey& key) = 0;
    // Whether an item is stored under `key` and whether it is locked, without loading its secret:
    // the token never enters this process (`found` carries no text). Never prompts.
    virtual SecretLookup::State presence(const SecretKey& key) = 0;
    // Whether writing would first have to unlock the keyring, which raises a prompt: the default
    // collection, where new items go, is locked or does not exist yet. Never prompts itself, so work
    // that runs on its own asks this before every write.
    virtual bool isLocked() = 0;
    // Asks the desktop to unlock the default collection and the item (the keyring may prompt for its
    // password), then looks the item up again. Only for a user's own action. Never blocks: `done` is
    // called later from the event loop; the item reads `locked`, and isLocked() stays true, when
    // the user cancelled or the prompt could not be shown.
    virtual void unlockAndLookup(const SecretKey& key, std::function<void(SecretLookup)> done) = 0;
    // Replaces the stored text in place. False when nothing was written, in which case the previous
    // text is still there. Into a locked keyring this prompts: callers check isLocked() first.
    virtual bool write(const SecretKey& key, const QString& secret) = 0;
    // Removes the item if there is one; failures are not reported.
    virtual void remove(const SecretKey& key) = 0;

    bool write(const QString& secret) { return write(SecretKey::home(), secret); }
    void remove() { remove(SecretKey::home()); }
    // The text when it could be read without unlocking; nothing otherwise.
    std::optional<QString> read(const SecretKey& key = SecretKey::home());

    // The store in use: the system one unless a test replaced it.
    static SecretStore& current();
    // nullptr restores the system store. The caller keeps ownership.
    static void setCurrent(SecretStore* store);
};

// libsecret on the session bus: synchronous lookups and writes, an asynchronous unlock that completes
// inside Qt's event loop (which runs GLib's main context). Without a reachable Secret Service, reading
// gives nothing and writing fails; the secret is never kept anywhere else.
class SystemSecretStore : public SecretStore
{
public:
    using SecretStore::remove;
    using SecretStore::write;

    SecretLookup lookup(const SecretKey& key) override;
    SecretLookup::State presence(const SecretKey& key) override;
    bool isLocked() override;
    void unlockAndLookup(const SecretKey& key, std::function<void(SecretLookup)> done) override;
    bool write(const SecretKey& key, const QString& secret) override;
    void remove(const SecretKey& key) override;

    // Forgets the shared connection to the Secret Service, so that the next call reaches the daemon
    // that now owns the bus name (after a keyring daemon was replaced).
    static void reconnect();
};
