#pragma once

#include <QString>

#include <optional>

// The one secret Tallyfern keeps: the session cookie, in the desktop's Secret Service (GNOME Keyring,
// KWallet) under the attributes service "tallyfern.session" and account "WorkosCursorSessionToken".
// Tests install an in-memory store instead of touching the user's keyring.
class SecretStore
{
public:
    virtual ~SecretStore() = default;

    // The stored text. Nothing when no item exists, the store cannot be reached, or the item does not
    // hold UTF-8 text: to the caller all of these mean "no token".
    virtual std::optional<QString> read() = 0;
    // Replaces the stored text in place. False when nothing was written, in which case the previous
    // text is still there.
    virtual bool write(const QString& secret) = 0;
    // Removes the item if there is one; failures are not reported.
    virtual void remove() = 0;

    // The store in use: the system one unless a test replaced it.
    static SecretStore& current();
    // nullptr restores the system store. The caller keeps ownership.
    static void setCurrent(SecretStore* store);
};

// libsecret's synchronous calls on the session bus. Without a reachable Secret Service, reading gives
// nothing and writing fails; the secret is never kept anywhere else.
class SystemSecretStore : public SecretStore
{
public:
    static constexpr auto serviceAttribute = "tallyfern.session";
    static constexpr auto accountAttribute = "WorkosCursorSessionToken";

    std::optional<QString> read() override;
    bool write(const QString& secret) override;
    void remove() override;
};
