#include "Recalculation.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"
#include "SqliteStatement.h"
#include "Tariffs.h"

#include <QHash>
#include <QPair>

#include <array>
#include <limits>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace Bulk {

RecalculationListener::~RecalculationListener() = default;

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

QString missingTariffsMessage()
{
    return u"В файле есть услуги, на которые в справочнике отсутствуют\r\n"
           "ставки/тарифы за указанный период.\r\n"
           "Необходимо дополнить справочные данные и повторить операцию."_s;
}

ChargeSums recalculatedSums(const Decimal& tariff, const Decimal& volume, const Decimal& oldSumma,
                            const Decimal& oldWoBenefit)
{
    const ChargeUnits units = recalculatedUnits(unitsAt(tariff, 2), unitsAt(volume, 3),
                                                unitsAt(oldSumma, 2), unitsAt(oldWoBenefit, 2));
    return {Decimal::fromUnits(units.summa, 2), Decimal::fromUnits(units.woBenefit, 2)};
}

ChargeUnits recalculatedUnits(qint64 tariff, qint64 volume, qint64 oldSumma, qint64 oldWoBenefit)
{
    // Thousandths of a unit times kopecks: a thousand times too many kopecks.
    const qint64 s = mulDivRounded(volume, tariff, 1000);
    qint64 b = oldSumma > 0 ? mulDivRounded(s, oldWoBenefit, oldSumma) : 0;
    if (b > s)
        b = s;
    return {s, b};
}

namespace {

/// The rows of a table split by the payers' keys into ranges [from, to) of about equal
/// numbers of payers: each range is written by one statement, and the progress moves
/// between them.
struct KeyRange
{
    std::int64_t from;
    std::int64_t to;
};

QList<KeyRange> payerRanges(Database& db, QString* error)
{
    QList<std::int64_t> keys;
    SqliteStatement rows(db, u"SELECT T1_ID FROM SvedPotreb_T1 ORDER BY T1_ID"_s);
    while (rows.next())
        keys << rows.int64(0);
    if (!rows.errorText().isEmpty()) {
        *error = rows.errorText();
        return {};
    }
    constexpr qsizetype pieces = 100;
    const qsizetype step = qMax<qsizetype>(1, keys.size() / pieces);
    QList<KeyRange> ranges;
    std::int64_t from = std::numeric_limits<std::int64_t>::min();
    for (qsizetype i = step; i < keys.size(); i += step) {
        ranges.append({from, keys.at(i)});
        from = keys.at(i);
    }
    // Charges of keys beyond every payer's are recalculated as well.
    ranges.append({from, std::numeric_limits<std::int64_t>::max()});
    return ranges;
}

/// What a charge is priced at: the tariffs in force in the period, one per catalogue row,
/// and the payers' lock and stove types, which pick the variant of some services.
class ChargePricer
{
public:
    bool load(Database& db, const QString& day, QString* error)
    {
        {
            SqliteStatement rows(
                db, u"SELECT ss.ServiceID, ss.ServiceWideID, tb.SummaT FROM Sprav_Services ss "
                    "JOIN TariffBank tb ON tb.ServiceTotalID = ss.ServiceTotalID WHERE "_s +
                        Tariffs::inForceCondition());
            rows.bindText(1, day);
            rows.bindText(2, day);
            while (rows.next()) {
                if (!rows.isNull(0) && !rows.isNull(1) && !rows.isNull(2))
                    m_tariffs.insert({rows.int64(0), rows.int64(1)}, rows.int64(2));
            }
            if (!rows.errorText().isEmpty()) {
                *error = rows.errorText();
                return false;
            }
        }
        SqliteStatement rows(db, u"SELECT T1_ID, TypeLockID, TypeStoveID FROM SvedPotreb_T1"_s);
        while (rows.next()) {
            Types types;
            if (!rows.isNull(1))
                types.lock = rows.int64(1);
            if (!rows.isNull(2))
                types.stove = rows.int64(2);
            m_payerTypes.insert(rows.int64(0), types);
        }
        if (!rows.errorText().isEmpty()) {
            *error = rows.errorText();
            return false;
        }
        m_tariffScale = Schema::decimalScale(u"SummaT");
        m_volumeScale = Schema::decimalScale(u"Volume");
        m_money = Schema::decimalScale(u"SummaService");
        return true;
    }

    struct Priced
    {
        qint64 tariff = 0; ///< kopecks
        ChargeUnits sums;
    };
    using Value = std::optional<std::int64_t>;

