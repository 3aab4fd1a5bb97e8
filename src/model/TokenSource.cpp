#include "TokenSource.h"

using namespace Qt::StringLiterals;

TokenSource tokenSourceFor(const QString& modelName)
{
    const QString lower = modelName.toLower();
    if (lower.startsWith("sand-"_L1))
        return TokenSource::grokBot;
    if (lower.startsWith("cursor-"_L1) || lower.startsWith("composer-"_L1) || lower == "auto"_L1)
        return TokenSource::cursor;
    return TokenSource::other;
}
