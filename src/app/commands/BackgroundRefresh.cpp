#include "BackgroundRefresh.h"

#include "CommandRunner.h"

#include "desktop/AccountSet.h"

int BackgroundRefresh::run(int& argc, char** argv)
{
    return CommandRunner::run(argc, argv, []() -> QCoro::Task<int> {
        co_await runOnce();
        co_return 0;
    });
}

QCoro::Task<> BackgroundRefresh::runOnce()
{
    const AccountSet accounts;
    co_await accounts.refreshAll(RefreshPolicy::headless());
}
