#include "PayerTotals.h"

#include "Decimal.h"
#include "Format.h"
#include "Query.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const std::array<QString, 4>& sumColumns()
{
    static const std::array<QString, 4> columns = {u"SummaFull"_s, u"SummaWOBenefit"_s,
                                                   u"SummaFullReg"_s, u"SummaWOBenefitReg"_s};
    return columns;
}

QString money(const QVariant& units)
{
    return Decimal::fromVariant(units, 2).toString(2);
}

} // namespace

PayerTotals PayerTotals::of(Database& db, const QVariantMap& payerRow)
{
    PayerTotals totals;
    if (payerRow.isEmpty())
        return totals;
    totals.fullName = payerRow.value(u"FullName"_s).toString();
    const QVariant code = payerRow.value(u"ENumlsID"_s);
    // No code and code 0 both mean that the payer has none.
    totals.payerCode = code.isNull() || code.toLongLong() == 0 ? u"0000000000"_s : Format::payerCode(code);
    const QString account = payerRow.value(u"Numls"_s).toString();
    totals.account = account.isEmpty() ? u"---"_s : account;
    for (size_t i = 0; i < sumColumns().size(); ++i) {
        const QVariant v = payerRow.value(sumColumns()[i]);
        totals.payerSums[i] = v.isNull() ? u"0,00"_s : money(v);
    }
    const QVariant persons = payerRow.value(u"PplCntReg"_s);
    totals.persons = persons.isNull() ? u"0"_s : QString::number(persons.toInt());

    const QVariant t1Id = payerRow.value(u"T1_ID"_s);
    Query sums(db, uR"(SELECT SUM(t2.SummaService) AS SummaFull,
SUM(t2.SummaServiceWOBenefit) AS SummaWOBenefit,
SUM(t2.SummaServiceReg) AS SummaFullReg,
SUM(t2.SummaServiceWOBenefitReg) AS SummaWOBenefitReg
FROM SvedNach_T2 t2
WHERE t2.T1_ID = :T1_ID)"_s);
    sums.bind(u":T1_ID"_s, t1Id);
    if (sums.exec() && sums.next()) {
        for (int i = 0; i < 4; ++i)
            totals.chargeSums[size_t(i)] = money(sums.value(i));
    }
    Query registered(db, uR"(SELECT COUNT(t3.NumT3)  AS CNT_REG
FROM SvedPotrebRelations_T3 t3
WHERE t3.T1_ID = :T1_ID
AND t3.TypeRegID = 1
GROUP BY t3.T1_ID)"_s);
    registered.bind(u":T1_ID"_s, t1Id);
    totals.registered = registered.exec() && registered.next()
                            ? QString::number(registered.value(0).toInt())
                            : u"0"_s;
    return totals;
}
