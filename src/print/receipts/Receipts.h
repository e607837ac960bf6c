#pragma once

#include "RecordSet.h"
#include "ReportData.h"
#include "ReportEngine.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class Database;

/// Payment notices: for each payer (a flat or personal account) the month's charges per
/// service with their totals, two to a sheet.
namespace Receipts {

/// A street that payers live on, by its BTI code.
struct Street
{
    qint64 id = 0;
    QString name;
};

/// A house of a street as the payers give its numbers (NULL read as empty).
struct House
{
    QString house;
    QString korp;
    QString stroen;
    QString display; ///< "дом 5, корпус 1, строение 2"
};

/// A flat (personal account) of a house.
struct Flat
{
    qint64 t1Id = 0;
    QString flatNum;   ///< trimmed
    QString display;   ///< "12а     л.с. №100-1"
    double number = 0; ///< the value of the flat number's leading digits: 12 for "12а"
};

/// The streets of the payers, by name; payers without a street code have no receipts here.
QList<Street> streets(Database& db, QString* error = nullptr);
/// The houses of a street's payers, ordered by their three numbers.
QList<House> houses(Database& db, qint64 street, QString* error = nullptr);
/// The flats of a house in the order of their numbers' leading digits; flats of equal
/// value keep the order of their records.
QList<Flat> flats(Database& db, qint64 street, const House& house, QString* error = nullptr);

/// "дом 5, корпус 1, строение 2": each part left out when blank.
QString houseText(const QString& house, const QString& korp, const QString& stroen);
/// The numeric value of a flat number's leading digits (with a decimal point, as a
/// number reads); 0 when it does not begin with a digit.
double flatNumber(const QString& flatNum);

/// The flats a range prints: from `from` on in flat order, to the flat `to` (or to the end
/// of the house when `to` stands before `from`). Null when `to`'s number is below
/// `from`'s: "Ошибочный диапазон печати.".
std::optional<QList<qint64>> flatRange(const QList<Flat>& flats, int from, int to);
QString reversedRangeMessage();

/// The organisation the receipts are from.
struct Organisation
{
    QString name;       ///< DezName
    QString accountant; ///< "Иванова А. П."
    /// Blank name: "Не указана организация.".
    bool isNamed() const { return !name.trimmed().isEmpty(); }
};
Organisation organisation(Database& db, const QVariant& dezId);
/// The trimmed surname, a blank, the first letter of the first name and ". ", the first
/// letter of the patronymic and "."; each part left out when missing.
QString shortName(const QVariant& surname, const QVariant& firstName, const QVariant& patronymic);
QString noOrganisationMessage();

/// The payer's address: the street, then ", д. ", ", корп.", ", стр.", ", кв." with
/// their numbers, each only when not blank.
QString addressText(const QVariantMap& payer);
/// What the debts line shows: the months when above 0, else "задолженность отсутствует".
QString debtsText(const QVariant& colMesDebts);

/// The receipt template, its charges table bound under `dataSet`; the named memos are
/// empty until a receipt fills them.
Report::Template receiptTemplate(const QString& dataSet);

/// Fills receipts alternately into two templates and hands every sheet of two on as one
/// job, as it is complete.
class ReceiptJobs
{
public:
    /// `send` takes a job and says whether it went out; false stops the run.
    ReceiptJobs(Database& db, const Organisation& organisation, const QDate& period,
                std::function<bool(const Report::Prepared&)> send,
                const Report::PrepareOptions& options = {});
    ~ReceiptJobs();

    /// The receipt of one payer; false with error() when the payer could not be read or
    /// the job not sent.
    bool add(qint64 t1Id);
    /// Receipts filled so far.
    int filled() const { return m_filled; }
    /// A receipt waiting for its pair, prepared alone; null when none waits.
    std::optional<Report::Prepared> takeWaiting();
    QString error() const { return m_error; }

private:
    struct Slot;
    bool fill(Slot& slot, qint64 t1Id);

    Database& m_db;
    Organisation m_organisation;
    QDate m_period;
    std::function<bool(const Report::Prepared&)> m_send;
    Report::PrepareOptions m_options;
    std::unique_ptr<Slot> m_slots[2];
    bool m_waiting = false;
    int m_filled = 0;
    QString m_error;
};

/// The payer of a receipt and its charges, one line each, by service code.
QString payerSql();
QString chargesSql();

} // namespace Receipts