    /// A charge of `service` of `payer`, its old sums S0 and B0. The variant as
    /// variantOfCharge() says; a charge without one, or without a tariff in force for it, is
    /// priced 0.
    Priced price(std::int64_t payer, Value service, Value volume, Value oldSumma,
                 Value oldWoBenefit) const
    {
        Priced priced;
        if (const std::optional<std::int64_t> tariff = tariffOf(payer, service))
            priced.tariff = Decimal::fromUnits(*tariff, m_tariffScale).rescaled(2).units();
        const auto units = [](Value value, int scale, int to) {
            return value ? Decimal::fromUnits(*value, scale).rescaled(to).units() : 0;
        };
        priced.sums =
            recalculatedUnits(priced.tariff, units(volume, m_volumeScale, 3),
                              units(oldSumma, m_money, 2), units(oldWoBenefit, m_money, 2));
        return priced;
    }

private:
    std::optional<std::int64_t> tariffOf(std::int64_t payer, Value service) const
    {
        if (!service)
            return std::nullopt;
        const auto types = m_payerTypes.constFind(payer);
        std::optional<std::int64_t> variant;
        if (*service == 10) {
            if (types != m_payerTypes.constEnd() && types->lock && *types->lock > 0)
                variant = types->lock;
        } else if (*service == 20 || *service == 27 || (*service >= 154 && *service <= 158)) {
            if (types != m_payerTypes.constEnd())
                variant = types->stove;
        } else {
            variant = 0;
        }
        if (!variant)
            return std::nullopt;
        const auto found = m_tariffs.constFind({*service, *variant});
        if (found == m_tariffs.constEnd())
            return std::nullopt;
        return *found;
    }

    struct Types
    {
        std::optional<std::int64_t> lock;
        std::optional<std::int64_t> stove;
    };
    QHash<QPair<qint64, qint64>, qint64> m_tariffs;
    QHash<std::int64_t, Types> m_payerTypes;
    int m_tariffScale = 2;
    int m_volumeScale = 3;
    int m_money = 2;
};

/// The last charge priced for the SQL function, which is asked once for each of the three
/// columns of the same row.
struct PriceMemo
{
    std::array<ChargePricer::Value, 5> key;
    ChargePricer::Priced priced;
    bool filled = false;
};

RecalculationResult failed(const QString& message)
{
    RecalculationResult result;
    result.outcome = RecalculationResult::Outcome::Failed;
    result.message = message;
    return result;
}

/// The charges of one range record by record, stopping at the first the database refuses:
/// the path that finds the charge a set-based statement stopped at. Adds to `done`.
std::optional<QString> priceChargesOneByOne(Database& db, const ChargePricer& pricer,
                                            const KeyRange& range, qint64& done,
                                            RecalculationListener& listener)
{
    SqliteStatement read(
        db, u"SELECT T1_ID, T2_ID, NumT2, Volume, SummaService, SummaServiceWOBenefit, ServiceID "
            "FROM SvedNach_T2 WHERE T1_ID >= ?1 AND T1_ID < ?2"_s);
    SqliteStatement update(
        db, u"UPDATE SvedNach_T2\nSET Tariff = ?1,\nSummaServiceWOBenefit = ?2,\n"
            "SummaService = ?3,\nSummaServiceWOBenefitReg = ?2,\nSummaServiceReg = ?3\n"
            "WHERE T1_ID = ?4\nAND T2_ID = ?5"_s);
    if (!read.isValid() || !update.isValid())
        return u"Ошибка чтения данных.\r\n"_s +
               (read.isValid() ? update.errorText() : read.errorText());
    read.bindInt64(1, range.from);
    read.bindInt64(2, range.to);
    const auto value = [&read](int column) -> ChargePricer::Value {
        if (read.isNull(column))
            return std::nullopt;
        return read.int64(column);
    };
    while (read.next()) {
        const ChargePricer::Priced priced =
            pricer.price(read.int64(0), value(6), value(3), value(4), value(5));
        update.bindInt64(1, priced.tariff);
        update.bindInt64(2, priced.sums.woBenefit);
        update.bindInt64(3, priced.sums.summa);
        update.bindInt64(4, read.int64(0));
        update.bindInt64(5, read.int64(1));
        if (!update.exec()) {
            const QString line = read.isNull(2) ? QString() : QString::number(read.int64(2));
            read.reset();
            return u"Ошибка изменения данных.\r\nНомер строки файла со сведениями о начислениях "_s +
                   line;
        }
        listener.recordDone(++done);
    }
    if (!read.errorText().isEmpty())
        return u"Ошибка чтения данных.\r\n"_s + read.errorText();
    return std::nullopt;
}

/// The payers of one range record by record, as priceChargesOneByOne.
std::optional<QString> recountPayersOneByOne(Database& db, const QString& day,
                                             const KeyRange& range, qint64& done,
                                             RecalculationListener& listener)
{
    // The charges summed per payer in one pass over them, walked beside the payers in key
    // order: a payer the sums do not reach has no charges.
    SqliteStatement payerRows(
        db, u"SELECT T1_ID, NumT1 FROM SvedPotreb_T1 WHERE T1_ID >= ?1 AND T1_ID < ?2 "
            "ORDER BY T1_ID"_s);
    SqliteStatement sums(
        db, uR"(SELECT T1_ID, SUM(IFNULL(SummaService, 0)), SUM(IFNULL(SummaServiceWOBenefit, 0)),
SUM(IFNULL(SummaServiceReg, 0)), SUM(IFNULL(SummaServiceWOBenefitReg, 0))
FROM SvedNach_T2 WHERE T1_ID >= ?1 AND T1_ID < ?2 GROUP BY T1_ID ORDER BY T1_ID)"_s);
    SqliteStatement updatePayer(db, uR"(UPDATE SvedPotreb_T1 SET
Mes = ?1,
SummaFull = ?2,
SummaWOBenefit = ?3,
SummaFullReg = ?4,
SummaWOBenefitReg = ?5
WHERE T1_ID = ?6)"_s);
    for (const SqliteStatement* statement : {&payerRows, &sums, &updatePayer}) {
        if (!statement->isValid())
            return u"Ошибка чтения данных.\r\n"_s + statement->errorText();
    }
    for (SqliteStatement* statement : {&payerRows, &sums}) {
        statement->bindInt64(1, range.from);
        statement->bindInt64(2, range.to);
    }
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
            const QString line =
                payerRows.isNull(1) ? QString() : QString::number(payerRows.int64(1));
            payerRows.reset();
            sums.reset();
            return u"Ошибка изменения общей суммы.\r\nНомер строки файла со сведениями о потребителе услуг "_s +
                   line;
        }
        listener.recordDone(++done);
    }
    const QString error =
        !payerRows.errorText().isEmpty() ? payerRows.errorText() : sums.errorText();
    payerRows.reset();
    sums.reset();
    if (!error.isEmpty())
        return u"Ошибка чтения данных.\r\n"_s + error;
    return std::nullopt;
}

} // namespace

