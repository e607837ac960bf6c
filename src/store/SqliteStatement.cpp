#include "SqliteStatement.h"

#include "Database.h"

#include <QDate>
#include <QDateTime>
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
        return;
    }
    m_texts.resize(size_t(sqlite3_bind_parameter_count(m_statement)));
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

std::string* SqliteStatement::textBuffer(int index)
{
    return index >= 1 && size_t(index) <= m_texts.size() ? &m_texts[size_t(index - 1)] : nullptr;
}

void SqliteStatement::bindText(int index, QStringView text)
{
    std::string* buffer = textBuffer(index);
    if (!buffer) {
        sqlite3_bind_text16(m_statement, index, text.utf16(), int(text.size() * 2),
                            SQLITE_TRANSIENT);
        return;
    }
    // UTF-8 as SQLite itself would make it from UTF-16; a text with a surrogate goes
    // through SQLite's own conversion, so that what is stored never depends on this path.
    buffer->resize(size_t(text.size()) * 3);
    char* out = buffer->data();
    for (const QChar qc : text) {
        const char16_t ch = qc.unicode();
        if (ch < 0x80) {
            *out++ = char(ch);
        } else if (ch < 0x800) {
            *out++ = char(0xC0 | (ch >> 6));
            *out++ = char(0x80 | (ch & 0x3F));
        } else if (ch >= 0xD800 && ch <= 0xDFFF) {
            sqlite3_bind_text16(m_statement, index, text.utf16(), int(text.size() * 2),
                                SQLITE_TRANSIENT);
            return;
        } else {
            *out++ = char(0xE0 | (ch >> 12));
            *out++ = char(0x80 | ((ch >> 6) & 0x3F));
            *out++ = char(0x80 | (ch & 0x3F));
        }
    }
    sqlite3_bind_text(m_statement, index, buffer->data(), int(out - buffer->data()), SQLITE_STATIC);
}

void SqliteStatement::bindValue(int index, const QVariant& value)
{
    const int type = value.typeId();
    if (type == QMetaType::UnknownType) {
        bindNull(index);
        return;
    }
    if (type == QMetaType::LongLong) {
        bindInt64(index, *static_cast<const qlonglong*>(value.constData()));
        return;
    }
    if (value.isNull()) {
        bindNull(index);
        return;
    }
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
        bindInt64(index, value.toLongLong());
        return;
    case QMetaType::ULongLong:
        bindInt64(index, value.toLongLong());
        return;
    case QMetaType::Double:
        sqlite3_bind_double(m_statement, index, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(m_statement, index, bytes.constData(), int(bytes.size()),
                          SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QDateTime:
        bindText(index, value.toDateTime().toString(Qt::ISODateWithMs));
        return;
    case QMetaType::QTime:
        bindText(index, value.toTime().toString(u"hh:mm:ss.zzz"));
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
        int year = 0, month = 0, day = 0;
        date.getDate(&year, &month, &day);
        std::string* buffer = textBuffer(index);
        if (!buffer || year < 1 || year > 9999) {
            char iso[16];
            const int length = std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
            sqlite3_bind_text(m_statement, index, iso, length, SQLITE_TRANSIENT);
            return;
        }
        buffer->assign({char('0' + year / 1000), char('0' + year / 100 % 10),
                        char('0' + year / 10 % 10), char('0' + year % 10), '-',
                        char('0' + month / 10), char('0' + month % 10), '-', char('0' + day / 10),
                        char('0' + day % 10)});
        sqlite3_bind_text(m_statement, index, buffer->data(), int(buffer->size()), SQLITE_STATIC);
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
    m_error.clear();
    m_errorCode = 0;
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
    m_error.clear();
    m_errorCode = 0;
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

bool SqliteStatement::bindValue(const QString& name, const QVariant& value)
{
    if (!m_statement)
        return false;
    const int index = sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
    if (index == 0)
        return false;
    bindValue(index, value);
    return true;
}

QByteArrayView SqliteStatement::utf8(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(text, text ? sqlite3_column_bytes(m_statement, column) : 0);
}

bool SqliteStatement::isText(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_TEXT;
}

int SqliteStatement::columnCount() const
{
    return m_statement ? sqlite3_column_count(m_statement) : 0;
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(m_statement, column);
        return QByteArray(static_cast<const char*>(data),
                          sqlite3_column_bytes(m_statement, column));
    }
    default: {
        const void* text = sqlite3_column_text16(m_statement, column);
        const int bytes = sqlite3_column_bytes16(m_statement, column);
        return QString(static_cast<const QChar*>(text), bytes / int(sizeof(QChar)));
    }
    }
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
