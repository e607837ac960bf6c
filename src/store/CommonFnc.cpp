#include "CommonFnc.h"

#include "Dialogs.h"

#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QStorageInfo>
#include <QTime>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iconv.h>
#include <limits>
#include <optional>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace CommonFnc {

ConversionError::ConversionError(const QString& message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{}

IoError::IoError(const QString& message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{}

namespace {

const QChar DecimalComma = u',';
const QString BlankMaskedDate = u".  ."_s;

[[noreturn]] void throwBadNumber(const QString& text)
{
    throw ConversionError(u"Неверное число: «%1»"_s.arg(text));
}

[[noreturn]] void throwBadDate(const QString& text)
{
    throw ConversionError(u"Неверная дата: «%1»"_s.arg(text));
}

bool isAsciiDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

bool allDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text) {
        if (!isAsciiDigit(ch))
            return false;
    }
    return true;
}

/// A whole number: an optional sign and digits, nothing else; nothing when it is not
/// one or does not fit in 64 bits.
std::optional<qint64> readInteger(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (!allDigits(text))
        return std::nullopt;
    // Accumulated as a negative number so that the lowest qint64 is still readable.
    qint64 value = 0;
    for (const QChar ch : text) {
        const int digit = ch.unicode() - u'0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            return std::nullopt;
        value = -value;
    }
    return value;
}

/// Digits of a date part; nothing when the part is not digits only.
std::optional<int> readDatePart(QStringView part)
{
    if (!allDigits(part))
        return std::nullopt;
    return part.toInt();
}

int datePartOrThrow(const QString& text, qsizetype from, qsizetype length)
{
    const auto part = readDatePart(QStringView(text).mid(from, length));
    if (!part)
        throwBadDate(text);
    return *part;
}

/// A number with an optional sign, digits and at most one decimal comma; nothing for
/// anything else (no exponent, no point, no blanks).
std::optional<double> readFloat(QStringView text)
{
    QString ascii;
    ascii.reserve(text.size());
    qsizetype at = 0;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        ascii += text.front();
        at = 1;
    }
    bool separatorSeen = false;
    bool digitSeen = false;
    for (; at < text.size(); ++at) {
        const QChar ch = text[at];
        if (ch == DecimalComma && !separatorSeen) {
            separatorSeen = true;
            ascii += u'.';
        } else if (isAsciiDigit(ch)) {
            digitSeen = true;
            ascii += ch;
        } else {
            return std::nullopt;
        }
    }
    if (!digitSeen)
        return std::nullopt;
    bool ok = false;
    const double value = ascii.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

double floatOrThrow(const QString& text)
{
    const auto value = readFloat(text);
    if (!value)
        throwBadNumber(text);
    return *value;
}

bool isMissingDate(const QDate& date)
{
    static const QDate threshold(1901, 1, 1);
    return !date.isValid() || date <= threshold;
}

bool isBlankMaskedDate(const QString& trimmed)
{
    return trimmed.isEmpty() || trimmed == BlankMaskedDate;
}

/// "dd.mm.yyyy" with blanks allowed inside each part; invalid when it is not a date.
QDate readShortDate(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 3)
        return {};
    std::array<int, 3> values{};
    static constexpr std::array<int, 3> minDigits = {1, 1, 4};
    static constexpr std::array<int, 3> maxDigits = {2, 2, 4};
    for (int i = 0; i < 3; ++i) {
        QString digits = parts[i];
        digits.remove(u' ');
        if (digits.size() < minDigits[i] || digits.size() > maxDigits[i])
            return {};
        const auto value = readDatePart(digits);
        if (!value)
            return {};
        values[i] = *value;
    }
    return QDate(values[2], values[1], values[0]);
}

