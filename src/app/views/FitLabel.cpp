#include "FitLabel.h"

#include "Theme.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

struct Wrapped
{
    QStringList lines;
    QList<qsizetype> starts; // where each line begins in the text
    bool fits = true;
};

// Places where a line may end: after a space or after closing punctuation. A run without one
// (a Chinese phrase, a long name) is broken between characters only when it cannot fit a line
// of its own.
QStringList segmentsOf(const QString& text)
{
    static const QString closers = u"，。；：、！？）」』,;:!?)"_s;
    QStringList segments;
    QString current;
    for (const QChar c : text) {
        current.append(c);
        if (c.isSpace() || closers.contains(c)) {
            segments.append(current);
            current.clear();
        }
    }
    if (!current.isEmpty())
        segments.append(current);
    return segments;
}

// Greedy line filling over those segments. `maximum` 0 means any number of lines; `fits` is
// false when lines are left over or a single character is wider than the line.
Wrapped wrap(const QString& text, const QFont& font, int width, int maximum)
{
    Wrapped result;
    const QFontMetricsF metrics(font);
    if (maximum == 1) {
        result.lines.append(text);
        result.starts.append(0);
        result.fits = metrics.horizontalAdvance(text) <= width;
        return result;
    }
    const auto advance = [&](const QString& s) { return metrics.horizontalAdvance(s.trimmed()); };
    QString line;
    qsizetype lineStart = 0;
    qsizetype offset = 0;
    const auto endLine = [&] {
        if (line.trimmed().isEmpty())
            return;
        result.lines.append(line.trimmed());
        result.starts.append(lineStart);
        if (advance(line) > width)
            result.fits = false;
        line.clear();
    };
    for (const QString& segment : segmentsOf(text)) {
        if (advance(line + segment) <= width) {
            line += segment;
        } else if (advance(segment) <= width) {
            endLine();
            lineStart = offset;
            line = segment;
        } else {
            // Too long for any line: fill this line, then the next ones, character by character.
            for (qsizetype i = 0; i < segment.size(); ++i) {
                const int length = segment[i].isHighSurrogate() && i + 1 < segment.size() ? 2 : 1;
                const QString piece = segment.mid(i, length);
                if (!line.trimmed().isEmpty() && advance(line + piece) > width) {
                    endLine();
                    lineStart = offset + i;
                }
                if (line.isEmpty())
                    lineStart = offset + i;
                line += piece;
                i += length - 1;
            }
        }
        offset += segment.size();
    }
    endLine();
    // No lone Chinese character on the last line: it takes the previous line's last one with it
    // ("还没有/用量/数据" rather than "还没有/用量数/据").
    const qsizetype count = result.lines.size();
    const auto isHan = [](QChar c) { return c.script() == QChar::Script_Han; };
    if (count >= 2 && result.lines[count - 1].size() == 1 && result.lines[count - 2].size() >= 3 &&
        isHan(result.lines[count - 1].front()) && isHan(result.lines[count - 2].back())) {
        QString& previous = result.lines[count - 2];
        result.lines[count - 1].prepend(previous.back());
        previous.chop(1);
        result.starts[count - 1] -= 1;
    }
    if (maximum > 0 && result.lines.size() > maximum)
        result.fits = false;
    return result;
}

} // namespace

