#include "TokenSource.h"

using namespace Qt::StringLiterals;

bool isCursorModelName(const QString& modelName)
{
    const QString lower = modelName.toLower();
    return lower.startsWith("cursor-"_L1) || lower.startsWith("composer-"_L1) || lower == "auto"_L1 ||
           lower == "default"_L1;
}

TokenSource tokenSourceFor(const QString& modelName)
{
    if (modelName.startsWith("sand-"_L1, Qt::CaseInsensitive))
        return TokenSource::grokBot;
    return isCursorModelName(modelName) ? TokenSource::cursor : TokenSource::other;
}