/// `value` with `decimals` places, rounded half away from zero, with `separator`.
/// The exact binary value is rounded (2.675 is slightly below a half and goes down);
/// RoundTo's small addition exists for that reason.
QString fixedText(double value, int decimals, QChar separator)
{
    if (!std::isfinite(value))
        return QString::number(value);
    decimals = qMax(0, decimals);
    // glibc prints the exact decimal expansion; 40 further digits lie far below any
    // double's distance from a tie, so the digit after the last kept one decides.
    const int precision = decimals + 40;
    const double magnitude = std::fabs(value);
    const int size = std::snprintf(nullptr, 0, "%.*f", precision, magnitude);
    std::vector<char> buffer(size_t(size) + 1);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", precision, magnitude);

    const QByteArray printed(buffer.data(), size);
    const qsizetype point = printed.indexOf('.');
    QByteArray digits = printed.left(point) + printed.mid(point + 1, decimals);
    const bool roundUp = printed.at(point + 1 + decimals) >= '5';
    if (roundUp) {
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i >= 0)
            digits[i] = char(digits[i] + 1);
        else
            digits.prepend('1');
    }
    const qsizetype intLength = digits.size() - decimals;
    QString text = QString::fromLatin1(digits.left(intLength));
    if (decimals > 0)
        text += separator + QString::fromLatin1(digits.mid(intLength));
    const bool zero = std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c == '0'; });
    if (value < 0 && !zero)
        text.prepend(u'-');
    return text;
}

int decimalsOfFormat(const QString& format)
{
    const qsizetype point = format.indexOf(u'.');
    return point < 0 ? 0 : int(format.size() - point - 1);
}

bool isControl(QChar ch)
{
    return ch.unicode() < 0x20;
}

bool isRussianLetter(QChar ch)
{
    return ch.unicode() >= 0x0410 && ch.unicode() <= 0x044F;
}

/// Code page 866 both ways, built once from the system's conversion.
class Cp866
{
public:
    static const Cp866& instance()
    {
        static const Cp866 table;
        return table;
    }

    bool available() const { return m_available; }
    /// Every character of the code page lies in the Basic Multilingual Plane, so one UTF-16
    /// unit holds it.
    char16_t decode(uchar byte) const { return m_decode[byte]; }
    char encode(char32_t ch) const
    {
        if (ch < 0x80)
            return char(ch);
        if (ch > 0xFFFF)
            return '?';
        const uchar byte = m_encode[ch];
        return byte == 0 ? '?' : char(byte);
    }

private:
    Cp866()
    {
        iconv_t cd = iconv_open("UTF-32LE", "CP866");
        if (cd == iconv_t(-1))
            return;
        for (int byte = 0; byte < 256; ++byte) {
            char in = char(byte);
            std::array<unsigned char, 4> out{};
            char* inPtr = &in;
            char* outPtr = reinterpret_cast<char*>(out.data());
            size_t inLeft = 1;
            size_t outLeft = out.size();
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || outLeft != 0) {
                m_decode[byte] = 0xFFFD;
                continue;
            }
            const char32_t ch = char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 |
                                char32_t(out[3]) << 24;
            if (ch > 0xFFFF) {
                m_decode[byte] = 0xFFFD;
                continue;
            }
            m_decode[byte] = char16_t(ch);
            if (byte >= 0x80)
                m_encode[ch] = uchar(byte);
        }
        iconv_close(cd);
        m_available = true;
    }

    std::array<char16_t, 256> m_decode{};
    /// Byte of each BMP character at or above 0x80; 0 where the code page has none.
    std::array<uchar, 0x10000> m_encode{};
    bool m_available = false;
};

const Cp866& cp866()
{
    const Cp866& table = Cp866::instance();
    if (!table.available())
        throw IoError(u"В системе нет перекодировки в кодовую страницу 866."_s);
    return table;
}

} // namespace

QDate EmptyDate()
{
    return QDate(1900, 1, 1);
}

// --- Dates ---------------------------------------------------------------------------

QDate DecodeMonthYear(const QString& text)
{
    const int month = datePartOrThrow(text, 0, 2);
    const int year = datePartOrThrow(text, 2, 4);
    const QDate date(year, month, 1);
    if (!date.isValid())
        throwBadDate(text);
    return date;
}