RecalculationResult recountPayers(Database& db, const QDate& period,
                                  RecalculationListener& listener)
{
    RecalculationResult result;
    const QString day = period.toString(Qt::ISODate);
    QString error;
    const QList<KeyRange> ranges = payerRanges(db, &error);
    if (!error.isEmpty())
        return failed(u"Ошибка чтения данных.\r\n"_s + error);
    Query payerCount(db, u"SELECT COUNT(*) FROM SvedPotreb_T1"_s);
    qint64 payers = 0;
    if (payerCount.exec() && payerCount.next())
        payers = payerCount.value(0).toLongLong();
    payerCount.finish();
    // Each total from its own column of the payer's charges; a payer without charges gets 0.
    SqliteStatement update(db, uR"(UPDATE SvedPotreb_T1 SET Mes = ?1,
(SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg) = (
SELECT IFNULL(SUM(IFNULL(SummaService, 0)), 0), IFNULL(SUM(IFNULL(SummaServiceWOBenefit, 0)), 0),
IFNULL(SUM(IFNULL(SummaServiceReg, 0)), 0), IFNULL(SUM(IFNULL(SummaServiceWOBenefitReg, 0)), 0)
FROM SvedNach_T2 t2 WHERE t2.T1_ID = SvedPotreb_T1.T1_ID)
WHERE T1_ID >= ?2 AND T1_ID < ?3)"_s);
    if (!update.isValid())
        return failed(u"Ошибка чтения данных.\r\n"_s + update.errorText());
    listener.phaseStarted(RecalculationListener::Phase::Payers, payers);
    for (const KeyRange& range : ranges) {
        update.bindText(1, day);
        update.bindInt64(2, range.from);
        update.bindInt64(3, range.to);
        if (update.exec()) {
            result.payers += update.changes();
            listener.recordDone(result.payers);
            continue;
        }
        // The database refused a payer of the range and kept none of it: the range again,
        // payer by payer, to keep those before it and to name it.
        const std::optional<QString> message =
            recountPayersOneByOne(db, day, range, result.payers, listener);
        if (message) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message = *message;
            return result;
        }
    }
    return result;
}

