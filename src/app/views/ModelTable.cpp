#include "ModelTable.h"

#include "CapsuleBar.h"
#include "Dot.h"
#include "FitLabel.h"
#include "Text.h"
#include "Theme.h"

#include "model/DisplayFormat.h"
#include "model/ModelPricing.h"
#include "platform/Clock.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A right-aligned pair: a figure over its estimate.
QVBoxLayout* figurePair(QWidget* parent, const QString& figure, const QColor& figureColour,
                        const QString& estimate)
{
    auto* pair = new QVBoxLayout;
    pair->setSpacing(1);
    pair->addWidget(Text::label(figure, Theme::font(Theme::TextStyle::caption), figureColour, parent), 0,
                    Qt::AlignRight);
    pair->addWidget(Text::label(estimate, Theme::systemFont(10), Theme::white(0.40), parent), 0,
                    Qt::AlignRight);
    return pair;
}

} // namespace

ModelTable::ModelTable(const QString& title, const QList<ModelUsage>& rows, const QColor& tint,
                       QWidget* parent)
    : Card(Theme::white(0.05), 18, parent)
{
    const Totals sums = totals(rows);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(new Dot(tint, 6, this), 0, Qt::AlignVCenter);
    header->addWidget(
        Text::label(title, Theme::font(Theme::TextStyle::caption, QFont::DemiBold), Qt::white, this), 0,
        Qt::AlignVCenter);
    header->addStretch(1);
    header->addLayout(
        figurePair(this, formatChineseCount(sums.tokens), Theme::white(0.55), Text::estimate(sums.cost)));
    stack->addLayout(header);

    if (rows.isEmpty()) {
        stack->addWidget(
            Text::label(u"无"_s, Theme::font(Theme::TextStyle::caption2), Theme::white(0.35), this));
    } else {
        const double total = std::max(sums.tokens, 1.0);
        for (const ModelUsage& row : rows)
            addEntry(row, total, tint);
    }
    stack->addStretch(1);
}

ModelTable::Totals ModelTable::totals(const QList<ModelUsage>& rows)
{
    Totals sums;
    const Timestamp now = Clock::now();
    for (const ModelUsage& row : rows) {
        sums.tokens += row.tokens.total;
        if (const auto estimate = ModelPricing::estimate(row.name, row.tokens, now))
            sums.cost = sums.cost.value_or(0) + *estimate;
    }
    return sums;
}

void ModelTable::addEntry(const ModelUsage& row, double total, const QColor& tint)
{
    auto* entry = new QVBoxLayout;
    entry->setSpacing(4);

    // Name and tokens share the first text line: both in the caption style, aligned at the top.
    auto* line = new QHBoxLayout;
    line->setSpacing(0);
    auto* name = new FitLabel(displayModelName(row.name), Theme::font(Theme::TextStyle::caption), this);
    Text::setColour(name, Qt::white);
    line->addWidget(name, 0, Qt::AlignTop);
    line->addSpacing(8);
    line->addStretch(1);
    line->addLayout(figurePair(this, formatChineseCount(row.tokens.total), Theme::white(0.75),
                               Text::estimate(ModelPricing::estimate(row.name, row.tokens, Clock::now()))));
    entry->addLayout(line);
    auto* share = new ShareBar(row.tokens.total, total, tint, 4, this);
    share->setAccessibleName(name->text() + u" 占比"_s);
    entry->addWidget(share);

    qobject_cast<QVBoxLayout*>(layout())->addLayout(entry);
}
