#pragma once

#include "AccountRefresh.h"

#include "model/AccountRoster.h"

#include <functional>
#include <memory>
#include <vector>

// What one account's pipeline is made of: its edges, and the client state kept for all its refreshes.
struct PipelineWiring
{
    RefreshEdges edges;
    DashboardClient::ClientStateRef state;
};

// The live refresh pipelines, one for each account this user keeps, in the order accounts.json lists
// them; without that file, the home account alone, exactly as before accounts could be added. The
// accounts themselves are the account registry's; this only follows them.
class AccountPipelines
{
public:
    // How an account's pipeline is wired: the real edges (AccountWiring, where the app runs), or a
    // test's. The notice title is shared: a new label shows in the next notice.
    using Wiring =
        std::function<PipelineWiring(const AccountPlace& place, std::shared_ptr<const QString> noticeTitle,
                                     std::shared_ptr<PricingSource> pricing)>;

    // A broken accounts.json is set aside first: the home account then goes on alone.
    AccountPipelines(Wiring wiring, std::shared_ptr<PricingSource> pricing);

    // Reads the accounts again. A pipeline whose account is still listed in the same place (of the
    // same generation) is kept, with its snapshot, status and running refreshes, and so is the home
    // account's once its user becomes known; others are made anew.
    void reload();

    qsizetype size() const { return qsizetype(m_entries.size()); }
    // More than one account: only then are they told apart by name.
    bool several() const { return m_roster.several(); }
    const AccountRoster& roster() const { return m_roster; }
    // The home account's user id and e-mail are empty until the service names them.
    const Account& account(qsizetype index) const { return m_entries[std::size_t(index)].account; }
    AccountPlace place(qsizetype index) const { return m_entries[std::size_t(index)].place; }
    RefreshPipeline& pipeline(qsizetype index) const { return *m_entries[std::size_t(index)].pipeline; }
    qsizetype primaryIndex() const;
    qsizetype indexOf(const QString& userIdOrLabel) const;
    // The account in `place` (generation aside for the home place, whose user may change); -1 when
    // none is there.
    qsizetype indexOf(const AccountPlace& place) const;
    // -1 once the pipeline's account went.
    qsizetype indexOf(const RefreshPipeline* pipeline) const;
    const std::shared_ptr<PricingSource>& pricing() const { return m_pricing; }

    // Every account, through AccountRefresh.
    QCoro::Task<QList<RefreshOutcome>> refreshAll(RefreshPolicy policy) const;

private:
    void take(AccountRoster roster);

    struct Entry
    {
        Account account;
        AccountPlace place;
        std::shared_ptr<QString> noticeTitle;
        std::unique_ptr<RefreshPipeline> pipeline;
    };

    Wiring m_wiring;
    std::shared_ptr<PricingSource> m_pricing;
    AccountRoster m_roster;
    std::vector<Entry> m_entries;
};
