#pragma once

#include "history/LedgerDay.h"

#include <QDate>
#include <QList>
#include <QWidget>

// The cycle's days as bars stacked by model group (Cursor's models below, other models above), the
// previous cycle's daily totals as a faint line behind them, and today marked. Hovering a day, or
// moving through the days with the arrow keys, shows that day's per-model totals beneath.
class DailyBars : public QWidget
{
    Q_OBJECT

public:
    static constexpr int chartHeight = 140;

    explicit DailyBars(QWidget* parent = nullptr);

    void setDays(const QList<LedgerDay>& days, const QList<LedgerDay>& previous, QDate today);

    // The day whose totals are shown: the hovered or focused one, else today; -1 without days.
    int selectedIndex() const;
    void setSelectedIndex(int index);
    // "4月12日 · 共 3.2万 · auto 2.1万 · gpt-5 1.1万", the line under the bars.
    QString detailText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF barRect(int index) const;
    int indexAt(QPointF point) const;

    QList<LedgerDay> m_days;
    QList<double> m_previousTotals;
    QDate m_today;
    int m_selected = -1;
};
