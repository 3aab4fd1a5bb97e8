#include "Ledger.h"

#include "LedgerDatabase.h"
#include "LedgerFile.h"
#include "SqliteStatement.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

QDate localDate(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).date();
}

qint64 startOf(QDate date)
{
    return date.startOfDay().toMSecsSinceEpoch();
}

} // namespace

std::unique_ptr<Ledger> Ledger::open(const QString& path)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<LedgerDatabase> d;
        const LedgerFile::Opened result = LedgerFile::open(path, d);
        if (result == LedgerFile::Opened::ok)
            return std::unique_ptr<Ledger>(new Ledger(std::move(d)));
        // Only a file that is itself broken is set aside, and only once: when the new one fails too,
        // the trouble lies elsewhere and it stays.
        if (result != LedgerFile::Opened::broken || attempt > 0 || !LedgerFile::setAside(path))
            return nullptr;
    }
    return nullptr;
}

bool Ledger::remove(const QString& path)
{
    for (const auto suffix : {""_L1, "-wal"_L1, "-shm"_L1})
        QFile::remove(path + suffix);
    return !QFileInfo::exists(path);
}

Ledger::Ledger(std::unique_ptr<LedgerDatabase> d)
    : d(std::move(d))
{}

Ledger::~Ledger() = default;

std::optional<double> Ledger::user() const
{
    const std::optional<QVariant> user = d->meta(u"user"_s);
    if (!user)
        return std::nullopt;
    return user->toDouble();
}

bool Ledger::keepAsOtherUser() const
{
    const QString stamp =
        QDateTime::fromMSecsSinceEpoch(qint64(Clock::now().msSince1970())).toString(u"yyyyMMdd-HHmmss"_s);
    const QString id = QString::number(qint64(user().value_or(0)));
    const QString target = AtomicFile::unusedName(d->db.databaseName() + u".user-"_s + id + u'-' + stamp);
    // SQLite writes its copy into an empty file that already has the ledger's private mode.
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    file.close();
    QSqlQuery copy(d->db);
    copy.prepare(u"VACUUM INTO ?"_s);
    copy.addBindValue(target);
    if (copy.exec())
        return true;
    QFile::remove(target);
    return false;
}

bool Ledger::prepare(double userId, const QList<CycleSpan::Window>& windows, qint64 keepFromMs)
{
    return d->transaction([&] {
        const std::optional<QVariant> user = d->meta(u"user"_s);
        if (!user || user->toDouble() != userId) {
            for (const auto table : {"events"_L1, "windows"_L1, "daily"_L1}) {
                if (!d->exec(u"DELETE FROM "_s + table))
                    return false;
            }
            if (!d->setMeta(u"user"_s, userId))
                return false;
        }

        QSqlQuery prune(d->db);
        prune.prepare(u"DELETE FROM events WHERE ms < ?"_s);
        prune.addBindValue(keepFromMs);
        if (!prune.exec())
            return false;
        if (prune.numRowsAffected() > 0 && !d->rebuildDaily())
            return false;
        QSqlQuery pruneWindows(d->db);
        pruneWindows.prepare(u"DELETE FROM windows WHERE start_ms < ?"_s);
        pruneWindows.addBindValue(keepFromMs);
        if (!pruneWindows.exec())
            return false;

        // Windows of other bounds (the service's cycle dates changed) are dropped; the new ones
        // replace their rows when they are fetched.
        QSet<qint64> wanted;
        for (const CycleSpan::Window& window : windows)
            wanted.insert(window.startMs);
        QSqlQuery known(d->db);
        if (!known.exec(u"SELECT start_ms, end_ms FROM windows"_s))
            return false;
        QList<qint64> unwanted;
        while (known.next()) {
            const qint64 start = known.value(0).toLongLong();
            if (!wanted.contains(start))
                unwanted.append(start);
        }
        QSqlQuery drop(d->db);
        drop.prepare(u"DELETE FROM windows WHERE start_ms = ?"_s);
        for (const qint64 start : unwanted) {
            drop.bindValue(0, start);
            if (!drop.exec())
                return false;
        }

        QSqlQuery add(d->db);
        add.prepare(u"INSERT OR IGNORE INTO windows(start_ms, end_ms, next_page, received, complete)"
                    u" VALUES (?, ?, 1, 0, 0)"_s);
        for (const CycleSpan::Window& window : windows) {
            add.bindValue(0, window.startMs);
            add.bindValue(1, window.endMs);
            if (!add.exec())
                return false;
        }
        return true;
    });
}

QList<LedgerWindow> Ledger::windows() const
{
    QList<LedgerWindow> result;
    QSqlQuery query(d->db);
    if (!query.exec(u"SELECT start_ms, end_ms, next_page, expected, received, complete, fetched_ms"
                    u" FROM windows ORDER BY start_ms DESC"_s))
        return result;
    while (query.next()) {
        LedgerWindow window;
        window.startMs = query.value(0).toLongLong();
        window.endMs = query.value(1).toLongLong();
        window.nextPage = query.value(2).toInt();
        if (!query.value(3).isNull())
            window.expected = query.value(3).toLongLong();
        window.received = query.value(4).toLongLong();
        window.complete = query.value(5).toBool();
        if (!query.value(6).isNull())
            window.fetchedMs = query.value(6).toLongLong();
        result.append(window);
    }
    return result;
}

