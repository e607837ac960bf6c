#pragma once

#include "Decimal.h"
#include "OrganisationBook.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class Database;

/// The tariff bank: for every service variant of the catalogue the tariff over time, as a
/// chain of periods. The periods of one variant are edited as a whole and written back
/// in one go.
namespace RefBooks {

struct TariffPeriod
{
    Decimal summa;     ///< per unit of the service's measure, kopecks
    QDate start;       ///< always a month's first day when the editor wrote it
    QDate end;         ///< the day before the next later start; invalid for the latest
    QDate edited;      ///< when the editor last added or changed it; invalid when restored
    QString dimension; ///< the unit shown beside the period
};

/// Every catalogue row once, with the tariff in force on :DATE_1 (= :DATE_2), filled
/// only for the services the organisation provides.
QString tariffListSql();

/// The periods of a variant, latest first; nothing, with `error`, when they cannot be read.
std::optional<QList<TariffPeriod>> readPeriods(Database& db, int serviceTotalId,
                                               const QString& dimension, QString* error = nullptr);

/// Orders the periods latest first and closes each at the day before the start of the one
/// after it; the latest stays open.
void rebuildChain(QList<TariffPeriod>& periods);

/// Whether a period other than `except` (an index) starts on `start`.
bool startTaken(const QList<TariffPeriod>& periods, const QDate& start, int except = -1);

/// An amount as typed ("12,5", "12.50"); nothing for a text that is no amount the bank
/// can hold (empty, two separators, a letter, beyond 999 999,99). More than two decimals
/// are rounded to kopecks.
std::optional<Decimal> parseTariffAmount(const QString& text);

/// The unit of the variant's service; empty when it has none.
QString dimensionOfVariant(Database& db, int serviceTotalId);

/// Replaces every period of the variant by `periods`, in one transaction; on any failure
/// nothing changes and the message is "Ошибка записи данных.".
BookWrite replacePeriods(Database& db, int serviceTotalId, const QList<TariffPeriod>& periods);

} // namespace RefBooks
