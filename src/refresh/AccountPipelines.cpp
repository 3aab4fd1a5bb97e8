#include "AccountPipelines.h"

using namespace Qt::StringLiterals;

AccountPipelines::AccountPipelines(Wiring wiring, std::shared_ptr<PricingSource> pricing)
    : m_wiring(std::move(wiring))
    , m_pricing(std::move(pricing))
{
    take(AccountRoster::of(AccountList::setAsideIfBroken(), HomeRecord::read()));
}

void AccountPipelines::reload()
{
    take(AccountRoster::read());
}

void AccountPipelines::take(AccountRoster roster)
{
    m_roster = std::move(roster);
    QList<AccountRoster::Entry> wanted = m_roster.entries;
    // The home place emptied and no account left: the home account alone, signed out.
    if (wanted.isEmpty())
        wanted.append({Account{}, AccountPlace::homeAccount({}, m_roster.home.generation)});

    std::vector<Entry> entries;
    for (auto& [account, place] : wanted) {
        // Kept while the account keeps its place. The home account's user may become known (the
        // service named it, or a second account joined): only its edges are made again.
        const auto kept = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
            return entry.pipeline && (entry.place == place || (entry.place.home && place.home &&
                                                               entry.place.generation == place.generation &&
                                                               entry.place.userId.isEmpty()));
        });
        const QString title =
            m_roster.several() ? u"Tallyfern · "_s + (account.label.isEmpty() ? account.email : account.label)
                               : u"Tallyfern"_s;
        if (kept != m_entries.end()) {
            *kept->noticeTitle = title;
            if (kept->place != place)
                kept->pipeline->setEdges(m_wiring(place, kept->noticeTitle, m_pricing).edges);
            entries.push_back({account, place, kept->noticeTitle, std::move(kept->pipeline)});
            continue;
        }
        auto shared = std::make_shared<QString>(title);
        PipelineWiring wiring = m_wiring(place, shared, m_pricing);
        entries.push_back(
            {account, place, shared, std::make_unique<RefreshPipeline>(wiring.edges, wiring.state)});
    }
    m_entries = std::move(entries);
}

qsizetype AccountPipelines::primaryIndex() const
{
    const AccountRoster::Entry* primary = m_roster.primary();
    const qsizetype index = primary ? indexOf(primary->place) : 0;
    return index < 0 ? 0 : index;
}

qsizetype AccountPipelines::indexOf(const QString& userIdOrLabel) const
{
    const AccountRoster::Entry* found = m_roster.find(userIdOrLabel);
    return found ? indexOf(found->place) : -1;
}

qsizetype AccountPipelines::indexOf(const AccountPlace& place) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&place](const Entry& entry) {
        return entry.place.home == place.home && (place.home || entry.place.userId == place.userId);
    });
    return found != m_entries.end() ? qsizetype(found - m_entries.begin()) : -1;
}

qsizetype AccountPipelines::indexOf(const RefreshPipeline* pipeline) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [pipeline](const Entry& entry) {
        return entry.pipeline.get() == pipeline;
    });
    return found != m_entries.end() ? qsizetype(found - m_entries.begin()) : -1;
}

QCoro::Task<QList<RefreshOutcome>> AccountPipelines::refreshAll(RefreshPolicy policy) const
{
    QList<QPointer<RefreshPipeline>> pipelines;
    for (const Entry& entry : m_entries)
        pipelines.append(entry.pipeline.get());
    return AccountRefresh::run(std::move(pipelines), policy, m_pricing);
}
