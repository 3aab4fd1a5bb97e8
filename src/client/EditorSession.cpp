#include "EditorSession.h"

#include "EditorSessionError.h"

#include "model/AccountPlace.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

#include <QDeadlineTimer>
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
// The whole read ends within this time. The file is the editor's, but anyone who can write it can
// shape a query that never ends (a view over an endless recursion, rows that each cost work), and the
// import, every following refresh and the window wait for this read.
constexpr int readBudgetMs = 1000;
// How often SQLite asks whether the budget is spent, in virtual machine instructions.
constexpr int budgetCheckInstructions = 1000;

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

// One read of the editor's database: the connection and the time it has left. A call that fails
// once the time is spent was stopped by the budget; any other failure says the file is unreadable.
class Reader
{
public:
    explicit Reader(const QString& path)
        : m_deadline(readBudgetMs)
    {
        // Without a -wal file the database is opened as immutable: SQLite then takes no locks and
        // creates no -shm file next to the editor's database. With one, the editor is running in WAL
        // mode and the -shm is already there; a WAL reader is never blocked by the writer.
        QUrl uri = QUrl::fromLocalFile(path);
        uri.setQuery(QFileInfo::exists(path + u"-wal") ? u"mode=ro"_s : u"mode=ro&immutable=1"_s);
        sqlite3* raw = nullptr;
        const int status =
            sqlite3_open_v2(uri.toEncoded().constData(), &raw,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
        m_db.reset(raw);
        if (status != SQLITE_OK)
            fail();
        sqlite3_busy_timeout(db(), busyTimeoutMs);
        sqlite3_progress_handler(db(), budgetCheckInstructions, &Reader::spent, &m_deadline);
    }

    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    sqlite3* db() const { return m_db.get(); }

    [[noreturn]] void fail() const
    {
        throw EditorSessionError(m_deadline.hasExpired() ? Kind::timedOut : Kind::unreadable);
    }

    Statement prepare(const char* sql) const
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db(), sql, -1, &raw, nullptr) != SQLITE_OK) {
            sqlite3_finalize(raw);
            fail();
        }
        return Statement(raw);
    }

    // SQLITE_ROW or SQLITE_DONE; anything else ends the read.
    int step(sqlite3_stmt* statement) const
    {
        const int status = sqlite3_step(statement);
        if (status != SQLITE_ROW && status != SQLITE_DONE)
            fail();
        return status;
    }

private:
    // Asked by SQLite while a statement runs: non-zero interrupts it.
    static int spent(void* deadline)
    {
        return static_cast<const QDeadlineTimer*>(deadline)->hasExpired() ? 1 : 0;
    }

    QDeadlineTimer m_deadline;
    Database m_db;
};

// Only an ordinary table is read: under the name, a view or a virtual table would run whatever query
// the file's author wrote.
void requireTable(const Reader& reader)
{
    const Statement table =
        reader.prepare("SELECT type, sql FROM main.sqlite_schema WHERE name = 'ItemTable' COLLATE NOCASE");
    if (reader.step(table.get()) != SQLITE_ROW)
        throw EditorSessionError(Kind::unreadable);
    const QByteArray type(reinterpret_cast<const char*>(sqlite3_column_text(table.get(), 0)));
    const QByteArray sql(reinterpret_cast<const char*>(sqlite3_column_text(table.get(), 1)));
    if (type != "table" || sql.trimmed().toUpper().startsWith("CREATE VIRTUAL"))
        throw EditorSessionError(Kind::unreadable);
}

// The login row's value as text. The size is taken from the row's header through a blob handle, so
// an oversized value is refused without being loaded.
QString readValue(const Reader& reader)
{
    const Statement find = reader.prepare("SELECT rowid, typeof(value) FROM ItemTable WHERE key = ?1");
    sqlite3_bind_text(find.get(), 1, tokenKey, -1, SQLITE_STATIC);
    if (reader.step(find.get()) == SQLITE_DONE)
        throw EditorSessionError(Kind::signedOut);
    const sqlite3_int64 rowid = sqlite3_column_int64(find.get(), 0);
    const QByteArray type(reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 1)));
    if (type == "null")
        throw EditorSessionError(Kind::signedOut);
    if (type != "text" && type != "blob")
        throw EditorSessionError(Kind::malformed);

    sqlite3_blob* rawBlob = nullptr;
    if (sqlite3_blob_open(reader.db(), "main", "ItemTable", "value", rowid, 0, &rawBlob) != SQLITE_OK) {
        sqlite3_blob_close(rawBlob);
        reader.fail();
    }
    const std::unique_ptr<sqlite3_blob, CloseBlob> blob(rawBlob);
    if (sqlite3_blob_bytes(blob.get()) > EditorSession::maximumValueBytes)
        throw EditorSessionError(Kind::malformed);

    const Statement fetch = reader.prepare("SELECT value FROM ItemTable WHERE rowid = ?1 AND key = ?2");
    sqlite3_bind_int64(fetch.get(), 1, rowid);
    sqlite3_bind_text(fetch.get(), 2, tokenKey, -1, SQLITE_STATIC);
    if (reader.step(fetch.get()) != SQLITE_ROW)
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

    // The one rule for a user id, the service's too: it names the account's folder.
    const QString userId = AccountPlace::userIdOfSubject(sub.toString());
    if (!AccountPlace::isValidUserId(userId))
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
    const Reader reader(path);
    // One read transaction: the row found is the row read, even while the editor replaces it.
    if (sqlite3_exec(reader.db(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        reader.fail();
    requireTable(reader);
    return decode(readValue(reader));
}
