#include "EditorSession.h"

#include "EditorSessionError.h"

#include "model/AccountPlace.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <sqlite3.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Kind = EditorSessionError::Kind;

constexpr auto tokenKey = "cursorAuth/accessToken";
// Long enough to outlast the editor's own short write transactions, short enough not to stall a
// refresh behind a stuck writer.
constexpr int busyTimeoutMs = 250;

QString& pathOverride()
{
    static QString path;
    return path;
}

struct CloseDatabase
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
struct CloseBlob
{
    void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

Database open(const QString& path)
{
    // Without a -wal file the database is opened as immutable: SQLite then takes no locks and
    // creates no -shm file next to the editor's database. With one, the editor is running in WAL
    // mode and the -shm is already there; a WAL reader is never blocked by the writer.
    QUrl uri = QUrl::fromLocalFile(path);
    uri.setQuery(QFileInfo::exists(path + u"-wal") ? u"mode=ro"_s : u"mode=ro&immutable=1"_s);
    sqlite3* raw = nullptr;
    const int status = sqlite3_open_v2(uri.toEncoded().constData(), &raw,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    Database db(raw);
    if (status != SQLITE_OK)
        throw EditorSessionError(Kind::unreadable);
    sqlite3_busy_timeout(db.get(), busyTimeoutMs);
    return db;
}

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        throw EditorSessionError(Kind::unreadable);
    return Statement(raw);
}

// The login row's value as text. The size is taken from the row's header through a blob handle, so
// an oversized value is refused without being loaded.
QString readValue(sqlite3* db)
{
    const Statement find = prepare(db, "SELECT rowid, typeof(value) FROM ItemTable WHERE key = ?1");
    sqlite3_bind_text(find.get(), 1, tokenKey, -1, SQLITE_STATIC);
    const int found = sqlite3_step(find.get());
    if (found == SQLITE_DONE)
        throw EditorSessionError(Kind::signedOut);
    if (found != SQLITE_ROW)
        throw EditorSessionError(Kind::unreadable);
    const sqlite3_int64 rowid = sqlite3_column_int64(find.get(), 0);
    const QByteArray type(reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 1)));
    if (type == "null")
        throw EditorSessionError(Kind::signedOut);
    if (type != "text" && type != "blob")
        throw EditorSessionError(Kind::malformed);

    sqlite3_blob* rawBlob = nullptr;
    if (sqlite3_blob_open(db, "main", "ItemTable", "value", rowid, 0, &rawBlob) != SQLITE_OK) {
        sqlite3_blob_close(rawBlob);
        throw EditorSessionError(Kind::unreadable);
    }
    const std::unique_ptr<sqlite3_blob, CloseBlob> blob(rawBlob);
    if (sqlite3_blob_bytes(blob.get()) > EditorSession::maximumValueBytes)
        throw EditorSessionError(Kind::malformed);

    const Statement fetch = prepare(db, "SELECT value FROM ItemTable WHERE rowid = ?1 AND key = ?2");
    sqlite3_bind_int64(fetch.get(), 1, rowid);
    sqlite3_bind_text(fetch.get(), 2, tokenKey, -1, SQLITE_STATIC);
    if (sqlite3_step(fetch.get()) != SQLITE_ROW)
        throw EditorSessionError(Kind::unreadable);
    if (type == "text") {
        const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(fetch.get(), 0));
        return QString::fromUtf16(text, sqlite3_column_bytes16(fetch.get(), 0) / 2);
    }
    const QByteArray bytes(static_cast<const char*>(sqlite3_column_blob(fetch.get(), 0)),
                           sqlite3_column_bytes(fetch.get(), 0));
    // A JWT holds no NUL byte in UTF-8; one that does was written as UTF-16LE.
    const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.contains('\0');
    QStringDecoder decoder(utf16 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw EditorSessionError(Kind::malformed);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

// base64url with or without padding; nothing when other characters appear.
std::optional<QByteArray> decodeBase64Url(QByteArrayView part)
{
    QByteArray padded = part.toByteArray();
    while (padded.size() % 4)
        padded.append('=');
    auto decoded = QByteArray::fromBase64Encoding(padded, QByteArray::Base64UrlEncoding |
                                                              QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

EditorSession::Login decode(QString value)
{
    value = value.trimmed();
    if (value.startsWith(u'"')) {
        // Stored as a JSON string: let the JSON reader undo its escapes.
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray("[") + value.toUtf8() + ']');
        const QJsonValue inner = document.array().at(0);
        if (!document.isArray() || document.array().size() != 1 || !inner.isString())
            throw EditorSessionError(Kind::malformed);
        value = inner.toString().trimmed();
    }
    if (value.isEmpty())
        throw EditorSessionError(Kind::signedOut);

    // Whole strings only: "$" alone would also match before a final line break.
    static const QRegularExpression jwtShape(
        QRegularExpression::anchoredPattern(u"[A-Za-z0-9_-]+\\.([A-Za-z0-9_-]+)\\.[A-Za-z0-9_-]+"_s));
    const QRegularExpressionMatch jwt = jwtShape.match(value);
    if (!jwt.hasMatch())
        throw EditorSessionError(Kind::malformed);
    const std::optional<QByteArray> payload = decodeBase64Url(jwt.captured(1).toLatin1());
    if (!payload)
        throw EditorSessionError(Kind::malformed);
    const QJsonObject claims = QJsonDocument::fromJson(*payload).object();
    const QJsonValue sub = claims.value("sub"_L1);
    const QJsonValue exp = claims.value("exp"_L1);
    if (!sub.isString() || !exp.isDouble())
        throw EditorSessionError(Kind::malformed);

    const QString userId = AccountPlace::userIdOfSubject(sub.toString());
    static const QRegularExpression userIdShape(QRegularExpression::anchoredPattern(u"[A-Za-z0-9._-]+"_s));
    if (!userIdShape.match(userId).hasMatch())
        throw EditorSessionError(Kind::malformed);

    const Timestamp expiresAt = Timestamp::fromSecondsSince1970(exp.toDouble());
    if (expiresAt.secondsSinceReference <=
        Clock::now().secondsSinceReference + EditorSession::expiryMarginSeconds)
        throw EditorSessionError(Kind::expired);
    return {userId + u"::"_s + value, userId, expiresAt};
}

} // namespace

QString EditorSession::databasePath()
{
    if (!pathOverride().isEmpty())
        return pathOverride();
    return Paths::applicationsConfigHome() + u"/Cursor/User/globalStorage/state.vscdb"_s;
}

void EditorSession::setDatabasePath(const QString& path)
{
    pathOverride() = path;
}

bool EditorSession::databaseExists()
{
    return QFileInfo(databasePath()).isFile();
}

EditorSession::Login EditorSession::read()
{
    const QString path = databasePath();
    if (!QFileInfo::exists(path))
        throw EditorSessionError(Kind::noDatabase);
    const Database db = open(path);
    // One read transaction: the row found is the row read, even while the editor replaces it.
    if (sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw EditorSessionError(Kind::unreadable);
    return decode(readValue(db.get()));
}
