#pragma once

#include "Decimal.h"
#include "ReportEngine.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <array>
#include <optional>

class Database;

/// The summary acts and the payer lists of the working statement: what they read, how they
/// are laid out, and their preparation for the preview.
namespace Acts {

enum class Kind
{
    Services,            ///< totals per service
    HousesServices,      ///< per service within each house
    HousesFlatsServices, ///< per service within each flat
    EnteredData,         ///< counts and totals of the statement
    Payers,              ///< the list of payers
    PayersWithPersons,   ///< the payers with the persons living with them
};

/// What every report shows of where it comes from.
struct Heading
{
    QString organisationName; ///< as the main window's organisation box shows it
    QVariant dezId;           ///< the organisation chosen; null when none
    QDate period;
};

/// "Не указана организация.": no organisation is chosen.
QString noOrganisationMessage();

/// The report's title as its template prints it.
QString title(Kind kind);

/// The house address of payer `sp` with street `ss` as SQL: the street name and a blank,
/// then "д. ", "корп. ", "стр. " with each number present and ", "; NULL when the street
/// is not in the book, since any NULL part makes the whole text NULL.
QString houseAddressSql();
/// The same followed by "кв. " and the flat number.
QString flatAddressSql();

/// One row per service code: ServiceID, CountServices, ServiceName, SummaService,
/// SummaServiceWOBenefit; with an Address first when broken down by house or flat.
QString servicesSql(Kind kind);
/// The payers by flat address: ENumlsID, Numls, Name, Address, SummaFull, SummaWOBenefit,
/// and T1_ID when `withKey` (every payer its own row; otherwise identical rows once).
QString payersSql(bool withKey);
/// The persons of every payer by name: T1_ID, Name, Relation.
QString personsSql();

/// The counts and totals of the entered-data act.
struct EnteredData
{
    qint64 numLs = 0;
    qint64 streets = 0;
    qint64 houses = 0;
    qint64 flats = 0;
    std::array<Decimal, 4> sums; ///< SummaService, ...WOBenefit, ...Reg, ...WOBenefitReg
    QString accountant;          ///< the organisation's accountant, names joined by blanks
};
std::optional<EnteredData> enteredData(Database& db, const QVariant& dezId, QString* error);

/// The report's template, its named memos empty.
Report::Template reportTemplate(Kind kind);

/// Reads the report's data, fills its memos and prepares its pages. Null with `error` when
/// the data could not be read.
std::optional<Report::Prepared> prepareReport(Database& db, Kind kind, const Heading& heading,
                                              QString* error,
                                              const Report::PrepareOptions& options = {});

} // namespace Acts
