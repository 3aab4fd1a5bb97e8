#pragma once

#include <QCoroTask>
#include <QString>

// The pricing table behind the estimates: downloaded at most once a local day. DailyPricing is the
// real one; tests script one.
class PricingSource
{
public:
    virtual ~PricingSource() = default;

    // Whether today's download is still due.
    virtual bool needsSync() = 0;
    // True only when a new table reached the disk. Never throws.
    virtual QCoro::Task<bool> syncIfNeeded() = 0;
    // What the overview says about the table ("标价已同步 …" or "标价用内置表").
    virtual QString label() = 0;
};

// PricingClient and PricingStore.
class DailyPricing : public PricingSource
{
public:
    bool needsSync() override;
    QCoro::Task<bool> syncIfNeeded() override;
    QString label() override;
};
