#pragma once

#include "Card.h"

#include <optional>

struct UsageSnapshot;

// How much of each quota is used: Cursor's models, other models, and the Grok bot's weekly quota,
// each as "已用 N%" over a bar.
class QuotaCard : public Card
{
    Q_OBJECT

public:
    explicit QuotaCard(const UsageSnapshot& snapshot, QWidget* parent = nullptr);

    // The bar's filled share: nothing below 1 %, at most the whole bar.
    static double barFraction(std::optional<qint64> percent);
    // "含至少 $20 API" for a plan that includes API spend, else nothing.
    static std::optional<QString> includedApiFootnote(double monthlyLimit);

private:
    void addRow(const QString& title, std::optional<qint64> percent, const QColor& tint,
                const std::optional<QString>& footnote);
};
