#include "Format.h"

#include "Decimal.h"

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace Format {

namespace {
const std::array<QString, 12>& nominative()
{
    static const std::array<QString, 12> names = {
        u"Январь"_s, u"Февраль"_s, u"Март"_s,     u"Апрель"_s,  u"Май"_s,    u"Июнь"_s,
        u"Июль"_s,   u"Август"_s,  u"Сентябрь"_s, u"Октябрь"_s, u"Ноябрь"_s, u"Декабрь"_s,
    };
    return names;
}

const std::array<QString, 12>& genitive()
{
    static const std::array<QString, 12> names = {
        u"января"_s, u"февраля"_s, u"марта"_s,    u"апреля"_s,  u"мая"_s,    u"июня"_s,
        u"июля"_s,   u"августа"_s, u"сентября"_s, u"октября"_s, u"ноября"_s, u"декабря"_s,
    };
    return names;
}
} // namespace

QString monthName(int month)
{
    return month >= 1 && month <= 12 ? nominative()[month - 1] : QString();
}

QString monthNameGenitive(int month)
{
    return month >= 1 && month <= 12 ? genitive()[month - 1] : QString();
}

QString monthYear(const QDate& date)
{
    if (!date.isValid())
        return {};
    return monthName(date.month()) + u' ' + QString::number(date.year()) + u" г."_s;
}

QString dayMonthYear(const QDate& date)
{
    if (!date.isValid())
        return {};
    return QString::number(date.day()) + u' ' + monthNameGenitive(date.month()) + u' ' +
           QString::number(date.year());
}

QString shortDate(const QDate& date)
{
    return date.isValid() ? date.toString(u"dd.MM.yyyy"_s) : QString();
}

QString payerCode(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return {};
    const QString stored = value.toString().trimmed();
    bool ok = false;
    const qlonglong number = stored.toLongLong(&ok);
    if (!ok || number < 0 || number > 9999999999LL)
        return stored;
    return number == 0 ? u"0"_s : QString::number(number).rightJustified(10, u'0');
}

QDate dateFromVariant(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate();
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().date();
    return QDate::fromString(value.toString().left(10), Qt::ISODate);
}

QString display(const QVariant& value, Display format, int scale)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (format) {
    case Display::Plain:
        return value.toString();
    case Display::Fixed1:
        return Decimal::fromVariant(value, scale).toString(1);
    case Display::Fixed2:
        return Decimal::fromVariant(value, scale).toString(2);
    case Display::Fixed3:
        return Decimal::fromVariant(value, scale).toString(3);
    case Display::MonthYear:
        return monthYear(dateFromVariant(value));
    case Display::Date:
        return shortDate(dateFromVariant(value));
    case Display::DateYear: {
        const QString date = shortDate(dateFromVariant(value));
        return date.isEmpty() ? date : date + QStringLiteral(" г.");
    }
    case Display::PayerCode:
        return payerCode(value);
    }
    return value.toString();
}

} // namespace Format
