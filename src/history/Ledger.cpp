#include "Ledger.h"

#include "client/UsageParser.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <sqlite3.h>

#include <atomic>
#include <functional>
#include <limits>
#include <map>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

constexpr auto sqliteDriver = "QSQLITE";
constexpr qint64 quarterHourMs = 900'000;

// SQLite's result codes for a file another connection holds: no reason to set the file aside.
bool isBusy(const QSqlError& error)
{
    const QString code = error.nativeErrorCode();
    return code == "5"_L1 || code == "6"_L1;
}

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return u"tallyfern-ledger-"_s + QString::number(++counter);
}

bool exec(QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    return query.exec(statement);
}

// The key of a day × model × on-demand cell.
using Cell = std::tuple<int, int, bool>;
struct CellSum
{
    qint64 tokens = 0;
    qint64 events = 0;
};

const QStringList schemaSteps = {
    // Version 1. Names (models and kinds) are kept once; an event row holds their numbers.
    u"CREATE TABLE meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;"
    u"CREATE TABLE names(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
    u"CREATE TABLE events(ms INTEGER NOT NULL, model INTEGER NOT NULL, kind INTEGER NOT NULL,"
    u" input INTEGER NOT NULL, output INTEGER NOT NULL, cache_read INTEGER NOT NULL,"
    u" cache_write INTEGER NOT NULL);"
    u"CREATE INDEX events_by_time ON events(ms);"
    u"CREATE TABLE windows(start_ms INTEGER PRIMARY KEY, end_ms INTEGER NOT NULL,"
    u" next_page INTEGER NOT NULL, expected INTEGER, received INTEGER NOT NULL,"
    u" complete INTEGER NOT NULL);"
    u"CREATE TABLE daily(day INTEGER NOT NULL, model INTEGER NOT NULL, on_demand INTEGER NOT NULL,"
    u" tokens INTEGER NOT NULL, events INTEGER NOT NULL, PRIMARY KEY(day, model, on_demand))"
    u" WITHOUT ROWID;"_s,
};

