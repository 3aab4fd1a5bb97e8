#include "CycleExport.h"

#include "CsvExport.h"
#include "Ledger.h"

#include "model/CycleSpan.h"
#include "platform/Clock.h"

#include <QFileInfo>
#include <QHash>

CycleExport::Result CycleExport::write(const QString& ledgerPath, const UsageSnapshot& snapshot, Cycle cycle,
                                       const QString& fileName)
{
    Result result;
    if (!QFileInfo::exists(ledgerPath))
        return result;
    const std::unique_ptr<Ledger> ledger = Ledger::open(ledgerPath);
    if (!ledger) {
        result.outcome = Result::Outcome::unreadable;
        return result;
    }
    const Timestamp now = Clock::now();
    const CycleSpan current = CycleSpan::current(snapshot, now);
    const CycleSpan span = cycle == Cycle::previous ? current.previous() : current;
    const QList<LedgerEvent> events = ledger->events(span.startMs, span.endMs);
    if (!CsvExport::write(fileName, events)) {
        result.outcome = Result::Outcome::unwritable;
        return result;
    }
    QHash<qint64, LedgerWindow> known;
    for (const LedgerWindow& window : ledger->windows())
        known.insert(window.startMs, window);
    const QList<CycleSpan::Window> windows = span.windows(qint64(now.msSince1970()));
    result.outcome = Result::Outcome::written;
    result.events = events.size();
    for (const CycleSpan::Window& window : windows)
        result.finalDays += known.value(window.startMs).isFinal() ? 1 : 0;
    result.days = int(windows.size());
    return result;
}

QString CycleExport::unwritableText(const QString& fileName)
{
    return QStringLiteral("无法写入 ") + fileName;
}

QString CycleExport::incompleteText(const Result& result)
{
    return QStringLiteral("账期尚未同步完整（%1/%2 天）").arg(result.finalDays).arg(result.days);
}

QString CycleExport::ownFileText(const QString& fileName)
{
    return QStringLiteral("不能导出到 Tallyfern 自己的文件：") + fileName;
}
