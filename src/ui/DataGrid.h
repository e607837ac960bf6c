#pragma once

#include <QSet>
#include <QTableView>

class RecordSetModel;

/// A read-only grid over a RecordSetModel. Its selected row and the record set's current
/// row are one: moving in the grid moves the record set, and after the rows are replaced
/// (a refresh, a sort, a detail list following its master) the grid shows the record
/// set's current row. A click on a column title sorts by that column.
class DataGrid : public QTableView
{
    Q_OBJECT

public:
    explicit DataGrid(QWidget* parent = nullptr);

    void setRecordModel(RecordSetModel* model);
    RecordSetModel* recordModel() const { return m_model; }

    /// How a title click sorts: a query's list (the default) or an in-memory table's.
    enum class TitleSort { Query, MemTable, None };
    void setTitleSort(TitleSort mode) { m_titleSort = mode; }

    /// Number of data rows.
    int recordCount() const;
    /// Moves to the record with this key; false, staying where it was, when absent.
    bool locate(const QVariantList& key);

Q_SIGNALS:
    /// The current record changed (by the operator or by a reload).
    void currentRecordChanged();
    /// A double click anywhere on the grid, rows or empty space alike.
    void doubleClickedAnywhere();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void showModelRow();
    void fitColumns();
    void titleClicked(int section);

    RecordSetModel* m_model = nullptr;
    TitleSort m_titleSort = TitleSort::Query;
    bool m_syncing = false;
    bool m_fitting = false;
    int m_fittedGeneration = -1;
    QSet<int> m_operatorWidths; ///< columns whose width the operator set by dragging
};
