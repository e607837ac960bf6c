#include "RecordSetModel.h"

#include "Schema.h"

RecordSetModel::RecordSetModel(const QList<ListColumn>& columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_columns(columns)
{
    for (const ListColumn& c : m_columns)
        m_scaleOfColumn << Schema::decimalScale(c.field);
    m_fieldOfColumn.fill(-1, m_columns.size());
}

template <typename F> bool RecordSetModel::replaceRows(F&& change, Rows rows)
{
    beginResetModel();
    if (rows == Rows::Reread)
        ++m_generation;
    const bool ok = change();
    for (int i = 0; i < m_columns.size(); ++i)
        m_fieldOfColumn[i] = m_rows.fieldIndex(m_columns[i].field);
    endResetModel();
    Q_EMIT rowsReplaced();
    return ok;
}

bool RecordSetModel::open(Database& db, const QString& sql, const QueryParams& params)
{
    return replaceRows([&] { return m_rows.open(db, sql, params); }, Rows::Reread);
}

bool RecordSetModel::reopen(const QueryParams& params)
{
    return replaceRows([&] { return m_rows.reopen(params); }, Rows::Reread);
}

bool RecordSetModel::refresh()
{
    return replaceRows([&] { return m_rows.refresh(); }, Rows::Reread);
}

bool RecordSetModel::setSort(const QString& sortText)
{
    return replaceRows([&] { return m_rows.setSort(sortText); }, Rows::Reordered);
}

void RecordSetModel::close()
{
    replaceRows(
        [&] {
            m_rows.close();
            return true;
        },
        Rows::Reread);
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.rowCount();
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int field = m_fieldOfColumn[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return Format::display(m_rows.value(index.row(), field), m_columns[index.column()].format,
                               m_scaleOfColumn[index.column()]);
    case Qt::TextAlignmentRole:
        return int(m_columns[index.column()].alignment.toInt());
    case KeyRole:
        return m_rows.keyAt(index.row());
    case RawValueRole:
        return m_rows.value(index.row(), field);
    default:
        return {};
    }
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_columns[section].title;
    return {};
}
