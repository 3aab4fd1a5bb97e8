#include "Text.h"

#include "FitLabel.h"

#include "model/DisplayFormat.h"

#include <QLabel>

using namespace Qt::StringLiterals;

QLabel* Text::label(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    setColour(label, colour);
    return label;
}

QLabel* Text::eliding(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new FitLabel(text, font, parent);
    setColour(label, colour);
    return label;
}

QLabel* Text::wrapping(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new FitLabel(text, font, parent);
    label->setMaximumLines(0);
    setColour(label, colour);
    return label;
}

void Text::setColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QString Text::unavailable()
{
    return u"—"_s;
}

QString Text::estimate(std::optional<double> amount)
{
    return amount ? u"预估 "_s + formatUSD(*amount) : u"无标价"_s;
}
