#pragma once

#include "OrganisationBook.h"

#include <QString>
#include <QStringList>

class Database;

/// The book of BTI houses (Sprav_HousesBTI): for each served street, its houses by house,
/// block and structure number with their BTI house codes.
namespace RefBooks {

/// The street a house is on, as the house book copies it from Sprav_Streets.
struct HouseStreet
{
    int streetId = 0;
    int streetIdBti = 0;
};

/// The house editor's boxes as the operator typed them.
struct HouseFields
{
    QString houseNum;
    QString korpNum;
    QString stroenNum;
    QString houseIdBti;
};

/// The streets houses can be kept for: served streets that have a BTI code (neither NULL
/// nor 0), by name. Fields StreetID, StreetID_BTI, StreetName.
QString houseStreetsSql();
/// The houses of one street, parameter :STREETID_BTI. Fields ID, StreetID_BTI, StreetID,
/// HouseNum, KorpNum, StroenNum, HouseID_BTI.
QString housesSql();

/// Every check the fields fail, as its message, in the order they are made; empty when
/// they pass. Blanks around a text do not count. A code that is not a whole number is
/// refused as a zero code, since it cannot name a house either.
QStringList checkHouse(const HouseFields& fields);

/// Adds a house (the fields passed checkHouse): the three numbers trimmed, '' when blank,
/// the code as an integer. A refusal of the database (the address or the code is taken,
/// a text too long) comes back as the operator's message.
BookWrite insertHouse(Database& db, const HouseStreet& street, const HouseFields& fields);
/// Rewrites the house with this ID, as insertHouse writes a new one.
BookWrite updateHouse(Database& db, int id, const HouseStreet& street, const HouseFields& fields);
BookWrite deleteHouse(Database& db, int id);

} // namespace RefBooks
