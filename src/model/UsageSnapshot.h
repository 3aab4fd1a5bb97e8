#pragma once

#include "DayUsage.h"
#include "ModelUsage.h"
#include "TokenSource.h"
#include "TokenTotals.h"

#include "platform/Clock.h"
#include "platform/Timestamp.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// The account's usage at one moment. Its JSON form is the file the app and the widget share.
struct UsageSnapshot
{
    double monthlyLimit = 0; // US dollars
    double monthlyUsed = 0;
    double todayUsed = 0;
    QList<ModelUsage> models;
    Timestamp updatedAt = Timestamp::distantPast();
    qint64 includedPercent = 0;
    QString displayMessage;
    QString billingCycleStart; // ISO 8601 text, empty when unknown
    QString billingCycleEnd;
    QString planName;
    TokenTotals tokens;
    TokenTotals todayTokens;
    bool hasRealData = false;
    QString source;
    double totalTokens = 0;
    double includedTokens = 0;
    double onDemandTokens = 0;
    std::optional<qint64> cursorModelsPercent;
    std::optional<qint64> otherModelsPercent;
    std::optional<qint64> grokWeeklyPercent;
    QString grokResetAt;
    QList<DayUsage> days;
    // On-demand spend this cycle, in US dollars; absent when the service says nothing about it or
    // on-demand is off. Unlimited: on-demand is on without a limit.
    std::optional<double> onDemandUsed;
    std::optional<double> onDemandLimit;
    bool onDemandUnlimited = false;
    // A team seat's pooled on-demand spend.
    std::optional<double> teamOnDemandUsed;
    std::optional<double> teamOnDemandLimit;

    bool operator==(const UsageSnapshot&) const = default;

    // The placeholder before any data exists.
    static UsageSnapshot empty();
    // The widget's preview (plan "Ultra"). Defined by the widget alone: nothing else may show it.
    static const UsageSnapshot& sample();

    // JSON form. Decoding is tolerant at the top level (missing or null keys take their defaults)
    // and strict inside nested records and on types; any violation rejects the whole record.
    static std::optional<UsageSnapshot> fromJson(const QJsonObject& object);
    static std::optional<UsageSnapshot> decode(const QByteArray& json);
    // Fails only when a double is NaN or infinite.
    std::optional<QJsonObject> toJson() const;
    std::optional<QByteArray> encode() const; // compact

    // Derived figures, computed on every read.
    QList<ModelUsage> cursorModels() const;
    QList<ModelUsage> otherModels() const;
    double cursorSourceTokens() const { return sourceTokens(TokenSource::cursor); }
    double otherSourceTokens() const { return sourceTokens(TokenSource::other); }
    double grokBotSourceTokens() const { return sourceTokens(TokenSource::grokBot); }
    double sourceTokens(TokenSource source) const;
    // Estimated list-price spend of a source; nothing when no row of it has a price.
    std::optional<double> sourceUSD(TokenSource source, Timestamp now = Clock::now()) const;
    qint64 remainingPercent() const; // 0 to 100
    // The overview rings' figures: nothing without real data, the premium one also without its quota.
    std::optional<qint64> cursorRemainingPercent() const;
    std::optional<qint64> premiumRemainingPercent() const;
    std::optional<qint64> daysRemaining(Timestamp now = Clock::now()) const;
    std::optional<qint64> grokDaysRemaining(Timestamp now = Clock::now()) const;
    QString grokFootnote(Timestamp now = Clock::now()) const;
    // The name the plan goes by: the trimmed plan name, or "个人" when the service named none;
    // "未连接" before any data.
    QString planTitle() const;
};
