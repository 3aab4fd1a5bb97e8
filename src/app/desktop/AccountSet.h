#pragma once

#include "AccountWiring.h"

#include "model/AccountList.h"
#include "refresh/AccountRefresh.h"

#include <functional>
#include <memory>
#include <vector>

// Every account this user keeps, one refresh pipeline each, in the order accounts.json lists them;
// without that file, the home account alone, exactly as before accounts could be added.
class AccountSet
{
public:
    // How an account's pipeline is wired: the real edges, or a test's.
    // The notice title is shared: a new label shows in the next notice.
    using Wiring =
        std::function<AccountWiring(const AccountPlace& place, std::shared_ptr<const QString> noticeTitle,
                                    bool several, std::shared_ptr<PricingSource> pricing)>;

    // A broken accounts.json is set aside first: the home account then goes on alone.
    explicit AccountSet(Wiring wiring = &AccountWiring::forAccount,
                        std::shared_ptr<PricingSource> pricing = std::make_shared<DailyPricing>());

    // Reads accounts.json again. A pipeline whose account is still listed in the same place is kept
    // (with its snapshot, status and running refreshes), and so is the home account's when a second
    // account joins it; others are made anew.
    void reload();

    qsizetype size() const { return qsizetype(m_entries.size()); }
    // Several accounts: accounts.json is in use.
    bool isListed() const { return m_listed; }
    const AccountList& list() const { return m_list; }
    // The implicit home account's user id and e-mail are empty.
    const Account& account(qsizetype index) const { return m_entries[std::size_t(index)].account; }
    AccountPlace place(qsizetype index) const { return m_entries[std::size_t(index)].place; }
    RefreshPipeline& pipeline(qsizetype index) const { return *m_entries[std::size_t(index)].pipeline; }
    qsizetype primaryIndex() const;
    qsizetype indexOf(const QString& userIdOrLabel) const;
    // -1 once the pipeline's account went.
    qsizetype indexOf(const RefreshPipeline* pipeline) const;
    const std::shared_ptr<PricingSource>& pricing() const { return m_pricing; }

    // Every account, through AccountRefresh.
    QCoro::Task<QList<RefreshOutcome>> refreshAll(RefreshPolicy policy) const;

private:
    void take(const AccountList::Read& read);

    struct Entry
    {
        Account account;
        AccountPlace place;
        std::shared_ptr<QString> noticeTitle;
        std::unique_ptr<RefreshPipeline> pipeline;
    };

    Wiring m_wiring;
    std::shared_ptr<PricingSource> m_pricing;
    AccountList m_list;
    bool m_listed = false;
    std::vector<Entry> m_entries;
};
