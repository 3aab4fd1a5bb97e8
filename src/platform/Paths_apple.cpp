#include "Paths.h"

using namespace Qt::StringLiterals;

QString Paths::supportFolder()
{
    return applicationsConfigHome() + u"/Tallyfern"_s;
}

QString Paths::applicationsConfigHome()
{
    return homeDirectory() + u"/Library/Application Support"_s;
}
