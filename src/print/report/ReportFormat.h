#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

/// Display formats of printed values, written as the templates write them:
///   number  "0.00" → "1234,50";  "# ##0.00" or "### ### ##0.00" → "1 234,50";
///           "0" → "1235" (rounded half away from zero)
///   date    "dd.mm.yyyy" → "09.12.2026";  "d mmmm yyyy" → "9 декабря 2026";
///           "mmmm yyyy г." → "Декабрь 2026 г."
/// A month name after a day is in the genitive ("9 декабря"), alone it is the name the
/// period box lists ("Декабрь"). Any other character of a format is printed as it
/// stands. An empty format prints the value as it is: decimals with all their digits,
/// dates as "dd.mm.yyyy".
namespace Report {

enum class FormatKind
{
    None,
    Number,
    Date
};
FormatKind formatKind(const QString& format);

/// A value in a format. `scale` > 0 says the value is integer units with that many
/// decimals (kopecks for 2), as the database keeps money. A number format applied to
/// a text that is not a number, or a date format to a value that is not a date,
/// prints the value as it is; NULL prints as an empty text.
QString formatValue(const QVariant& value, int scale, const QString& format);

/// A date in a date format ("d mmmm yyyy" and the like).
QString formatDate(const QDate& date, const QString& format);

/// A number given as decimal text ("-1234.5", "1234,5") in a number format; the text
/// itself when it is not a number.
QString formatNumberText(const QString& text, const QString& format);

} // namespace Report
