#include "PlatformTexts.h"

using namespace Qt::StringLiterals;

QString PlatformTexts::keptOnThisMachine()
{
    return u"仅保存在这台电脑上"_s;
}

QString PlatformTexts::cacheLocation()
{
    // The cache is not under Application Support here; name the folder for what it is.
    return u"用量缓存在本机数据目录，不含 Cookie。"_s;
}
