#pragma once

#include "ActReports.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

class Database;

/// The month's papers of a loaded statement, written as PDF files without a window: the
/// receipts of its houses, the acts and the payer lists. The same receipts, acts and lists
/// as the windows print, from the same templates and queries.
namespace Paperwork {

/// Tells the operator one thing (a failure, a count, progress).
using Note = std::function<void(const QString&)>;

/// How often a long run tells how far it is, in milliseconds.
inline constexpr qint64 ProgressEveryMs = 2000;

/// Whose and which month's papers they are.
struct Stamp
{
    QVariant organisation; ///< DezID
    QString organisationName;
    QDate period; ///< the first day of the month
};

/// The organisation and the period given, or else those that every payer of file I
/// carries; the name from the book of organisations, or the code where the book lacks it.
/// Nothing, with the reason told, when either cannot be settled; `papers` names what they
/// are for in the genitive ("сводной ведомости").
std::optional<Stamp> statementStamp(Database& db, const QVariant& organisation, const QDate& period,
                                    const QString& papers, const Note& note);

/// One house: its street's BTI code and its numbers, korpus and stroenie empty when the
/// house has none.
struct HouseChoice
{
    qint64 street = 0;
    QString house;
    QString korp;
    QString stroen;
};
/// Reads "STREET_BTI/HOUSE[/KORP[/STROEN]]"; nothing when it is not such a text.
std::optional<HouseChoice> houseChoice(const QString& text);

/// Writes the receipts of every house of the statement (or of `only`) into one PDF: streets
/// by name, houses by their numbers, flats in flat order, two receipts a sheet, each house
/// starting a sheet of its own. Pages go to the file as they are made. Progress is told
/// every few seconds. False, with the reason told and the file left as it was, when they
/// cannot be written.
bool writeReceipts(Database& db, const Stamp& stamp, const std::optional<HouseChoice>& only,
                   const QString& pdfPath, const Note& note);

/// The file name of a report inside the acts folder: its number in the order of the
/// window's buttons, then what it is.
QString actFileName(Acts::Kind kind);

/// Writes the four acts and the two lists into `folder` (made when missing). False, with
/// the reason told, when one cannot be written; those before it stay.
bool writeActs(Database& db, const Stamp& stamp, const QString& folder, const Note& note);

} // namespace Paperwork
