#include "Replacement.h"

#include "Database.h"
#include "Query.h"
#include "Recalculation.h"
#include "Schema.h"
#include "Tariffs.h"

#include <QList>

using namespace Qt::Literals::StringLiterals;

namespace Bulk {

namespace {

const QString ChangeFailed = u"Ошибка изменения данных."_s;
const QString ChargeLine = u"\r\nНомер строки файла со сведениями о начислениях "_s;

ReplacementResult failed(const QString& message)
{
    return {false, message, false};
}

/// The code as the operators know it from the lists: a blank in place of the sign of a
/// code that is not negative, then the code.
QString shownCode(const QString& column)
{
    return u"(CASE WHEN %1 < 0 THEN '' ELSE ' ' END || %1)"_s.arg(column);
}

/// Runs `work` in one transaction and commits whatever it wrote, failed or not.
template <typename Work>
ReplacementResult inTransaction(Database& db, const QString& failureMessage, Work work)
{
    Transaction transaction(db);
    if (!transaction.isActive())
        return failed(failureMessage);
    const ReplacementResult result = work();
    if (!transaction.commit() && result.ok)
        return failed(failureMessage);
    return result;
}

/// Runs one statement of an operation.
ReplacementResult single(Database& db, const QString& failureMessage, const QString& sql,
                         const QList<QPair<QString, QVariant>>& values)
{
    return inTransaction(db, failureMessage, [&] {
        Query query(db, sql);
        for (const auto& [name, value] : values)
            query.bind(name, value);
        return query.exec() ? ReplacementResult{} : failed(failureMessage);
    });
}

ReplacementResult recounted(Database& db, const QDate& period, RecalculationListener& listener)
{
    const RecalculationResult payers = recountPayers(db, period, listener);
    if (payers.outcome == RecalculationResult::Outcome::Failed)
        return failed(payers.message);
    return {};
}

} // namespace

QString servicesInUseSql()
{
    return u"SELECT DISTINCT t2.ServiceID, "_s + shownCode(u"t2.ServiceID"_s) +
           u" || '.  ' || ss.ServiceName AS SName, ss.ServiceName\n"
           "FROM SvedNach_T2 t2, Sprav_Services ss\n"
           "WHERE ss.ServiceID = t2.ServiceID\n"
           "ORDER BY t2.ServiceID"_s;
}

QString servicesSwitchedOnSql()
{
    return u"SELECT DISTINCT ss.ServiceID, "_s + shownCode(u"ss.ServiceID"_s) +
           u" || '.  ' || ss.ServiceName AS SName, ss.ServiceName\n"
           "FROM Sprav_Services ss\n"
           "WHERE ss.Opt = 1\n"
           "ORDER BY ss.ServiceID"_s;
}

QString organisationsSql()
{
    return u"SELECT sd.DezID AS DezVladID, sd.DezName AS DezVladName\nFROM Sprav_Dez sd"_s;
}

bool hasPayers(Database& db)
{
    Query query(db, u"SELECT EXISTS (SELECT 1 FROM SvedPotreb_T1)"_s);
    return query.exec() && query.next() && query.value(0).toInt() == 1;
}

ReplacementResult setOwnerOrganisation(Database& db, const QVariant& dezVladId, bool onlyEmpty)
{
    const int flag = onlyEmpty ? 1 : 0;
    return single(db, ChangeFailed, uR"(UPDATE SvedPotreb_T1 SET DezVladID = :NEW
WHERE ( :FLAGNULL1 = 1
AND
DezVladID IS NULL
)
OR
( :FLAGNULL2 = 0
))"_s,
                  {{u":NEW"_s, dezVladId.isNull() ? QVariant() : QVariant(dezVladId.toInt())},
                   {u":FLAGNULL1"_s, flag},
                   {u":FLAGNULL2"_s, flag}});
}

ReplacementResult setHouseCodes(Database& db, bool onlyEmpty)
{
    const int flag = onlyEmpty ? 1 : 0;
    // The house book holds one house per address, so a payer matches at most one.
    return single(db, ChangeFailed, uR"(UPDATE SvedPotreb_T1 AS t1
SET HouseID_BTI = sh.HouseID_BTI
FROM Sprav_HousesBTI sh
WHERE t1.StreetID_BTI = sh.StreetID_BTI
AND IFNULL(t1.HouseNum, '') = IFNULL(sh.HouseNum, '')
AND IFNULL(t1.KorpNum, '') = IFNULL(sh.KorpNum, '')
AND IFNULL(t1.StroenNum, '') = IFNULL(sh.StroenNum, '')
AND (((t1.HouseID_BTI IS NULL OR t1.HouseID_BTI = 0) AND :FLAGNULL1 = 1)
OR
(:FLAGNULL2 = 0)))"_s,
                  {{u":FLAGNULL1"_s, flag}, {u":FLAGNULL2"_s, flag}});
}

