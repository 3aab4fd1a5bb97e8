#include "AccountRefresh.h"

#include "RefreshSequence.h"

#include <algorithm>
#include <vector>

namespace AccountRefresh {

namespace {

struct Shared
{
    QList<QPointer<RefreshPipeline>> pipelines;
    RefreshPolicy policy;
    RefreshFacts facts;
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
            RefreshOutcome outcome = co_await pipeline->refresh(shared->policy, shared->facts);
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
    RefreshSequence::Together together{std::move(pipelines), std::move(pricing), {}};
    for (const RefreshSequence::TogetherStep& step : RefreshSequence::together()) {
        const bool goesOn = co_await step.run(together, policy);
        if (!goesOn)
            co_return QList<RefreshOutcome>(together.pipelines.size());
    }

    auto shared = std::make_shared<Shared>();
    shared->pipelines = std::move(together.pipelines);
    shared->policy = policy;
    shared->facts = together.facts;
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
