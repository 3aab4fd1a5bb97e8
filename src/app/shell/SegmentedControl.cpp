#include "SegmentedControl.h"

#include "ShellColours.h"

#include "app/views/Shapes.h"
#include "app/views/Theme.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int segmentPadding = 12;

} // namespace

SegmentedControl::SegmentedControl(const QString& label, const QStringList& segments, QWidget* parent)
    : QWidget(parent)
    , m_segments(segments)
{
    setAccessibleName(label);
    setFont(Theme::font(Theme::TextStyle::body));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_segments.size() || index == m_current)
        return;
    m_current = index;
    update();
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(index);
    QAccessible::updateAccessibility(&selection);
    Q_EMIT currentChanged(index);
}

QRect SegmentedControl::segmentRect(int index) const
{
    if (index < 0 || index >= m_segments.size())
        return {};
    // Integer edges that share out the remainder, so the last segment ends at the right edge.
    const int count = int(m_segments.size());
    const int left = width() * index / count;
    const int right = width() * (index + 1) / count;
    return {left, 0, right - left, controlHeight};
}

int SegmentedControl::segmentAt(const QPoint& position) const
{
    for (int i = 0; i < m_segments.size(); ++i) {
        if (segmentRect(i).contains(position))
            return i;
    }
    return -1;
}

QSize SegmentedControl::sizeHint() const
{
    int widest = 0;
    for (const QString& segment : m_segments)
        widest = std::max(widest, fontMetrics().horizontalAdvance(segment));
    return {int(m_segments.size()) * (widest + 2 * segmentPadding), controlHeight};
}

QSize SegmentedControl::minimumSizeHint() const
{
    return sizeHint();
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    Shapes::fill(painter, Shapes::continuousRoundedRect(QRectF(0, 0, width(), controlHeight), radius),
                 ShellColours::primary(colours, 0.10));

    const QRect selected = segmentRect(m_current);
    if (!selected.isEmpty()) {
        Shapes::fill(painter,
                     Shapes::continuousRoundedRect(QRectF(selected).adjusted(2, 2, -2, -2), radius - 2),
                     ShellColours::primary(colours, 0.24));
    }
    if (m_focusRing) {
        QColor ring = colours.color(QPalette::Active, QPalette::Highlight);
        ring.setAlphaF(0.6f);
        painter.setPen(QPen(ring, 2));
        painter.drawPath(Shapes::continuousRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius));
    }

    // Dividers only between two unselected segments, as the platform does.
    painter.setPen(QPen(ShellColours::primary(colours, 0.15), 1));
    for (int i = 1; i < m_segments.size(); ++i) {
        if (i == m_current || i - 1 == m_current)
            continue;
        const qreal x = segmentRect(i).left() + 0.5;
        painter.drawLine(QPointF(x, 6), QPointF(x, controlHeight - 6));
    }

    painter.setFont(font());
    for (int i = 0; i < m_segments.size(); ++i) {
        painter.setPen(ShellColours::primary(colours, i == m_current ? 1.0 : 0.8));
        painter.drawText(segmentRect(i), Qt::AlignCenter, m_segments.at(i));
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event)
{
    const int index = segmentAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || index < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    setCurrentIndex(index);
    event->accept();
}

void SegmentedControl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        setCurrentIndex(m_current - 1);
        break;
    case Qt::Key_Right:
        setCurrentIndex(m_current + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SegmentedControl::focusInEvent(QFocusEvent* event)
{
    m_focusRing = ShellColours::showsFocusRing(event->reason());
    QWidget::focusInEvent(event);
}

void SegmentedControl::focusOutEvent(QFocusEvent* event)
{
    m_focusRing = false;
    QWidget::focusOutEvent(event);
}
