#pragma once

#include "AccessibleFigure.h"

#include "history/LedgerDay.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QWidget>

// The cycle's days as bars stacked by model group (Cursor's models below, other models above), the
// previous cycle's daily totals as a faint line behind them, and today marked. A day not yet synced
// is an outline without fill, never a day without usage. Hovering a day, or moving through the
// days with the arrow keys, shows that day's per-model totals beneath (and in a tooltip); a screen
// reader hears the cycle's summary until a day is chosen, then that day.
class DailyBars : public QWidget, public AccessibleFigure
{
    Q_OBJECT

public:
    static constexpr int chartHeight = 140;

    explicit DailyBars(QWidget* parent = nullptr);

    void setDays(const QList<LedgerDay>& days, const QList<LedgerDay>& previous, QDate today,
                 const QSet<QDate>& unsynced = {}, const QSet<QDate>& previousUnsynced = {});

    // The day whose totals are shown: the hovered or focused one, else today; -1 without days.
    int selectedIndex() const;
    void setSelectedIndex(int index);
    // "4月12日 · 共 3.2万 · auto 2.1万 · gpt-5 1.1万", the line under the bars: the largest models
    // that fit its two lines, then "其他 n 个模型".
    QString detailText() const;
    // "5月14日至6月14日 · 共 2.09亿 tokens · 最多 5月20日 1800万", and how many days are not yet synced.
    QString summaryText() const;

    // Where the day's bar stands, in the widget's coordinates.
    QRectF barRect(int index) const;

    QSize sizeHint() const override;

    QAccessible::Role accessibleRole() const override { return QAccessible::Chart; }
    QString accessibleValue() const override { return {}; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int indexAt(QPointF point) const;
    // A day's line: the date and total, then each model's, largest first.
    struct DayLine
    {
        QString head;
        QStringList models;

        // With the first `named` models, the rest counted ("其他 n 个模型").
        QString text(qsizetype named) const;
        static QString others(qsizetype count);
    };
    DayLine dayLine(int index) const;
    // The line with as many models as its two lines under the bars hold.
    QString fittedDayText(int index) const;
    void describe();

    QList<LedgerDay> m_days;
    QList<double> m_previousTotals; // NaN for a day not yet synced
    QSet<QDate> m_unsynced;
    QDate m_today;
    int m_selected = -1;
};
