#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;

// A Cursor editor state database written the way the editor writes it: in WAL mode, ItemTable(key,
// value) with the login under "cursorAuth/accessToken". The connection stays open until destruction
// (and the -wal file with it), so that a test can hold a write transaction while the app reads.
class EditorDatabase
{
public:
    // Creates the file (and its folder) with the table.
    explicit EditorDatabase(const QString& path);
    ~EditorDatabase();

    EditorDatabase(const EditorDatabase&) = delete;
    EditorDatabase& operator=(const EditorDatabase&) = delete;

    bool exec(const char* sql);
    // Stores the login row: a QByteArray as a BLOB, anything else as TEXT.
    bool setLogin(const QVariant& value);

    // An unsigned JWT whose payload holds `sub` and `exp` (seconds since 1970).
    static QString jwt(const QString& sub, double exp);

private:
    sqlite3* m_db = nullptr;
};
