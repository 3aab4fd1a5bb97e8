#pragma once

#include "model/UsageSnapshot.h"

#include <QWidget>

class PageScroll;
class QBoxLayout;

// The second page: the cycle's tokens by source, a strip of the first five models, and every model
// listed in the table of its group with its estimated list-price cost.
class ModelsPage : public QWidget
{
    Q_OBJECT

public:
    static constexpr int stripLength = 5;

    explicit ModelsPage(QWidget* parent = nullptr);

    // Rebuilds the page. Estimates are taken from the pricing tables at this moment.
    void setSnapshot(const UsageSnapshot& snapshot);
    const UsageSnapshot& snapshot() const { return m_snapshot; }

    PageScroll* scroll() const { return m_scroll; }
    // The two tables sit side by side (true) or one below the other.
    bool isWide() const;

    // The largest model's tokens, against which the strip's bars are drawn; 1 without models.
    static double maxToken(const UsageSnapshot& snapshot);

private:
    void rebuild();
    void applyWide(bool wide);

    UsageSnapshot m_snapshot = UsageSnapshot::empty();
    PageScroll* m_scroll;
    QBoxLayout* m_tables = nullptr;
};
