#pragma once

#include "LedgerEvent.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Ledger events as RFC 4180 CSV in UTF-8: a header row, then one line per event, oldest first as
// given, lines ended by CRLF.
namespace CsvExport {

inline constexpr auto header =
    "time,model,kind,inputTokens,outputTokens,cacheReadTokens,cacheWriteTokens,totalTokens";

QByteArray text(const QList<LedgerEvent>& events);

// Atomically, 0600, replacing an existing regular file and touching nothing else; false when it
// cannot be written or the name is taken by something that is not a regular file.
bool write(const QString& fileName, const QList<LedgerEvent>& events);

} // namespace CsvExport
