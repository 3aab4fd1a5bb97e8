#pragma once

#include "AccessibleFigure.h"

#include <QColor>
#include <QWidget>

// A horizontal bar: a faint capsule across the whole width and, from its leading end, a capsule
// in the tint covering the filled fraction. Its owner names it for screen readers, which read the
// filled share as a percent.
class CapsuleBar : public QWidget, public AccessibleFigure
{
    Q_OBJECT

public:
    // The fraction is kept within 0…1; anything that is not a number counts as 0.
    CapsuleBar(double fraction, const QColor& tint, int height, QWidget* parent = nullptr);

    double fraction() const { return m_fraction; }
    QColor tint() const { return m_tint; }
    // Width of the filled capsule at the bar's current width.
    qreal fillWidth() const;

    static double clampedFraction(double fraction);

    QAccessible::Role accessibleRole() const override { return QAccessible::ProgressBar; }
    QString accessibleValue() const override;
    std::optional<double> accessiblePercent() const override { return m_fraction * 100; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_fraction;
    QColor m_tint;
};

// A model's share of a total: value ÷ total, at most the whole bar, empty for a total of 0 or less.
class ShareBar : public CapsuleBar
{
    Q_OBJECT

public:
    ShareBar(double value, double total, const QColor& tint, int height, QWidget* parent = nullptr);

    static double fraction(double value, double total);
};
