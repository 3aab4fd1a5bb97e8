#include "AccountRefresh.h"

#include "platform/ServiceOrigin.h"

#include <algorithm>
#include <vector>

namespace AccountRefresh {

namespace {

struct Shared
{
    QList<QPointer<RefreshPipeline>> pipelines;
    RefreshPolicy policy;
    qsizetype next = 0;
    QList<RefreshOutcome> outcomes;
};

QCoro::Task<> worker(std::shared_ptr<Shared> shared)
{
    while (shared->next < shared->pipelines.size()) {
        const qsizetype index = shared->next++;
        const QPointer<RefreshPipeline> pipeline = shared->pipelines[index];
        if (!pipeline)
            continue;
        try {
            RefreshOutcome outcome = co_await pipeline->refresh(shared->policy);
            shared->outcomes[index] = std::move(outcome);
        } catch (...) {
            // Never thrown by the pipeline; and if it were, the next account still gets its turn.
        }
    }
}

} // namespace

QCoro::Task<QList<RefreshOutcome>> run(QList<QPointer<RefreshPipeline>> pipelines, RefreshPolicy policy,
                                       std::shared_ptr<PricingSource> pricing)
{
    // A refused TALLYFERN_SERVICE_ORIGIN: nothing is sent anywhere, not even for the day's prices,
    // and every account's status says why.
    if (const std::optional<QString> refusal = ServiceOrigin::refusal()) {
        for (const QPointer<RefreshPipeline>& pipeline : std::as_const(pipelines)) {
            if (pipeline)
                pipeline->say(*refusal);
        }
        co_return QList<RefreshOutcome>(pipelines.size());
    }
    if (policy.pricing == RefreshPolicy::Pricing::beforehand) {
        // Whatever the tokens' state: the widget's estimates need the day's prices even without one.
        const bool changed = co_await pricing->syncIfNeeded();
        policy.pricingChanged = changed;
    }
    // One prompt for all: unlocking the default collection unlocks every account's item in it. When
    // it stays locked, nothing is asked again: each account then ends as locked, and says so.
    if (policy.mayUnlock && pipelines.size() > 1) {
        for (const QPointer<RefreshPipeline>& pipeline : std::as_const(pipelines)) {
            const bool following = pipeline && pipeline->edges().session->isFollowing();
            if (!pipeline || !pipeline->needsUnlock(following))
                continue;
            co_await pipeline->unlock(following);
            break;
        }
        policy.mayUnlock = false;
    }

    auto shared = std::make_shared<Shared>();
    shared->pipelines = std::move(pipelines);
    shared->policy = policy;
    shared->outcomes.resize(shared->pipelines.size());
    // Every worker starts before the first is awaited, so that they run side by side.
    std::vector<QCoro::Task<>> running;
    const qsizetype count = std::min<qsizetype>(workers, shared->pipelines.size());
    for (qsizetype i = 0; i < count; ++i)
        running.push_back(worker(shared));
    for (QCoro::Task<>& task : running)
        co_await task;
    co_return shared->outcomes;
}

} // namespace AccountRefresh
