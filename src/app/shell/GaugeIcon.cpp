#include "GaugeIcon.h"

#include "app/views/Theme.h"

#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// The dial sweeps 240 degrees, open at the bottom; the arc and the needle stop at 67 %.
constexpr qreal sweep = 240;
constexpr qreal start = 90 + sweep / 2; // Qt angles: counter-clockwise from 3 o'clock
constexpr qreal filled = 0.67;

QPointF onCircle(const QPointF& centre, qreal radius, qreal degrees)
{
    const qreal radians = degrees * M_PI / 180;
    return centre + QPointF(std::cos(radians) * radius, -std::sin(radians) * radius);
}

} // namespace

QImage GaugeIcon::render(int side, qreal devicePixelRatio, Tint tint)
{
    QImage image(QSize(side, side) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal s = side;
    const QPointF centre(s / 2, s / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::boardBackground());
    painter.drawEllipse(centre, s / 2, s / 2);

    // Thicker strokes at small sizes, so that the dial still reads at 16 pixels.
    const qreal line = std::max(1.5, s * 0.11);
    const qreal radius = s / 2 - line / 2 - s * 0.1;
    const QRectF dial(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPen track(Theme::white(0.28), line, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(track);
    painter.drawArc(dial, int(start * 16), int(-sweep * 16));
    QPen arc(arcColour(tint), line, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(arc);
    painter.drawArc(dial, int(start * 16), int(-sweep * filled * 16));

    const qreal needleAngle = start - sweep * filled;
    painter.setPen(QPen(Qt::white, std::max(1.2, s * 0.08), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, onCircle(centre, radius * 0.72, needleAngle));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, s * 0.08, s * 0.08);
    return image;
}

QColor GaugeIcon::arcColour(Tint tint)
{
    // The system orange: it stands out from the cyan even at 16 pixels.
    return tint == Tint::warning ? Theme::warningTint() : Theme::cursorTint();
}

QIcon GaugeIcon::icon(Tint tint)
{
    QIcon icon;
    for (int side : sizes)
        icon.addPixmap(QPixmap::fromImage(render(side, 1, tint)));
    return icon;
}
