#pragma once

#include <QString>

class Database;

/// The book of organisations (Sprav_Dez): the housing-stock owners on whose behalf the
/// statements are made, with their accountants.
namespace RefBooks {

/// The editor's boxes as the operator typed them.
struct OrganisationFields
{
    QString code;
    QString name;
    QString accountantSurname;
    QString accountantFirstName;
    QString accountantPatronymic;
};

/// What became of a write: done, or the message that says why not.
struct BookWrite
{
    bool ok = false;
    QString message;
};

/// The list: code, name, the accountant's three names and BName, the accountant as a
/// surname with initials ("Кузнецова Т. П."), in the book's own order.
QString organisationListSql();

/// The first check the fields fail, as its message; empty when they pass. A code or a
/// name of blanks only is empty; the code's length counts the text as typed.
QString checkOrganisation(const OrganisationFields& fields);

/// Adds an organisation (the fields passed checkOrganisation). Blank accountant names are
/// stored as NULL, the others trimmed.
BookWrite insertOrganisation(Database& db, const OrganisationFields& fields);
/// Rewrites the organisation found by its old code; the code itself may change.
BookWrite updateOrganisation(Database& db, int oldCode, const OrganisationFields& fields);
BookWrite deleteOrganisation(Database& db, int code);

/// Payers of the statement being prepared that carry the code, as the organisation that
/// submits them or as their housing-stock owner; -1 when they cannot be counted.
int payersUsingOrganisation(Database& db, int code);
/// The question asked before a code that payers carry is changed or deleted: the payer
/// records keep the code either way.
QString organisationInUseQuestion(int code, int payers, bool deleting);

} // namespace RefBooks
