#pragma once

#include "Card.h"

class PlanBadge;
class QLabel;
struct UsageSnapshot;

// What is left of the quota: two rings (Cursor's models, premium models), the plan badge, the days
// left, the billing cycle's end and, when a quota will not last the cycle, when it runs out; or the
// first step when there is no data yet: pasting a cookie, or, with `keyringLocked`, unlocking the
// keyring that holds one.
class RemainingCard : public Card
{
    Q_OBJECT

public:
    explicit RemainingCard(const UsageSnapshot& snapshot, bool keyringLocked = false,
                           QWidget* parent = nullptr);

    // The narrowest width that shows everything whole: the rings 16 apart and the plan badge at
    // its natural size. The card's minimum width is smaller, with the plan name cut short.
    int fittingWidth() const;

    // The premium ring's figure: what the premium quota has left, 0…100, when known.
    static std::optional<qint64> premiumRemaining(const UsageSnapshot& snapshot);
    // "账期到 5月12日", or "本月账期" when the end is unknown.
    static QString cycleLine(const UsageSnapshot& snapshot);

    // The pace line under the cycle's end, or null when both quotas last.
    QLabel* paceLine() const { return m_pace; }

private:
    PlanBadge* m_badge = nullptr;
    QLabel* m_pace = nullptr;
};
