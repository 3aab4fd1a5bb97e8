#include "LedgerLock.h"

#include <QCoroTimer>
#include <QElapsedTimer>

#include <chrono>

LedgerLock::LedgerLock(const QString& ledgerFile, int waitMs)
    : m_lock(std::make_unique<QLockFile>(ledgerFile + u".lock"))
{
    m_lock->setStaleLockTime(staleMs);
    m_held = m_lock->tryLock(waitMs);
}

QCoro::Task<std::unique_ptr<LedgerLock>> LedgerLock::acquire(QString ledgerFile, int waitMs)
{
    constexpr auto pause = std::chrono::milliseconds(100);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        auto lock = std::make_unique<LedgerLock>(ledgerFile, 0);
        if (lock->isHeld())
            co_return lock;
        if (waited.elapsed() >= waitMs)
            co_return std::unique_ptr<LedgerLock>();
        co_await QCoro::sleepFor(pause);
    }
}
