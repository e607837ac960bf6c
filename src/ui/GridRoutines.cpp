#include "GridRoutines.h"

#include <QToolButton>

#include "CommonFnc.h"
#include "DataGrid.h"
#include "Dialogs.h"
#include "RecordSetModel.h"
#include "Spreadsheet.h"
#include "SysFolders.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace CommonFnc {

namespace {

FileOpener& opener()
{
    static FileOpener instance = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return instance;
}

/// Field of a column when it shows one of the rows' fields; empty otherwise.
QString sortableField(DataGrid* grid, int column)
{
    RecordSetModel* model = grid ? grid->recordModel() : nullptr;
    if (!model || column < 0 || column >= model->columnCount())
        return {};
    const QString field = model->column(column).field;
    return model->recordSet().fieldIndex(field) >= 0 ? field : QString();
}

} // namespace

void SortQueryByColumn(DataGrid* grid, int column)
{
    const QString field = sortableField(grid, column);
    if (field.isEmpty())
        return;
    WaitCursor wait;
    RecordSetModel* model = grid->recordModel();
    model->setSort(NextSortText(model->recordSet().sort(), field));
}

bool& MemTableSortDescending()
{
    static bool descending = false;
    return descending;
}

void SortMemTableByColumn(DataGrid* grid, int column)
{
    const QString field = sortableField(grid, column);
    if (field.isEmpty())
        return;
    bool& descending = MemTableSortDescending();
    descending = !descending;
    grid->recordModel()->setSort(field + (descending ? u" DESC"_s : u" ASC"_s));
}

QToolButton* MakeListButton(QWidget* parent, const QString& name, QStyle::StandardPixmap icon,
                            const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(20, 20));
    button->setToolTip(hint);
    return button;
}

bool RefreshQueryKeepPosition(DataGrid* grid)
{
    if (!grid || !grid->recordModel())
        return false;
    grid->setUpdatesEnabled(false);
    const bool ok = grid->recordModel()->refresh();
    grid->setUpdatesEnabled(true);
    return ok;
}

QString ExportGridToExcel(QTableView* grid)
{
    QAbstractItemModel* model = grid ? grid->model() : nullptr;
    if (!model || model->rowCount() < 1)
        return {};
    QString path;
    try {
        path = SysFolders::FilesFolder() + u"Таблица_"_s +
               QDateTime::currentDateTime().toString(u"yyyyMMdd_HHmmss"_s) + u".xlsx"_s;
    } catch (const SysFolders::FolderError& e) {
        Dialogs::current().error(e.message());
        return {};
    }

    QList<QStringList> rows;
    {
        WaitCursor wait;
        QStringList titles;
        for (int c = 0; c < model->columnCount(); ++c)
            titles << model->headerData(c, Qt::Horizontal).toString();
        rows << titles;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells << model->index(r, c).data().toString();
            rows << cells;
        }
        QString error;
        if (!Spreadsheet::writeTextTable(path, rows, &error)) {
            Dialogs::current().error(u"Не удалось сохранить таблицу.\r\n"_s + error);
            return {};
        }
    }
    if (!opener()(path))
        Dialogs::current().notice(u"Таблица сохранена в файл:\r\n"_s + path +
                                  u"\r\nНе найдена программа, которая может открыть этот файл."_s);
    return path;
}

void SetFileOpener(FileOpener newOpener)
{
    opener() = std::move(newOpener);
}

void FreezeMinSize(QWidget* window)
{
    if (window)
        window->setMinimumSize(window->size());
}

} // namespace CommonFnc
