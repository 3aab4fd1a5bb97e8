#include "BackgroundRefresh.h"

#include "QuotaNotices.h"

#include "client/DashboardClient.h"
#include "client/EditorLogin.h"
#include "client/RateLimit.h"
#include "client/SessionKeychain.h"
#include "history/LedgerSync.h"
#include "model/SnapshotStore.h"
#include "platform/Preferences.h"
#include "platform/WidgetCenter.h"
#include "pricing/PricingClient.h"

#include <QCoreApplication>
#include <QTimer>

#include <array>
#include <optional>

namespace {

// What one run hands from step to step.
struct Run
{
    bool pricingChanged = false;
    std::optional<UsageSnapshot> snapshot;
};

// A step answers whether the run goes on. Steps swallow their failures: the run always exits 0.
using Step = QCoro::Task<bool> (*)(Run&);

QCoro::Task<bool> syncPricing(Run& run)
{
    // Whatever the token's state: the widget's estimates need the day's prices even without one.
    try {
        run.pricingChanged = co_await PricingClient::syncIfNeeded();
    } catch (...) {
    }
    co_return true;
}

QCoro::Task<bool> respectRateLimit(Run&)
{
    co_return !RateLimit::until().has_value();
}

QCoro::Task<bool> lookUpToken(Run&)
{
    // Never unlocks: a locked keyring must not raise a prompt nobody asked for.
    try {
        co_return SessionKeychain::lookup().state == SecretLookup::State::found;
    } catch (...) {
        co_return false;
    }
}

QCoro::Task<bool> followEditor(Run&)
{
    // With following on, the editor's rotated login replaces the stored one before the requests.
    EditorLogin::follow();
    co_return true;
}

QCoro::Task<bool> fetchOverview(Run& run)
{
    try {
        run.snapshot = co_await DashboardClient::fetchOverview();
    } catch (...) {
        // An expired cookie included: the headless run never removes the stored token.
    }
    if (run.snapshot)
        co_return true;
    // The stored snapshot stays; the widget only needs to redraw for new prices.
    if (run.pricingChanged)
        WidgetCenter::reloadAllTimelines();
    co_return false;
}

QCoro::Task<bool> patchEvents(Run& run)
{
    try {
        run.snapshot = co_await DashboardClient::fetchEventPatch(*run.snapshot);
    } catch (...) {
        // The overview alone is still worth storing.
    }
    co_return true;
}

QCoro::Task<bool> saveSnapshot(Run& run)
{
    // Not stored: the widget has nothing new to show, and notices and the ledger would act on usage
    // nobody can read back.
    co_return SnapshotStore::save(*run.snapshot);
}

QCoro::Task<bool> nudgeWidget(Run&)
{
    WidgetCenter::reloadAllTimelines();
    co_return true;
}

QCoro::Task<bool> postQuotaNotices(Run& run)
{
    co_await QuotaNotices::post(*run.snapshot);
    co_return true;
}

QCoro::Task<bool> syncLedger(Run& run)
{
    // Last, so it never delays or changes what the refresh stored. Never unlocks the keyring either:
    // the token was looked up without it, and the sync asks the same way.
    if (Preferences::flag(Preferences::Key::usageHistory))
        co_await LedgerSync::runLocked(Ledger::defaultPath(), *run.snapshot, LedgerSync::headlessBudget);
    co_return true;
}

// The headless refresh, in this order and nowhere else. A step that must come before the first
// dashboard request (following the editor's session) goes in before fetchOverview; one that acts on
// the stored snapshot (notifications, the usage ledger) goes after nudgeWidget.
constexpr std::array<Step, 10> steps{
    syncPricing, respectRateLimit, lookUpToken, followEditor,     fetchOverview,
    patchEvents, saveSnapshot,     nudgeWidget, postQuotaNotices, syncLedger,
};

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
    Run run;
    for (const Step step : steps) {
        if (!co_await step(run))
            break;
    }
}
