#pragma once

#include "model/AccountPlace.h"

#include <QString>

// The refreshed account's entry among the accounts: whether it is still the account its refresh
// started for (once it is removed, nothing more is sent or stored for it), and where what the service
// says about its user is recorded. RegisteredAccount is the account registry's entry; tests script one.
class AccountRecord
{
public:
    virtual ~AccountRecord() = default;

    // Read at each call: another process may remove the account at any time.
    virtual bool isCurrent() = 0;
    // What "/api/auth/me" said: the user id of its `sub` and the e-mail.
    virtual void recordIdentity(const QString& userId, const QString& email) = 0;
};

class RegisteredAccount : public AccountRecord
{
public:
    explicit RegisteredAccount(AccountPlace place);

    bool isCurrent() override;
    void recordIdentity(const QString& userId, const QString& email) override;

private:
    AccountPlace m_place;
};
