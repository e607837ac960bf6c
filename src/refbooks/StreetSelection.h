#pragma once

#include "OrganisationBook.h"

#include <QString>

class Database;

/// Which streets of the street book the organisation serves: the mark Opt of a street.
/// The book itself comes with the database.
namespace RefBooks {

/// Streets not served whose name matches :SEARCH (a LIKE pattern with "\" escaping, in
/// either letter case, Cyrillic included):
/// Result (the window's mark, 0), StreetName, StreetID, StreetID_BTI, by name.
QString streetsNotServedSql();
/// Streets served: StreetName, StreetID, StreetID_BTI, by name.
QString streetsServedSql();

/// The pattern for a typed part of a name: it matches anywhere in the name, and a "%" or
/// "_" the operator typed matches itself, not any text.
QString streetSearchPattern(const QString& typed);

BookWrite serveStreet(Database& db, int streetId, const QString& streetName);
BookWrite stopServingStreet(Database& db, int streetId);
BookWrite stopServingAllStreets(Database& db);

} // namespace RefBooks
