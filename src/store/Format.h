#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

/// Display formats of list columns and printed fields.
namespace Format {

enum class Display {
    Plain,     ///< the value as text
    Fixed1,    ///< "0.0"
    Fixed2,    ///< "0.00"
    Fixed3,    ///< "0.000"
    MonthYear, ///< "mmmm yyyy г.": "Декабрь 2026 г."
    Date,      ///< "dd.mm.yyyy"
    DateYear,  ///< "dd.mm.yyyy г.": a period's dates in the tariff bank
    PayerCode, ///< a payer code as its 10 digits (see payerCode)
};

/// Month name as the period box lists it, 1 = "Январь"; empty outside 1..12.
QString monthName(int month);
/// Genitive month name, 1 = "января"; empty outside 1..12.
QString monthNameGenitive(int month);

/// "Декабрь 2026 г."; empty for an invalid date.
QString monthYear(const QDate& date);
/// "9 декабря 2026"; empty for an invalid date.
QString dayMonthYear(const QDate& date);
/// "09.12.2026"; empty for an invalid date.
QString shortDate(const QDate& date);

/// A stored payer code (ENumlsID) as the code the operator types: a non-zero code of up
/// to 10 digits shows all 10, leading zeros included ("0123456788"), so that it can be
/// read, checked and saved again as it was given. 0 (no code) shows as "0", NULL as an
/// empty text, anything else as it is stored.
QString payerCode(const QVariant& value);

/// A date column as stored ("YYYY-MM-DD", possibly with a time part); invalid for NULL
/// or a text that is not a date.
QDate dateFromVariant(const QVariant& value);

/// A database value shown in a display format. Decimal columns arrive as integer units
/// and `scale` says how many of their digits are decimals. NULL shows as empty text.
QString display(const QVariant& value, Display format, int scale = 0);

} // namespace Format
