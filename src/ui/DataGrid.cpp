#include "DataGrid.h"

#include "GridRoutines.h"
#include "RecordSetModel.h"

#include <QHeaderView>

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setTabKeyNavigation(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
}

void DataGrid::setRecordModel(RecordSetModel* model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setModel(model);
    if (m_model)
        connect(m_model, &RecordSetModel::rowsReplaced, this, &DataGrid::showModelRow);
    showModelRow();
}

int DataGrid::recordCount() const
{
    return m_model ? m_model->rowCount() : 0;
}

bool DataGrid::locate(const QVariantList& key)
{
    if (!m_model || !m_model->recordSet().moveTo(key))
        return false;
    showModelRow();
    return true;
}

void DataGrid::showModelRow()
{
    if (!m_model)
        return;
    m_syncing = true;
    const int row = m_model->recordSet().currentRow();
    if (row >= 0) {
        const int column = qMax(0, currentIndex().column());
        setCurrentIndex(m_model->index(row, qMin(column, m_model->columnCount() - 1)));
        scrollTo(currentIndex());
    } else {
        setCurrentIndex({});
    }
    m_syncing = false;
    Q_EMIT currentRecordChanged();
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !m_model || !current.isValid() || current.row() == previous.row())
        return;
    m_model->recordSet().setCurrentRow(current.row());
    Q_EMIT currentRecordChanged();
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    Q_EMIT doubleClickedAnywhere();
}

void DataGrid::titleClicked(int section)
{
    switch (m_titleSort) {
    case TitleSort::Query:
        CommonFnc::SortQueryByColumn(this, section);
        break;
    case TitleSort::MemTable:
        CommonFnc::SortMemTableByColumn(this, section);
        break;
    case TitleSort::None:
        break;
    }
}
