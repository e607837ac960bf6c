#include "Recalculation.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"
#include "Tariffs.h"

using namespace Qt::Literals::StringLiterals;

namespace Bulk {

RecalculationListener::~RecalculationListener() = default;

namespace {} // namespace

QString variantOfCharge()
{
    return uR"((CASE
    WHEN t2.ServiceID = 10 THEN IIF(t1.TypeLockID > 0, t1.TypeLockID, NULL)
    WHEN t2.ServiceID IN (20, 27, 154, 155, 156, 157, 158) THEN t1.TypeStoveID
    ELSE 0 END))"_s;
}

namespace {

QString tariffOfCharge()
{
    return u"(SELECT tb.SummaT FROM TariffBank tb WHERE tb.ServiceTotalID = ss.ServiceTotalID AND "_s +
           Tariffs::inForceCondition() + u")"_s;
}

/// a × b / c rounded half away from zero; c > 0.
qint64 mulDivRounded(qint64 a, qint64 b, qint64 c)
{
    const __int128 product = __int128(a) * b;
    const bool negative = product < 0;
    const __int128 magnitude = negative ? -product : product;
    const __int128 quotient = (magnitude + c / 2) / c;
    return qint64(negative ? -quotient : quotient);
}

qint64 unitsAt(const Decimal& value, int scale)
{
    return value.isNull() ? 0 : value.rescaled(scale).units();
}

} // namespace

QStringList missingTariffs(Database& db, const QDate& period, QString* error)
{
    Query query(
        db, u"SELECT DISTINCT ss.ServiceName || IIF(ss.ServiceWideName IS NULL, '', ' (' || "
            "ss.ServiceWideName || ')') AS ServiceName\n"
            "FROM SvedNach_T2 t2\n"
            "LEFT JOIN SvedPotreb_T1 t1 ON t1.T1_ID = t2.T1_ID\n"
            "JOIN Sprav_Services ss ON ss.ServiceID = t2.ServiceID AND ss.ServiceWideID = "_s +
                variantOfCharge() + u"\nWHERE "_s + tariffOfCharge() + u" IS NULL\nORDER BY 1"_s);
    const QString day = period.toString(Qt::ISODate);
    query.bind(u":DATE_1"_s, day);
    query.bind(u":DATE_2"_s, day);
    QStringList names;
    if (!query.exec()) {
        if (error)
            *error = query.errorText();
        return names;
    }
    while (query.next())
        names << query.value(0).toString();
    return names;
}

ChargeSums recalculatedSums(const Decimal& tariff, const Decimal& volume, const Decimal& oldSumma,
                            const Decimal& oldWoBenefit)
{
    const qint64 t = unitsAt(tariff, 2);
    const qint64 v = unitsAt(volume, 3);
    const qint64 s0 = unitsAt(oldSumma, 2);
    const qint64 b0 = unitsAt(oldWoBenefit, 2);
    // Thousandths of a unit times kopecks: a thousand times too many kopecks.
    const qint64 s = mulDivRounded(v, t, 1000);
    qint64 b = s0 > 0 ? mulDivRounded(s, b0, s0) : 0;
    if (b > s)
        b = s;
    return {Decimal::fromUnits(s, 2), Decimal::fromUnits(b, 2)};
}

RecalculationResult recountPayers(Database& db, const QDate& period,
                                  RecalculationListener& listener)
{
    RecalculationResult result;
    const QString day = period.toString(Qt::ISODate);
    // Each total from its own column of the charges; a payer without charges gets 0.
    Query payerCount(db, u"SELECT COUNT(*) FROM SvedPotreb_T1"_s);
    qint64 payers = 0;
    if (payerCount.exec() && payerCount.next())
        payers = payerCount.value(0).toLongLong();
    payerCount.finish();
    Query totals(db, uR"(SELECT t1.T1_ID, t1.NumT1,
IFNULL((SELECT SUM(IFNULL(t2.SummaService, 0)) FROM SvedNach_T2 t2 WHERE t2.T1_ID = t1.T1_ID), 0) AS SF,
IFNULL((SELECT SUM(IFNULL(t2.SummaServiceWOBenefit, 0)) FROM SvedNach_T2 t2 WHERE t2.T1_ID = t1.T1_ID), 0) AS SWOB,
IFNULL((SELECT SUM(IFNULL(t2.SummaServiceReg, 0)) FROM SvedNach_T2 t2 WHERE t2.T1_ID = t1.T1_ID), 0) AS SFReg,
IFNULL((SELECT SUM(IFNULL(t2.SummaServiceWOBenefitReg, 0)) FROM SvedNach_T2 t2 WHERE t2.T1_ID = t1.T1_ID), 0) AS SWOBReg
FROM SvedPotreb_T1 t1)"_s);
    if (!totals.exec()) {
        result.outcome = RecalculationResult::Outcome::Failed;
        result.message = u"Ошибка чтения данных.\r\n"_s + totals.errorText();
        return result;
    }
    Query updatePayer(db, uR"(UPDATE SvedPotreb_T1 SET
Mes = :Mes,
SummaFull = :SummaFull,
SummaWOBenefit = :SummaWOBenefit,
SummaFullReg = :SummaFullReg,
SummaWOBenefitReg = :SummaWOBenefitReg
WHERE T1_ID = :T1_ID)"_s);
    listener.phaseStarted(RecalculationListener::Phase::Payers, payers);
    while (totals.next()) {
        updatePayer.bind(u":Mes"_s, day);
        updatePayer.bind(u":SummaFull"_s, totals.value(2));
        updatePayer.bind(u":SummaWOBenefit"_s, totals.value(3));
        updatePayer.bind(u":SummaFullReg"_s, totals.value(4));
        updatePayer.bind(u":SummaWOBenefitReg"_s, totals.value(5));
        updatePayer.bind(u":T1_ID"_s, totals.value(0));
        if (!updatePayer.exec()) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message =
                u"Ошибка изменения общей суммы.\r\nНомер строки файла со сведениями о потребителе услуг "_s +
                totals.value(1).toString();
            return result;
        }
        listener.recordDone(++result.payers);
    }
    return result;
}

