// import_bench [size in MiB]: reads the login out of an editor state database of that size (default
// 64 MiB), as the import and every following refresh do. The database is made here: filler rows
// around the login row, in WAL mode, with a writer keeping its -wal file alive. Prints the median
// read time and the peak resident memory of the reads; the targets are 20 ms and 30 MB.
#include "BenchSupport.h"

#include "client/EditorSession.h"
#include "client/EditorSessionError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

namespace {

constexpr int fillerBytes = 4000;

QByteArray base64Url(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool exec(sqlite3* db, const QByteArray& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s: %s\n", sql.left(60).constData(), message);
    sqlite3_free(message);
    return false;
}

// Filler rows on both sides of the login row, committed without a journal, then switched to WAL
// with a few more rows left in the live -wal file. The connection stays open as the editor's.
sqlite3* makeDatabase(const QString& path, qint64 mebibytes)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const qint64 rows = mebibytes * 1024 * 1024 / (fillerBytes + 100);
    const QByteArray claims =
        QJsonDocument(
            QJsonObject{{QStringLiteral("sub"), QStringLiteral("auth0|user_01BENCH")},
                        {QStringLiteral("exp"), double(QDateTime::currentSecsSinceEpoch() + 86400)}})
            .toJson(QJsonDocument::Compact);
    const QByteArray jwt = base64Url(R"({"alg":"HS256"})") + '.' + base64Url(claims) + '.' + base64Url("sig");
    const QByteArray fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                            QByteArray::number(rows / 2) +
                            ") INSERT INTO ItemTable SELECT '%1/' || i, randomblob(4000) FROM n";
    const bool made = exec(db, "PRAGMA journal_mode=OFF") && exec(db, "PRAGMA synchronous=OFF") &&
                      exec(db, "CREATE TABLE ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB)") &&
                      exec(db, QByteArray(fill).replace("%1", "aaa.filler")) &&
                      exec(db, "INSERT INTO ItemTable VALUES ('cursorAuth/accessToken', '" + jwt + "')") &&
                      exec(db, QByteArray(fill).replace("%1", "zzz.filler")) &&
                      exec(db, "PRAGMA journal_mode=WAL") && exec(db, "PRAGMA wal_autocheckpoint=0") &&
                      exec(db, "INSERT INTO ItemTable VALUES ('workbench.recent', randomblob(20000))");
    if (!made || !QFile::exists(path + QStringLiteral("-wal"))) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

long statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 64;
    QTemporaryDir dir;
    if (mebibytes <= 0 || !dir.isValid()) {
        std::fprintf(stderr, "usage: import_bench [size in MiB]\n");
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("state.vscdb"));
    sqlite3* editor = makeDatabase(path, mebibytes);
    if (!editor) {
        std::fprintf(stderr, "cannot make the database\n");
        return 1;
    }
    EditorSession::setDatabasePath(path);

    // The peak is counted from here: building the database is not the import's memory.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    bool ok = true;
    const double median = medianMs(51, [&ok] {
        try {
            ok = EditorSession::read().userId == QStringLiteral("user_01BENCH") && ok;
        } catch (const EditorSessionError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            ok = false;
        }
    });
    const long peakKb = statusKb("VmHWM:");
    const qint64 fileMiB = QFileInfo(path).size() / (1024 * 1024);
    const qint64 walKiB = QFileInfo(path + QStringLiteral("-wal")).size() / 1024;
    sqlite3_close(editor);
    if (!ok)
        return 1;
    std::printf("editor login import, %lld MiB database (WAL, %lld KiB live -wal), 51 reads: median %.2f ms "
                "(target < 20), peak RSS %.1f MB (target < 30)\n",
                fileMiB, walKiB, median, double(peakKb) / 1024.0);
    return median < 20 && peakKb < 30 * 1024 ? 0 : 1;
}
