#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <optional>
#include <tuple>

struct sqlite3;

// The ledger's open database and what is kept of it in memory: the names (models and kinds) by
// number, which kinds are on-demand, and each quarter hour's local day. It keeps the day × model
// table in step with the event rows.
struct LedgerDatabase
{
    // The key of a day × model × on-demand cell, and what it sums.
    using Cell = std::tuple<int, int, bool>;
    struct CellSum
    {
        qint64 tokens = 0;
        qint64 events = 0;
    };
    using Cells = std::map<Cell, CellSum>;

    QString connection;
    QSqlDatabase db;
    QHash<QString, int> nameIds;
    QHash<int, QString> names;
    QHash<int, bool> onDemand;               // by kind name id
    mutable QHash<qint64, int> dayOfQuarter; // local Julian day by quarter hour since 1970

    // A connection of its own to the file, not yet open.
    explicit LedgerDatabase(const QString& path);
    ~LedgerDatabase();
    LedgerDatabase(const LedgerDatabase&) = delete;
    LedgerDatabase& operator=(const LedgerDatabase&) = delete;

    // The driver's own connection, for the statements that run too often for Qt SQL.
    sqlite3* handle() const;
    // The local Julian day of a time.
    int localDay(qint64 ms) const;

    // Runs one statement; when it fails, its error is kept in `lastError` (a statement's error never
    // reaches db.lastError()).
    bool exec(const QString& statement);
    QSqlError lastError;
    bool loadNames();
    // The number of a model or kind name, added when new; nothing when it cannot be written.
    std::optional<int> nameId(const QString& name);

    std::optional<QVariant> meta(const QString& key) const;
    bool setMeta(const QString& key, const QVariant& value);

    // Adds (sign 1) or removes (sign -1) the rows in [fromMs, toMs) to or from the daily table.
    bool addToDaily(qint64 fromMs, qint64 toMs, int sign);
    bool addCells(const Cells& cells, int sign);
    // The daily table from scratch, after the time zone changed or old rows were pruned.
    bool rebuildDaily();

    // Runs `work` in one transaction, rolled back when it answers false.
    bool transaction(const std::function<bool()>& work);

private:
    void remember(int id, const QString& name);
};
