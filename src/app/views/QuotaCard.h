#pragma once

#include "Card.h"

#include <optional>

struct UsageSnapshot;

// How much of each quota is used: Cursor's models, other models, and the Grok bot's weekly quota,
// each as "已用 N%" over a bar; then on-demand spend against its limit, when the service reports it.
class QuotaCard : public Card
{
    Q_OBJECT

public:
    explicit QuotaCard(const UsageSnapshot& snapshot, QWidget* parent = nullptr);

    // The bar's filled share: nothing below 1 %, at most the whole bar.
    static double barFraction(std::optional<qint64> percent);
    // "含至少 $20 API" for a plan that includes API spend, else nothing.
    static std::optional<QString> includedApiFootnote(double monthlyLimit);

    // "$23.1 / $100", "$23.1 · 无上限" or "$23.1"; nothing without any on-demand figure of the user's.
    static std::optional<QString> onDemandText(const UsageSnapshot& snapshot);
    // "团队 $150 / $500" for a team seat's pool, else nothing.
    static std::optional<QString> teamOnDemandText(const UsageSnapshot& snapshot);
    // Spent ÷ limit, at most the whole bar; nothing without a limit.
    static std::optional<double> onDemandFraction(const UsageSnapshot& snapshot);

private:
    void addRow(const QString& title, const QString& value, std::optional<double> fraction,
                const QColor& tint, const std::optional<QString>& footnote,
                const std::optional<QString>& below = std::nullopt);
    void addQuotaRow(const QString& title, std::optional<qint64> percent, const QColor& tint,
                     const std::optional<QString>& footnote);
};
