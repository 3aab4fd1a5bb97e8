#include "MemorySecretStore.h"

bool MemorySecretStore::write(const QString& secret)
{
    ++m_writeCount;
    if (m_failsWrites)
        return false;
    m_secret = secret;
    return true;
}
