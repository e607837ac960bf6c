#pragma once

#include <QTableView>

class QLabel;
class QSortFilterProxyModel;
class QStandardItemModel;

/// The list of errors of an import or an export: file number, line or record number (both
/// empty for 0) and message, always followed by one empty row, as the operators know it.
/// A click on a column's title sorts by it, the empty row staying last. A double click or
/// Enter on a row that names a file and a line asks for that record.
class ErrorList : public QTableView
{
    Q_OBJECT

public:
    explicit ErrorList(QWidget* parent = nullptr);

    /// Empties the list down to its one empty row.
    void clearRows();
    /// One error: file 1..3 and line or record number (0 = none for either).
    struct Row
    {
        int file;
        qint64 line;
        QString message;
    };

    /// Adds a filled row above the empty last row.
    void addRow(int file, qint64 line, const QString& message);
    /// The same for each row in turn; `count`, when given, then shows the filled rows.
    void addRows(const QList<Row>& rows, QLabel* count = nullptr);
    /// Rows that hold an error.
    int filledRows() const;
    /// Copies the filled rows into a spreadsheet; nothing without errors.
    void copyToSpreadsheet();

    /// Brings the row into view without scrolling sideways: the message column is wider
    /// than the window, and a click on it would otherwise push the row's start out of view.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

Q_SIGNALS:
    /// The operator asked for the record of a row: file 1..3 and its line or record number.
    void recordActivated(int file, qint64 number);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void activate(const QModelIndex& index);

    QStandardItemModel* m_rows;
    QSortFilterProxyModel* m_sorted;
};
