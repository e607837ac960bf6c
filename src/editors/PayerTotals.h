#pragma once

#include <QString>
#include <QVariantMap>

#include <array>

class Database;

/// What the payer totals window shows for one payer: the totals stored in the payer
/// record beside the sums of its charges, and its number of persons beside the number
/// of permanently registered ones. Every value is display text.
struct PayerTotals
{
    QString fullName;
    QString payerCode;   ///< "0000000000" for a payer without a code
    QString account;     ///< "---" for a payer without an account number
    std::array<QString, 4> payerSums;  ///< SummaFull .. SummaWOBenefitReg, 0,00 for NULL
    std::array<QString, 4> chargeSums; ///< the same over the charges; empty without charges
    QString persons;     ///< PplCntReg, 0 for NULL
    QString registered;  ///< persons with permanent registration, 0 for none

    /// The totals of the payer `payerRow` (a row of the payer list). An empty row gives
    /// empty texts. A failed read leaves the charge sums and the count empty.
    static PayerTotals of(Database& db, const QVariantMap& payerRow);
};
