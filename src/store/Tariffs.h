#pragma once

#include "Decimal.h"

#include <QDate>
#include <QString>
#include <QVariant>

class Database;

/// The tariff bank's one rule, kept here so that every window and every calculation
/// reads a tariff the same way: the tariff of service variant V in force on day D is the
/// period of V that starts on or before D and ends after D, or has no end yet.
namespace Tariffs {

/// The condition on a TariffBank row `tb`, with D bound as :DATE_1 and :DATE_2.
QString inForceCondition();

/// The tariff of `serviceTotalId` in force on `day` (for a month, its first day); null
/// when no period answers or the bank cannot be read (db.errorString() then tells why).
Decimal inForce(Database& db, const QVariant& serviceTotalId, const QDate& day);

} // namespace Tariffs
