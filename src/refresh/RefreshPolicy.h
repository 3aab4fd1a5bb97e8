#pragma once

// What sets one refresh apart from another: every refresh runs the same steps (RefreshPipeline), and
// the caller only chooses these values.
struct RefreshPolicy
{
    enum class Pricing {
        beforehand, // the day's pricing download ends before any account's refresh starts
                    // (AccountRefresh awaits it once for them all)
        alongside,  // it runs on its own beside the usage download, also while the service is busy
    };

    // A user's own action: the keyring may be unlocked, which prompts for its password.
    bool mayUnlock = false;
    // A user's own action too: a service that asked to be left alone (429) is asked all the same.
    bool ignoresRateLimit = false;
    Pricing pricing = Pricing::alongside;
    // Beforehand, whether that download brought a new table: a refresh that then stores nothing
    // still has the widget redraw for the new prices. Set by AccountRefresh.
    bool pricingChanged = false;
    // The editor's login is taken over before the token is looked up, even when none is stored yet.
    // Otherwise only a stored session follows the editor.
    bool followsWithoutToken = true;
    // The overview is stored and shown at once; the event patch then runs on its own, and a newer
    // refresh stops it. Otherwise the patch is awaited and the snapshot stored once, patched or not.
    bool appliesOverviewFirst = true;
    // An expired cookie signs the session out (and marks a rejected editor login so it is never
    // taken again); otherwise the token is kept for a later try.
    bool removesRejectedToken = true;
    // After an event patch that failed, the ledger syncs all the same (with the overview stored).
    bool syncsLedgerAfterFailedPatch = false;
    // Event pages the ledger may ask for in one run.
    int ledgerPageBudget = 20;
    // Nobody asked: no "还没有登录态" when there is no session, "仍显示缓存 · " before a failure over
    // cached data, and no progress shown.
    bool silent = false;

    // "刷新", the tray's refresh, "保存并刷新" and an import.
    static constexpr RefreshPolicy user()
    {
        RefreshPolicy policy;
        policy.mayUnlock = true;
        policy.ignoresRateLimit = true;
        return policy;
    }
    // The window's first refresh: it speaks, but never prompts and respects a busy service.
    static constexpr RefreshPolicy startUp() { return RefreshPolicy{}; }
    // The window's refresh every 180 s.
    static constexpr RefreshPolicy timer()
    {
        RefreshPolicy policy;
        policy.silent = true;
        return policy;
    }
    // `tallyfern --refresh`, for the background timer: short, and it keeps the token whatever
    // happens, since nobody is there to paste a new one.
    static constexpr RefreshPolicy headless()
    {
        RefreshPolicy policy;
        policy.pricing = Pricing::beforehand;
        policy.followsWithoutToken = false;
        policy.appliesOverviewFirst = false;
        policy.removesRejectedToken = false;
        policy.syncsLedgerAfterFailedPatch = true;
        policy.ledgerPageBudget = 10;
        policy.silent = true;
        return policy;
    }
};