RecalculationResult recalculate(Database& db, const QDate& period, RecalculationListener& listener)
{
    RecalculationResult result;
    const QString day = period.toString(Qt::ISODate);

    Transaction transaction(db);
    if (!transaction.isActive())
        return failed(u"Ошибка изменения данных.\r\n"_s + db.errorString());
    // Whatever happens below, what was written is kept, as record-by-record writing would.
    const auto finish = [&](RecalculationResult r) {
        transaction.commit();
        return r;
    };

    Query count(db, u"SELECT COUNT(*) FROM SvedNach_T2"_s);
    if (!count.exec() || !count.next())
        return finish(failed(u"Ошибка чтения данных.\r\n"_s + count.errorText()));
    const qint64 chargeCount = count.value(0).toLongLong();
    count.finish();
    if (chargeCount == 0) {
        result.outcome = RecalculationResult::Outcome::NoCharges;
        result.message = u"Отсутствуют сведения о начислениях."_s;
        return finish(result);
    }

    ChargePricer pricer;
    QString error;
    if (!pricer.load(db, day, &error))
        return finish(failed(u"Ошибка чтения данных.\r\n"_s + error));
    const QList<KeyRange> ranges = payerRanges(db, &error);
    if (!error.isEmpty())
        return finish(failed(u"Ошибка чтения данных.\r\n"_s + error));

    // Every charge of a range by one statement that asks the pricer for its three values: a
    // million charges must not wait on a million statements.
    PriceMemo memo;
    const ScopedSqlFunction priceFunction(
        db, "ORBELON_PRICE", 6, [&](const ChargePricer::Value* arguments) -> ChargePricer::Value {
            const std::array<ChargePricer::Value, 5> key{arguments[1], arguments[2], arguments[3],
                                                         arguments[4], arguments[5]};
            if (!memo.filled || memo.key != key) {
                memo.priced = pricer.price(key[0].value_or(0), key[1], key[2], key[3], key[4]);
                memo.key = key;
                memo.filled = true;
            }
            switch (arguments[0].value_or(0)) {
            case 0:
                return memo.priced.tariff;
            case 1:
                return memo.priced.sums.summa;
            default:
                return memo.priced.sums.woBenefit;
            }
        });
    SqliteStatement update(db, uR"(UPDATE SvedNach_T2 SET
Tariff = ORBELON_PRICE(0, T1_ID, ServiceID, Volume, SummaService, SummaServiceWOBenefit),
SummaService = ORBELON_PRICE(1, T1_ID, ServiceID, Volume, SummaService, SummaServiceWOBenefit),
SummaServiceWOBenefit = ORBELON_PRICE(2, T1_ID, ServiceID, Volume, SummaService, SummaServiceWOBenefit),
SummaServiceReg = ORBELON_PRICE(1, T1_ID, ServiceID, Volume, SummaService, SummaServiceWOBenefit),
SummaServiceWOBenefitReg = ORBELON_PRICE(2, T1_ID, ServiceID, Volume, SummaService, SummaServiceWOBenefit)
WHERE T1_ID >= ?1 AND T1_ID < ?2)"_s);
    if (!priceFunction.isValid() || !update.isValid())
        return finish(failed(u"Ошибка чтения данных.\r\n"_s + update.errorText()));
    listener.phaseStarted(RecalculationListener::Phase::Charges, chargeCount);
    for (const KeyRange& range : ranges) {
        update.bindInt64(1, range.from);
        update.bindInt64(2, range.to);
        if (update.exec()) {
            result.charges += update.changes();
            listener.recordDone(result.charges);
            continue;
        }
        // The database refused a charge of the range and kept none of it: the range again,
        // charge by charge, to keep those before it and to name it.
        if (const std::optional<QString> message =
                priceChargesOneByOne(db, pricer, range, result.charges, listener)) {
            result.outcome = RecalculationResult::Outcome::Failed;
            result.message = *message;
            return finish(result);
        }
    }

    const RecalculationResult payers = recountPayers(db, period, listener);
    result.payers = payers.payers;
    if (payers.outcome != RecalculationResult::Outcome::Done) {
        result.outcome = payers.outcome;
        result.message = payers.message;
    }
    return finish(result);
}

} // namespace Bulk
