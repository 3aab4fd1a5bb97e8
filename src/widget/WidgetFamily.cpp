#include "WidgetFamily.h"

using namespace Qt::StringLiterals;

QString WidgetFamilies::name(WidgetFamily family)
{
    switch (family) {
    case WidgetFamily::small:
        return u"small"_s;
    case WidgetFamily::medium:
        return u"medium"_s;
    case WidgetFamily::large:
        break;
    }
    return u"large"_s;
}

std::optional<WidgetFamily> WidgetFamilies::fromName(const QString& name)
{
    for (WidgetFamily family : all) {
        if (WidgetFamilies::name(family) == name)
            return family;
    }
    return std::nullopt;
}

QSizeF WidgetFamilies::size(WidgetFamily family)
{
    switch (family) {
    case WidgetFamily::small:
        return {170, 170};
    case WidgetFamily::medium:
        return {364, 170};
    case WidgetFamily::large:
        break;
    }
    return {364, 382};
}
