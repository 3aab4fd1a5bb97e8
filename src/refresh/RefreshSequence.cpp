// The one order of every refresh, and what of the caller's policy each step reads.
#include "RefreshSequence.h"

#include "RefreshPipeline_p.h"

#include "platform/ServiceOrigin.h"

namespace {

template <typename... Fields>
QStringList namesOf()
{
    return {QString::fromLatin1(Fields::name)...};
}

} // namespace

template <typename... Fields>
RefreshSequence::TogetherStep
RefreshSequence::once(const char* name, QCoro::Task<bool> (*step)(Together&, PolicyView<Fields...>))
{
    return {name, namesOf<Fields...>(), [step](Together& together, const RefreshPolicy& policy) {
                return step(together, PolicyView<Fields...>(policy));
            }};
}

template <typename... Fields>
RefreshSequence::AccountStep RefreshSequence::each(
    const char* name,
    QCoro::Task<RefreshPipeline::Next> (RefreshPipeline::*step)(RefreshPipeline::Run&, PolicyView<Fields...>))
{
    return {name, namesOf<Fields...>(),
            [step](RefreshPipeline& pipeline, RefreshPipeline::Run& run, const RefreshPolicy& policy) {
                return (pipeline.*step)(run, PolicyView<Fields...>(policy));
            }};
}

// Once for all the accounts, before any account's own steps.
const QList<RefreshSequence::TogetherStep>& RefreshSequence::together()
{
    static const QList<TogetherStep> list{
        once("refuseOrigin", &refuseOrigin),         // a refused service origin: nothing sent at all
        once("syncPricingFirst", &syncPricingFirst), // beforehand: the day's prices, whatever the tokens
        once("unlockOnce", &unlockOnce),             // a user's refresh of several asks for the keyring once
    };
    return list;
}

// Each account's, in this order and nowhere else. A step answers whether the refresh goes on. A step
// that must come before the first dashboard request goes in before fetchOverview; one that acts on
// the stored snapshot goes after storeSnapshot.
const QList<RefreshSequence::AccountStep>& RefreshSequence::eachAccount()
{
    static const QList<AccountStep> list{
        each("checkLock", &RefreshPipeline::checkLock), // a user's action unlocks; else a lock ends it
        each("followEditor",
             &RefreshPipeline::followEditor),               // the editor's rotated login replaces the stored
        each("lookUpToken", &RefreshPipeline::lookUpToken), // no token, no refresh
        each("respectRateLimit", &RefreshPipeline::respectRateLimit), // the service's wait after a 429
        each("beginGeneration", &RefreshPipeline::beginGeneration), // newest refresh wins; pricing alongside
        each("fetchOverview", &RefreshPipeline::fetchOverview),     //
        each("applyOverview", &RefreshPipeline::applyOverview),     // shown at once
        each("detachPatch", &RefreshPipeline::detachPatch),         // the rest then runs on its own
        each("fetchEventPatch", &RefreshPipeline::fetchEventPatch), //
        each("storeSnapshot", &RefreshPipeline::storeSnapshot),     // stored where the widget reads it
        each("postNotices", &RefreshPipeline::postNotices),         // the notices the stored snapshot earns
        each("syncLedger", &RefreshPipeline::syncLedgerStep),       // last: it never delays what was stored
    };
    return list;
}

QCoro::Task<bool> RefreshSequence::refuseOrigin(Together& together, PolicyView<>)
{
    // A refused TALLYFERN_SERVICE_ORIGIN: nothing is sent anywhere, not even for the day's prices,
    // and every account's status says why.
    const std::optional<QString> refusal = ServiceOrigin::refusal();
    for (const QPointer<RefreshPipeline>& pipeline : std::as_const(together.pipelines)) {
        if (pipeline && refusal)
            pipeline->say(*refusal);
    }
    co_return !refusal;
}

QCoro::Task<bool> RefreshSequence::syncPricingFirst(Together& together,
                                                    PolicyView<Policy::PricingTiming> policy)
{
    // Whatever the tokens' state: the widget's estimates need the day's prices even without one.
    if (policy.pricing == Policy::PricingTiming::Pricing::beforehand) {
        const bool changed = co_await together.pricing->syncIfNeeded();
        together.facts.pricingChanged = changed;
    }
    co_return true;
}

QCoro::Task<bool> RefreshSequence::unlockOnce(Together& together, PolicyView<Policy::MayUnlock> policy)
{
    // One prompt for all: unlocking the default collection unlocks every account's item in it. When
    // it stays locked, nothing is asked again: each account then ends as locked, and says so.
    if (!policy.mayUnlock || together.pipelines.size() < 2)
        co_return true;
    together.facts.unlockAsked = true;
    for (const QPointer<RefreshPipeline>& pipeline : std::as_const(together.pipelines)) {
        const bool following = pipeline && pipeline->edges().session->isFollowing();
        if (!pipeline || !pipeline->needsUnlock(following))
            continue;
        co_await pipeline->unlock(following);
        break;
    }
    co_return true;
}
