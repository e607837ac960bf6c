#pragma once

#include "EditorMode.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

/// One payer record as the payer editor collects it: the boxes' texts as typed and the
/// lookup boxes' keys (null when a box has none).
struct PayerFields
{
    QVariant dezVladId;
    QString name1;
    QString name2;
    QString name3;
    QString eNumlsId;
    QString numls;
    QVariant mo;
    QVariant streetIdBti;
    QString houseNum;
    QString korpNum;
    QString stroenNum;
    QString flatNum;
    QString houseIdBti;
    QString flatIdBti;
    QVariant typeOwnId;
    QVariant typeOccupancyId;
    QString squareTotal;
    QString squareLive;
    QVariant typeLockId;
    QVariant typeStoveId;
    QString colMesDebts;
    /// Number of persons, written as it is (1 for a new payer).
    int pplCntReg = 1;
    /// Month the record belongs to: the accounting period, on every save.
    QDate mes;
};

/// The payer's surname, first name and patronymic as plain texts.
struct PayerNames
{
    QString name1;
    QString name2;
    QString name3;
};

/// Rules of the payer record: field checks, the duplicate check, numbering and writes of
/// SvedPotreb_T1.
namespace PayerRecord {

/// Every failing field check's message, in the order the operator reads them; empty when
/// the record may be written. An area that is not a number at all gives the conversion
/// message in the place of the area comparison, which cannot be made.
QStringList checkFields(const PayerFields& fields);

/// Whether another payer already has the code and account number being saved: any payer
/// for a new record; for an edited one any payer but the record itself (`t1Id`), so that
/// changing only the account number (or only the code) onto another payer's is caught.
/// An empty account number never matches. A failed read counts as no duplicate: the
/// write that follows reports the database's fault.
bool isDuplicate(Database& db, const PayerFields& fields, EditorMode mode, int t1Id = 0);

/// Inserts a new payer numbered after the largest T1_ID and NumT1 in use. Returns the new
/// T1_ID, or 0 when the insert failed (Database::errorString() names the fault).
/// Throws CommonFnc::ConversionError for a number box that is not a number.
int insert(Database& db, const PayerFields& fields);

/// Rewrites the payer `t1Id` (every editable column, Mes and PplCntReg). False when the
/// update failed. Throws CommonFnc::ConversionError as insert() does.
bool update(Database& db, int t1Id, const PayerFields& fields);

/// Renames the payer's persons that carry exactly the old three names (an empty old name
/// matches no person without that name) to the new ones, so that the person who is the
/// payer follows a correction of the payer's name. False when the statement failed.
bool renamePersons(Database& db, int t1Id, const PayerNames& oldNames, const PayerNames& newNames);

} // namespace PayerRecord
