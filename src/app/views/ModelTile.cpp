#include "ModelTile.h"

#include "CapsuleBar.h"
#include "Dot.h"
#include "FitLabel.h"
#include "Text.h"
#include "Theme.h"

#include "model/DisplayFormat.h"
#include "model/ModelPricing.h"
#include "model/ModelUsage.h"
#include "platform/Clock.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ModelTile::ModelTile(const ModelUsage& row, double maxToken, QWidget* parent)
    : Card(Theme::white(0.05), 12, parent)
{
    const QColor tint = row.group == ModelGroup::cursor ? Theme::cursorTint() : Theme::otherTint();
    const QString displayName = displayModelName(row.name);
    const QString tokenText = formatChineseCount(row.tokens.total);
    const QString estimateText = Text::estimate(ModelPricing::estimate(row.name, row.tokens, Clock::now()));
    setAccessibleName(displayName);
    m_value = tokenText + u" · "_s + estimateText;
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(4, 8, 4, 8);
    stack->setSpacing(6);

    stack->addWidget(new Dot(tint, 6, this), 0, Qt::AlignHCenter);

    auto* name = new FitLabel(displayName, Theme::font(Theme::TextStyle::caption2, QFont::Medium), this);
    name->setMaximumLines(2);
    name->setMinimumScale(0.8);
    name->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Text::setColour(name, Qt::white);
    stack->addWidget(name);

    auto* tokens = new FitLabel(tokenText, Theme::font(Theme::TextStyle::caption, QFont::DemiBold), this);
    tokens->setAlignment(Qt::AlignCenter);
    Text::setColour(tokens, Qt::white);
    stack->addWidget(tokens);

    auto* estimate = new FitLabel(estimateText, Theme::systemFont(10), this);
    estimate->setAlignment(Qt::AlignCenter);
    Text::setColour(estimate, Theme::white(0.45));
    stack->addWidget(estimate);

    auto* share = new ShareBar(row.tokens.total, maxToken, tint, 3, this);
    share->setAccessibleName(displayName + u" 占比"_s);
    stack->addWidget(share);
}
