#include "MemorySecretStore.h"

#include <QTimer>

SecretLookup MemorySecretStore::lookup()
{
    if (!m_secret)
        return {};
    if (m_locked)
        return {SecretLookup::State::locked, {}};
    return {SecretLookup::State::found, *m_secret};
}

void MemorySecretStore::unlockAndLookup(std::function<void(SecretLookup)> done)
{
    ++m_unlockCount;
    // The outcome is the one set when the unlock was asked for, as a prompt's answer would be.
    QTimer::singleShot(0, [this, succeeds = m_unlockSucceeds, done = std::move(done)] {
        if (succeeds)
            m_locked = false;
        done(lookup());
    });
}

bool MemorySecretStore::write(const QString& secret)
{
    ++m_writeCount;
    if (m_locked) {
        ++m_writesWhileLocked;
        return false;
    }
    if (m_failsWrites)
        return false;
    m_secret = secret;
    return true;
}

void MemorySecretStore::remove()
{
    if (!m_locked)
        m_secret.reset();
}

void MemorySecretStore::setLocked(bool locked, bool unlockSucceeds)
{
    m_locked = locked;
    m_unlockSucceeds = unlockSucceeds;
}
