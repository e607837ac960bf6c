#include "Recalculation.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"
#include "SqliteStatement.h"
#include "Tariffs.h"

#include <QHash>
#include <QPair>

#include <optional>

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
    // The charges summed per payer in one pass over them, walked beside the payers in key
    // order: a payer the sums do not reach has no charges.
    SqliteStatement payerRows(db, u"SELECT T1_ID, NumT1 FROM SvedPotreb_T1 ORDER BY T1_ID"_s);
    SqliteStatement sums(
        db, uR"(SELECT T1_ID, SUM(IFNULL(SummaService, 0)), SUM(IFNULL(SummaServiceWOBenefit, 0)),
SUM(IFNULL(SummaServiceReg, 0)), SUM(IFNULL(SummaServiceWOBenefitReg, 0))
FROM SvedNach_T2 GROUP BY T1_ID ORDER BY T1_ID)"_s);
    SqliteStatement updatePayer(db, uR"(UPDATE SvedPotreb_T1 SET
Mes = ?1,
SummaFull = ?2,
SummaWOBenefit = ?3,
SummaFullReg = ?4,
SummaWOBenefitReg = ?5
WHERE T1_ID = ?6)"_s);
    for (const SqliteStatement* statement : {&payerRows, &sums, &updatePayer}) {
        if (!statement->isValid()) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message = u"Ошибка чтения данных.\r\n"_s + statement->errorText();
            return result;
        }
    }
    listener.phaseStarted(RecalculationListener::Phase::Payers, payers);
    bool moreSums = sums.next();
    while (payerRows.next()) {
        const std::int64_t payer = payerRows.int64(0);
        while (moreSums && sums.int64(0) < payer)
            moreSums = sums.next();
        const bool has = moreSums && sums.int64(0) == payer;
        updatePayer.bindText(1, day);
        for (int column = 1; column <= 4; ++column)
            updatePayer.bindInt64(column + 1, has ? sums.int64(column) : 0);
        updatePayer.bindInt64(6, payer);
        if (!updatePayer.exec()) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message =
                u"Ошибка изменения общей суммы.\r\nНомер строки файла со сведениями о потребителе услуг "_s +
                (payerRows.isNull(1) ? QString() : QString::number(payerRows.int64(1)));
            payerRows.reset();
            sums.reset();
            return result;
        }
        listener.recordDone(++result.payers);
    }
    payerRows.reset();
    sums.reset();
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

    // The tariffs of the period, one per catalogue row: the charges then find theirs
    // without a query each.
    QHash<QPair<qint64, qint64>, qint64> tariffs;
    {
        SqliteStatement rows(
            db, u"SELECT ss.ServiceID, ss.ServiceWideID, tb.SummaT FROM Sprav_Services ss "
                "JOIN TariffBank tb ON tb.ServiceTotalID = ss.ServiceTotalID WHERE "_s +
                    Tariffs::inForceCondition());
        rows.bindText(1, day);
        rows.bindText(2, day);
        while (rows.next()) {
            if (!rows.isNull(0) && !rows.isNull(1) && !rows.isNull(2))
                tariffs.insert({rows.int64(0), rows.int64(1)}, rows.int64(2));
        }
        if (!rows.errorText().isEmpty()) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message = u"Ошибка чтения данных.\r\n"_s + rows.errorText();
            return finish(result);
        }
    }
    // The payers' lock and stove types, which pick the variant of some services.
    struct Types
    {
        std::int64_t lock = 0;
        std::int64_t stove = 0;
        bool lockNull = true;
        bool stoveNull = true;
    };
    QHash<std::int64_t, Types> payerTypes;
    {
        SqliteStatement rows(db, u"SELECT T1_ID, TypeLockID, TypeStoveID FROM SvedPotreb_T1"_s);
        while (rows.next())
            payerTypes.insert(rows.int64(0),
                              {rows.int64(1), rows.int64(2), rows.isNull(1), rows.isNull(2)});
    }
    // One pass over the charges, in the table's own order, straight through SQLite: a
    // million charges must not wait on a million named binds.
    SqliteStatement read(
        db, u"SELECT T1_ID, T2_ID, NumT2, Volume, SummaService, SummaServiceWOBenefit, ServiceID "
            "FROM SvedNach_T2"_s);
    SqliteStatement update(
        db, u"UPDATE SvedNach_T2\nSET Tariff = ?1,\nSummaServiceWOBenefit = ?2,\n"
            "SummaService = ?3,\nSummaServiceWOBenefitReg = ?2,\nSummaServiceReg = ?3\n"
            "WHERE T1_ID = ?4\nAND T2_ID = ?5"_s);
    if (!read.isValid() || !update.isValid()) {
        result.outcome = RecalculationResult::Outcome::Failed;
        result.message = u"Ошибка чтения данных.\r\n"_s +
                         (read.isValid() ? update.errorText() : read.errorText());
        return finish(result);
    }
    const int money = Schema::decimalScale(u"SummaService");
    const int volumeScale = Schema::decimalScale(u"Volume");
    const int tariffScale = Schema::decimalScale(u"SummaT");
    const auto decimal = [&read](int column, int scale) {
        return read.isNull(column) ? Decimal() : Decimal::fromUnits(read.int64(column), scale);
    };
    listener.phaseStarted(RecalculationListener::Phase::Charges, chargeCount);
    while (read.next()) {
        // The variant as variantOfCharge() says; a charge without one, or without a tariff in
        // force for it, is priced 0.
        auto found = tariffs.constEnd();
        if (!read.isNull(6)) {
            const std::int64_t service = read.int64(6);
            const auto payer = payerTypes.constFind(read.int64(0));
            std::optional<std::int64_t> variant;
            if (service == 10) {
                if (payer != payerTypes.constEnd() && !payer->lockNull && payer->lock > 0)
                    variant = payer->lock;
            } else if (service == 20 || service == 27 || (service >= 154 && service <= 158)) {
                if (payer != payerTypes.constEnd() && !payer->stoveNull)
                    variant = payer->stove;
            } else {
                variant = 0;
            }
            if (variant)
                found = tariffs.constFind({service, *variant});
        }
        const Decimal t = found == tariffs.constEnd()
                              ? Decimal::fromUnits(0, 2)
                              : Decimal::fromUnits(*found, tariffScale).rescaled(2);
        const ChargeSums sums =
            recalculatedSums(t, decimal(3, volumeScale), decimal(4, money), decimal(5, money));
        update.bindInt64(1, t.units());
        update.bindInt64(2, sums.summaWoBenefit.units());
        update.bindInt64(3, sums.summa.units());
        update.bindInt64(4, read.int64(0));
        update.bindInt64(5, read.int64(1));
        if (!update.exec()) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message =
                u"Ошибка изменения данных.\r\nНомер строки файла со сведениями о начислениях "_s +
                (read.isNull(2) ? QString() : QString::number(read.int64(2)));
            read.reset();
            return finish(result);
        }
        listener.recordDone(++result.charges);
    }
    if (!read.errorText().isEmpty()) {
        result.outcome = RecalculationResult::Outcome::Failed;
        result.message = u"Ошибка чтения данных.\r\n"_s + read.errorText();
        return finish(result);
    }
    read.reset();

    const RecalculationResult payers = recountPayers(db, period, listener);
    result.payers = payers.payers;
    if (payers.outcome != RecalculationResult::Outcome::Done) {
        result.outcome = payers.outcome;
        result.message = payers.message;
    }
    return finish(result);
}

} // namespace Bulk
