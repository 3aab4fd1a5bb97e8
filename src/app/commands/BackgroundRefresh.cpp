#include "BackgroundRefresh.h"

#include "CommandRunner.h"

#include "desktop/AccountWiring.h"
#include "refresh/AccountPipelines.h"

int BackgroundRefresh::run(int& argc, char** argv)
{
    return CommandRunner::run(argc, argv, []() -> QCoro::Task<int> {
        co_await runOnce();
        co_return 0;
    });
}

QCoro::Task<> BackgroundRefresh::runOnce()
{
    const AccountPipelines accounts(&AccountWiring::forAccount, std::make_shared<DailyPricing>());
    co_await accounts.refreshAll(RefreshPolicy::headless());
}
