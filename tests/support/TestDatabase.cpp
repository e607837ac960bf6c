#include "TestDatabase.h"

#include "DbBuilder.h"
#include "Query.h"

#include <QDir>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

TestDatabase::TestDatabase()
{
    if (!m_dir.isValid()) {
        m_error = m_dir.errorString();
        return;
    }
    if (!DbBuilder::build(DbBuilder::defaultSourceDir(), filePath(), &m_error))
        return;
    if (!m_db.open(filePath())) {
        m_error = m_db.errorString();
        return;
    }
    m_valid = true;
}

QString TestDatabase::filePath() const
{
    return QDir(m_dir.path()).filePath(u"Base/Dude.b"_s);
}

bool TestDatabase::exec(const QString& sql)
{
    Query query(m_db, sql);
    if (!query.exec()) {
        m_error = query.errorText();
        qWarning("%s: %s", qPrintable(sql), qPrintable(m_error));
        return false;
    }
    return true;
}

QVariant TestDatabase::scalar(const QString& sql)
{
    Query query(m_db, sql);
    if (!query.exec() || !query.next()) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(query.errorText()));
        return {};
    }
    return query.value(0);
}

QVariantMap TestDatabase::row(const QString& sql)
{
    QVariantMap values;
    Query query(m_db, sql);
    if (!query.exec() || !query.next()) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(query.errorText()));
        return values;
    }
    const QSqlRecord record = query.raw().record();
    for (int i = 0; i < record.count(); ++i)
        values.insert(record.fieldName(i), query.value(i));
    return values;
}
