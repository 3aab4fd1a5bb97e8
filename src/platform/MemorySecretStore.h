#pragma once

#include "SecretStore.h"

#include <QHash>

// A secret store that lives in memory, for tests. It can be told to refuse writes, as a missing
// keyring does, and to be locked, with an unlock that succeeds or is cancelled. A write attempted
// while locked is refused and counted: the real keyring would have raised a prompt.
class MemorySecretStore : public SecretStore
{
public:
    using SecretStore::remove;
    using SecretStore::write;

    SecretLookup lookup(const SecretKey& key) override;
    SecretLookup::State presence(const SecretKey& key) override { return lookup(key).state; }
    bool isLocked() override { return m_locked; }
    // Answers on the next turn of the event loop, like the real keyring's prompt.
    void unlockAndLookup(const SecretKey& key, std::function<void(SecretLookup)> done) override;
    bool write(const SecretKey& key, const QString& secret) override;
    void remove(const SecretKey& key) override;

    void setFailsWrites(bool fails) { m_failsWrites = fails; }
    int writeCount() const { return m_writeCount; }
    int writesWhileLocked() const { return m_writesWhileLocked; }
    void setLocked(bool locked, bool unlockSucceeds = false);
    int unlockCount() const { return m_unlockCount; }

private:
    QHash<QString, QString> m_secrets; // by service, attribute and value

    bool m_failsWrites = false;
    int m_writeCount = 0;
    int m_writesWhileLocked = 0;
    bool m_locked = false;
    bool m_unlockSucceeds = false;
    int m_unlockCount = 0;
};
