#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

/// What the code needs to know of the working database's layout.
namespace Schema {

/// Tables a working database must hold for the program to run on it.
const QStringList& requiredTables();

/// The three tables of the statement being prepared, in the order they are emptied
/// (dependants first).
const QStringList& workingTables();

/// Scale of an exact decimal column stored as integer units (2 for kopecks and
/// hundredths of a square metre, 3 for volumes, 1 for months of arrears); 0 for
/// every other column. Column names are matched without regard to case, as SQL does.
int decimalScale(QStringView column);

} // namespace Schema
