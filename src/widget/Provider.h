#pragma once

#include "Timeline.h"
#include "UsageEntry.h"

#include <QString>

// Builds the widget's timeline from what the app stored, for the primary account or the one named
// by its user id or label. The named account is looked up once, when the provider is made; every
// timeline reads the store and the account list again. Never talks to the service and never reads
// the secret store.
class Provider
{
public:
    explicit Provider(QString account = {});

    // Whether the named account was listed (always, when none is named).
    bool knowsAccount() const { return m_account.isEmpty() || m_known; }
    // The account's name for the window title (Account::displayName); empty for the primary
    // account when none was named.
    QString accountName() const { return m_name; }

    // Seconds from one timeline to the next when nobody nudges the widget sooner.
    static constexpr double reloadInterval = 300;

    // The sample snapshot, read from nowhere.
    UsageEntry placeholder() const;

    // The stored snapshot now (the empty snapshot when nothing real is stored, or when the named
    // account is no longer listed).
    UsageEntry snapshot() const;

    // That one entry, and a reload five minutes later.
    Timeline timeline() const;

private:
    QString m_account;
    bool m_known = false;
    QString m_name;
};