ReplacementResult setPayerTotals(Database& db)
{
    return inTransaction(db, ChangeFailed, [&] {
        // The sums are whole kopecks already: adding them is exact, nothing to round.
        Query read(db, uR"(SELECT t2.T1_ID,
SUM(IFNULL(t2.SummaService, 0)) AS SS,
SUM(IFNULL(t2.SummaServiceWOBenefit, 0)) AS SSWOB,
SUM(IFNULL(t2.SummaServiceReg, 0)) AS SSR,
SUM(IFNULL(t2.SummaServiceWOBenefitReg, 0)) AS SSWOBR
FROM SvedNach_T2 t2
GROUP BY t2.T1_ID
ORDER BY t2.T1_ID)"_s);
        if (!read.exec())
            return failed(ChangeFailed);
        struct Totals
        {
            QVariant t1, ss, sswob, ssr, sswobr;
        };
        QList<Totals> rows;
        while (read.next())
            rows.append(
                {read.value(0), read.value(1), read.value(2), read.value(3), read.value(4)});
        read.finish();
        Query update(db, uR"(UPDATE SvedPotreb_T1
SET
SummaFull = :SS,
SummaWOBenefit = :SSWOB,
SummaFullReg = :SSR,
SummaWOBenefitReg = :SSWOBR
WHERE T1_ID = :T1_ID)"_s);
        for (const Totals& row : rows) {
            update.bind(u":SS"_s, row.ss);
            update.bind(u":SSWOB"_s, row.sswob);
            update.bind(u":SSR"_s, row.ssr);
            update.bind(u":SSWOBR"_s, row.sswobr);
            update.bind(u":T1_ID"_s, row.t1);
            if (!update.exec())
                return failed(ChangeFailed);
        }
        return ReplacementResult{};
    });
}

ReplacementResult addService(Database& db, int serviceId)
{
    // The line numbers are counted over the receiving payers only, so that they follow
    // the highest existing one without gaps.
    return single(db, u"Ошибка добавления данных."_s,
                  uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID)
SELECT t1.T1_ID,
IFNULL((SELECT MAX(x.T2_ID) FROM SvedNach_T2 x WHERE x.T1_ID = t1.T1_ID), 0) + 1,
(SELECT IFNULL(MAX(m.NumT2), 0) FROM SvedNach_T2 m) + ROW_NUMBER() OVER (ORDER BY t1.T1_ID),
:ServiceID_2
FROM SvedPotreb_T1 t1
WHERE NOT EXISTS (SELECT 1 FROM SvedNach_T2 h WHERE h.T1_ID = t1.T1_ID AND h.ServiceID = :ServiceID_1)
ORDER BY t1.T1_ID)"_s,
                  {{u":ServiceID_1"_s, serviceId}, {u":ServiceID_2"_s, serviceId}});
}

ReplacementResult replaceService(Database& db, int oldId, int newId)
{
    return single(db, ChangeFailed, uR"(UPDATE SvedNach_T2 AS t2 SET ServiceID = :NEWServiceID_1
WHERE t2.ServiceID = :OLDServiceID_1
AND :NEWServiceID_2 NOT IN (SELECT tt2.ServiceID
FROM SvedNach_T2 tt2
WHERE tt2.T1_ID = t2.T1_ID
))"_s,
                  {{u":NEWServiceID_1"_s, newId},
                   {u":OLDServiceID_1"_s, oldId},
                   {u":NEWServiceID_2"_s, newId}});
}

ReplacementResult deleteService(Database& db, int serviceId, const QDate& period,
                                RecalculationListener& listener)
{
    const QString message = u"Ошибка удаления данных."_s;
    return inTransaction(db, message, [&] {
        Query remove(db, u"DELETE\nFROM SvedNach_T2\nWHERE ServiceID = :ServiceID"_s);
        remove.bind(u":ServiceID"_s, serviceId);
        if (!remove.exec())
            return failed(message);
        return recounted(db, period, listener);
    });
}

