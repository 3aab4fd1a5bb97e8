#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

class QLabel;
class QWidget;

// Labels and the few fixed texts that several views share.
namespace Text {

// A one-line label in the font and colour.
QLabel* label(const QString& text, const QFont& font, const QColor& colour, QWidget* parent = nullptr);

// A one-line label that cuts its text short with an ellipsis rather than ask for more width.
QLabel* eliding(const QString& text, const QFont& font, const QColor& colour, QWidget* parent = nullptr);

// A label that wraps onto as many lines as it needs.
QLabel* wrapping(const QString& text, const QFont& font, const QColor& colour, QWidget* parent = nullptr);

void setColour(QWidget* widget, const QColor& colour);

// Stands for a figure that is not available.
QString unavailable();

// "预估 $1.23", or "无标价" when the model has no list price.
QString estimate(std::optional<double> amount);

} // namespace Text
