#include "CsvExport.h"

#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

// Quoted only when a field holds a comma, a quote or a line break; quotes inside are doubled.
QByteArray field(const QString& value)
{
    QByteArray bytes = value.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

} // namespace

QByteArray CsvExport::text(const QList<LedgerEvent>& events)
{
    QByteArray out;
    out.reserve(64 + events.size() * 120);
    out += header;
    out += "\r\n";
    for (const LedgerEvent& event : events) {
        out += QDateTime::fromMSecsSinceEpoch(event.ms, QTimeZone::utc())
                   .toString(u"yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"_s)
                   .toLatin1();
        for (const QString& text : {event.model, event.kind}) {
            out += ',';
            out += field(text);
        }
        for (const qint64 count : {event.inputTokens, event.outputTokens, event.cacheReadTokens,
                                   event.cacheWriteTokens, event.totalTokens()}) {
            out += ',';
            out += QByteArray::number(count);
        }
        out += "\r\n";
    }
    return out;
}

bool CsvExport::write(const QString& fileName, const QList<LedgerEvent>& events)
{
    // A file the user named: private like the ledger it comes from, and nothing beside it touched.
    return AtomicFile::writeNamed(fileName, text(events));
}
