#pragma once

#include <QString>

// Where a model's tokens are billed, decided from its name: Cursor's own models, the grok bot
// ("sand-" names) or other models.
enum class TokenSource { cursor, grokBot, other };

TokenSource tokenSourceFor(const QString& modelName);
