#pragma once

#include "EditorMode.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;
class Decimal;

/// A person counted in a payer's charges (a row of SvedPotrebRelations_T3) as the person
/// editor collected it: the texts of its boxes as the operator left them and the keys of
/// its lists (null when nothing is chosen).
struct PersonFields
{
    QString name1;
    QString name2;
    QString name3;
    /// The masked СНИЛС text with its separators, unfilled places read as 0;
    /// "000-000-000 00" when nothing was typed.
    QString snils;
    /// Texts of the "99.99.9999" date boxes; "  .  .    " (or empty) when not filled.
    QString birthDate;
    QString dateRegStart;
    QString dateRegEnd;
    QVariant sex;           ///< Sprav_Sex.SexNameShort
    QVariant typeRegId;     ///< Sprav_TypeReg.TypeRegID
    QVariant prFactLiveId;  ///< Sprav_PrFactLive.PrFactLiveID
    QVariant relationId;    ///< Sprav_Relation.RelationID; the row stores the name only
    QString relationName;   ///< the name shown for relationId
    QVariant relationOwnId; ///< Sprav_RelationOwn.RelationOwnID
    QString squareShare;    ///< share of the flat's area, decimal comma; empty means 0
};

/// The rules of the person editor: checks, numbering and writes.
namespace PersonRecord {

/// The СНИЛС box's text when nothing was typed; stored as NULL.
inline constexpr char16_t UnfilledSnils[] = u"000-000-000 00";

/// Every check the record fails, in order, as the messages the operator sees; empty
/// when it may be saved. `squareTotal` is the payer's total area (null counts as 0);
/// `today` bounds the dates. A share that is not a number ends the list with the
/// conversion message: the checks after it need that number.
QStringList check(const PersonFields& fields, const Decimal& squareTotal,
                  const QDate& today = QDate::currentDate());

/// Whether the payer has any person yet (its first person is usually the payer).
bool hasPersons(Database& db, int t1Id);

/// What a save did, with the message the operator is told (empty when none).
struct SaveResult
{
    bool written = false; ///< the row was inserted or updated
    int t3Id = 0;         ///< the person's key; the new key after an insert
    QString error;
};

/// Writes the person and then recounts the payer's persons (PplCntReg). New mode numbers
/// the person (T3_ID and NumberPeople within the payer, NumT3 in the whole table) and
/// inserts it; edit mode updates the row (`t1Id`, `t3Id`) keeping `numberPeople`.
/// Every field is converted before anything is written, so a text that cannot be read
/// throws CommonFnc::ConversionError and leaves the database untouched. A failed write
/// skips the recount; a failed recount keeps the written row (written stays true).
SaveResult save(Database& db, EditorMode mode, int t1Id, int t3Id, int numberPeople,
                const PersonFields& fields);

} // namespace PersonRecord
