#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class Database;

/// Changes of the statement being prepared that keep its derived columns true: the
/// payer's totals follow its charges, its number of persons follows its persons, and a
/// payer never outlives with its dependants. Every function returns false on failure,
/// with Database::errorString() naming the statement and the driver's message.
namespace WorkingStatement {

/// Deletes every row of the three working tables, dependants first, in one
/// transaction. On failure rolls back and returns false.
bool clearWorkingTables(Database& db);

/// Deletes the payer, its charges and its persons in one transaction; on failure
/// nothing is deleted.
bool deletePayer(Database& db, int t1Id);

/// Deletes one charge in its own transaction.
bool deleteCharge(Database& db, int t1Id, int t2Id);

/// Sums the payer's charges (NULL counted as 0) into its four totals; a payer without
/// charges gets 0, not NULL.
bool resumPayerTotals(Database& db, int t1Id);

/// Deletes one person and recounts the payer's persons, in one transaction; when the
/// recount fails the person stays. `recountFailed` tells which step failed.
bool deletePerson(Database& db, int t1Id, int t3Id, bool* recountFailed = nullptr);

/// Sets the payer's PplCntReg to its number of persons, at least 1. Runs inside the
/// caller's transaction when there is one.
bool RecountPersons(Database& db, int t1Id);

/// RelationID of a kinship term in the book; 0 when the book lacks it, -1 when the
/// book could not be read.
int findRelation(Database& db, const QString& name);
/// Adds a kinship term to the book.
bool addRelation(Database& db, const QString& name);

/// The largest value of a numbering column plus 1 (1 for an empty table): the number of
/// a new record. `scopeT1Id` restricts it to one payer's rows (T2_ID, T3_ID).
int nextNumber(Database& db, const QString& table, const QString& column,
               const QVariant& scopeT1Id = {});

/// Where a record of the statement is: its payer's T1_ID, and for a charge or a person its
/// own T2_ID or T3_ID (0 for a payer).
struct RecordPlace
{
    int t1Id = 0;
    int id = 0;
};

/// The record that file 1..3 numbers `number` (NumT1, NumT2 or NumT3), as an error list
/// names it; nothing when no such record is stored (any more) or it cannot be read. A
/// charge or person line that went to two payers sharing a key is found at the first.
std::optional<RecordPlace> findRecord(Database& db, int file, qint64 number);

} // namespace WorkingStatement
