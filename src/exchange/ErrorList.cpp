#include "ErrorList.h"

#include "GridRoutines.h"

#include <QHeaderView>
#include <QLabel>
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

} // namespace

ErrorList::ErrorList(QWidget* parent)
    : QTableView(parent)
    , m_rows(new QStandardItemModel(0, 3, this))
{
    m_rows->setHorizontalHeaderLabels({u"Файл"_s, u"Номер строки"_s, u"Сообщение об ошибке"_s});
    setModel(m_rows);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setColumnWidth(0, 50);
    // Wide enough for its title in the fonts of this desktop.
    setColumnWidth(
        1, qMax(80, horizontalHeader()->fontMetrics().horizontalAdvance(u"Номер строки"_s) + 12));
    setColumnWidth(2, 1000);
    clearRows();
}

void ErrorList::clearRows()
{
    m_rows->removeRows(0, m_rows->rowCount());
    m_rows->appendRow({new QStandardItem, new QStandardItem, new QStandardItem});
}

void ErrorList::addRow(int file, qint64 line, const QString& message)
{
    const int row = m_rows->rowCount() - 1;
    m_rows->item(row, 0)->setText(file == 0 ? QString() : QString::number(file));
    m_rows->item(row, 1)->setText(line == 0 ? QString() : QString::number(line));
    m_rows->item(row, 2)->setText(message);
    m_rows->appendRow({new QStandardItem, new QStandardItem, new QStandardItem});
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