QDate DecodeMonthYearChecked(const QString& text)
{
    if (text.size() <= 5)
        return EmptyDate();
    const int month = datePartOrThrow(text, 0, 2);
    const int year = datePartOrThrow(text, 2, 4);
    if (month == 0 && year == 0)
        return EmptyDate();
    const QDate date(year, month, 1);
    if (!date.isValid() || year <= 1900 || year > 2100)
        return EmptyDate();
    return date;
}

QDate DecodeDayMonthYear(const QString& text)
{
    const int day = datePartOrThrow(text, 0, 2);
    const int month = datePartOrThrow(text, 2, 2);
    const int year = datePartOrThrow(text, 4, 4);
    if (day == 0 && month == 0 && year == 0)
        return EmptyDate();
    const QDate date(year, month, day);
    if (!date.isValid())
        throwBadDate(text);
    return date;
}

QDate DecodeDayMonthYearChecked(const QString& text)
{
    if (text.size() <= 7)
        return EmptyDate();
    const QStringView view(text);
    const int day = readDatePart(view.mid(0, 2)).value_or(0);
    const int month = readDatePart(view.mid(2, 2)).value_or(0);
    const int year = readDatePart(view.mid(4, 4)).value_or(0);
    if (day == 0 && month == 0 && year == 0)
        return EmptyDate();
    const QDate date(year, month, day);
    if (!date.isValid() || year <= 1900 || year > 2100)
        return EmptyDate();
    return date;
}

QString DateToDdmmyyyy(const QDate& date)
{
    return isMissingDate(date) ? u"00000000"_s : date.toString(u"ddMMyyyy"_s);
}

QString DateToMmyyyy(const QDate& date)
{
    return isMissingDate(date) ? u"000000"_s : date.toString(u"MMyyyy"_s);
}

QVariant DateToParam(const QDate& date)
{
    return isMissingDate(date) ? QVariant() : QVariant(date);
}

QDate MaskedTextToDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (isBlankMaskedDate(trimmed))
        return EmptyDate();
    const QDate date = readShortDate(trimmed);
    return date.isValid() ? date : EmptyDate();
}

QVariant MaskedTextToDateParam(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (isBlankMaskedDate(trimmed))
        return QVariant();
    const QDate date = readShortDate(trimmed);
    if (!date.isValid())
        throwBadDate(trimmed);
    return date;
}

QDateTime DateOnly(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return dateTime;
    QDateTime midnight = dateTime;
    midnight.setTime(QTime(0, 0));
    return midnight;
}

// --- Numbers -------------------------------------------------------------------------

QString EncodeFixedNumber(int width, const QString& text)
{
    const QString trimmed = text.trimmed();
    QString kept;
    for (const QChar ch : trimmed) {
        if (ch != u'.' && ch != u',')
            kept += ch;
    }
    if (trimmed.size() > width + 1 || kept.size() > width) {
        Dialogs::current().captionedWarning(u"Сообщение об ошибке"_s, u"Ошибка кодировки числа."_s);
        return {};
    }
    return kept.rightJustified(width, u'0');
}

double DecodeThreeDecimals(const QString& text)
{
    QString digits = text.trimmed();
    QString sign;
    if (!digits.isEmpty() && (digits.front() == u'-' || digits.front() == u'+')) {
        sign = digits.front();
        digits.remove(0, 1);
    }
    if (!allDigits(digits))
        throwBadNumber(text);
    digits = digits.rightJustified(3, u'0');
    return floatOrThrow(sign + digits.left(digits.size() - 3) + DecimalComma + digits.right(3));
}

double RoundTo(int decimals, double value)
{
    return floatOrThrow(fixedText(value + 0.00001, decimals, DecimalComma));
}

QString FormatFloatLocal(const QString& format, double value)
{
    return fixedText(value, decimalsOfFormat(format), DecimalComma);
}

QString KeepFirstDecimalSeparator(const QString& text)
{
    const qsizetype first = text.indexOf(DecimalComma);
    if (first < 0)
        return text;
    QString tail = text.mid(first + 1);
    tail.remove(DecimalComma);
    return text.left(first + 1) + tail;
}

