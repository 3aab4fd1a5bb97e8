#include "BackgroundRefresh.h"

#include "CommandRunner.h"

#include "desktop/AccountSet.h"

#include <algorithm>

using namespace Qt::StringLiterals;

int BackgroundRefresh::run(int& argc, char** argv)
{
    return CommandRunner::run(argc, argv, []() -> QCoro::Task<int> {
        const QList<RefreshOutcome> outcomes = co_await runOnce();
        // Whoever started it by hand (the top bar's "刷新") learns why nothing changed; the timer's
        // unit sends the output nowhere.
        if (std::any_of(outcomes.begin(), outcomes.end(), [](const RefreshOutcome& outcome) {
                return outcome.result == RefreshOutcome::Result::locked;
            }))
            CommandRunner::print(stdout, lockedText(), 0);
        co_return 0;
    });
}

QString BackgroundRefresh::lockedText()
{
    return u"钥匙串已锁定 · 在 Tallyfern 中刷新以解锁"_s;
}

QCoro::Task<QList<RefreshOutcome>> BackgroundRefresh::runOnce()
{
    const AccountSet accounts;
    co_return co_await accounts.refreshAll(RefreshPolicy::headless());
}
