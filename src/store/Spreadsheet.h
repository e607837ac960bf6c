#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// Copies of grids as spreadsheet workbooks (.xlsx).
namespace Spreadsheet {

/// Writes `rows` (row 0 = the column titles) to a new workbook at `path`, every cell a
/// text cell, grid row r on sheet row r + 2 (the first sheet row stays empty), grid
/// column c in sheet column c + 1. The file appears only when complete. Returns false
/// with a readable `error` when it cannot be written.
bool writeTextTable(const QString& path, const QList<QStringList>& rows, QString* error);

} // namespace Spreadsheet
