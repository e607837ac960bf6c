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
    // A long title cut short keeps its beginning, which says what the column is.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
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
    m_fittedToRows = false;
    fitColumns();
    showModelRow();
}

void DataGrid::fitColumns()
{
    if (!m_model)
        return;
    // Each column is as wide as its title or its widest visible text, within reason; a
    // title cut short shows whole as the header's tooltip. Sized once with rows, so the
    // operator's own widths stay.
    constexpr int MaxWidth = 220;
    const QFontMetrics header(horizontalHeader()->font());
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int title = header.horizontalAdvance(m_model->headerData(c, Qt::Horizontal).toString()) + 16;
        const int content = m_model->rowCount() > 0 ? sizeHintForColumn(c) : 0;
        setColumnWidth(c, qBound(40, qMax(title, content), MaxWidth));
    }
    m_fittedToRows = m_model->rowCount() > 0;
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
    if (!m_fittedToRows && m_model->rowCount() > 0)
        fitColumns();
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
