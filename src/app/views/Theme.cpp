#include "Theme.h"

#include "model/ChineseFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QColor rgb(double red, double green, double blue)
{
    return QColor::fromRgbF(float(red), float(green), float(blue));
}

QFont withChineseFamilies(QFont font)
{
    QStringList families = font.families();
    if (families.isEmpty())
        families.append(font.family());
    font.setFamilies(ChineseFonts::appendedTo(families));
    return font;
}

QFont::Weight defaultWeight(Theme::TextStyle style)
{
    return style == Theme::TextStyle::headline ? QFont::Bold : QFont::Normal;
}

} // namespace

const QColor& Theme::boardBackground()
{
    static const QColor colour = rgb(0.02, 0.12, 0.22);
    return colour;
}

const QColor& Theme::cardBackground()
{
    static const QColor colour = rgb(0.02, 0.18, 0.31);
    return colour;
}

const QColor& Theme::cursorTint()
{
    // The system cyan as it reads on a dark appearance.
    static const QColor colour = rgb(100 / 255.0, 210 / 255.0, 1.0);
    return colour;
}

const QColor& Theme::otherTint()
{
    static const QColor colour = rgb(0.73, 0.58, 1.0);
    return colour;
}

const QColor& Theme::grokTint()
{
    // The system orange as it reads on a dark appearance, at 90 %.
    static const QColor colour = QColor::fromRgbF(1.0f, 159 / 255.0f, 10 / 255.0f, 0.9f);
    return colour;
}

const QColor& Theme::warningTint()
{
    static const QColor colour(255, 159, 10);
    return colour;
}

QColor Theme::white(double opacity)
{
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f, float(std::clamp(opacity, 0.0, 1.0)));
}

double Theme::pointSize(TextStyle style)
{
    switch (style) {
    case TextStyle::title2:
        return 17;
    case TextStyle::title3:
        return 15;
    case TextStyle::headline:
    case TextStyle::body:
        return 13;
    case TextStyle::subheadline:
        return 11;
    case TextStyle::footnote:
    case TextStyle::caption:
    case TextStyle::caption2:
        return 10;
    }
    return 13;
}

QFont Theme::font(TextStyle style)
{
    return font(style, defaultWeight(style));
}

QFont Theme::font(TextStyle style, QFont::Weight weight)
{
    return systemFont(pointSize(style), weight);
}

QFont Theme::systemFont(double points, QFont::Weight weight)
{
    QFont font = withChineseFamilies(QGuiApplication::font());
    font.setPixelSize(std::max(1, int(std::lround(points))));
    font.setWeight(weight);
    return font;
}

QFont Theme::monospacedFont(TextStyle style)
{
    // The system's fixed font may be named by a fontconfig alias ("monospace") that Qt finds only
    // when it is the sole family: in a family list it is skipped and the Chinese family wins. Name
    // the face it resolves to instead.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFamily(QFontInfo(fixed).family());
    QFont font = withChineseFamilies(fixed);
    font.setPixelSize(int(std::lround(pointSize(style))));
    return font;
}

void Theme::installApplicationFont()
{
    QGuiApplication::setFont(withChineseFamilies(QGuiApplication::font()));
}

QFont Theme::scaled(const QFont& font, double factor)
{
    QFont result = font;
    if (font.pixelSize() > 0)
        result.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * factor))));
    else
        result.setPointSizeF(std::max(1.0, font.pointSizeF() * factor));
    return result;
}
