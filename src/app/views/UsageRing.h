#pragma once

#include "AccessibleFigure.h"

#include <QColor>
#include <QWidget>

#include <optional>

// A ring gauge: a faint full circle with an arc in the tint that starts at 12 o'clock and grows
// clockwise to the percent, and in its middle the figure, a title and a subtitle. An absent
// percent shows a dash and no arc. A screen reader reads it as "Cursor 模型 剩余 72%".
class UsageRing : public QWidget, public AccessibleFigure
{
    Q_OBJECT

public:
    static constexpr int side = 104;
    static constexpr int lineWidth = 9;

    UsageRing(std::optional<qint64> percent, const QString& title, const QString& subtitle,
              const QColor& tint, QWidget* parent = nullptr);

    std::optional<qint64> percent() const { return m_percent; }
    QColor tint() const { return m_tint; }
    // The part of the circle the arc covers, within 0…1.
    double arcFraction() const;
    // "72%", or "—" without a percent.
    QString figure() const;

    QAccessible::Role accessibleRole() const override { return QAccessible::ProgressBar; }
    // "72%", or "暂无" without a percent (a dash reads as nothing).
    QString accessibleValue() const override;
    std::optional<double> accessiblePercent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<qint64> m_percent;
    QColor m_tint;
};
