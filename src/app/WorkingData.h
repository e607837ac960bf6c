#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

class Database;

/// The run's working database: finding and opening it, emptying the statement being
/// prepared, the organisation of the statement and the accounting month.
namespace WorkingData {

enum class OpenResult
{
    Opened,
    Missing,  ///< no Base/Dude.b below the directory
    Unusable, ///< the file is there but is not a working database
    Damaged,  ///< a working database whose file is damaged (errorString() tells how)
};

/// `directory`/Base/Dude.b.
QString databasePath(const QString& directory);

/// Opens the working database below `directory` (the current directory at start-up).
/// Unusable covers a file SQLite cannot read and a database that lacks the program's
/// tables; Database::errorString() then tells which.
OpenResult open(Database& db, const QString& directory);

/// Organisations for the organisation box: (DezID, DezName), in the table's order.
/// Empty on a failed read.
QList<QPair<QVariant, QString>> organisations(Database& db);

/// DezID of the first payer row as an integer; 0 when there are no payers.
int currentDezId(Database& db);

/// Writes the organisation into every payer row present. A null key changes nothing:
/// closing the list without a choice must not wipe the codes that imported rows carry.
bool setOrganisation(Database& db, const QVariant& dezId);

/// First day of the month chosen by the month box (index 0 = January) and the year box.
QDate accountingPeriod(int monthIndex, int year);

} // namespace WorkingData
