#include "Paths.h"

using namespace Qt::StringLiterals;

QString Paths::supportFolder()
{
    return dataHome() + u"/Tallyfern"_s;
}

QString Paths::applicationsConfigHome()
{
    return configHome();
}