RecalculationResult recalculate(Database& db, const QDate& period, RecalculationListener& listener)
{
    RecalculationResult result;
    const QString day = period.toString(Qt::ISODate);

    Transaction transaction(db);
    if (!transaction.isActive()) {
        result.outcome = RecalculationResult::Outcome::Failed;
        result.message = u"Ошибка изменения данных.\r\n"_s + db.errorString();
        return result;
    }
    // Whatever happens below, what was written is kept, as record-by-record writing would.
    const auto finish = [&](RecalculationResult r) {
        transaction.commit();
        return r;
    };

    Query count(db, u"SELECT COUNT(*) FROM SvedNach_T2"_s);
    if (!count.exec() || !count.next()) {
        result.outcome = RecalculationResult::Outcome::Failed;
        result.message = u"Ошибка чтения данных.\r\n"_s + count.errorText();
        return finish(result);
    }
    const qint64 chargeCount = count.value(0).toLongLong();
    count.finish();
    if (chargeCount == 0) {
        result.outcome = RecalculationResult::Outcome::NoCharges;
        result.message = u"Отсутствуют сведения о начислениях."_s;
        return finish(result);
    }

    // One pass over the charges with the tariff of each, in the table's own order.
    Query read(
        db,
        u"SELECT t2.T1_ID, t2.T2_ID, t2.NumT2, t2.Volume, t2.SummaService, "
        u"t2.SummaServiceWOBenefit,\n"
        "(SELECT tb.SummaT FROM Sprav_Services ss JOIN TariffBank tb ON tb.ServiceTotalID = "
        "ss.ServiceTotalID\n WHERE ss.ServiceID = t2.ServiceID AND ss.ServiceWideID = "_s +
            variantOfCharge() + u"\n AND "_s + Tariffs::inForceCondition() +
            u") AS SummaT\nFROM SvedNach_T2 t2\nLEFT JOIN SvedPotreb_T1 t1 ON t1.T1_ID = t2.T1_ID"_s);
    read.bind(u":DATE_1"_s, day);
    read.bind(u":DATE_2"_s, day);
    if (!read.exec()) {
        result.outcome = RecalculationResult::Outcome::Failed;
        result.message = u"Ошибка чтения данных.\r\n"_s + read.errorText();
        return finish(result);
    }
    Query update(db, uR"(UPDATE SvedNach_T2
SET Tariff = :Tariff,
SummaServiceWOBenefit = :SummaServiceWOBenefit,
SummaService = :SummaService,
SummaServiceWOBenefitReg = :SummaServiceWOBenefitReg,
SummaServiceReg = :SummaServiceReg
WHERE T1_ID = :T1_ID
AND T2_ID = :T2_ID)"_s);
    const int money = Schema::decimalScale(u"SummaService");
    const int volumeScale = Schema::decimalScale(u"Volume");
    const int tariffScale = Schema::decimalScale(u"SummaT");
    listener.phaseStarted(RecalculationListener::Phase::Charges, chargeCount);
    while (read.next()) {
        const Decimal tariff = Decimal::fromVariant(read.value(6), tariffScale);
        const Decimal t = tariff.isNull() ? Decimal::fromUnits(0, 2) : tariff.rescaled(2);
        const ChargeSums sums = recalculatedSums(
            t, Decimal::fromVariant(read.value(3), volumeScale),
            Decimal::fromVariant(read.value(4), money), Decimal::fromVariant(read.value(5), money));
        update.bind(u":Tariff"_s, t);
        update.bind(u":SummaService"_s, sums.summa);
        update.bind(u":SummaServiceWOBenefit"_s, sums.summaWoBenefit);
        update.bind(u":SummaServiceReg"_s, sums.summa);
        update.bind(u":SummaServiceWOBenefitReg"_s, sums.summaWoBenefit);
        update.bind(u":T1_ID"_s, read.value(0));
        update.bind(u":T2_ID"_s, read.value(1));
        if (!update.exec()) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message =
                u"Ошибка изменения данных.\r\nНомер строки файла со сведениями о начислениях "_s +
                read.value(2).toString();
            return finish(result);
        }
        listener.recordDone(++result.charges);
    }
    read.finish();

    const RecalculationResult payers = recountPayers(db, period, listener);
    result.payers = payers.payers;
    if (payers.outcome != RecalculationResult::Outcome::Done) {
        result.outcome = payers.outcome;
        result.message = payers.message;
    }
    return finish(result);
}

} // namespace Bulk
