#include "BackgroundRefresh.h"

#include "client/DashboardClient.h"
#include "client/SessionKeychain.h"
#include "history/LedgerSync.h"
#include "model/SnapshotStore.h"
#include "platform/Settings.h"
#include "platform/WidgetCenter.h"
#include "pricing/PricingClient.h"

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
    bool pricingChanged = false;
    try {
        pricingChanged = co_await PricingClient::syncIfNeeded();
    } catch (...) {
    }

    try {
        if (!SessionKeychain::read())
            co_return;
    } catch (...) {
        co_return;
    }

    std::optional<UsageSnapshot> snapshot;
    try {
        snapshot = co_await DashboardClient::fetchOverview();
    } catch (...) {
        // An expired cookie included: the headless run never removes the stored token.
    }
    if (!snapshot) {
        // The stored snapshot stays; the widget only needs to redraw for new prices.
        if (pricingChanged)
            WidgetCenter::reloadAllTimelines();
        co_return;
    }

    try {
        snapshot = co_await DashboardClient::fetchEventPatch(*snapshot);
    } catch (...) {
        // The overview alone is still worth storing.
    }

    const auto settings = Settings::open(QLatin1StringView(Settings::appDomain));
    SnapshotStore::save(*snapshot, settings.get());
    WidgetCenter::reloadAllTimelines();

    // Ledger sync: last, so it never delays or changes what the refresh stored.
    if (LedgerSync::isEnabled(settings.get()))
        co_await LedgerSync::runLocked(Ledger::defaultPath(), *snapshot, LedgerSync::headlessBudget);
}
