#include "BackgroundRefresh.h"

#include "desktop/AccountSet.h"

#include <QCoreApplication>
#include <QTimer>

#include <optional>

namespace {

QCoro::Task<> runOnceThenQuit()
{
    co_await BackgroundRefresh::runOnce();
    QCoreApplication::quit();
}

} // namespace

int BackgroundRefresh::run(int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::optional<QCoro::Task<>> refresh;
    // Started from the running loop: a refresh that ends without waiting (nothing due, no token)
    // must find the loop there to quit.
    QTimer::singleShot(0, &app, [&refresh] { refresh.emplace(runOnceThenQuit()); });
    app.exec();
    return 0;
}

QCoro::Task<> BackgroundRefresh::runOnce()
{
    const AccountSet accounts;
    co_await accounts.refreshAll(RefreshPolicy::headless());
}
