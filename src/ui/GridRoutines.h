#pragma once

#include <QString>
#include <QStyle>

#include <functional>

class DataGrid;
class QTableView;
class QToolButton;
class QWidget;

/// Routines that act on grids and windows. The rules they apply live in the store's
/// CommonFnc; these are the widget side of the same routines.
namespace CommonFnc {

/// Title click on a list: sorts by the column's field, descending first on a list
/// sorted otherwise, flipping on repeated clicks. Columns that show no field of the
/// rows are not sortable. Keeps the current record.
void SortQueryByColumn(DataGrid* grid, int column);

/// Title click on an in-memory table: one descending flag shared by every such grid of
/// the program is flipped, then the table is sorted by the column's field.
void SortMemTableByColumn(DataGrid* grid, int column);
/// The shared flag, for tests; false at start.
bool& MemTableSortDescending();

/// Re-reads a list, keeping its sort and, when the record is still there, its current
/// record; otherwise the list stays on its first row. Returns false when the read failed.
bool RefreshQueryKeepPosition(DataGrid* grid);

/// Copies a grid (titles and cell texts) into a new workbook in the program's files
/// folder and opens it with the desktop's spreadsheet program. Nothing happens for a
/// grid without data rows. Failures are told to the operator with the file's name.
/// Returns the path written, or an empty text.
QString ExportGridToExcel(QTableView* grid);

/// How a written workbook is opened; true when a program took it. The default asks the
/// desktop; tests replace it.
using FileOpener = std::function<bool(const QString& path)>;
void SetFileOpener(FileOpener opener);

/// A list's command button: an icon with the command as its hint.
QToolButton* MakeListButton(QWidget* parent, const QString& name, QStyle::StandardPixmap icon,
                            const QString& hint);

/// The window's current size becomes its minimum size.
void FreezeMinSize(QWidget* window);

} // namespace CommonFnc
