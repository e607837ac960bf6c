#include "Query.h"

#include "Database.h"
#include "Decimal.h"

#include <QSqlError>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

Query::Query(Database& db, const QString& sql)
    : m_query(db.connection())
{
    m_query.setForwardOnly(true);
    m_prepared = m_query.prepare(sql);
    if (!m_prepared)
        m_error = m_query.lastError().text().trimmed();
}

Query& Query::bind(const QString& name, const QVariant& value)
{
    m_query.bindValue(name, value);
    return *this;
}

Query& Query::bind(const QString& name, const Decimal& value)
{
    return bind(name, value.toVariant());
}

bool Query::exec()
{
    if (!m_prepared)
        return false;
    if (!m_query.exec()) {
        m_error = m_query.lastError().text().trimmed();
        if (m_error.isEmpty())
            m_error = u"неизвестная ошибка"_s;
        return false;
    }
    m_error.clear();
    return true;
}

bool Query::next()
{
    return m_query.next();
}

QVariant Query::value(int column) const
{
    return m_query.value(column);
}

QVariant Query::value(const QString& field) const
{
    return m_query.value(field);
}

int Query::rowsAffected() const
{
    return m_query.numRowsAffected();
}

QVariant Query::lastInsertId() const
{
    return m_query.lastInsertId();
}

void Query::finish()
{
    m_query.finish();
}

bool Query::valuesRefused() const
{
    const int code = m_query.lastError().nativeErrorCode().toInt() & 0xff;
    return code == 19 /* constraint */ || code == 20 /* mismatch */ || code == 25 /* range */ ||
           code == 18 /* too big */;
}
