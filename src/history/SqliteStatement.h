#pragma once

#include <QtGlobal>

#include <sqlite3.h>

#include <initializer_list>

// One statement run straight through SQLite on the driver's connection, for the writes that happen
// once per event or per day and model: Qt SQL's binding costs many times SQLite's own work there.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* handle, const char* sql)
    {
        if (handle && sqlite3_prepare_v2(handle, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~SqliteStatement() { sqlite3_finalize(m_statement); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

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
