#include "MetricCell.h"

#include "FitLabel.h"
#include "Text.h"
#include "Theme.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MetricCell::MetricCell(const QString& title, const QString& value, const std::optional<QString>& subtitle,
                       QWidget* parent)
    : Card(Theme::white(0.06), 10, parent)
    , m_value(subtitle ? value + u" · "_s + *subtitle : value)
{
    setAccessibleName(title);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(10, 8, 10, 8);
    stack->setSpacing(3);

    auto* titleLabel = new FitLabel(title, Theme::font(Theme::TextStyle::caption2), this);
    Text::setColour(titleLabel, Theme::white(0.50));
    stack->addWidget(titleLabel);

    auto* valueLabel = new FitLabel(value, Theme::font(Theme::TextStyle::subheadline, QFont::DemiBold), this);
    Text::setColour(valueLabel, Qt::white);
    stack->addWidget(valueLabel);

    if (subtitle) {
        auto* subtitleLabel = new FitLabel(*subtitle, Theme::systemFont(10), this);
        Text::setColour(subtitleLabel, Theme::white(0.40));
        stack->addWidget(subtitleLabel);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}
