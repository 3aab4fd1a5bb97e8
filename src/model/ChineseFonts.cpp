#include "ChineseFonts.h"

using namespace Qt::StringLiterals;

const QStringList& ChineseFonts::families()
{
    static const QStringList list{
        u"Noto Sans CJK SC"_s,    u"Source Han Sans SC"_s,  u"Source Han Sans CN"_s,
        u"Noto Sans SC"_s,        u"WenQuanYi Micro Hei"_s, u"WenQuanYi Zen Hei"_s,
        u"Droid Sans Fallback"_s, u"PingFang SC"_s,         u"Microsoft YaHei"_s,
    };
    return list;
}

QStringList ChineseFonts::appendedTo(QStringList families)
{
    for (const QString& family : ChineseFonts::families()) {
        if (!families.contains(family))
            families.append(family);
    }
    return families;
}