bool FitsNumberFormat(const QString& text, int intDigits, int fracDigits)
{
    const qsizetype separator = text.indexOf(DecimalComma);
    if (separator < 0)
        return text.size() <= intDigits;
    const qsizetype after =
        text.size() - separator - 1 - CountChar(text.mid(separator + 1), DecimalComma);
    return separator <= intDigits && after <= fracDigits;
}

double TextToFloatOrZero(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? 0.0 : floatOrThrow(trimmed);
}

QString RoundDecimalText(const QString& text, int decimals)
{
    const QString trimmed = text.trimmed();
    QStringView digits(trimmed);
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'-' || digits.front() == u'+')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    const qsizetype comma = digits.indexOf(DecimalComma);
    const QStringView whole = comma < 0 ? digits : digits.left(comma);
    const QStringView fraction = comma < 0 ? QStringView() : digits.mid(comma + 1);
    const auto digitsOnly = [](QStringView part) {
        return part.isEmpty() || allDigits(part);
    };
    if ((whole.isEmpty() && fraction.isEmpty()) || !digitsOnly(whole) || !digitsOnly(fraction))
        throwBadNumber(trimmed);

    decimals = qMax(0, decimals);
    // The kept digits as one run, rounded up by the first dropped digit: the text's own
    // decimal digits decide, never a binary approximation of them.
    QString kept =
        whole.toString() + fraction.left(decimals).toString().leftJustified(decimals, u'0');
    if (fraction.size() > decimals && fraction[decimals] >= u'5') {
        qsizetype i = kept.size() - 1;
        for (; i >= 0 && kept[i] == u'9'; --i)
            kept[i] = u'0';
        if (i < 0)
            kept.prepend(u'1');
        else
            kept[i] = QChar(kept[i].unicode() + 1);
    }
    QString integer = kept.left(kept.size() - decimals);
    while (integer.size() > 1 && integer.front() == u'0')
        integer.remove(0, 1);
    if (integer.isEmpty())
        integer = u"0"_s;
    QString result = integer;
    if (decimals > 0)
        result += DecimalComma + kept.right(decimals);
    const bool zero = std::all_of(kept.cbegin(), kept.cend(), [](QChar ch) { return ch == u'0'; });
    return negative && !zero ? u'-' + result : result;
}

QString FormatNumberBoxText(const QString& text, const QString& displayFormat)
{
    const QString kept = KeepFirstDecimalSeparator(text).trimmed();
    return kept.isEmpty() ? QString() : RoundDecimalText(kept, decimalsOfFormat(displayFormat));
}

// --- Parameters ----------------------------------------------------------------------

QVariant TextToIntParam(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QVariant();
    const auto value = readInteger(trimmed);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        throwBadNumber(trimmed);
    return QVariant(int(*value));
}

QVariant TextToInt64Param(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QVariant();
    const auto value = readInteger(trimmed);
    if (!value)
        throwBadNumber(trimmed);
    return QVariant(qlonglong(*value));
}

QVariant TextToFloatParam(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QVariant();
    return QVariant(floatOrThrow(trimmed));
}

QVariant TextToTextParam(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? QVariant() : QVariant(trimmed);
}

QVariant VariantToTextParam(const QVariant& value)
{
    if (value.isNull())
        return QVariant();
    return TextToTextParam(value.toString());
}

namespace {
bool isTextVariant(const QVariant& value)
{
    const int type = value.metaType().id();
    return type == QMetaType::QString || type == QMetaType::QByteArray || type == QMetaType::QChar;
}

bool isFloatVariant(const QVariant& value)
{
    const int type = value.metaType().id();
    return type == QMetaType::Double || type == QMetaType::Float;
}

/// A field value as a whole number; fractions are rounded half away from zero.
qint64 variantToInt64(const QVariant& value)
{
    if (isTextVariant(value)) {
        const QString text = value.toString().trimmed();
        if (const auto whole = readInteger(text))
            return *whole;
        const double number = floatOrThrow(text);
        if (!(std::fabs(number) < 9.2e18))
            throwBadNumber(text);
        return std::llround(number);
    }
    if (isFloatVariant(value)) {
        const double number = value.toDouble();
        if (!(std::fabs(number) < 9.2e18))
            throwBadNumber(value.toString());
        return std::llround(number);
    }
    bool ok = false;
    const qlonglong whole = value.toLongLong(&ok);
    if (!ok)
        throwBadNumber(value.toString());
    return whole;
}
} // namespace

