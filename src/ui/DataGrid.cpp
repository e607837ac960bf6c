#include "DataGrid.h"

#include "GridRoutines.h"
#include "RecordSetModel.h"

#include <QHeaderView>
#include <QStyle>

#include <algorithm>
#include <vector>

namespace {

/// Rows whose text in `field` is widest on screen: those with the longest stored texts and
/// those with the smallest and largest numbers. Plain texts are shown as they are stored
/// and numbers grow with their digits, so measuring these few measures the column (a
/// month, stored as a date, is measured apart).
std::vector<int> widestRows(const RecordSet& rows, int field)
{
    constexpr size_t Candidates = 8;
    std::vector<std::pair<qsizetype, int>> longest; // length, row; longest first
    int minRow = -1;
    int maxRow = -1;
    qlonglong minValue = 0;
    qlonglong maxValue = 0;
    for (int r = 0; field >= 0 && r < rows.rowCount(); ++r) {
        const QVariant v = rows.value(r, field);
        if (v.metaType().id() == QMetaType::QString) {
            const qsizetype length = v.toString().size();
            if (longest.size() < Candidates || length > longest.back().first) {
                if (longest.size() == Candidates)
                    longest.pop_back();
                longest.emplace_back(length, r);
                std::sort(longest.begin(), longest.end(), std::greater<>());
            }
        } else if (!v.isNull()) {
            bool ok = false;
            const qlonglong number = v.toLongLong(&ok);
            if (ok && (minRow < 0 || number < minValue)) {
                minValue = number;
                minRow = r;
            }
            if (ok && (maxRow < 0 || number > maxValue)) {
                maxValue = number;
                maxRow = r;
            }
        }
    }
    std::vector<int> widest;
    for (int r : {minRow, maxRow}) {
        if (r >= 0)
            widest.push_back(r);
    }
    for (const auto& candidate : longest)
        widest.push_back(candidate.second);
    return widest;
}

} // namespace

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
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (!m_fitting)
            m_operatorWidths.insert(column);
    });
}

void DataGrid::setRecordModel(RecordSetModel* model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setModel(model);
    if (m_model)
        connect(m_model, &RecordSetModel::rowsReplaced, this, &DataGrid::showModelRow);
    m_operatorWidths.clear();
    fitColumns();
    showModelRow();
}

void DataGrid::fitColumns()
{
    if (!m_model)
        return;
    // Each column is as wide as its title or its widest text in any row, within reason; a
    // title cut short shows whole as the header's tooltip. A width the operator set by
    // dragging stays for the run.
    constexpr int MaxWidth = 260;
    const QFontMetrics header(horizontalHeader()->font());
    const QFontMetrics cells(font());
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 10;
    const RecordSet& rows = m_model->recordSet();
    const int rowCount = rows.rowCount();
    m_fitting = true;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (m_operatorWidths.contains(c))
            continue;
        int width =
            header.horizontalAdvance(m_model->headerData(c, Qt::Horizontal).toString()) + 16;
        if (rowCount > 0) {
            // Measuring every row's text would take seconds on a large statement: only the
            // rows that can be the widest are measured, and the rows on screen.
            for (int r : widestRows(rows, rows.fieldIndex(m_model->column(c).field))) {
                const QString text = m_model->data(m_model->index(r, c)).toString();
                width = qMax(width, cells.horizontalAdvance(text) + padding);
            }
            // A month is stored as a date, whose length says nothing of its name's.
            if (m_model->column(c).format == Format::Display::MonthYear) {
                for (int month = 1; month <= 12; ++month)
                    width = qMax(width,
                                 cells.horizontalAdvance(Format::monthYear(QDate(2000, month, 1))) +
                                     padding);
            }
            width = qMax(width, sizeHintForColumn(c));
        }
        setColumnWidth(c, qBound(40, width, MaxWidth));
    }
    m_fitting = false;
    m_fittedGeneration = m_model->contentsGeneration();
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
    // Rows read again may hold longer texts than the ones the columns were fitted to; a
    // sort only moves them.
    if (m_model->contentsGeneration() != m_fittedGeneration)
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
