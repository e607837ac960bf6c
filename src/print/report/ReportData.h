#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

class RecordSet;

namespace Report {

/// Rows a data band repeats over. Exact decimals arrive as integer units, as the
/// database keeps them; scale() says how many of their digits are decimals.
class DataSet
{
public:
    virtual ~DataSet();
    virtual int rowCount() const = 0;
    /// Field position by name, without regard to case; -1 when absent.
    virtual int fieldIndex(QStringView name) const = 0;
    virtual QVariant value(int row, int field) const = 0;
    /// Decimal digits of a field held as integer units; 0 for every other field.
    virtual int scale(int field) const = 0;
};

/// Rows given in code: a query's figures, a window's own values, test data. The scale
/// of a field is the schema's for its name unless set.
class TableData final : public DataSet
{
public:
    explicit TableData(const QStringList& fields = {});

    void addRow(const QVariantList& values);
    void setScale(QStringView field, int scale);

    int rowCount() const override { return int(m_rows.size()); }
    int fieldIndex(QStringView name) const override;
    QVariant value(int row, int field) const override;
    int scale(int field) const override;

private:
    QStringList m_fields;
    QList<int> m_scales;
    QList<QVariantList> m_rows;
};

/// The rows of a RecordSet (an opened query) in its current sort. The set must outlive
/// the preparation of the report.
class RecordSetData final : public DataSet
{
public:
    explicit RecordSetData(const RecordSet& rows);

    /// A computed column (an alias the schema does not know) held as integer units.
    void setScale(QStringView field, int scale);

    int rowCount() const override;
    int fieldIndex(QStringView name) const override;
    QVariant value(int row, int field) const override;
    int scale(int field) const override;

private:
    const RecordSet& m_rows;
    QHash<int, int> m_scales;
    mutable QHash<QString, int> m_schemaScales;
};

} // namespace Report
