#pragma once

#include <QCoroTask>
#include <QLockFile>
#include <QString>

#include <memory>

// "<ledger>.lock" beside the ledger file: one sync at a time, and a removal of the account waits
// for the sync under way (which stops between pages once the account is gone). The one place the
// lock's name and stale time are spelled.
class LedgerLock
{
public:
    // Longer than the longest sync: pages are fetched one at a time, each within the 60 s request
    // timeout, ten or twenty to a run. A lock older than this belongs to a process that died mid-sync.
    static constexpr int staleMs = 600'000;

    // Waits up to `waitMs` for the lock; isHeld() says whether it was taken. The ledger's folder must
    // exist: a lock never makes the folder of an account that was removed.
    LedgerLock(const QString& ledgerFile, int waitMs);

    bool isHeld() const { return m_held; }

    // Waits up to `waitMs` on the event loop, not blocking it (the window stays drawn): a lock that
    // is held, or nothing.
    static QCoro::Task<std::unique_ptr<LedgerLock>> acquire(QString ledgerFile, int waitMs);

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
