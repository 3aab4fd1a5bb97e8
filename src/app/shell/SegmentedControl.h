#pragma once

#include "app/views/AccessibleFigure.h"

#include <QStringList>
#include <QWidget>

// A row of segments of equal width, one of them selected, as the platform draws a segmented picker:
// a faint rounded track with the selected segment raised in a lighter fill. Clicking a segment or
// pressing the arrow keys selects; the label names the control for screen readers, which read
// the segments as tabs.
class SegmentedControl : public QWidget, public AccessibleFigure
{
    Q_OBJECT

public:
    static constexpr int controlHeight = 24;
    static constexpr qreal radius = 7;

    SegmentedControl(const QString& label, const QStringList& segments, QWidget* parent = nullptr);

    const QStringList& segments() const { return m_segments; }
    int currentIndex() const { return m_current; }
    // Emits currentChanged when the selection moves.
    void setCurrentIndex(int index);

    // Where a segment lies; an empty rectangle for an index out of range.
    QRect segmentRect(int index) const;
    // The segment under a point, or -1.
    int segmentAt(const QPoint& position) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QAccessible::Role accessibleRole() const override { return QAccessible::PageTabList; }
    QString accessibleValue() const override { return m_segments.value(m_current); }
    QStringList accessibleParts() const override { return m_segments; }
    int selectedPart() const override { return m_current; }
    void selectPart(int index) override { setCurrentIndex(index); }
    QRect partRect(int index) const override { return segmentRect(index); }

Q_SIGNALS:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList m_segments;
    int m_current = 0;
    bool m_focusRing = false; // focus that came from the keyboard
};