// One statement run straight through SQLite on the driver's connection, for the writes that happen
// once per event or per day and model: Qt SQL's binding costs many times SQLite's own work there.
class Statement
{
public:
    Statement(sqlite3* handle, const char* sql)
    {
        if (handle && sqlite3_prepare_v2(handle, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool run(std::initializer_list<qint64> values)
    {
        if (!m_statement)
            return false;
        int column = 0;
        for (const qint64 value : values)
            sqlite3_bind_int64(m_statement, ++column, value);
        const bool done = sqlite3_step(m_statement) == SQLITE_DONE;
        sqlite3_reset(m_statement);
        return done;
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace

struct Ledger::Private
{
    QString connection;
    QSqlDatabase db;
    QHash<QString, int> nameIds;
    QHash<int, QString> names;
    QHash<int, bool> onDemand;               // by kind name id
    mutable QHash<qint64, int> dayOfQuarter; // local Julian day by quarter hour since 1970

    // The driver's own connection, for the one statement that runs too often for Qt SQL.
    sqlite3* handle() const
    {
        const QVariant value = db.driver()->handle();
        if (!value.isValid() || qstrcmp(value.typeName(), "sqlite3*") != 0)
            return nullptr;
        return *static_cast<sqlite3* const*>(value.constData());
    }

    ~Private()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);
    }

    int localDay(qint64 ms) const
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

    bool loadNames()
    {
        QSqlQuery query(db);
        if (!query.exec(u"SELECT id, name FROM names"_s))
            return false;
        while (query.next())
            remember(query.value(0).toInt(), query.value(1).toString());
        return true;
    }

    void remember(int id, const QString& name)
    {
        nameIds.insert(name, id);
        names.insert(id, name);
        onDemand.insert(id, UsageParser::isOnDemandKind(name));
    }

    std::optional<int> nameId(const QString& name)
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

    std::optional<QVariant> meta(const QString& key) const
    {
        QSqlQuery query(db);
        query.prepare(u"SELECT value FROM meta WHERE key = ?"_s);
        query.addBindValue(key);
        if (!query.exec() || !query.next())
            return std::nullopt;
        return query.value(0);
    }

    bool setMeta(const QString& key, const QVariant& value)
    {
        QSqlQuery query(db);
        query.prepare(u"INSERT OR REPLACE INTO meta(key, value) VALUES (?, ?)"_s);
        query.addBindValue(key);
        query.addBindValue(value);
        return query.exec();
    }

    // Adds (sign 1) or removes (sign -1) the rows in [fromMs, toMs) to or from the daily table.
    bool addToDaily(qint64 fromMs, qint64 toMs, int sign)
    {
        QSqlQuery rows(db);
        rows.setForwardOnly(true);
        rows.prepare(u"SELECT ms, model, kind, input + output + cache_read + cache_write FROM events"
                     u" WHERE ms >= ? AND ms < ?"_s);
        rows.addBindValue(fromMs);
        rows.addBindValue(toMs);
        if (!rows.exec())
            return false;
        std::map<Cell, CellSum> cells;
        while (rows.next()) {
            CellSum& sum = cells[Cell{localDay(rows.value(0).toLongLong()), rows.value(1).toInt(),
                                      onDemand.value(rows.value(2).toInt())}];
            sum.tokens += rows.value(3).toLongLong();
            sum.events += 1;
        }
        return addCells(cells, sign);
    }

    bool addCells(const std::map<Cell, CellSum>& cells, int sign)
    {
        Statement upsert(handle(),
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
        QSqlQuery tidy(db);
        return tidy.exec(u"DELETE FROM daily WHERE events <= 0"_s);
    }

    // The daily table from scratch, after the time zone changed or old rows were pruned.
    bool rebuildDaily()
    {
        QSqlQuery clear(db);
        return clear.exec(u"DELETE FROM daily"_s) &&
               addToDaily(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), 1);
    }

    bool transaction(const std::function<bool()>& work)
    {
        if (!db.transaction())
            return false;
        if (work() && db.commit())
            return true;
        db.rollback();
        return false;
    }
};

namespace {

enum class OpenResult { ok, busy, broken };

OpenResult openFile(const QString& path, std::unique_ptr<Ledger::Private>& out)
{
    // Created private before SQLite opens it; SQLite gives its WAL files the same permissions.
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return QFileInfo::exists(path) ? OpenResult::busy : OpenResult::broken;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    auto d = std::make_unique<Ledger::Private>();
    d->connection = newConnectionName();
    d->db = QSqlDatabase::addDatabase(QLatin1StringView(sqliteDriver), d->connection);
    d->db.setDatabaseName(path);
    d->db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=250"_s);
    if (!d->db.open())
        return isBusy(d->db.lastError()) ? OpenResult::busy : OpenResult::broken;

    QSqlQuery query(d->db);
    if (!query.exec(u"PRAGMA journal_mode=WAL"_s) || !query.next())
        return isBusy(query.lastError()) ? OpenResult::busy : OpenResult::broken;
    if (!query.exec(u"PRAGMA quick_check"_s) || !query.next())
        return isBusy(query.lastError()) ? OpenResult::busy : OpenResult::broken;
    if (query.value(0).toString() != "ok"_L1)
        return OpenResult::broken;
    exec(d->db, u"PRAGMA synchronous=NORMAL"_s);
    if (!query.exec(u"PRAGMA user_version"_s) || !query.next())
        return isBusy(query.lastError()) ? OpenResult::busy : OpenResult::broken;
    const int version = query.value(0).toInt();
    if (version > Ledger::schemaVersion || version < 0)
        return OpenResult::broken;

    // Each step takes the file one version further, so an old ledger keeps its rows.
    for (int step = version; step < Ledger::schemaVersion; ++step) {
        const bool migrated = d->transaction([&] {
            for (const QString& statement : schemaSteps.at(step).split(u';', Qt::SkipEmptyParts)) {
                if (!exec(d->db, statement))
                    return false;
            }
            return exec(d->db, u"PRAGMA user_version="_s + QString::number(step + 1));
        });
        if (!migrated)
            return isBusy(d->db.lastError()) ? OpenResult::busy : OpenResult::broken;
    }
    if (!d->loadNames())
        return OpenResult::broken;

    // Days are local: a ledger written in another time zone gets its daily table again.
    const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    if (d->meta(u"zone"_s).value_or(QVariant()).toString() != zone)
        d->transaction([&] { return d->rebuildDaily() && d->setMeta(u"zone"_s, zone); });
    out = std::move(d);
    return OpenResult::ok;
}

void setAside(const QString& path)
{
    const QFileInfo info(path);
    const QString stamp =
        QDateTime::fromMSecsSinceEpoch(qint64(Clock::now().msSince1970())).toString(u"yyyyMMdd-HHmmss"_s);
    const QString target = path + u".broken-"_s + stamp;
    QFile::remove(target);
    if (!QFile::rename(path, target))
        QFile::remove(path);
    for (const auto suffix : {"-wal"_L1, "-shm"_L1})
        QFile::remove(path + suffix);

    QDir folder = info.dir();
    const QStringList kept =
        folder.entryList({info.fileName() + u".broken-*"_s}, QDir::Files, QDir::Name | QDir::Reversed);
    for (qsizetype i = Ledger::keptBrokenFiles; i < kept.size(); ++i)
        folder.remove(kept.at(i));
}

} // namespace

QString Ledger::defaultPath()
{
    return Paths::supportFolder() + u"/history.sqlite"_s;
}

std::unique_ptr<Ledger> Ledger::open(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<Private> d;
        const OpenResult result = openFile(path, d);
        if (result == OpenResult::ok) {
            std::unique_ptr<Ledger> ledger(new Ledger(std::move(d)));
            ledger->m_path = path;
            return ledger;
        }
        d.reset();
        if (result == OpenResult::busy)
            return nullptr;
        setAside(path);
    }
    return nullptr;
}

bool Ledger::remove(const QString& path)
{
    for (const auto suffix : {""_L1, "-wal"_L1, "-shm"_L1})
        QFile::remove(path + suffix);
    return !QFileInfo::exists(path);
}

Ledger::Ledger(std::unique_ptr<Private> d)
    : d(std::move(d))
{}

Ledger::~Ledger() = default;

bool Ledger::prepare(double userId, const QList<CycleSpan::Window>& windows, qint64 keepFromMs)
{
    return d->transaction([&] {
        const std::optional<QVariant> user = d->meta(u"user"_s);
        if (!user || user->toDouble() != userId) {
            for (const auto table : {"events"_L1, "windows"_L1, "daily"_L1}) {
                if (!exec(d->db, u"DELETE FROM "_s + table))
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
    if (!query.exec(u"SELECT start_ms, end_ms, next_page, expected, received, complete FROM windows"
                    u" ORDER BY start_ms DESC"_s))
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

        Statement insert(d->handle(),
                         "INSERT INTO events(ms, model, kind, input, output, cache_read, cache_write)"
                         " VALUES (?, ?, ?, ?, ?, ?, ?)");
        std::map<Cell, CellSum> cells;
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
            CellSum& sum = cells[Cell{d->localDay(event.ms), *model, d->onDemand.value(*kind)}];
            sum.tokens += event.totalTokens();
            sum.events += 1;
        }
        if (!d->addCells(cells, 1))
            return false;

        QSqlQuery save(d->db);
        save.prepare(
            u"INSERT OR REPLACE INTO windows(start_ms, end_ms, next_page, expected, received, complete)"
            u" VALUES (?, ?, ?, ?, ?, ?)"_s);
        save.addBindValue(state.startMs);
        save.addBindValue(state.endMs);
        save.addBindValue(state.nextPage);
        save.addBindValue(state.expected ? QVariant(*state.expected)
                                         : QVariant(QMetaType::fromType<qint64>()));
        save.addBindValue(state.received);
        save.addBindValue(int(state.complete));
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

int Ledger::completeCount(const QList<CycleSpan::Window>& windows) const
{
    if (windows.isEmpty())
        return 0;
    QSqlQuery query(d->db);
    query.prepare(u"SELECT count(*) FROM windows WHERE complete AND start_ms >= ? AND start_ms <= ?"_s);
    query.addBindValue(windows.constFirst().startMs);
    query.addBindValue(windows.constLast().startMs);
    if (!query.exec() || !query.next())
        return 0;
    return query.value(0).toInt();
}
