#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariant>

class Database;
class Decimal;

/// A prepared statement with named parameters (":T1_ID") on the run's connection.
/// Every failure leaves a readable errorText() naming the driver's message.
class Query
{
public:
    Query(Database& db, const QString& sql);

    /// Binds a value; a null QVariant binds SQL NULL. A name may be bound once
    /// and used many times in the statement.
    Query& bind(const QString& name, const QVariant& value);
    /// Binds an exact decimal as its integer units (NULL for a null decimal).
    Query& bind(const QString& name, const Decimal& value);

    bool exec();
    bool next();
    QVariant value(int column) const;
    QVariant value(const QString& field) const;
    /// Rows changed by the last INSERT/UPDATE/DELETE.
    int rowsAffected() const;
    QVariant lastInsertId() const;
    /// Frees the result so that the connection can commit or close.
    void finish();

    QString errorText() const { return m_error; }
    /// Whether the last failure was the database refusing the statement's values (a check,
    /// a key, a type, a length), as opposed to the database itself failing (a full disk,
    /// an I/O error): a refused record can be skipped, a failing database cannot.
    bool valuesRefused() const;
    QSqlQuery& raw() { return m_query; }

private:
    QSqlQuery m_query;
    QString m_error;
    bool m_prepared = false;
};
