#include "AccountSet.h"

using namespace Qt::StringLiterals;

AccountSet::AccountSet(Wiring wiring, std::shared_ptr<PricingSource> pricing)
    : m_wiring(std::move(wiring))
    , m_pricing(std::move(pricing))
{
    take(AccountList::setAsideIfBroken());
}

void AccountSet::reload()
{
    take(AccountList::read());
}

void AccountSet::take(const AccountList::Read& read)
{
    m_listed = read.state == AccountList::State::loaded;
    m_list = m_listed ? read.list : AccountList{};

    QList<std::pair<Account, AccountPlace>> wanted;
    if (m_listed) {
        for (const Account& account : std::as_const(m_list.accounts))
            wanted.append({account, m_list.placeOf(account.userId)});
    } else {
        wanted.append({Account{}, AccountPlace::homeAccount()});
    }

    std::vector<Entry> entries;
    for (auto& [account, place] : wanted) {
        // Kept while the account keeps its place. The home account alone is the listed home account
        // once a second account joins: only its user becomes known, and with it whose editor login
        // it follows, so its edges are made again.
        const auto kept = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
            return entry.pipeline &&
                   (entry.place == place || (entry.place == AccountPlace::homeAccount() && place.home));
        });
        const QString title =
            m_listed ? u"Tallyfern · "_s + (account.label.isEmpty() ? account.email : account.label)
                     : u"Tallyfern"_s;
        if (kept != m_entries.end()) {
            *kept->noticeTitle = title;
            if (kept->place != place)
                kept->pipeline->setEdges(m_wiring(place, kept->noticeTitle, m_listed, m_pricing).edges);
            entries.push_back({account, place, kept->noticeTitle, std::move(kept->pipeline)});
            continue;
        }
        auto shared = std::make_shared<QString>(title);
        AccountWiring wiring = m_wiring(place, shared, m_listed, m_pricing);
        entries.push_back(
            {account, place, shared, std::make_unique<RefreshPipeline>(wiring.edges, wiring.state)});
    }
    m_entries = std::move(entries);
}

qsizetype AccountSet::primaryIndex() const
{
    const qsizetype primary = m_listed ? indexOf(m_list.primary) : 0;
    return primary < 0 ? 0 : primary;
}

qsizetype AccountSet::indexOf(const QString& userIdOrLabel) const
{
    const Account* found = m_list.find(userIdOrLabel);
    for (qsizetype i = 0; found && i < size(); ++i) {
        if (account(i).userId == found->userId)
            return i;
    }
    return -1;
}

qsizetype AccountSet::indexOf(const RefreshPipeline* pipeline) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [pipeline](const Entry& entry) {
        return entry.pipeline.get() == pipeline;
    });
    return found != m_entries.end() ? qsizetype(found - m_entries.begin()) : -1;
}

QCoro::Task<QList<RefreshOutcome>> AccountSet::refreshAll(RefreshPolicy policy) const
{
    QList<QPointer<RefreshPipeline>> pipelines;
    for (const Entry& entry : m_entries)
        pipelines.append(entry.pipeline.get());
    return AccountRefresh::run(std::move(pipelines), policy, m_pricing);
}
