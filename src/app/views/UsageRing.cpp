#include "UsageRing.h"

#include "FitLabel.h"
#include "Text.h"
#include "Theme.h"

#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

UsageRing::UsageRing(std::optional<qint64> percent, const QString& title, const QString& subtitle,
                     const QColor& tint, QWidget* parent)
    : QWidget(parent)
    , m_percent(percent)
    , m_tint(tint)
{
    setFixedSize(side, side);
    setAccessibleName(subtitle + u' ' + title + u' ' + accessibleValue());

    // The texts stay inside the ring's hole.
    auto* stack = new QVBoxLayout(this);
    const int inset = lineWidth + 3;
    stack->setContentsMargins(inset, inset, inset, inset);
    stack->setSpacing(2);
    stack->addStretch(1);

    auto* figureLabel = new FitLabel(figure(), Theme::systemFont(28, QFont::Medium), this);
    figureLabel->setMinimumScale(0.7);
    figureLabel->setAlignment(Qt::AlignCenter);
    Text::setColour(figureLabel, Qt::white);
    stack->addWidget(figureLabel);

    auto* titleLabel = new FitLabel(title, Theme::font(Theme::TextStyle::caption2), this);
    titleLabel->setAlignment(Qt::AlignCenter);
    Text::setColour(titleLabel, Theme::white(0.70));
    stack->addWidget(titleLabel);

    auto* subtitleLabel = new FitLabel(subtitle, Theme::systemFont(9), this);
    subtitleLabel->setAlignment(Qt::AlignCenter);
    Text::setColour(subtitleLabel, Theme::white(0.45));
    stack->addWidget(subtitleLabel);

    stack->addStretch(1);
}

double UsageRing::arcFraction() const
{
    // Callers pass 0…100; a stray value still never draws more than one turn or a backward arc.
    if (!m_percent)
        return 0;
    return double(std::clamp<qint64>(*m_percent, 0, 100)) / 100.0;
}

QString UsageRing::figure() const
{
    return m_percent ? QString::number(*m_percent) + u'%' : Text::unavailable();
}

QString UsageRing::accessibleValue() const
{
    return m_percent ? figure() : u"暂无"_s;
}

std::optional<double> UsageRing::accessiblePercent() const
{
    if (!m_percent)
        return std::nullopt;
    return double(std::clamp<qint64>(*m_percent, 0, 100));
}

void UsageRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal half = lineWidth / 2.0;
    const QRectF circle = QRectF(rect()).adjusted(half, half, -half, -half);

    QPen track(Theme::white(0.14), lineWidth, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(track);
    painter.drawEllipse(circle);

    const double fraction = arcFraction();
    if (fraction <= 0)
        return;
    QPen arc(m_tint, lineWidth, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(arc);
    // Qt measures angles in sixteenths of a degree, counter-clockwise from 3 o'clock: start at
    // 12 o'clock and sweep clockwise.
    const int span = -int(std::lround(fraction * 360 * 16));
    painter.drawArc(circle, 90 * 16, span);
}
