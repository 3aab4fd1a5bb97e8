#include "LedgerFile.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

// Only SQLite's corrupt (11) and not-a-database (26) answers say the file itself is broken; busy and
// locked (5, 6) mean another connection holds it; the rest (a full disk, an I/O error, a read-only or
// unopenable file) say nothing about what it holds.
LedgerFile::Opened failure(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff; // the primary code of an extended one
    if (!ok)
        return LedgerFile::Opened::unavailable;
    switch (code) {
    case 5:
    case 6:
        return LedgerFile::Opened::busy;
    case 11:
    case 26:
        return LedgerFile::Opened::broken;
    default:
        return LedgerFile::Opened::unavailable;
    }
}

// Step n takes a file of version n to version n + 1.
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
    // Version 2. When each window was last fetched. The windows of an older file have no time, so
    // each is asked once more before it counts as final.
    u"ALTER TABLE windows ADD COLUMN fetched_ms INTEGER;"_s,
};
static_assert(LedgerFile::schemaVersion == 2, "one step per version");

// Takes the file one step at a time to the current schema. Another process may be taking the same
// steps: each runs under the write lock and reads the version again there, so no step is taken twice.
LedgerFile::Opened migrate(LedgerDatabase& d)
{
    for (;;) {
        if (!d.exec(u"BEGIN IMMEDIATE"_s))
            return failure(d.lastError);
        int version = -1;
        const bool stepped = [&] {
            QSqlQuery query(d.db);
            if (!query.exec(u"PRAGMA user_version"_s) || !query.next()) {
                d.lastError = query.lastError();
                return false;
            }
            version = query.value(0).toInt();
            if (version < 0 || version >= LedgerFile::schemaVersion)
                return true;
            for (const QString& statement : schemaSteps.at(version).split(u';', Qt::SkipEmptyParts)) {
                if (!d.exec(statement))
                    return false;
            }
            return d.exec(u"PRAGMA user_version="_s + QString::number(version + 1));
        }() && d.exec(u"COMMIT"_s);
        if (!stepped) {
            const QSqlError error = d.lastError;
            d.exec(u"ROLLBACK"_s);
            return failure(error);
        }
        if (version == LedgerFile::schemaVersion)
            return LedgerFile::Opened::ok;
        if (version < 0 || version > LedgerFile::schemaVersion)
            return LedgerFile::Opened::broken;
    }
}

} // namespace

namespace LedgerFile {

Opened open(const QString& path, std::unique_ptr<LedgerDatabase>& out)
{
    // Created private before SQLite opens it; SQLite gives its WAL files the same permissions.
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return QFileInfo::exists(path) ? Opened::busy : Opened::unavailable;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    auto d = std::make_unique<LedgerDatabase>(path);
    if (!d->db.open())
        return failure(d->db.lastError());

    QSqlQuery query(d->db);
    if (!query.exec(u"PRAGMA journal_mode=WAL"_s) || !query.next())
        return failure(query.lastError());
    if (!query.exec(u"PRAGMA quick_check"_s) || !query.next())
        return failure(query.lastError());
    if (query.value(0).toString() != "ok"_L1)
        return Opened::broken;
    d->exec(u"PRAGMA synchronous=NORMAL"_s);
    if (!query.exec(u"PRAGMA user_version"_s) || !query.next())
        return failure(query.lastError());
    const int version = query.value(0).toInt();
    // Its read would pin this connection to a snapshot the migration's write lock may outdate.
    query.finish();
    if (version > LedgerFile::schemaVersion || version < 0)
        return Opened::broken;
    if (version < LedgerFile::schemaVersion) {
        if (const Opened migrated = migrate(*d); migrated != Opened::ok)
            return migrated;
    }
    if (!d->loadNames())
        return Opened::broken;

    // Days are local: a ledger written in another time zone gets its daily table again.
    const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    if (d->meta(u"zone"_s).value_or(QVariant()).toString() != zone)
        d->transaction([&] { return d->rebuildDaily() && d->setMeta(u"zone"_s, zone); });
    out = std::move(d);
    return Opened::ok;
}

bool setAside(const QString& path)
{
    const QFileInfo info(path);
    const QString stamp =
        QDateTime::fromMSecsSinceEpoch(qint64(Clock::now().msSince1970())).toString(u"yyyyMMdd-HHmmss"_s);
    if (!QFile::rename(path, AtomicFile::unusedName(path + u".broken-"_s + stamp)))
        return false;
    for (const auto suffix : {"-wal"_L1, "-shm"_L1})
        QFile::remove(path + suffix);

    // Oldest first by their stamps; "-2" sorts after the name it extends.
    QDir folder = info.dir();
    QStringList kept = folder.entryList({info.fileName() + u".broken-*"_s}, QDir::Files, QDir::Name);
    while (kept.size() > keptBrokenFiles)
        folder.remove(kept.takeFirst());
    return true;
}

} // namespace LedgerFile
