#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

class Database;

/// Bulk replacement: one kind of value changed in every payer or every charge at once.
/// Each operation runs in one transaction that keeps what was written also when a
/// statement fails, as writing record by record would.
namespace Bulk {

class RecalculationListener;

struct ReplacementResult
{
    bool ok = true;
    /// The failure message for the operator; empty on success.
    QString message;
    /// Nothing to work on ("Отсутствуют сведения о начислениях."): not a failure.
    bool nothingToDo = false;
};

/// Lists of the window, key first and the text shown second.
/// Services charged in the statement, as " 13.  Name".
QString servicesInUseSql();
/// Services switched on in the catalogue, as " 13.  Name".
QString servicesSwitchedOnSql();
/// Organisations owning housing.
QString organisationsSql();

/// Whether the statement has any payer; every operation does nothing without one.
bool hasPayers(Database& db);

/// Gives the organisation (null clears) to payers without one, or to every payer.
ReplacementResult setOwnerOrganisation(Database& db, const QVariant& dezVladId, bool onlyEmpty);

/// Gives payers the BTI code of their house in the house book, matching street and the
/// three numbers with a missing number read as the empty text; only to payers whose code
/// is missing or 0, or to every payer. A payer without a matching house keeps its code.
ReplacementResult setHouseCodes(Database& db, bool onlyEmpty);

/// Sets the four totals of every payer with charges to the sums of its charges; payers
/// without charges and every month stay as they were.
ReplacementResult setPayerTotals(Database& db);

/// Gives every payer lacking service `serviceId` one empty charge of it: the payer's next
/// charge key and line numbers after the highest one, in payer-key order.
ReplacementResult addService(Database& db, int serviceId);

/// Replaces service `oldId` by `newId` in the charges of payers that do not have `newId`.
ReplacementResult replaceService(Database& db, int oldId, int newId);

/// Deletes every charge of `serviceId`, then recounts every payer's totals and month.
ReplacementResult deleteService(Database& db, int serviceId, const QDate& period,
                                RecalculationListener& listener);

/// Recalculates the charges of `serviceId` from their volumes: at the tariff of the
/// charge's variant in force in `period` when `tariffInForce`, else at the charge's own
/// tariff; then recounts every payer's totals and month.
ReplacementResult calculateService(Database& db, int serviceId, const QDate& period,
                                   bool tariffInForce, RecalculationListener& listener);

/// Gives charges the charge type of their service in the catalogue (a missing one as 0):
/// only charges without one, or every charge.
ReplacementResult setChargeTypes(Database& db, bool onlyEmpty, RecalculationListener& listener);

} // namespace Bulk
