#pragma once

#include <QString>

// Where a model's tokens are billed, decided from its name: Cursor's own models, the grok bot
// ("sand-" names) or other models.
enum class TokenSource { cursor, grokBot, other };

TokenSource tokenSourceFor(const QString& modelName);

// Cursor's own models: "cursor-…", "composer-…" and Auto, which the service names "default" in
// its model rows and events (and "auto" in older answers). Any case.
bool isCursorModelName(const QString& modelName);
