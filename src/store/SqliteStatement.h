#pragma once

#include <QString>

#include <cstdint>

class Database;
struct sqlite3_stmt;

/// A statement run straight through SQLite on the run's connection, with positional
/// parameters (?1, ?2 ...), for the paths that write every record of a statement: Qt's
/// named binds cost more than the writes themselves there. Everything else uses Query.
class SqliteStatement
{
public:
    SqliteStatement(Database& db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    QString errorText() const { return m_error; }

    void bindInt64(int index, std::int64_t value);
    void bindNull(int index);
    void bindText(int index, const QString& text);

    /// The next row; false at the end or on an error (errorText() then tells it).
    bool next();
    /// Runs a statement that returns no rows and makes it ready for the next binds.
    bool exec();
    /// Makes the statement ready to run again; the binds stay.
    void reset();

    bool isNull(int column) const;
    std::int64_t int64(int column) const;

private:
    void fail();

    struct sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    QString m_error;
};
