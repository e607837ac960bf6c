#pragma once

#include "Decimal.h"

#include <QDate>
#include <QString>
#include <QStringList>

class Database;

/// Recalculation of the whole statement by the tariff bank: every charge gets the tariff
/// of its service variant in force in the period, its sums from its volume at that tariff,
/// keeping its share of the benefit; then every payer gets the totals of its charges and
/// the period as its month.
namespace Bulk {

/// Told how far the run is.
class RecalculationListener
{
public:
    virtual ~RecalculationListener();
    enum class Phase
    {
        Charges,
        Payers
    };
    /// A phase begins with `total` records.
    virtual void phaseStarted(Phase phase, qint64 total) = 0;
    /// `done` records of the phase are through.
    virtual void recordDone(qint64 done) = 0;
};

/// The services of the statement's charges whose variant has no tariff in force in the
/// period, as "Name (variant)"; a charge of a lock device for a payer without a lock
/// type has no variant and is not listed. Empty with `error` set when the read failed.
QStringList missingTariffs(Database& db, const QDate& period, QString* error = nullptr);
/// What the operator is told when missingTariffs() lists any service.
QString missingTariffsMessage();

struct RecalculationResult
{
    enum class Outcome
    {
        Done,
        NoCharges, ///< nothing to recalculate: "Отсутствуют сведения о начислениях."
        Failed, ///< stopped at a record; what was done before it stays
    };
    Outcome outcome = Outcome::Done;
    QString message;
    qint64 charges = 0; ///< charges written
    qint64 payers = 0;  ///< payers written
};

/// The new sums of one charge: tariff T, old sums S0 and B0 (benefit deducted), volume.
/// S = volume × T and B = S × B0 / S0, each rounded half away from zero to kopecks, B at
/// most S, and no benefit share when S0 is not above zero.
struct ChargeSums
{
    Decimal summa;
    Decimal summaWoBenefit;
};
ChargeSums recalculatedSums(const Decimal& tariff, const Decimal& volume, const Decimal& oldSumma,
                            const Decimal& oldWoBenefit);
/// The same in integer units: tariff and sums in kopecks, volume in thousandths.
struct ChargeUnits
{
    qint64 summa = 0;
    qint64 woBenefit = 0;
};
ChargeUnits recalculatedUnits(qint64 tariff, qint64 volume, qint64 oldSumma, qint64 oldWoBenefit);

/// The ServiceWideID of the catalogue row a charge `t2` of payer `t1` belongs to, as an
/// SQL expression: a lock device by the payer's lock type (none without one), gas and
/// electricity by its stove type, every other service by its variant 0.
QString variantOfCharge();

/// Every payer's four totals, each the sum of its column over the payer's charges (a payer
/// without charges gets 0), and the
/// period as its month. Runs in the caller's transaction, if any; stops at the first payer
/// the database refuses, with the message naming its NumT1.
RecalculationResult recountPayers(Database& db, const QDate& period,
                                  RecalculationListener& listener);

/// Runs the recalculation inside one transaction, committing what was done also when a
/// statement fails. Does not look for missing tariffs: the caller asks missingTariffs first.
RecalculationResult recalculate(Database& db, const QDate& period, RecalculationListener& listener);

} // namespace Bulk
