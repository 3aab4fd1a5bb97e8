#include "LedgerDatabase.h"

#include "SqliteStatement.h"

#include "client/UsageParser.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlQuery>

#include <atomic>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 quarterHourMs = 900'000;

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return u"tallyfern-ledger-"_s + QString::number(++counter);
}

} // namespace

LedgerDatabase::LedgerDatabase(const QString& path)
    : connection(newConnectionName())
    , db(QSqlDatabase::addDatabase(u"QSQLITE"_s, connection))
{
    db.setDatabaseName(path);
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=250"_s);
}

LedgerDatabase::~LedgerDatabase()
{
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
}

sqlite3* LedgerDatabase::handle() const
{
    const QVariant value = db.driver()->handle();
    if (!value.isValid() || qstrcmp(value.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(value.constData());
}

int LedgerDatabase::localDay(qint64 ms) const
{
    // Every time zone's midnight falls on a quarter hour, so one look-up serves the quarter.
    const qint64 quarter = ms >= 0 ? ms / quarterHourMs : (ms - quarterHourMs + 1) / quarterHourMs;
    const auto found = dayOfQuarter.constFind(quarter);
    if (found != dayOfQuarter.cend())
        return *found;
    const int day = int(QDateTime::fromMSecsSinceEpoch(quarter * quarterHourMs).date().toJulianDay());
    dayOfQuarter.insert(quarter, day);
    return day;
}

bool LedgerDatabase::exec(const QString& statement)
{
    QSqlQuery query(db);
    const bool done = query.exec(statement);
    lastError = query.lastError();
    return done;
}

bool LedgerDatabase::loadNames()
{
    QSqlQuery query(db);
    if (!query.exec(u"SELECT id, name FROM names"_s))
        return false;
    while (query.next())
        remember(query.value(0).toInt(), query.value(1).toString());
    return true;
}

void LedgerDatabase::remember(int id, const QString& name)
{
    nameIds.insert(name, id);
    names.insert(id, name);
    onDemand.insert(id, UsageParser::isOnDemandKind(name));
}

std::optional<int> LedgerDatabase::nameId(const QString& name)
{
    if (const auto found = nameIds.constFind(name); found != nameIds.cend())
        return *found;
    QSqlQuery insert(db);
    insert.prepare(u"INSERT INTO names(name) VALUES (?)"_s);
    insert.addBindValue(name);
    if (!insert.exec())
        return std::nullopt;
    const int id = insert.lastInsertId().toInt();
    remember(id, name);
    return id;
}

std::optional<QVariant> LedgerDatabase::meta(const QString& key) const
{
    QSqlQuery query(db);
    query.prepare(u"SELECT value FROM meta WHERE key = ?"_s);
    query.addBindValue(key);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0);
}

bool LedgerDatabase::setMeta(const QString& key, const QVariant& value)
{
    QSqlQuery query(db);
    query.prepare(u"INSERT OR REPLACE INTO meta(key, value) VALUES (?, ?)"_s);
    query.addBindValue(key);
    query.addBindValue(value);
    return query.exec();
}

bool LedgerDatabase::addToDaily(qint64 fromMs, qint64 toMs, int sign)
{
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    rows.prepare(u"SELECT ms, model, kind, input + output + cache_read + cache_write FROM events"
                 u" WHERE ms >= ? AND ms < ?"_s);
    rows.addBindValue(fromMs);
    rows.addBindValue(toMs);
    if (!rows.exec())
        return false;
    Cells cells;
    while (rows.next()) {
        CellSum& sum = cells[Cell{localDay(rows.value(0).toLongLong()), rows.value(1).toInt(),
                                  onDemand.value(rows.value(2).toInt())}];
        sum.tokens += rows.value(3).toLongLong();
        sum.events += 1;
    }
    return addCells(cells, sign);
}

bool LedgerDatabase::addCells(const Cells& cells, int sign)
{
    SqliteStatement upsert(handle(),
                           "INSERT INTO daily(day, model, on_demand, tokens, events) VALUES (?, ?, ?, ?, ?)"
                           " ON CONFLICT(day, model, on_demand) DO UPDATE SET"
                           " tokens = tokens + excluded.tokens, events = events + excluded.events");
    for (const auto& [cell, sum] : cells) {
        if (!upsert.run({std::get<0>(cell), std::get<1>(cell), std::get<2>(cell), sign * sum.tokens,
                         sign * sum.events}))
            return false;
    }
    if (sign > 0)
        return true;
    return exec(u"DELETE FROM daily WHERE events <= 0"_s);
}

bool LedgerDatabase::rebuildDaily()
{
    return exec(u"DELETE FROM daily"_s) &&
           addToDaily(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), 1);
}

bool LedgerDatabase::transaction(const std::function<bool()>& work)
{
    if (!db.transaction())
        return false;
    if (work() && db.commit())
        return true;
    db.rollback();
    return false;
}
