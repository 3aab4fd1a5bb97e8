#include "TokenPanel.h"

#include "MetricCell.h"
#include "Text.h"
#include "Theme.h"

#include "model/DisplayFormat.h"
#include "model/UsageSnapshot.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

struct Cell
{
    QString title;
    QString value;
    std::optional<QString> subtitle;
};

QHBoxLayout* cellRow(QWidget* parent, const QList<Cell>& cells)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    for (const Cell& cell : cells)
        row->addWidget(new MetricCell(cell.title, cell.value, cell.subtitle, parent), 1, Qt::AlignVCenter);
    return row;
}

} // namespace

TokenPanel::TokenPanel(const UsageSnapshot& snapshot, QWidget* parent)
    : Card(Theme::white(0.05), 18, parent)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(8);

    const bool real = snapshot.hasRealData;
    const auto count = [real](double tokens) {
        return real ? formatChineseCount(tokens) : Text::unavailable();
    };
    const auto spend = [real](std::optional<double> amount) {
        return real ? Text::estimate(amount) : Text::unavailable();
    };
    const auto tokensOf = [real](double tokens) {
        return real ? std::optional<QString>(formatChineseCount(tokens)) : std::nullopt;
    };

    stack->addLayout(cellRow(this, {
                                       {u"总计"_s, count(snapshot.totalTokens), std::nullopt},
                                       {u"套餐内"_s, count(snapshot.includedTokens), std::nullopt},
                                       {u"按需"_s, count(snapshot.onDemandTokens), std::nullopt},
                                   }));
    stack->addLayout(cellRow(this, {
                                       {u"Cursor 消耗"_s, spend(snapshot.sourceUSD(TokenSource::cursor)),
                                        tokensOf(snapshot.cursorSourceTokens())},
                                       {u"其他模型消耗"_s, spend(snapshot.sourceUSD(TokenSource::other)),
                                        tokensOf(snapshot.otherSourceTokens())},
                                   }));
    // Content stays at the top when the panel is stretched beside a taller card.
    stack->addStretch(1);
}
