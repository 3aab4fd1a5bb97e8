#include "AccountsLock.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

AccountsLock::AccountsLock(int waitMs)
{
    // The support folder itself, never an account's folder: the lock lives beside the list.
    AtomicFile::makePrivateFolder(Paths::supportFolder());
    m_lock = std::make_unique<QLockFile>(Paths::supportFolder() + u"/accounts.lock");
    m_lock->setStaleLockTime(staleMs);
    m_held = m_lock->tryLock(waitMs);
}
