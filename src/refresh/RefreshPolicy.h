#pragma once

// What sets one refresh apart from another: every refresh runs the same steps (RefreshSequence.cpp),
// and the caller only chooses these values. Each value is a type of its own, so that a step names
// the values it reads (PolicyView) and is handed no other: the step list shows what each choice
// changes. Facts a refresh learns on the way (new prices, a prompt already shown) are not choices and
// live in the run (RefreshFacts).
namespace Policy {

// A user's own action: the keyring may be unlocked, which prompts for its password.
struct MayUnlock
{
    static constexpr auto name = "mayUnlock";
    bool mayUnlock = false;
};

// A user's own action too: a service that asked to be left alone (429) is asked all the same.
struct IgnoresRateLimit
{
    static constexpr auto name = "ignoresRateLimit";
    bool ignoresRateLimit = false;
};

struct PricingTiming
{
    static constexpr auto name = "pricing";
    enum class Pricing {
        beforehand, // the day's pricing download ends before any account's refresh starts, once for all
        alongside,  // it runs on its own beside the usage download, also while the service is busy
    };
    Pricing pricing = Pricing::alongside;
};

// The editor's login is taken over before the token is looked up, even when none is stored yet.
// Otherwise only a stored session follows the editor.
struct FollowsWithoutToken
{
    static constexpr auto name = "followsWithoutToken";
    bool followsWithoutToken = true;
};

// The overview is stored and shown at once; the event patch then runs on its own, and a newer
// refresh stops it. Otherwise the patch is awaited and the snapshot stored once, patched or not.
struct AppliesOverviewFirst
{
    static constexpr auto name = "appliesOverviewFirst";
    bool appliesOverviewFirst = true;
};

// An expired cookie signs the session out; otherwise the token is kept for a later try.
struct RemovesRejectedToken
{
    static constexpr auto name = "removesRejectedToken";
    bool removesRejectedToken = true;
};

// After an event patch that failed, the ledger syncs all the same (with the overview stored).
struct SyncsLedgerAfterFailedPatch
{
    static constexpr auto name = "syncsLedgerAfterFailedPatch";
    bool syncsLedgerAfterFailedPatch = false;
};

// Event pages the ledger may ask for in one run.
struct LedgerPageBudget
{
    static constexpr auto name = "ledgerPageBudget";
    int ledgerPageBudget = 20;
};

// Nobody asked: no "还没有登录态" when there is no session, "仍显示缓存 · " before a failure over
// cached data, and no progress shown.
struct Silent
{
    static constexpr auto name = "silent";
    bool silent = false;
};

} // namespace Policy

struct RefreshPolicy : Policy::MayUnlock,
                       Policy::IgnoresRateLimit,
                       Policy::PricingTiming,
                       Policy::FollowsWithoutToken,
                       Policy::AppliesOverviewFirst,
                       Policy::RemovesRejectedToken,
                       Policy::SyncsLedgerAfterFailedPatch,
                       Policy::LedgerPageBudget,
                       Policy::Silent
{
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

// The values of a policy one step reads, and no other: a step that reached for another would not
// compile.
template <typename... Fields>
struct PolicyView : Fields...
{
    explicit PolicyView(const RefreshPolicy& policy)
        : Fields(static_cast<const Fields&>(policy))...
    {}
};

// What a refresh of several accounts learnt before any account's own steps, which they act on.
struct RefreshFacts
{
    // The day's pricing download, awaited first, brought a new table: a refresh that then stores
    // nothing still has the widget redraw for the new prices.
    bool pricingChanged = false;
    // The user's unlock was already asked once for all the accounts: none asks again.
    bool unlockAsked = false;
};
