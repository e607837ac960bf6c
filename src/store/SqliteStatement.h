#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Database;
class QVariant;
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
    void bindText(int index, QStringView text);
    /// A value as Qt's driver would bind it: NULL for a null variant, string, date or
    /// date-time, integers and booleans as integers, a date as ISO text `YYYY-MM-DD`,
    /// a number with a fraction as a real, anything else as its text.
    void bindValue(int index, const QVariant& value);

    /// The next row; false at the end or on an error (errorText() then tells it).
    bool next();
    /// Runs a statement that returns no rows and makes it ready for the next binds.
    bool exec();
    /// Makes the statement ready to run again; the binds stay.
    void reset();
    /// The rows the last exec() wrote.
    std::int64_t changes() const { return m_changes; }
    /// The last failure was the database refusing the bound values (a CHECK, a type, a
    /// range or a size), not the database itself failing.
    bool valuesRefused() const;

    /// Binds a named parameter (":Name"); false when the statement has none of that name.
    bool bindValue(const QString& name, const QVariant& value);

    bool isNull(int column) const;
    std::int64_t int64(int column) const;
    /// The text of a column of the current row as SQLite holds it (UTF-8), valid until the
    /// next step; empty for NULL.
    QByteArrayView utf8(int column) const;
    bool isText(int column) const;
    int columnCount() const;
    QString columnName(int column) const;
    /// A column of the current row as Qt's driver gives it: an integer as qlonglong, a real
    /// as double, a text as QString, a blob as QByteArray, NULL as a null QString.
    QVariant value(int column) const;

private:
    void fail();
    std::string* textBuffer(int index);

    struct sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    /// Bytes of each text parameter, kept until it is bound again: SQLite reads them where
    /// they are instead of copying them for every row.
    std::vector<std::string> m_texts;
    QString m_error;
    int m_errorCode = 0;
    std::int64_t m_changes = 0;
};

/// An SQL function of integers on the run's connection for as long as this object lives:
/// lets one set-based statement compute every row with the program's own routine. NULL
/// arguments arrive as nullopt; a nullopt result is NULL.
class ScopedSqlFunction
{
public:
    using Argument = std::optional<std::int64_t>;
    using Body = std::function<Argument(const Argument* arguments)>;
    ScopedSqlFunction(Database& db, const char* name, int argumentCount, Body body);
    ~ScopedSqlFunction();
    ScopedSqlFunction(const ScopedSqlFunction&) = delete;
    ScopedSqlFunction& operator=(const ScopedSqlFunction&) = delete;

    bool isValid() const { return m_valid; }

private:
    static void call(struct sqlite3_context* context, int count, struct sqlite3_value** values);

    struct sqlite3* m_db = nullptr;
    QByteArray m_name;
    int m_argumentCount = 0;
    Body m_body;
    bool m_valid = false;
};
