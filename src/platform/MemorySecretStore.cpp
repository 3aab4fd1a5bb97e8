#include "MemorySecretStore.h"

#include <QTimer>

namespace {

QString keyOf(const SecretKey& key)
{
    return key.service + u'\n' + key.attribute + u'\n' + key.value;
}

} // namespace

SecretLookup MemorySecretStore::lookup(const SecretKey& key)
{
    const auto found = m_secrets.constFind(keyOf(key));
    if (found == m_secrets.constEnd())
        return {};
    if (m_locked)
        return {SecretLookup::State::locked, {}};
    return {SecretLookup::State::found, *found};
}

void MemorySecretStore::unlockAndLookup(const SecretKey& key, std::function<void(SecretLookup)> done)
{
    ++m_unlockCount;
    // The outcome is the one set when the unlock was asked for, as a prompt's answer would be.
    QTimer::singleShot(0, [this, key, succeeds = m_unlockSucceeds, done = std::move(done)] {
        if (succeeds)
            m_locked = false;
        done(lookup(key));
    });
}

bool MemorySecretStore::write(const SecretKey& key, const QString& secret)
{
    ++m_writeCount;
    if (m_locked) {
        ++m_writesWhileLocked;
        return false;
    }
    if (m_failsWrites)
        return false;
    m_secrets.insert(keyOf(key), secret);
    return true;
}

void MemorySecretStore::remove(const SecretKey& key)
{
    if (!m_locked)
        m_secrets.remove(keyOf(key));
}

void MemorySecretStore::setLocked(bool locked, bool unlockSucceeds)
{
    m_locked = locked;
    m_unlockSucceeds = unlockSucceeds;
}
