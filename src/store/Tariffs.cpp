#include "Tariffs.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"

using namespace Qt::Literals::StringLiterals;

namespace Tariffs {

QString inForceCondition()
{
    return u"(:DATE_1 >= tb.DateStart) AND ((:DATE_2 < tb.DateEnd) OR (tb.DateEnd IS NULL))"_s;
}

Decimal inForce(Database& db, const QVariant& serviceTotalId, const QDate& day)
{
    Query query(
        db,
        u"SELECT tb.SummaT\n  FROM TariffBank tb\nWHERE tb.ServiceTotalID = :ServiceTotalID\n      AND "_s +
            inForceCondition());
    query.bind(u":ServiceTotalID"_s, serviceTotalId);
    // The dates are compared as the stored text "YYYY-MM-DD".
    const QString dayText = day.toString(Qt::ISODate);
    query.bind(u":DATE_1"_s, dayText);
    query.bind(u":DATE_2"_s, dayText);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return {};
    }
    return query.next() ? Decimal::fromVariant(query.value(0), Schema::decimalScale(u"SummaT"))
                        : Decimal();
}

} // namespace Tariffs
