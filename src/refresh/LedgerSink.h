#pragma once

#include "history/CycleExport.h"
#include "history/LedgerSync.h"
#include "history/TrendsReport.h"

// The usage ledger a refresh brings up to date, and what the trends page reads back from it.
// LedgerOnDisk is the SQLite file in the support folder; tests script one.
class LedgerSink
{
public:
    virtual ~LedgerSink() = default;

    // One sync of the cycle of `snapshot` and the one before it, within the page budget. Never throws.
    virtual QCoro::Task<LedgerSync::Result> sync(UsageSnapshot snapshot, int pageBudget,
                                                 LedgerSync::Source source) = 0;
    // The trends page's figures; empty when there is no ledger.
    virtual TrendsReport trends(const UsageSnapshot& snapshot) = 0;
    // Deletes the ledger ("保存用量历史" switched off).
    virtual void remove() = 0;
    // "导出 CSV": one cycle's events to a file the user named.
    virtual CycleExport::Result exportCycle(const UsageSnapshot& snapshot, CycleExport::Cycle cycle,
                                            const QString& fileName) = 0;
};

class LedgerOnDisk : public LedgerSink
{
public:
    explicit LedgerOnDisk(AccountPlace place);

    QCoro::Task<LedgerSync::Result> sync(UsageSnapshot snapshot, int pageBudget,
                                         LedgerSync::Source source) override;
    TrendsReport trends(const UsageSnapshot& snapshot) override;
    void remove() override;
    CycleExport::Result exportCycle(const UsageSnapshot& snapshot, CycleExport::Cycle cycle,
                                    const QString& fileName) override;

private:
    AccountPlace m_place;
};
