#pragma once

#include "Format.h"
#include "RecordSet.h"

#include <QAbstractTableModel>
#include <QList>

/// One column of a list: the field it shows, its title, display format and alignment.
struct ListColumn
{
    QString field;
    QString title;
    Format::Display format = Format::Display::Plain;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

/// Read-only table model of a RecordSet for a grid. The columns are declared once;
/// every change of the rows (open, refresh, sort) replaces them whole.
class RecordSetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        KeyRole = Qt::UserRole + 1, ///< QVariantList of the row's key fields
        RawValueRole,               ///< the stored value, unformatted
    };

    explicit RecordSetModel(const QList<ListColumn>& columns, QObject* parent = nullptr);

    RecordSet& recordSet() { return m_rows; }
    const RecordSet& recordSet() const { return m_rows; }
    const ListColumn& column(int index) const { return m_columns.at(index); }

    bool open(Database& db, const QString& sql, const QueryParams& params = {});
    bool reopen(const QueryParams& params);
    bool refresh();
    bool setSort(const QString& sortText);
    void close();

    /// Grows whenever the rows are read again (open, reopen, refresh, close), not when
    /// they are only sorted: what depends on the texts need not be redone for a sort.
    int contentsGeneration() const { return m_generation; }

    /// Row of the record with this key; -1 when absent.
    int rowOfKey(const QVariantList& key) const { return m_rows.locate(key); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    /// The rows were replaced (after open, refresh or sort); the current row may have moved.
    void rowsReplaced();

private:
    /// Whether a change reads the rows again (their texts may differ) or only reorders them.
    enum class Rows { Reread, Reordered };
    template <typename F> bool replaceRows(F&& change, Rows rows);

    QList<ListColumn> m_columns;
    QList<int> m_fieldOfColumn;
    QList<int> m_scaleOfColumn;
    RecordSet m_rows;
    int m_generation = 0;
};
