#include "ReportFormat.h"

#include "CommonFnc.h"
#include "Decimal.h"
#include "Format.h"

using namespace Qt::Literals::StringLiterals;

namespace Report {

namespace {

bool isDateLetter(QChar ch)
{
    return ch == u'd' || ch == u'm' || ch == u'y';
}

struct NumberPattern
{
    int decimals = 0;
    bool grouped = false;
};

/// Decimals are the digit places after the point; a blank or a comma among the places
/// before it asks for thousands groups.
NumberPattern numberPattern(const QString& format)
{
    NumberPattern pattern;
    const qsizetype point = format.indexOf(u'.');
    const QString whole = point < 0 ? format : format.left(point);
    for (qsizetype i = 1; i + 1 < whole.size(); ++i) {
        const QChar ch = whole.at(i);
        if ((ch == u' ' || ch == u',') && (whole.at(i - 1) == u'#' || whole.at(i - 1) == u'0'))
            pattern.grouped = true;
    }
    if (point >= 0) {
        for (qsizetype i = point + 1; i < format.size(); ++i) {
            if (format.at(i) == u'0' || format.at(i) == u'#')
                ++pattern.decimals;
        }
    }
    return pattern;
}

QString grouped(const QString& number)
{
    const qsizetype sign = number.startsWith(u'-') ? 1 : 0;
    qsizetype comma = number.indexOf(u',');
    if (comma < 0)
        comma = number.size();
    const qsizetype digits = comma - sign;
    QString out;
    out.reserve(number.size() + digits / 3);
    out += QStringView(number).left(sign);
    for (qsizetype i = 0; i < digits; ++i) {
        if (i > 0 && (digits - i) % 3 == 0)
            out += u' ';
        out += number.at(sign + i);
    }
    out += QStringView(number).mid(comma);
    return out;
}

QDate dateOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date();
    const QString text = value.toString().trimmed();
    const QDate stored = Format::dateFromVariant(text);
    if (stored.isValid())
        return stored;
    return QDate::fromString(text, u"dd.MM.yyyy"_s);
}

} // namespace

FormatKind formatKind(const QString& format)
{
    if (format.isEmpty())
        return FormatKind::None;
    for (const QChar ch : format) {
        if (isDateLetter(ch))
            return FormatKind::Date;
    }
    return format.contains(u'0') || format.contains(u'#') ? FormatKind::Number : FormatKind::None;
}

QString formatNumberText(const QString& text, const QString& format)
{
    const NumberPattern pattern = numberPattern(format);
    QString number = text.trimmed();
    number.replace(u'.', u',');
    try {
        const QString rounded = CommonFnc::RoundDecimalText(number, pattern.decimals);
        return pattern.grouped ? grouped(rounded) : rounded;
    } catch (const CommonFnc::ConversionError&) {
        return text;
    }
}

QString formatDate(const QDate& date, const QString& format)
{
    if (!date.isValid())
        return {};
    QString out;
    bool dayWritten = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar ch = format.at(i);
        if (!isDateLetter(ch)) {
            out += ch;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == ch)
            ++run;
        if (ch == u'd') {
            out += run >= 2 ? u"%1"_s.arg(date.day(), 2, 10, QChar(u'0'))
                            : QString::number(date.day());
            dayWritten = true;
        } else if (ch == u'm') {
            if (run >= 4)
                out += dayWritten ? Format::monthNameGenitive(date.month())
                                  : Format::monthName(date.month());
            else if (run == 3)
                out += Format::monthName(date.month()).left(3);
            else if (run == 2)
                out += u"%1"_s.arg(date.month(), 2, 10, QChar(u'0'));
            else
                out += QString::number(date.month());
        } else {
            out += run >= 4 ? QString::number(date.year())
                            : u"%1"_s.arg(date.year() % 100, 2, 10, QChar(u'0'));
        }
        i += run;
    }
    return out;
}

QString formatValue(const QVariant& value, int scale, const QString& format)
{
    if (value.isNull() || !value.isValid())
        return {};
    const FormatKind kind = formatKind(format);
    if (kind == FormatKind::Date) {
        const QDate date = dateOf(value);
        return date.isValid() ? formatDate(date, format) : value.toString();
    }
    QString plain;
    if (scale > 0) {
        bool ok = false;
        const qint64 units = value.toLongLong(&ok);
        // Money in a format with as many decimals or more needs no rounding: written
        // straight from its units, as a long list prints it on every line.
        if (ok && kind == FormatKind::Number) {
            const NumberPattern pattern = numberPattern(format);
            if (pattern.decimals >= scale) {
                const QString text = Decimal::fromUnits(units, scale).toString(pattern.decimals);
                return pattern.grouped ? grouped(text) : text;
            }
        }
        plain = ok ? Decimal::fromUnits(units, scale).toString() : value.toString();
    } else if (value.typeId() == QMetaType::Double) {
        // Shortest text that reads back as the same number, with the comma.
        plain = QString::number(value.toDouble(), 'g', 15).replace(u'.', u',');
        if (plain.contains(u'e'))
            plain = QString::number(value.toDouble(), 'f', 6).replace(u'.', u',');
    } else if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime) {
        plain = Format::shortDate(dateOf(value));
    } else {
        plain = value.toString();
    }
    if (kind == FormatKind::Number)
        return formatNumberText(plain, format);
    return plain;
}

} // namespace Report
