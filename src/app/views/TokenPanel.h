#pragma once

#include "Card.h"

struct UsageSnapshot;

// Token and spend figures of the cycle: total, included and on-demand tokens, then the estimated
// list-price spend of Cursor's models and of other models. Dashes before any data.
class TokenPanel : public Card
{
    Q_OBJECT

public:
    explicit TokenPanel(const UsageSnapshot& snapshot, QWidget* parent = nullptr);
};
