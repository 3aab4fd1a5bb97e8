#include "WidgetFonts.h"

#include "model/ChineseFonts.h"

#include <QFontInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

void WidgetFonts::installApplicationFont()
{
    QFont font = QGuiApplication::font();
    // The family the system name resolves to: an alias such as "Sans Serif" is no family of its
    // own, and the font would skip it for the first real family in the list.
    QStringList families{QFontInfo(font).family()};
    families += font.families();
    families.removeDuplicates();
    // A system font that is itself a CJK family of another region goes behind the SC ones.
    const QStringList& chinese = ChineseFonts::families();
    families.erase(std::remove_if(families.begin(), families.end(),
                                  [&chinese](const QString& family) {
                                      return chinese.contains(family) ||
                                             family.startsWith("Noto Sans CJK"_L1);
                                  }),
                   families.end());
    QStringList ordered;
    if (!families.isEmpty())
        ordered.append(families.takeFirst());
    ordered += chinese;
    ordered += families;
    font.setFamilies(ordered);
    QGuiApplication::setFont(font);
}

QFont WidgetFonts::system(double size, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(std::max(1, int(std::lround(size))));
    font.setWeight(weight);
    return font;
}

QFont WidgetFonts::style(TextStyle style, QFont::Weight weight)
{
    // The desktop sizes of these styles on the platform whose widget sizes we borrow, a notch
    // larger where Chinese glyphs would otherwise lose their strokes.
    switch (style) {
    case TextStyle::caption2:
        return system(10, weight);
    case TextStyle::caption:
        return system(11, weight);
    case TextStyle::footnote:
    case TextStyle::subheadline:
    case TextStyle::body:
        return system(12, weight);
    case TextStyle::title2:
    case TextStyle::title3:
    case TextStyle::headline:
        break;
    }
    return system(14, weight == QFont::Normal ? QFont::DemiBold : weight);
}
