#include "ErrorList.h"

#include "GridRoutines.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The list without its trailing empty row, for the spreadsheet copy.
class FilledRowsProxy : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& parent) const override
    {
        return sourceRow < sourceModel()->rowCount(parent) - 1;
    }
};

/// The file and the line or record number of a row, kept beside their texts so that they
/// sort as numbers and need no reading back.
constexpr int NumberRole = Qt::UserRole + 1;

/// Sorts the filled rows by the chosen column, numbers as numbers, and keeps the empty row
/// last in either direction. Rows that tie keep the order they were found in.
class ErrorSortProxy : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        const int last = sourceModel()->rowCount() - 1;
        if (left.row() == last || right.row() == last) {
            // Descending order reverses the answer, so the empty row must win the other way.
            const bool leftIsEmpty = left.row() == last;
            return sortOrder() == Qt::AscendingOrder ? !leftIsEmpty : leftIsEmpty;
        }
        if (left.column() < 2)
            return left.data(NumberRole).toLongLong() < right.data(NumberRole).toLongLong();
        return left.data().toString().localeAwareCompare(right.data().toString()) < 0;
    }
};

} // namespace

ErrorList::ErrorList(QWidget* parent)
    : QTableView(parent)
    , m_rows(new QStandardItemModel(0, 3, this))
    , m_sorted(new ErrorSortProxy(this))
{
    m_rows->setHorizontalHeaderLabels({u"Файл"_s, u"Номер строки"_s, u"Сообщение об ошибке"_s});
    m_sorted->setSourceModel(m_rows);
    setModel(m_sorted);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setColumnWidth(0, 50);
    // Wide enough for its title in the fonts of this desktop, also in bold (the title of a
    // selected row's columns) and beside the sort mark.
    QFont bold = horizontalHeader()->font();
    bold.setBold(true);
    const int mark = style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, horizontalHeader()) +
                     2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader());
    setColumnWidth(1, qMax(80, QFontMetrics(bold).horizontalAdvance(u"Номер строки"_s) + 12 + mark));
    setColumnWidth(2, 1000);
    // Found order until the operator picks a column.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    clearRows();
    connect(this, &QTableView::doubleClicked, this, &ErrorList::activate);
}

void ErrorList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Taken here: passed on, Enter would press the window's default button and start
        // the whole run again.
        activate(currentIndex());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ErrorList::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const int sideways = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(sideways);
}

void ErrorList::activate(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const int row = m_sorted->mapToSource(index).row();
    const int file = int(m_rows->item(row, 0)->data(NumberRole).toLongLong());
    const qint64 number = m_rows->item(row, 1)->data(NumberRole).toLongLong();
    if (file != 0 && number != 0)
        Q_EMIT recordActivated(file, number);
}

void ErrorList::clearRows()
{
    m_rows->removeRows(0, m_rows->rowCount());
    m_rows->appendRow({new QStandardItem, new QStandardItem, new QStandardItem});
}

void ErrorList::addRow(int file, qint64 line, const QString& message)
{
    // The filled row goes in above the empty one, whole, so that a sorted list places it
    // once.
    auto* fileItem = new QStandardItem(file == 0 ? QString() : QString::number(file));
    fileItem->setData(qint64(file), NumberRole);
    auto* lineItem = new QStandardItem(line == 0 ? QString() : QString::number(line));
    lineItem->setData(line, NumberRole);
    m_rows->insertRow(m_rows->rowCount() - 1, {fileItem, lineItem, new QStandardItem(message)});
}

void ErrorList::addRows(const QList<Row>& rows, QLabel* count)
{
    for (const Row& row : rows)
        addRow(row.file, row.line, row.message);
    if (count)
        count->setText(QString::number(filledRows()));
}

int ErrorList::filledRows() const
{
    return m_rows->rowCount() - 1;
}

void ErrorList::copyToSpreadsheet()
{
    if (filledRows() == 0)
        return;
    FilledRowsProxy filled;
    filled.setSourceModel(m_rows);
    QTableView view;
    view.setModel(&filled);
    CommonFnc::ExportGridToExcel(&view);
}
