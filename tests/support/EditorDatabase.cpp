#include "EditorDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sqlite3.h>

EditorDatabase::EditorDatabase(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    sqlite3_open(QFile::encodeName(path).constData(), &m_db);
    exec("PRAGMA journal_mode=WAL");
    exec("CREATE TABLE IF NOT EXISTS ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB)");
}

EditorDatabase::~EditorDatabase()
{
    sqlite3_close_v2(m_db);
}

bool EditorDatabase::exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool EditorDatabase::setLogin(const QVariant& value)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(m_db, "INSERT INTO ItemTable VALUES ('cursorAuth/accessToken', ?1)", -1, &statement,
                       nullptr);
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(statement, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    } else {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return done;
}

QString EditorDatabase::jwt(const QString& sub, double exp)
{
    const auto part = [](const QByteArray& bytes) {
        return QString::fromLatin1(
            bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    };
    const QJsonObject claims{{QStringLiteral("sub"), sub}, {QStringLiteral("exp"), exp}};
    return part(R"({"alg":"HS256","typ":"JWT"})") + u'.' +
           part(QJsonDocument(claims).toJson(QJsonDocument::Compact)) + u'.' + part("signature");
}