ReplacementResult calculateService(Database& db, int serviceId, const QDate& period,
                                   bool tariffInForce, RecalculationListener& listener)
{
    return inTransaction(db, ChangeFailed, [&]() -> ReplacementResult {
        // The charges with the tariff of their variant, read in full before the first
        // write so that the writes cannot disturb the reading.
        Query read(
            db,
            u"SELECT t2.T1_ID, t2.T2_ID,\nt2.SummaService, t2.SummaServiceWOBenefit,\n"
            "t2.Tariff, t2.Volume,\nt2.NumT2,\n"
            "(SELECT tb.SummaT FROM Sprav_Services ss JOIN TariffBank tb ON tb.ServiceTotalID = "
            "ss.ServiceTotalID\n WHERE ss.ServiceID = :SERVICEID_2 AND ss.ServiceID = t2.ServiceID"
            " AND ss.ServiceWideID = "_s +
                variantOfCharge() + u"\n AND "_s + Tariffs::inForceCondition() +
                u") AS SummaT\nFROM SvedNach_T2 t2\nLEFT JOIN SvedPotreb_T1 t1 ON t1.T1_ID = "
                "t2.T1_ID\nWHERE t2.ServiceID = :SERVICEID_1"_s);
        const QString day = period.toString(Qt::ISODate);
        read.bind(u":DATE_1"_s, day);
        read.bind(u":DATE_2"_s, day);
        read.bind(u":SERVICEID_1"_s, serviceId);
        read.bind(u":SERVICEID_2"_s, serviceId);
        if (!read.exec())
            return failed(ChangeFailed);
        const int money = Schema::decimalScale(u"SummaService");
        const int volumeScale = Schema::decimalScale(u"Volume");
        const int tariffScale = Schema::decimalScale(u"SummaT");
        const int ownTariffScale = Schema::decimalScale(u"Tariff");
        struct Charge
        {
            QVariant t1, t2, numT2;
            Decimal tariff, volume, summa, woBenefit;
        };
        QList<Charge> charges;
        while (read.next()) {
            const Decimal tariff = tariffInForce
                                       ? Decimal::fromVariant(read.value(7), tariffScale)
                                       : Decimal::fromVariant(read.value(4), ownTariffScale);
            charges.append({read.value(0), read.value(1), read.value(6),
                            tariff.isNull() ? Decimal::fromUnits(0, 2) : tariff.rescaled(2),
                            Decimal::fromVariant(read.value(5), volumeScale),
                            Decimal::fromVariant(read.value(2), money),
                            Decimal::fromVariant(read.value(3), money)});
        }
        read.finish();
        if (charges.isEmpty())
            return {false, u"Отсутствуют сведения о начислениях."_s, true};

        Query update(db, uR"(UPDATE SvedNach_T2
SET Tariff = :Tariff,
SummaServiceWOBenefit = :SummaServiceWOBenefit,
SummaService = :SummaService,
SummaServiceWOBenefitReg = :SummaServiceWOBenefitReg,
SummaServiceReg = :SummaServiceReg
WHERE T1_ID = :T1_ID
AND T2_ID = :T2_ID
AND ServiceID = :SERVICEID)"_s);
        listener.phaseStarted(RecalculationListener::Phase::Charges, charges.size());
        qint64 done = 0;
        for (const Charge& charge : charges) {
            const ChargeSums sums =
                recalculatedSums(charge.tariff, charge.volume, charge.summa, charge.woBenefit);
            update.bind(u":Tariff"_s, charge.tariff);
            update.bind(u":SummaService"_s, sums.summa);
            update.bind(u":SummaServiceWOBenefit"_s, sums.summaWoBenefit);
            update.bind(u":SummaServiceReg"_s, sums.summa);
            update.bind(u":SummaServiceWOBenefitReg"_s, sums.summaWoBenefit);
            update.bind(u":T1_ID"_s, charge.t1);
            update.bind(u":T2_ID"_s, charge.t2);
            update.bind(u":SERVICEID"_s, serviceId);
            if (!update.exec())
                return failed(ChangeFailed + ChargeLine + charge.numT2.toString());
            listener.recordDone(++done);
        }
        return recounted(db, period, listener);
    });
}

ReplacementResult setChargeTypes(Database& db, bool onlyEmpty, RecalculationListener& listener)
{
    const QString message = u"Ошибка постановки признака начислений."_s;
    return inTransaction(db, message, [&] {
        Query read(db, uR"(SELECT t2.T1_ID, t2.T2_ID, ss.TypeNachID,
t2.NumT2
FROM SvedNach_T2 t2, Sprav_Services ss
WHERE t2.ServiceID = ss.ServiceID
AND (
((t2.TypeNachID IS NULL) AND (:NULLPole_1 = 1))
OR
(:NULLPole_2 <> 1)
))"_s);
        const int flag = onlyEmpty ? 1 : 0;
        read.bind(u":NULLPole_1"_s, flag);
        read.bind(u":NULLPole_2"_s, flag);
        if (!read.exec())
            return failed(message);
        struct Charge
        {
            QVariant t1, t2, numT2;
            int typeNach;
        };
        QList<Charge> charges;
        // A charge whose service has several catalogue rows is written once per row; the
        // last one read stays.
        while (read.next())
            charges.append({read.value(0), read.value(1), read.value(3), read.value(2).toInt()});
        read.finish();
        Query update(db, u"UPDATE SvedNach_T2 SET TypeNachID = :TypeNachID\nWHERE T1_ID = "
                         u":T1_ID\nAND T2_ID = :T2_ID"_s);
        listener.phaseStarted(RecalculationListener::Phase::Charges, charges.size());
        qint64 done = 0;
        for (const Charge& charge : charges) {
            update.bind(u":TypeNachID"_s, charge.typeNach);
            update.bind(u":T1_ID"_s, charge.t1);
            update.bind(u":T2_ID"_s, charge.t2);
            if (!update.exec())
                return failed(message + ChargeLine + charge.numT2.toString());
            listener.recordDone(++done);
        }
        return ReplacementResult{};
    });
}

} // namespace Bulk
