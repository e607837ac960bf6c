#include "ReportData.h"

#include "RecordSet.h"
#include "Schema.h"

namespace Report {

DataSet::~DataSet() = default;

TableData::TableData(const QStringList& fields)
    : m_fields(fields)
{
    m_scales.reserve(fields.size());
    for (const QString& field : fields)
        m_scales.append(Schema::decimalScale(field));
}

void TableData::addRow(const QVariantList& values)
{
    QVariantList row = values;
    row.resize(m_fields.size());
    m_rows.append(row);
}

void TableData::setScale(QStringView field, int scale)
{
    const int index = fieldIndex(field);
    if (index >= 0)
        m_scales[index] = scale;
}

int TableData::fieldIndex(QStringView name) const
{
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        if (QStringView(m_fields.at(i)).compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QVariant TableData::value(int row, int field) const
{
    if (row < 0 || row >= m_rows.size() || field < 0 || field >= m_fields.size())
        return {};
    return m_rows.at(row).at(field);
}

int TableData::scale(int field) const
{
    return field >= 0 && field < m_scales.size() ? m_scales.at(field) : 0;
}

RecordSetData::RecordSetData(const RecordSet& rows)
    : m_rows(rows)
{}

void RecordSetData::setScale(QStringView field, int scale)
{
    const int index = m_rows.fieldIndex(field);
    if (index >= 0)
        m_scales.insert(index, scale);
}

int RecordSetData::rowCount() const
{
    return m_rows.rowCount();
}

int RecordSetData::fieldIndex(QStringView name) const
{
    return m_rows.fieldIndex(name);
}

QVariant RecordSetData::value(int row, int field) const
{
    return m_rows.value(row, field);
}

int RecordSetData::scale(int field) const
{
    if (field < 0 || field >= m_rows.fieldCount())
        return 0;
    if (const auto set = m_scales.constFind(field); set != m_scales.constEnd())
        return *set;
    // The schema's scale by the field's name, looked up once per name: a list asks for it
    // with every value it prints.
    const QString& name = m_rows.fieldNames().at(field);
    if (const auto known = m_schemaScales.constFind(name); known != m_schemaScales.constEnd())
        return *known;
    const int scale = Schema::decimalScale(name);
    m_schemaScales.insert(name, scale);
    return scale;
}

} // namespace Report
