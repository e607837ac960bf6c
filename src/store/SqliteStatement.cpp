#include "SqliteStatement.h"

#include "Database.h"

#include <QDate>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

sqlite3* connectionOf(Database& db)
{
    const QVariant handle = db.connection().driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(handle.constData());
    return nullptr;
}

} // namespace

SqliteStatement::SqliteStatement(Database& db, const QString& sql)
    : m_db(connectionOf(db))
{
    if (!m_db) {
        m_error = u"Нет соединения с базой данных."_s;
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_statement, nullptr) !=
        SQLITE_OK) {
        fail();
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::fail()
{
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    m_errorCode = sqlite3_errcode(m_db);
}

bool SqliteStatement::valuesRefused() const
{
    const int code = m_errorCode & 0xff;
    return code == SQLITE_CONSTRAINT || code == SQLITE_MISMATCH || code == SQLITE_RANGE ||
           code == SQLITE_TOOBIG;
}

void SqliteStatement::bindInt64(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_statement, index, sqlite3_int64(value));
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
}

void SqliteStatement::bindText(int index, QStringView text)
{
    sqlite3_bind_text16(m_statement, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

void SqliteStatement::bindValue(int index, const QVariant& value)
{
    if (value.isNull()) {
        bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
        bindInt64(index, value.toLongLong());
        return;
    case QMetaType::Double:
        sqlite3_bind_double(m_statement, index, value.toDouble());
        return;
    case QMetaType::QString: {
        const QString& text = *static_cast<const QString*>(value.constData());
        if (text.isNull())
            bindNull(index);
        else
            bindText(index, text);
        return;
    }
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        if (!date.isValid()) {
            bindNull(index);
            return;
        }
        char iso[16];
        const int length =
            std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", date.year(), date.month(), date.day());
        sqlite3_bind_text(m_statement, index, iso, length, SQLITE_TRANSIENT);
        return;
    }
    default:
        break;
    }
    const QString text = value.toString();
    if (text.isNull())
        bindNull(index);
    else
        bindText(index, text);
}

bool SqliteStatement::next()
{
    if (!m_statement)
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail();
    return false;
}

bool SqliteStatement::exec()
{
    if (!m_statement)
        return false;
    const int rc = sqlite3_step(m_statement);
    const bool done = rc == SQLITE_DONE || rc == SQLITE_ROW;
    m_changes = done ? sqlite3_changes64(m_db) : 0;
    if (!done)
        fail();
    sqlite3_reset(m_statement);
    return done;
}

void SqliteStatement::reset()
{
    if (m_statement)
        sqlite3_reset(m_statement);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

ScopedSqlFunction::ScopedSqlFunction(Database& db, const char* name, int argumentCount, Body body)
    : m_db(connectionOf(db))
    , m_name(name)
    , m_argumentCount(argumentCount)
    , m_body(std::move(body))
{
    m_valid = m_db && argumentCount <= 16 &&
              sqlite3_create_function_v2(m_db, m_name.constData(), argumentCount, SQLITE_UTF8, this,
                                         &ScopedSqlFunction::call, nullptr, nullptr,
                                         nullptr) == SQLITE_OK;
}

ScopedSqlFunction::~ScopedSqlFunction()
{
    if (m_valid)
        sqlite3_create_function_v2(m_db, m_name.constData(), m_argumentCount, SQLITE_UTF8, nullptr,
                                   nullptr, nullptr, nullptr, nullptr);
}

void ScopedSqlFunction::call(sqlite3_context* context, int count, sqlite3_value** values)
{
    const auto* self = static_cast<const ScopedSqlFunction*>(sqlite3_user_data(context));
    Argument arguments[16];
    for (int i = 0; i < count && i < 16; ++i) {
        if (sqlite3_value_type(values[i]) != SQLITE_NULL)
            arguments[i] = sqlite3_int64(sqlite3_value_int64(values[i]));
    }
    const Argument result = self->m_body(arguments);
    if (result)
        sqlite3_result_int64(context, sqlite3_int64(*result));
    else
        sqlite3_result_null(context);
}
