#include "DailyBars.h"

#include "Theme.h"

#include "model/DisplayFormat.h"
#include "model/ModelUsage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal gap = 3;
constexpr qreal detailHeight = 36;

struct Split
{
    double cursor = 0;
    double other = 0;
};

Split split(const LedgerDay& day)
{
    Split result;
    for (auto it = day.models.cbegin(); it != day.models.cend(); ++it) {
        if (ModelUsage::groupFor(it.key()) == ModelGroup::cursor)
            result.cursor += it.value();
        else
            result.other += it.value();
    }
    return result;
}

} // namespace

DailyBars::DailyBars(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(u"每日用量"_s);
    setMinimumHeight(chartHeight + int(detailHeight));
}

void DailyBars::setDays(const QList<LedgerDay>& days, const QList<LedgerDay>& previous, QDate today)
{
    m_days = days;
    m_previousTotals.clear();
    for (const LedgerDay& day : previous)
        m_previousTotals.append(day.totalTokens());
    m_today = today;
    m_selected = -1;
    update();
}

int DailyBars::selectedIndex() const
{
    if (m_selected >= 0 && m_selected < m_days.size())
        return m_selected;
    for (qsizetype i = 0; i < m_days.size(); ++i) {
        if (m_days.at(i).date == m_today)
            return int(i);
    }
    return m_days.isEmpty() ? -1 : int(m_days.size() - 1);
}

void DailyBars::setSelectedIndex(int index)
{
    m_selected = m_days.isEmpty() ? -1 : std::clamp(index, 0, int(m_days.size() - 1));
    setAccessibleDescription(detailText());
    update();
}

QString DailyBars::detailText() const
{
    const int index = selectedIndex();
    if (index < 0)
        return {};
    const LedgerDay& day = m_days.at(index);
    QString text = u"%1月%2日"_s.arg(day.date.month()).arg(day.date.day());
    if (day.models.isEmpty())
        return text + u" · 没有用量"_s;
    text += u" · 共 "_s + formatChineseCount(day.totalTokens());
    // Largest first, so the line says what mattered that day.
    QList<std::pair<double, QString>> models;
    for (auto it = day.models.cbegin(); it != day.models.cend(); ++it)
        models.append({it.value(), it.key()});
    std::sort(models.begin(), models.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [tokens, name] : models)
        text += u" · "_s + name + u' ' + formatChineseCount(tokens);
    return text;
}

QSize DailyBars::sizeHint() const
{
    return {480, chartHeight + int(detailHeight)};
}

QRectF DailyBars::barRect(int index) const
{
    const qreal slot = qreal(width()) / std::max<qsizetype>(1, m_days.size());
    return QRectF(index * slot + gap / 2, 0, std::max<qreal>(1, slot - gap), chartHeight - 12);
}

int DailyBars::indexAt(QPointF point) const
{
    if (m_days.isEmpty() || point.y() > chartHeight)
        return -1;
    const qreal slot = qreal(width()) / m_days.size();
    return std::clamp(int(point.x() / slot), 0, int(m_days.size() - 1));
}

void DailyBars::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    double largest = 1;
    for (const LedgerDay& day : m_days)
        largest = std::max(largest, day.totalTokens());
    for (const double total : m_previousTotals)
        largest = std::max(largest, total);

    const int selected = selectedIndex();
    for (int i = 0; i < int(m_days.size()); ++i) {
        const QRectF slot = barRect(i);
        const qreal bottom = slot.bottom();
        // An empty day keeps its place as a faint baseline mark.
        painter.fillRect(QRectF(slot.left(), bottom - 1, slot.width(), 1), Theme::white(0.12));
        const Split parts = split(m_days.at(i));
        const qreal cursorHeight = slot.height() * parts.cursor / largest;
        const qreal otherHeight = slot.height() * parts.other / largest;
        const qreal fade = i == selected ? 1.0 : 0.75;
        QColor cursor = Theme::cursorTint();
        cursor.setAlphaF(float(fade));
        QColor other = Theme::otherTint();
        other.setAlphaF(float(fade));
        painter.fillRect(QRectF(slot.left(), bottom - cursorHeight, slot.width(), cursorHeight), cursor);
        painter.fillRect(QRectF(slot.left(), bottom - cursorHeight - otherHeight, slot.width(), otherHeight),
                         other);
        if (m_days.at(i).date == m_today) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::white(0.9));
            painter.drawEllipse(QPointF(slot.center().x(), bottom + 6), 2.5, 2.5);
        }
    }

    // The previous cycle, day by day from its first, as a faint line over the same slots.
    if (m_previousTotals.size() > 1 && !m_days.isEmpty()) {
        QPainterPath line;
        for (int i = 0; i < int(std::min(m_previousTotals.size(), m_days.size())); ++i) {
            const QRectF slot = barRect(i);
            const QPointF point(slot.center().x(),
                                slot.bottom() - slot.height() * m_previousTotals.at(i) / largest);
            if (i == 0)
                line.moveTo(point);
            else
                line.lineTo(point);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::white(0.30), 1.2));
        painter.drawPath(line);
    }

    painter.setPen(Theme::white(hasFocus() ? 0.85 : 0.60));
    painter.setFont(Theme::font(Theme::TextStyle::caption));
    const QRectF detail(0, chartHeight, width(), detailHeight);
    painter.drawText(detail, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, detailText());
}

void DailyBars::mouseMoveEvent(QMouseEvent* event)
{
    const int index = indexAt(event->position());
    if (index >= 0 && index != m_selected)
        setSelectedIndex(index);
}

void DailyBars::leaveEvent(QEvent*)
{
    if (!hasFocus()) {
        m_selected = -1;
        update();
    }
}

void DailyBars::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left)
        setSelectedIndex(selectedIndex() - 1);
    else if (event->key() == Qt::Key_Right)
        setSelectedIndex(selectedIndex() + 1);
    else
        QWidget::keyPressEvent(event);
}