FitLabel::FitLabel(const QString& text, const QFont& font, QWidget* parent)
    : QLabel(text, parent)
{
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FitLabel::setMaximumLines(int lines)
{
    m_maximumLines = std::max(0, lines);
    m_cachedWidth = -1;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(m_maximumLines != 1);
    policy.setVerticalPolicy(m_maximumLines != 1 ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    setSizePolicy(policy);
    updateGeometry();
}

void FitLabel::setMinimumScale(double scale)
{
    m_minimumScale = std::clamp(scale, 0.1, 1.0);
    m_cachedWidth = -1;
    updateGeometry();
}

int FitLabel::lineHeight() const
{
    return QFontMetrics(font()).height();
}

qreal FitLabel::naturalWidth() const
{
    if (m_naturalWidth < 0 || m_naturalText != text()) {
        m_naturalWidth = QFontMetricsF(font()).horizontalAdvance(text());
        m_naturalText = text();
    }
    return m_naturalWidth;
}

QSize FitLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const int width = int(std::ceil(naturalWidth()));
    return QSize(width, lineHeight()).grownBy(margins);
}

QSize FitLabel::minimumSizeHint() const
{
    // Room for an ellipsis: the label gives way before the layout overflows.
    const int ellipsis = QFontMetrics(font()).horizontalAdvance(u"…"_s);
    const int width =
        std::min(sizeHint().width(), ellipsis + contentsMargins().left() + contentsMargins().right());
    // One line high: the layouts ask heightForWidth() for the real height at the given width.
    return {width, sizeHint().height()};
}

bool FitLabel::hasHeightForWidth() const
{
    return m_maximumLines != 1;
}

int FitLabel::heightForWidth(int width) const
{
    const QMargins margins = contentsMargins();
    const int lines = std::max<int>(1, fitted(width - margins.left() - margins.right()).lines.size());
    return lines * lineHeight() + margins.top() + margins.bottom();
}

const FitLabel::Fit& FitLabel::fitted(int width) const
{
    if (width != m_cachedWidth || text() != m_cachedText) {
        m_cached = fit(width);
        m_cachedWidth = width;
        m_cachedText = text();
    }
    return m_cached;
}

FitLabel::Fit FitLabel::fit(int width) const
{
    const QFont full = font();
    if (naturalWidth() <= width)
        return {full, {text()}};
    // Whole pixel sizes from the full one down to the smallest allowed (10 px at 80 % is 8 px).
    const int smallest = int(std::ceil(full.pixelSize() * m_minimumScale - 1e-9));
    const int steps = full.pixelSize() > 0 ? std::max(0, full.pixelSize() - smallest) : 0;
    QFont candidate = full;
    Wrapped wrapped;
    for (int step = 0; step <= steps; ++step) {
        candidate =
            step == 0 ? full : Theme::scaled(full, double(full.pixelSize() - step) / full.pixelSize());
        wrapped = wrap(text(), candidate, width, m_maximumLines);
        if (wrapped.fits)
            return {candidate, wrapped.lines};
    }
    if (m_maximumLines == 0)
        return {candidate, wrapped.lines};
    // Still too long at the smallest size: the last line takes the rest of the text, cut short.
    const int kept = std::min<int>(m_maximumLines - 1, int(wrapped.lines.size()));
    QStringList lines = wrapped.lines.mid(0, kept);
    const qsizetype restStart = kept < wrapped.starts.size() ? wrapped.starts[kept] : text().size();
    const QString rest = text().mid(restStart).trimmed();
    if (!rest.isEmpty() || lines.isEmpty())
        lines.append(QFontMetrics(candidate).elidedText(rest, Qt::ElideRight, std::max(0, width)));
    return {candidate, lines};
}

void FitLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const Fit& shown = fitted(area.width());
    painter.setFont(shown.font);
    painter.setPen(palette().color(foregroundRole()));
    const int height = lineHeight();
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    // Lines sit as a block in the label's vertical alignment.
    const int block = int(shown.lines.size()) * height;
    int top = area.top();
    if (alignment() & Qt::AlignVCenter)
        top += (area.height() - block) / 2;
    else if (alignment() & Qt::AlignBottom)
        top += area.height() - block;
    for (const QString& line : shown.lines) {
        painter.drawText(QRect(area.left(), top, area.width(), height), int(horizontal | Qt::AlignVCenter),
                         line);
        top += height;
    }
}

void FitLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_cachedWidth = -1;
        m_naturalWidth = -1;
    }
    QLabel::changeEvent(event);
}