double VariantToFloat(const QVariant& value)
{
    if (value.isNull())
        return 0.0;
    if (isTextVariant(value))
        return floatOrThrow(value.toString().trimmed());
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        throwBadNumber(value.toString());
    return number;
}

int VariantToInt(const QVariant& value)
{
    if (value.isNull())
        return 0;
    const qint64 whole = variantToInt64(value);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        throwBadNumber(value.toString());
    return int(whole);
}

QString VariantToIntText(const QVariant& value)
{
    if (value.isNull())
        return {};
    return QString::number(variantToInt64(value));
}

QVariant ChooseValue(int flag, const QVariant& a, const QVariant& b)
{
    return flag == 1 ? a : b;
}

// --- Check digits --------------------------------------------------------------------

bool IsPayerCodeValid(const QString& code)
{
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty() || trimmed == u"0000000000"_s)
        return true;
    if (trimmed.size() != 10 || !allDigits(trimmed))
        return false;
    static constexpr std::array<int, 9> weights = {6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += weights[i] * (trimmed[i].unicode() - u'0');
    // A remainder of 0 or 1 asks for 11 or 10, which no digit equals.
    return 11 - sum % 11 == trimmed[9].unicode() - u'0';
}

QString SnilsMaskToDigits(const QString& masked)
{
    const QString trimmed = masked.trimmed();
    if (trimmed.size() != 14)
        return u"99999999999"_s;
    return trimmed.mid(0, 3) + trimmed.mid(4, 3) + trimmed.mid(8, 3) + trimmed.mid(12, 2);
}

int CheckSnils(const QString& digits)
{
    QString text = digits.trimmed();
    if (text.isEmpty())
        return 1;
    if (text.size() == 9)
        text.prepend(u"00"_s);
    if (text.size() == 10)
        text.prepend(u'0');
    if (text.size() != 11)
        return 2;
    if (!allDigits(text))
        return 3;
    if (text.left(9).toInt() <= 1001998)
        return 4;
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += (9 - i) * (text[i].unicode() - u'0');
    if (sum == 100 || sum == 101)
        sum = 0;
    else if (sum > 101)
        sum = sum % 101 == 100 ? 0 : sum % 101;
    return sum == text.right(2).toInt() ? 0 : 5;
}

QString SnilsMessage(int code)
{
    switch (code) {
    case 0:
        return u"Код СНИЛС правильный."_s;
    case 1:
        return u"Пустой код СНИЛС."_s;
    case 2:
        return u"Код СНИЛС должен иметь 14 знаков."_s;
    case 3:
        return u"Код СНИЛС должен содержать только цифры."_s;
    case 4:
        return u"Код СНИЛС не проверяется если он меньше или равен 001-001-998-ХХ."_s;
    case 5:
        return u"Ошибочный контрольный разряд."_s;
    default:
        return u"Код ошибки неизвестен."_s;
    }
}

// --- Keystroke filters ---------------------------------------------------------------

QChar FilterRussianLetters(QChar ch)
{
    if (isControl(ch) || ch == u' ' || ch == u'-' || ch == u'.' || isRussianLetter(ch))
        return ch;
    return QChar();
}

QChar FilterAddressText(QChar ch)
{
    static const QString signs = u"\"()*,-./ILVX\u2116"_s;
    if (isControl(ch) || ch == u' ' || isAsciiDigit(ch) || isRussianLetter(ch) ||
        signs.contains(ch))
        return ch;
    return QChar();
}

QChar FilterDigits(QChar ch)
{
    return isControl(ch) || isAsciiDigit(ch) ? ch : QChar();
}

