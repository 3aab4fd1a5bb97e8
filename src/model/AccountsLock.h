#pragma once

#include <QLockFile>

#include <memory>

// accounts.lock in the support folder, one process at a time: held around every change of the
// account list and of the home account's record, and around every write into an account's place
// (PlaceGuard), so that a decision about them is always taken on what is on disk now. Functions
// that must run under it take it as an argument.
class AccountsLock
{
public:
    // A hold lasts a few file writes and at most one write into the secret store, never a prompt
    // or a network request; a lock older than this was left by a process that hung.
    static constexpr int staleMs = 60'000;
    static constexpr int defaultWaitMs = 3'000;

    // Waits up to `waitMs` for the lock; isHeld() says whether it was taken.
    explicit AccountsLock(int waitMs = defaultWaitMs);

    bool isHeld() const { return m_held; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
