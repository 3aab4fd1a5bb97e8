#include "DailyBars.h"

#include "Theme.h"

#include "model/DisplayFormat.h"
#include "model/ModelUsage.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal gap = 3;
constexpr qreal detailHeight = 36;
constexpr int detailFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

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

QString monthDay(QDate date)
{
    return u"%1月%2日"_s.arg(date.month()).arg(date.day());
}

QFont detailFont()
{
    return Theme::font(Theme::TextStyle::caption);
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

void DailyBars::setDays(const QList<LedgerDay>& days, const QList<LedgerDay>& previous, QDate today,
                        const QSet<QDate>& unsynced, const QSet<QDate>& previousUnsynced)
{
    m_days = days;
    m_unsynced = unsynced;
    m_previousTotals.clear();
    for (const LedgerDay& day : previous)
        m_previousTotals.append(previousUnsynced.contains(day.date) ? std::numeric_limits<double>::quiet_NaN()
                                                                    : day.totalTokens());
    m_today = today;
    m_selected = -1;
    describe();
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
    describe();
    update();
}

void DailyBars::describe()
{
    // A screen reader hears every model of the chosen day: it has no lines to fit.
    if (m_selected < 0) {
        setAccessibleDescription(summaryText());
        return;
    }
    const DayLine line = dayLine(m_selected);
    setAccessibleDescription(line.text(line.models.size()));
}

DailyBars::DayLine DailyBars::dayLine(int index) const
{
    const LedgerDay& day = m_days.at(index);
    DayLine line{monthDay(day.date), {}};
    const bool unsynced = m_unsynced.contains(day.date);
    if (unsynced)
        line.head += u" · 尚未同步"_s;
    if (day.models.isEmpty()) {
        if (!unsynced)
            line.head += u" · 没有用量"_s;
        return line;
    }
    line.head += u" · 共 "_s + formatChineseCount(day.totalTokens());
    // Largest first, so the line says what mattered that day.
    QList<std::pair<double, QString>> sorted;
    for (auto it = day.models.cbegin(); it != day.models.cend(); ++it)
        sorted.append({it.value(), it.key()});
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [tokens, name] : sorted)
        line.models.append(name + u' ' + formatChineseCount(tokens));
    return line;
}

QString DailyBars::DayLine::text(qsizetype named) const
{
    QString text = head;
    for (qsizetype i = 0; i < std::min(named, models.size()); ++i)
        text += u" · "_s + models.at(i);
    if (named < models.size())
        text += u" · "_s + others(models.size() - named);
    return text;
}

QString DailyBars::DayLine::others(qsizetype count)
{
    return u"其他 %1 个模型"_s.arg(count);
}

QString DailyBars::fittedDayText(int index) const
{
    const DayLine line = dayLine(index);
    const QFontMetricsF metrics(detailFont());
    const qreal room = std::max(1, width());
    // The parts side by side: more than two lines' width never fits, one line's always does.
    const qreal separator = metrics.horizontalAdvance(u" · "_s);
    qreal used = metrics.horizontalAdvance(line.head);
    qsizetype named = 0;
    for (; named < line.models.size(); ++named) {
        const qsizetype left = line.models.size() - named - 1;
        const qreal next = used + separator + metrics.horizontalAdvance(line.models.at(named));
        if (next + (left > 0 ? separator + metrics.horizontalAdvance(DayLine::others(left)) : 0) > 2 * room)
            break;
        used = next;
    }
    if (named == line.models.size() && used <= room)
        return line.text(named);
    // In between, wrapping loses the ends of lines: fewer until the laid-out line fits.
    const QRectF area(0, 0, room, 10'000);
    for (; named > 0; --named) {
        if (metrics.boundingRect(area, detailFlags, line.text(named)).height() <= detailHeight)
            break;
    }
    return line.text(named);
}

QString DailyBars::detailText() const
{
    const int index = selectedIndex();
    return index < 0 ? QString() : fittedDayText(index);
}

QString DailyBars::summaryText() const
{
    if (m_days.isEmpty())
        return {};
    QString text = monthDay(m_days.constFirst().date) + u'至' + monthDay(m_days.constLast().date);
    double total = 0;
    const LedgerDay* busiest = nullptr;
    for (const LedgerDay& day : m_days) {
        total += day.totalTokens();
        if (day.totalTokens() > 0 && (!busiest || day.totalTokens() > busiest->totalTokens()))
            busiest = &day;
    }
    text += u" · 共 "_s + formatChineseCount(total) + u" tokens"_s;
    if (busiest)
        text += u" · 最多 "_s + monthDay(busiest->date) + u' ' + formatChineseCount(busiest->totalTokens());
    qsizetype unsynced = 0;
    for (const LedgerDay& day : m_days)
        unsynced += m_unsynced.contains(day.date) ? 1 : 0;
    if (unsynced > 0)
        text += u" · %1 天尚未同步"_s.arg(unsynced);
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

bool DailyBars::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    // The hovered day's line, gone once the pointer leaves that day.
    const auto* help = static_cast<QHelpEvent*>(event);
    const int index = indexAt(help->pos());
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), fittedDayText(index), this, barRect(index).toAlignedRect());
    return true;
}

