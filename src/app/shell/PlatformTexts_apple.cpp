#include "PlatformTexts.h"

using namespace Qt::StringLiterals;

QString PlatformTexts::keptOnThisMachine()
{
    return u"仅保存在这台 Mac 上"_s;
}

QString PlatformTexts::cacheLocation()
{
    return u"用量缓存在本机 Application Support，不含 Cookie。"_s;
}
