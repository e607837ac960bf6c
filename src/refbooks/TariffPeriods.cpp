#include "TariffPeriods.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Format.h"
#include "Query.h"
#include "Schema.h"
#include "Tariffs.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace RefBooks {

namespace {

QVariant dateParam(const QDate& date)
{
    return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant();
}

} // namespace

QString tariffListSql()
{
    return uR"(SELECT ss.ServiceID, ss.ServiceName,
              ss.ServiceWideID, ss.ServiceWideName,
              ss.ServiceTotalID,
              sd.Dimension,
              tb.SummaT,
              tb.DateStart, tb.DateEnd
   FROM ( Sprav_Services ss
               LEFT OUTER JOIN TariffBank tb ON
                 (
                   (ss.ServiceTotalID = tb.ServiceTotalID) AND
                   )"_s +
           Tariffs::inForceCondition() + uR"( AND
                   (ss.Opt = 1)
                 )
               )
               LEFT OUTER JOIN Sprav_Dimension sd ON (ss.DimensionID = sd.DimensionID))"_s;
}

std::optional<QList<TariffPeriod>> readPeriods(Database& db, int serviceTotalId,
                                               const QString& dimension, QString* error)
{
    Query query(db, uR"(SELECT tb.ServiceTotalID,
               :Dimension  AS Dimension,
               tb.SummaT, tb.DateStart, tb.DateEnd,
               tb.DateEdit
  FROM TariffBank tb
WHERE tb.ServiceTotalID = :ServiceTotalID
ORDER BY tb.DateStart DESC)"_s);
    query.bind(u":Dimension"_s, dimension);
    query.bind(u":ServiceTotalID"_s, serviceTotalId);
    if (!query.exec()) {
        if (error)
            *error = query.errorText();
        return std::nullopt;
    }
    QList<TariffPeriod> periods;
    const int scale = Schema::decimalScale(u"SummaT");
    while (query.next()) {
        TariffPeriod period;
        period.dimension = query.value(1).toString();
        period.summa = Decimal::fromVariant(query.value(2), scale);
        period.start = Format::dateFromVariant(query.value(3));
        period.end = Format::dateFromVariant(query.value(4));
        period.edited = Format::dateFromVariant(query.value(5));
        periods.append(period);
    }
    return periods;
}

void rebuildChain(QList<TariffPeriod>& periods)
{
    std::stable_sort(
        periods.begin(), periods.end(),
        [](const TariffPeriod& a, const TariffPeriod& b) { return a.start > b.start; });
    for (qsizetype i = periods.size() - 1; i >= 1; --i)
        periods[i].end = periods.at(i - 1).start.addDays(-1);
    if (!periods.isEmpty())
        periods.first().end = QDate();
}

bool startTaken(const QList<TariffPeriod>& periods, const QDate& start, int except)
{
    for (qsizetype i = 0; i < periods.size(); ++i) {
        if (i != except && periods.at(i).start == start)
            return true;
    }
    return false;
}

std::optional<Decimal> parseTariffAmount(const QString& text)
{
    QString number = text.trimmed();
    number.replace(u'.', u',');
    try {
        const QString rounded = CommonFnc::RoundDecimalText(number, 2);
        const std::optional<Decimal> amount = Decimal::parse(rounded, 2);
        // The bank keeps at most eight digits, two of them kopecks.
        if (!amount || amount->isNull() || qAbs(amount->units()) >= 100000000)
            return std::nullopt;
        return amount;
    } catch (const CommonFnc::ConversionError&) {
        return std::nullopt;
    }
}

QString dimensionOfVariant(Database& db, int serviceTotalId)
{
    Query query(db, uR"(SELECT sd.Dimension
   FROM Sprav_Dimension sd, Sprav_Services ss
WHERE ss.ServiceTotalID = :ServiceTotalID
      AND ss.DimensionID = sd.DimensionID)"_s);
    query.bind(u":ServiceTotalID"_s, serviceTotalId);
    if (!query.exec() || !query.next())
        return {};
    return query.value(0).toString();
}

BookWrite replacePeriods(Database& db, int serviceTotalId, const QList<TariffPeriod>& periods)
{
    const BookWrite failed{false, u"Ошибка записи данных."_s};
    Transaction transaction(db);
    if (!transaction.isActive())
        return failed;
    Query remove(db, u"DELETE FROM TariffBank\n WHERE ServiceTotalID = :ServiceTotalID"_s);
    remove.bind(u":ServiceTotalID"_s, serviceTotalId);
    if (!remove.exec())
        return failed;
    for (const TariffPeriod& period : periods) {
        Query insert(
            db, uR"(INSERT INTO TariffBank (ServiceTotalID, SummaT,   DateStart,  DateEnd, DateEdit)
                         VALUES (:ServiceTotalID, :SummaT, :DateStart, :DateEnd, :DateEdit))"_s);
        insert.bind(u":ServiceTotalID"_s, serviceTotalId);
        insert.bind(u":SummaT"_s, period.summa);
        insert.bind(u":DateStart"_s, dateParam(period.start));
        insert.bind(u":DateEnd"_s, dateParam(period.end));
        insert.bind(u":DateEdit"_s, dateParam(period.edited));
        if (!insert.exec())
            return failed;
    }
    if (!transaction.commit())
        return failed;
    return {true, {}};
}

} // namespace RefBooks