void DailyBars::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    double largest = 1;
    for (const LedgerDay& day : m_days)
        largest = std::max(largest, day.totalTokens());
    for (const double total : m_previousTotals) {
        if (!std::isnan(total))
            largest = std::max(largest, total);
    }

    const int selected = selectedIndex();
    for (int i = 0; i < int(m_days.size()); ++i) {
        const QRectF slot = barRect(i);
        const qreal bottom = slot.bottom();
        const qreal fade = i == selected ? 1.0 : 0.75;
        if (m_unsynced.contains(m_days.at(i).date)) {
            // Not known yet: an outline of the whole slot, so it never reads as a quiet day.
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(Theme::white(0.45 * fade), 1, Qt::DashLine));
            painter.drawRect(slot.adjusted(0.5, 0.5, -0.5, -0.5));
        } else {
            // An empty day keeps its place as a faint baseline mark.
            painter.fillRect(QRectF(slot.left(), bottom - 1, slot.width(), 1), Theme::white(0.12));
            const Split parts = split(m_days.at(i));
            const qreal cursorHeight = slot.height() * parts.cursor / largest;
            const qreal otherHeight = slot.height() * parts.other / largest;
            QColor cursor = Theme::cursorTint();
            cursor.setAlphaF(float(fade));
            QColor other = Theme::otherTint();
            other.setAlphaF(float(fade));
            painter.fillRect(QRectF(slot.left(), bottom - cursorHeight, slot.width(), cursorHeight), cursor);
            painter.fillRect(
                QRectF(slot.left(), bottom - cursorHeight - otherHeight, slot.width(), otherHeight), other);
        }
        if (m_days.at(i).date == m_today) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::white(0.9));
            painter.drawEllipse(QPointF(slot.center().x(), bottom + 6), 2.5, 2.5);
        }
    }

    // The previous cycle, day by day from its first, as a faint line over the same slots; broken
    // where a day of it is not yet synced.
    QPainterPath line;
    bool drawing = false;
    for (int i = 0; i < int(std::min(m_previousTotals.size(), m_days.size())); ++i) {
        const double total = m_previousTotals.at(i);
        if (std::isnan(total)) {
            drawing = false;
            continue;
        }
        const QRectF slot = barRect(i);
        const QPointF point(slot.center().x(), slot.bottom() - slot.height() * total / largest);
        if (drawing)
            line.lineTo(point);
        else
            line.moveTo(point);
        drawing = true;
    }
    if (m_previousTotals.size() > 1) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::white(0.30), 1.2));
        painter.drawPath(line);
    }

    painter.setPen(Theme::white(hasFocus() ? 0.85 : 0.60));
    painter.setFont(detailFont());
    const QRectF detail(0, chartHeight, width(), detailHeight);
    painter.drawText(detail, detailFlags, detailText());
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
        describe();
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