bool Ledger::store(const LedgerWindow& state, const QList<LedgerEvent>& events, bool replace)
{
    return d->transaction([&] {
        if (replace) {
            if (!d->addToDaily(state.startMs, state.endMs, -1))
                return false;
            QSqlQuery remove(d->db);
            remove.prepare(u"DELETE FROM events WHERE ms >= ? AND ms < ?"_s);
            remove.addBindValue(state.startMs);
            remove.addBindValue(state.endMs);
            if (!remove.exec())
                return false;
        }

        SqliteStatement insert(d->handle(),
                               "INSERT INTO events(ms, model, kind, input, output, cache_read, cache_write)"
                               " VALUES (?, ?, ?, ?, ?, ?, ?)");
        LedgerDatabase::Cells cells;
        for (const LedgerEvent& event : events) {
            if (event.ms < state.startMs || event.ms >= state.endMs)
                continue;
            const std::optional<int> model = d->nameId(event.model);
            const std::optional<int> kind = d->nameId(event.kind);
            if (!model || !kind)
                return false;
            if (!insert.run({event.ms, *model, *kind, event.inputTokens, event.outputTokens,
                             event.cacheReadTokens, event.cacheWriteTokens}))
                return false;
            auto& sum = cells[LedgerDatabase::Cell{d->localDay(event.ms), *model, d->onDemand.value(*kind)}];
            sum.tokens += event.totalTokens();
            sum.events += 1;
        }
        if (!d->addCells(cells, 1))
            return false;

        const auto nullable = [](const std::optional<qint64>& value) {
            return value ? QVariant(*value) : QVariant(QMetaType::fromType<qint64>());
        };
        QSqlQuery save(d->db);
        save.prepare(u"INSERT OR REPLACE INTO windows(start_ms, end_ms, next_page, expected, received,"
                     u" complete, fetched_ms) VALUES (?, ?, ?, ?, ?, ?, ?)"_s);
        save.addBindValue(state.startMs);
        save.addBindValue(state.endMs);
        save.addBindValue(state.nextPage);
        save.addBindValue(nullable(state.expected));
        save.addBindValue(state.received);
        save.addBindValue(int(state.complete));
        save.addBindValue(nullable(state.fetchedMs));
        return save.exec();
    });
}

QList<LedgerDay> Ledger::days(QDate from, QDate to) const
{
    QList<LedgerDay> result;
    QSqlQuery query(d->db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT day, model, on_demand, tokens, events FROM daily WHERE day >= ? AND day <= ?"
                  u" ORDER BY day"_s);
    query.addBindValue(from.toJulianDay());
    query.addBindValue(to.toJulianDay());
    if (!query.exec())
        return result;
    while (query.next()) {
        const QDate date = QDate::fromJulianDay(query.value(0).toLongLong());
        if (result.isEmpty() || result.constLast().date != date)
            result.append(LedgerDay{date, {}, 0, 0});
        LedgerDay& day = result.last();
        const double tokens = double(query.value(3).toLongLong());
        day.models[d->names.value(query.value(1).toInt())] += tokens;
        if (query.value(2).toBool())
            day.onDemandTokens += tokens;
        day.events += query.value(4).toLongLong();
    }
    return result;
}

QList<LedgerDay> Ledger::days(qint64 fromMs, qint64 toMs) const
{
    QList<LedgerDay> result;
    if (fromMs >= toMs)
        return result;
    // Whole days come from the daily table; a day the span cuts, from its rows.
    QDate first = localDate(fromMs);
    QDate last = localDate(toMs - 1);
    const auto addCut = [&](QDate date, qint64 from, qint64 to) {
        if (const LedgerDay day = daySpan(date, from, to); day.events > 0)
            result.append(day);
    };
    if (startOf(first) != fromMs) {
        addCut(first, fromMs, std::min(toMs, startOf(first.addDays(1))));
        first = first.addDays(1);
    }
    const bool lastCut = first <= last && startOf(last.addDays(1)) != toMs;
    if (lastCut)
        last = last.addDays(-1);
    if (first <= last)
        result += days(first, last);
    if (lastCut)
        addCut(last.addDays(1), startOf(last.addDays(1)), toMs);
    return result;
}

LedgerDay Ledger::daySpan(QDate date, qint64 fromMs, qint64 toMs) const
{
    LedgerDay day{date, {}, 0, 0};
    QSqlQuery query(d->db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT model, kind, sum(input + output + cache_read + cache_write), count(*)"
                  u" FROM events WHERE ms >= ? AND ms < ? GROUP BY model, kind"_s);
    query.addBindValue(fromMs);
    query.addBindValue(toMs);
    if (!query.exec())
        return day;
    while (query.next()) {
        const double tokens = double(query.value(2).toLongLong());
        day.models[d->names.value(query.value(0).toInt())] += tokens;
        if (d->onDemand.value(query.value(1).toInt()))
            day.onDemandTokens += tokens;
        day.events += query.value(3).toLongLong();
    }
    return day;
}

QList<LedgerEvent> Ledger::events(qint64 fromMs, qint64 toMs) const
{
    QList<LedgerEvent> result;
    QSqlQuery query(d->db);
    query.setForwardOnly(true);
    // Rows of one time keep the order they were stored in.
    query.prepare(u"SELECT ms, model, kind, input, output, cache_read, cache_write FROM events"
                  u" WHERE ms >= ? AND ms < ? ORDER BY ms, rowid"_s);
    query.addBindValue(fromMs);
    query.addBindValue(toMs);
    if (!query.exec())
        return result;
    while (query.next()) {
        result.append(LedgerEvent{query.value(0).toLongLong(), d->names.value(query.value(1).toInt()),
                                  d->names.value(query.value(2).toInt()), query.value(3).toLongLong(),
                                  query.value(4).toLongLong(), query.value(5).toLongLong(),
                                  query.value(6).toLongLong()});
    }
    return result;
}