QChar FilterDecimal(QChar ch)
{
    if (ch == u'.')
        ch = DecimalComma;
    return isControl(ch) || isAsciiDigit(ch) || ch == DecimalComma ? ch : QChar();
}

QString RussianOnlyMessage()
{
    return u"Допускается ввод только русских символов."_s;
}

QString NumbersOnlyMessage()
{
    return u"Допускается ввод только чисел."_s;
}

// --- Grids ---------------------------------------------------------------------------

QString NextSortText(const QString& currentSort, const QString& field)
{
    const QString ascending = field + u" ASC"_s;
    const QString descending = field + u" DESC"_s;
    if (currentSort.isEmpty() || currentSort == ascending)
        return descending;
    if (currentSort == descending)
        return ascending;
    // Sorted by another field: "AS" is what is left of its " ASC".
    return TextAfterUntil(currentSort, u" "_s, u'C') == u"AS"_s ? descending : ascending;
}

QString ExcelCellName(int column, int row)
{
    QString letters;
    while (column > 0) {
        const int remainder = (column - 1) % 26;
        letters.prepend(QChar(u'A' + remainder));
        column = (column - 1) / 26;
    }
    return letters + QString::number(row);
}

// --- Texts ---------------------------------------------------------------------------

QString CopyChars(const QString& text, int first, int last)
{
    if (first < 1 || first > last || last > text.size())
        return {};
    return text.mid(first - 1, last - first + 1);
}

QString TextAfterUntil(const QString& text, const QString& separator, QChar stop)
{
    const qsizetype at = text.indexOf(separator);
    if (at < 0)
        return {};
    const QString after = text.mid(at + separator.size());
    const qsizetype end = after.indexOf(stop);
    return end < 0 ? after : after.left(end);
}

int CountChar(const QString& text, QChar ch)
{
    return int(text.count(ch));
}

QString WithTrailingBackslash(const QString& path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

// --- Code pages ----------------------------------------------------------------------

QByteArray AnsiToOem(const QString& text)
{
    const Cp866& table = cp866();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const QChar* in = text.constData();
    const QChar* const end = in + text.size();
    while (in != end) {
        char32_t ch = in->unicode();
        // A character beyond the BMP is one character, so one '?', not one per half.
        if (in->isHighSurrogate() && in + 1 != end && in[1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(in[0], in[1]);
            ++in;
        }
        *out++ = table.encode(ch);
        ++in;
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

QString OemToAnsi(const QByteArray& bytes)
{
    QString text;
    OemToAnsi(bytes, text);
    return text;
}

void OemToAnsi(const QByteArray& bytes, QString& text)
{
    const Cp866& table = cp866();
    text.resize(bytes.size());
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(table.decode(uchar(byte)));
}

QString WriteFailureReason(const QString& reason, const QString& path)
{
    static const struct
    {
        const char* system;
        const char16_t* words;
    } known[] = {
        {"No space left on device", u"на диске нет свободного места"},
        {"Disk quota exceeded", u"превышена дисковая квота"},
        {"Permission denied", u"нет прав на запись"},
        {"Read-only file system", u"диск доступен только для чтения"},
        {"Input/output error", u"ошибка ввода-вывода диска"},
    };
    for (const auto& entry : known) {
        if (reason.contains(QLatin1StringView(entry.system), Qt::CaseInsensitive))
            return QString::fromUtf16(entry.words);
    }
    const QString trimmed = reason.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(u"Unknown error"_s, Qt::CaseInsensitive) == 0) {
        const QStorageInfo storage(QFileInfo(path).absolutePath());
        if (storage.isValid() && storage.bytesAvailable() < 64 * 1024)
            return u"на диске нет свободного места"_s;
        return u"система не сообщила причину"_s;
    }
    return trimmed;
}

void WriteOemLine(QIODevice& device, const QString& text)
{
    const QByteArray line = AnsiToOem(text) + "\r\n";
    if (device.write(line) != line.size())
        throw IoError(u"Ошибка записи в файл: %1"_s.arg(device.errorString()));
}

} // namespace CommonFnc
