#pragma once

#include "Decimal.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <QVector>

class Database;

/// Named parameter of a query, bound in the order given.
struct QueryParam
{
    QString name;
    QVariant value;
};
using QueryParams = QList<QueryParam>;

/// The rows of one query, read into memory: a list's data. Sorted on the client by a
/// sort text such as "NumT1 ASC, Name1 DESC"; rows are found by their key fields, never
/// by row number, because sorting and re-reading move them. Has a current row, as a
/// grid has, which a refresh keeps on the same record.
class RecordSet
{
public:
    RecordSet() = default;

    /// Runs the query and reads all its rows. On failure the set is empty and
    /// errorString() names the driver's message.
    bool open(Database& db, const QString& sql, const QueryParams& params = {});
    /// Runs the query again with new parameter values (a detail list following its master).
    bool reopen(const QueryParams& params);
    /// Re-reads the rows, keeps the sort, and keeps the current row on the record with
    /// the same key (or on the same row number, clamped, when that record is gone).
    bool refresh();
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString errorString() const { return m_error; }

    int rowCount() const { return int(m_order.size()); }
    int fieldCount() const { return int(m_fields.size()); }
    const QStringList& fieldNames() const { return m_fields; }
    /// Field position by name, without regard to case; -1 when absent.
    int fieldIndex(QStringView name) const;

    QVariant value(int row, int field) const;
    QVariant value(int row, QStringView name) const;
    /// All fields of a row by name; empty for a row outside the set.
    QVariantMap rowValues(int row) const;
    /// An exact decimal column read as its units (scale from the schema).
    Decimal decimal(int row, QStringView name) const;

    /// Sets the sort text. Returns false, leaving the sort unchanged, when the text names
    /// a field the rows lack or a direction other than ASC/DESC. An empty text restores
    /// the query's own order. NULLs sort first in ascending order.
    bool setSort(const QString& sortText);
    QString sort() const { return m_sortText; }

    void setKeyFields(const QStringList& fields) { m_keyFields = fields; }
    const QStringList& keyFields() const { return m_keyFields; }
    /// Values of the key fields of a row; empty for a row outside the set.
    QVariantList keyAt(int row) const;
    /// Row whose key fields equal `key` (compared as text, so 5 equals "5"); -1 if none.
    int locate(const QVariantList& key) const;

    /// Current row; -1 only when the set is empty.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    /// Moves the current row to the record with `key`; false (row unchanged) if absent.
    bool moveTo(const QVariantList& key);

private:
    struct SortField
    {
        int field;
        bool descending;
    };
    bool read();
    void applySort();

    Database* m_db = nullptr;
    QString m_sql;
    QueryParams m_params;
    QString m_error;
    QStringList m_fields;
    const QVariant& cell(int index, int field) const { return m_cells[index * m_fields.size() + field]; }

    QVector<QVariant> m_cells; ///< row after row, in query order
    int m_rowCount = 0;
    QVector<int> m_order;      ///< display row -> row in query order
    QString m_sortText;
    QList<SortField> m_sortFields;
    QStringList m_keyFields;
    int m_current = -1;
};
