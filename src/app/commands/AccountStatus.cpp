#include "AccountStatus.h"

#include "model/StatusLine.h"

using namespace Qt::StringLiterals;

QJsonObject AccountStatus::withBar(QJsonObject object, const UsageSnapshot& snapshot,
                                   const QuotaThresholds& thresholds, SecretLookup::State session)
{
    const QJsonObject bar = StatusLine::waybar(snapshot, thresholds);
    object.insert(u"text"_s, bar.value("text"_L1));
    object.insert(u"class"_s, bar.value("class"_L1));
    object.insert(u"signedIn"_s, session != SecretLookup::State::absent);
    object.insert(u"locked"_s, session == SecretLookup::State::locked);
    return object;
}
