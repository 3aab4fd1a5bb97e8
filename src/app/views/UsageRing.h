#pragma once

#include <QColor>
#include <QWidget>

#include <optional>

// A ring gauge: a faint full circle with an arc in the tint that starts at 12 o'clock and grows
// clockwise to the percent, and in its middle the figure, a title and a subtitle. An absent
// percent shows a dash and no arc.
class UsageRing : public QWidget
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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<qint64> m_percent;
    QColor m_tint;
};
