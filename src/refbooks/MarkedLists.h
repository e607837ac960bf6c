#pragma once

#include "OrganisationBook.h"

#include <QSet>
#include <QString>
#include <QStyle>

#include <functional>
#include <optional>

class DataGrid;
class QEvent;
class QLabel;
class QToolButton;
class QWidget;
class RecordSet;
class RecordSetModel;

/// What the two windows that move marked rows of a book between two lists share (the
/// services provided, the streets served): the marks, their keys, the move of the marked
/// rows, the headings and buttons.
namespace MarkedLists {

/// Draws the grid's first column as the marks of `marked`, by the rows' first key field.
void showMarks(DataGrid* grid, const QSet<int>* marked);

/// The key that marks the current row as a double click does: the space bar.
bool isMarkKey(const QEvent* event);

/// Flips the mark of the current row; false when the list has no current row.
bool flipCurrentMark(const RecordSet& rows, QStringView idField, QSet<int>& marked);

/// Moves every marked row, in the order the list shows, with `move`; a row that fails is
/// named in its message and the rest go on.
void moveMarked(const RecordSet& rows, const QSet<int>& marked, QStringView idField,
                QStringView nameField,
                const std::function<RefBooks::BookWrite(int id, const QString& name)>& move);

/// Moves the current row of `rows` back after asking `question`, with `moveBack`; a
/// failure is told. Nothing when there was no current row or the operator said No;
/// otherwise whether the database took it.
std::optional<bool> moveCurrentBack(const RecordSet& rows, QStringView idField,
                                    const QString& question,
                                    const std::function<RefBooks::BookWrite(int id)>& moveBack);

/// Tells that a list could not be read.
void readFailed(const RecordSetModel* model);

QLabel* boldLabel(QWidget* parent, const QString& text);
/// An arrow button that moves rows between the two lists.
QToolButton* moveButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon);

} // namespace MarkedLists
