#pragma once

#include "PricingSource.h"
#include "RefreshPipeline.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

// Every refresh, in its one order: first the steps taken once for all the accounts refreshed together
// (AccountRefresh), then each account's own (RefreshPipeline). Each step names the policy values it
// reads and is handed only those (PolicyView), so this list shows what each caller's policy changes:
// compare RefreshPolicy's presets against the `reads` of the steps.
class RefreshSequence
{
public:
    // What the steps taken once share: the accounts' pipelines, the pricing, and the facts they learn
    // for the accounts' own steps.
    struct Together
    {
        QList<QPointer<RefreshPipeline>> pipelines;
        std::shared_ptr<PricingSource> pricing;
        RefreshFacts facts;
    };

    struct TogetherStep
    {
        const char* name;
        QStringList reads;
        // False: no account's steps run.
        std::function<QCoro::Task<bool>(Together&, const RefreshPolicy&)> run;
    };

    struct AccountStep
    {
        const char* name;
        QStringList reads;
        std::function<QCoro::Task<RefreshPipeline::Next>(RefreshPipeline&, RefreshPipeline::Run&,
                                                         const RefreshPolicy&)>
            run;
    };

    static const QList<TogetherStep>& together();
    static const QList<AccountStep>& eachAccount();

private:
    template <typename... Fields>
    static TogetherStep once(const char* name, QCoro::Task<bool> (*step)(Together&, PolicyView<Fields...>));
    template <typename... Fields>
    static AccountStep each(const char* name, QCoro::Task<RefreshPipeline::Next> (RefreshPipeline::*step)(
                                                  RefreshPipeline::Run&, PolicyView<Fields...>));

    static QCoro::Task<bool> refuseOrigin(Together& together, PolicyView<> policy);
    static QCoro::Task<bool> syncPricingFirst(Together& together, PolicyView<Policy::PricingTiming> policy);
    static QCoro::Task<bool> unlockOnce(Together& together, PolicyView<Policy::MayUnlock> policy);
};
