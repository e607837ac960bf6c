#pragma once

#include <QTableView>

class QStandardItemModel;

/// The list of errors of an import or an export: file number, line or record number (both
/// empty for 0) and message, always followed by one empty row, as the operators know it.
class ErrorList : public QTableView
{
    Q_OBJECT

public:
    explicit ErrorList(QWidget* parent = nullptr);

    /// Empties the list down to its one empty row.
    void clearRows();
    /// Fills the empty last row and adds a new empty row below it.
    void addRow(int file, qint64 line, const QString& message);
    /// Rows that hold an error.
    int filledRows() const;
    /// Copies the filled rows into a spreadsheet; nothing without errors.
    void copyToSpreadsheet();

private:
    QStandardItemModel* m_rows;
};
