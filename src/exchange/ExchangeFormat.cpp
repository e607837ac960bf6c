#include "ExchangeFormat.h"

#include "CommonFnc.h"
#include "Decimal.h"
#include "Schema.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>

#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace Exchange {

namespace {

constexpr qsizetype ChunkBytes = 64 * 1024;
constexpr char EndOfFileByte = '\x1A';

// --- Layout tables -------------------------------------------------------------------

const QString DateEditTitle = u"Дата формирования файла"_s;
const QString OwnerTitle = u"Код организации - владельца жилого фонда"_s;
const QString PayerCodeTitle = u"Код плательщика"_s;
const QString AccountTitle = u"Номер лицевого счета"_s;
const QString MonthTitle = u"Месяц на который произведен расчет"_s;

FieldSpec twoColumns(const QString& title, const QString& column, const QString& column2,
                     FieldKind kind, int fileScale = 0)
{
    FieldSpec spec{title, column, column2, kind, fileScale};
    spec.columnScale = Schema::decimalScale(column);
    spec.trimmed = column == u"Relation"_s;
    spec.organisation = column == u"DezID"_s || column2 == u"DezID"_s;
    spec.snils = column == u"SNILS"_s;
    return spec;
}

FieldSpec field(const QString& title, const QString& column, FieldKind kind, int fileScale = 0)
{
    return twoColumns(title, column, QString(), kind, fileScale);
}

FieldSpec skip()
{
    return field(QString(), QString(), FieldKind::Skip);
}

/// The fields with the positions of their columns in the scratch table of `kind`.
QList<FieldSpec> placed(FileKind kind, QList<FieldSpec> specs)
{
    const QStringList& columns = scratchColumns(kind);
    for (FieldSpec& spec : specs) {
        spec.columnIndex = spec.column.isEmpty() ? -1 : int(columns.indexOf(spec.column));
        spec.column2Index = spec.column2.isEmpty() ? -1 : int(columns.indexOf(spec.column2));
    }
    return specs;
}

QList<FieldSpec> payersLong()
{
    return {
        field(DateEditTitle, u"DateEdit"_s, FieldKind::DateEdit),
        field(OwnerTitle, u"DezVladID"_s, FieldKind::Integer),
        field(u"Код организации - предоставившей сведения о начислениях"_s, u"DezID"_s,
              FieldKind::Integer),
        field(u"Код района"_s, u"MO"_s, FieldKind::Integer),
        field(u"Фамилия"_s, u"Name1"_s, FieldKind::Text),
        field(u"Имя"_s, u"Name2"_s, FieldKind::Text),
        field(u"Отчество"_s, u"Name3"_s, FieldKind::Text),
        field(u"Код улицы"_s, u"StreetID_BTI"_s, FieldKind::Integer),
        field(u"Номер дома"_s, u"HouseNum"_s, FieldKind::Text),
        field(u"Номер строения"_s, u"StroenNum"_s, FieldKind::Text),
        field(u"Номер корпуса"_s, u"KorpNum"_s, FieldKind::Text),
        field(u"Номер квартиры"_s, u"FlatNum"_s, FieldKind::Text),
        field(PayerCodeTitle, u"ENumlsID"_s, FieldKind::PayerCode),
        field(AccountTitle, u"Numls"_s, FieldKind::Text),
        field(MonthTitle, u"Mes"_s, FieldKind::Month),
        field(u"Форма собственности"_s, u"TypeOwnID"_s, FieldKind::Integer),
        field(u"Тип заселения"_s, u"TypeOccupancyID"_s, FieldKind::Integer),
        field(u"Общая площадь"_s, u"SquareTotal"_s, FieldKind::Scaled, 2),
        skip(), // the number of persons: written, recounted on import instead of read
        field(u"Жилая площадь"_s, u"SquareLive"_s, FieldKind::Scaled, 2),
        field(u"Тип запирающего устройства"_s, u"TypeLockID"_s, FieldKind::Integer),
        field(u"Тип плиты"_s, u"TypeStoveID"_s, FieldKind::Integer),
        field(u"Сумма начисленной платы"_s, u"SummaFull"_s, FieldKind::Scaled, 2),
        field(u"Сумма начисленной платы за вычетом льготы"_s, u"SummaWOBenefit"_s,
              FieldKind::Scaled, 2),
        field(u"Сумма начисленной платы на постоянно зарегистрированных"_s, u"SummaFullReg"_s,
              FieldKind::Scaled, 2),
        field(u"Сумма начисленной платы на постоянно зарегистрированных за вычетом льготы"_s,
              u"SummaWOBenefitReg"_s, FieldKind::Scaled, 2),
        field(u"Количество месяцев задолженности"_s, u"ColMesDebts"_s, FieldKind::Scaled, 1),
        field(u"Код дома"_s, u"HouseID_BTI"_s, FieldKind::Integer),
        field(u"Код квартиры"_s, u"FlatID_BTI"_s, FieldKind::Integer),
    };
}

QList<FieldSpec> payersShort()
{
    return {
        field(DateEditTitle, u"DateEdit"_s, FieldKind::DateEdit),
        twoColumns(OwnerTitle, u"DezVladID"_s, u"DezID"_s, FieldKind::Integer),
        field(u"Код района"_s, u"MO"_s, FieldKind::Integer),
        field(u"Фамилия"_s, u"Name1"_s, FieldKind::Text),
        field(u"Имя"_s, u"Name2"_s, FieldKind::Text),
        field(u"Отчество"_s, u"Name3"_s, FieldKind::Text),
        field(u"Код улицы"_s, u"StreetID_BTI"_s, FieldKind::StreetCode),
        field(u"Номер дома"_s, u"HouseNum"_s, FieldKind::Text),
        field(u"Номер строения"_s, u"StroenNum"_s, FieldKind::Text),
        field(u"Номер корпуса"_s, u"KorpNum"_s, FieldKind::Text),
        field(u"Номер квартиры"_s, u"FlatNum"_s, FieldKind::Text),
        field(PayerCodeTitle, u"ENumlsID"_s, FieldKind::PayerCode),
        field(AccountTitle, u"Numls"_s, FieldKind::Text),
        field(MonthTitle, u"Mes"_s, FieldKind::Month),
        skip(),
        field(u"Форма собственности"_s, u"TypeOwnID"_s, FieldKind::Integer),
        field(u"Тип заселения"_s, u"TypeOccupancyID"_s, FieldKind::Integer),
        skip(),
        skip(),
        field(u"Общая площадь"_s, u"SquareTotal"_s, FieldKind::Scaled, 2),
        field(u"Жилая площадь"_s, u"SquareLive"_s, FieldKind::Scaled, 2),
        field(u"Тип запирающего устройства"_s, u"TypeLockID"_s, FieldKind::Integer),
        field(u"Тип плиты"_s, u"TypeStoveID"_s, FieldKind::Integer),
        twoColumns(u"Сумма начисленной платы"_s, u"SummaFull"_s, u"SummaFullReg"_s,
                   FieldKind::Scaled, 2),
        twoColumns(u"Сумма начисленной платы за вычетом льготы"_s, u"SummaWOBenefit"_s,
                   u"SummaWOBenefitReg"_s, FieldKind::Scaled, 2),
        field(u"Количество месяцев задолженности"_s, u"ColMesDebts"_s, FieldKind::Scaled, 1),
    };
}

/// Fields 1 to 7 of file II, the same in both layouts but for how the month is read.
QList<FieldSpec> chargesHead(FieldKind monthKind)
{
    return {
        field(DateEditTitle, u"DateEdit"_s, FieldKind::DateEdit),
        field(OwnerTitle, u"DezVladID"_s, FieldKind::Integer),
        field(AccountTitle, u"Numls"_s, FieldKind::Text),
        field(PayerCodeTitle, u"ENumlsID"_s, FieldKind::PayerCode),
        field(MonthTitle, u"Mes"_s, monthKind),
        field(u"Код услуги"_s, u"ServiceID"_s, FieldKind::Integer),
        field(u"Код организации - поставщика услуг"_s, u"PostID"_s, FieldKind::Integer),
    };
}

QList<FieldSpec> chargesLong()
{
    return chargesHead(FieldKind::MonthStrict) + QList<FieldSpec>{
        field(u"Объем предоставленной услуги"_s, u"Volume"_s, FieldKind::Scaled, 3),
        field(u"Ставка/Тариф на услугу"_s, u"Tariff"_s, FieldKind::Scaled, 2),
        field(u"Сумма платы за услугу"_s, u"SummaService"_s, FieldKind::Scaled, 2),
        field(u"Сумма платы за услугу без учета льготы"_s, u"SummaServiceWOBenefit"_s,
              FieldKind::Scaled, 2),
        field(u"Сумма платы за услугу на постоянно зарегистрированных"_s,
              u"SummaServiceReg"_s, FieldKind::Scaled, 2),
        field(u"Сумма платы за услугу на постоянно зарегистрированных без учета льготы"_s,
              u"SummaServiceWOBenefitReg"_s, FieldKind::Scaled, 2),
        field(u"Признак вида начислений"_s, u"TypeNachID"_s, FieldKind::Integer),
    };
}

QList<FieldSpec> chargesShort()
{
    return chargesHead(FieldKind::Month) + QList<FieldSpec>{
        field(u"Объем предоставленной услуги"_s, u"Volume"_s, FieldKind::Scaled, 2),
        field(u"Ставка/Тариф на услугу"_s, u"Tariff"_s, FieldKind::Scaled, 2),
        twoColumns(u"Сумма платы за услугу"_s, u"SummaService"_s, u"SummaServiceReg"_s,
                   FieldKind::Scaled, 2),
        twoColumns(u"Сумма платы за услугу без учета льготы"_s, u"SummaServiceWOBenefit"_s,
                   u"SummaServiceWOBenefitReg"_s, FieldKind::Scaled, 2),
        field(u"Признак вида начислений"_s, u"TypeNachID"_s, FieldKind::Integer),
    };
}

/// Fields 1 to 9 of file III, the same in both layouts.
QList<FieldSpec> personsHead()
{
    return {
        field(DateEditTitle, u"DateEdit"_s, FieldKind::DateEdit),
        field(OwnerTitle, u"DezVladID"_s, FieldKind::Integer),
        field(PayerCodeTitle, u"ENumlsID"_s, FieldKind::PayerCode),
        field(AccountTitle, u"Numls"_s, FieldKind::Text),
        field(MonthTitle, u"Mes"_s, FieldKind::Month),
        field(u"Номер жильца"_s, u"NumberPeople"_s, FieldKind::Integer),
        field(u"Фамилия"_s, u"Name1"_s, FieldKind::Text),
        field(u"Имя"_s, u"Name2"_s, FieldKind::Text),
        field(u"Отчество"_s, u"Name3"_s, FieldKind::Text),
    };
}

QList<FieldSpec> personsLong()
{
    return personsHead() + QList<FieldSpec>{
        field(u"Дата рождения"_s, u"BirthDate"_s, FieldKind::Date),
        field(u"Пол"_s, u"Sex"_s, FieldKind::Text),
        field(u"Родственные отношения"_s, u"Relation"_s, FieldKind::Text),
        field(u"Отношение к собственности"_s, u"RelationOwnID"_s, FieldKind::Integer),
        field(u"Доля площади"_s, u"SquareShare"_s, FieldKind::Scaled, 2),
        field(u"Вид регистрации"_s, u"TypeRegID"_s, FieldKind::Integer),
        field(u"Дата регистрации"_s, u"DateRegStart"_s, FieldKind::Date),
        field(u"Дата окончания регистрации"_s, u"DateRegEnd"_s, FieldKind::Date),
        field(u"Признак фактического проживания"_s, u"PrFactLiveID"_s, FieldKind::Integer),
        field(u"СНИЛС"_s, u"SNILS"_s, FieldKind::Text),
    };
}

QList<FieldSpec> personsShort()
{
    return personsHead() + QList<FieldSpec>{
        field(u"Родственные отношения"_s, u"Relation"_s, FieldKind::Text),
        field(u"Отношение к собственности"_s, u"RelationOwnID"_s, FieldKind::Integer),
        field(u"Доля площади"_s, u"SquareShare"_s, FieldKind::Scaled, 1),
    };
}

// --- Reading values ------------------------------------------------------------------

/// Optional minus and decimal digits, within [min, max]; nothing for anything else
/// (blanks, a plus sign or a decimal separator included).
std::optional<qint64> readWhole(QStringView text, qint64 min, qint64 max)
{
    bool negative = false;
    if (!text.isEmpty() && text.front() == u'-') {
        negative = true;
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Magnitudes are compared one digit at a time against the bound of their sign, so
    // no digit string can overflow the accumulator.
    const quint64 limit = negative ? quint64(-(min + 1)) + 1 : quint64(max);
    quint64 value = 0;
    for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        const quint64 digit = ch.unicode() - u'0';
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    // Modular conversion (C++20) also gives the smallest value, whose magnitude has no
    // positive counterpart.
    return negative ? qint64(quint64(0) - value) : qint64(value);
}

std::optional<qint64> readInt32(QStringView text)
{
    return readWhole(text, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
}

std::optional<qint64> readInt64(QStringView text)
{
    return readWhole(text, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

/// A field's value and whether it converted. An empty field always converts.
struct Converted
{
    QVariant value;
    bool ok = true;
};

Converted convertMonth(const QString& text, bool strict)
{
    try {
        if (strict)
            return {text.isEmpty() ? QVariant() : QVariant(CommonFnc::DecodeMonthYear(text))};
        return {CommonFnc::DecodeMonthYearChecked(text)};
    } catch (const CommonFnc::ConversionError&) {
        return {QVariant(), false};
    }
}

Converted convert(const FieldSpec& spec, QStringView text)
{
    switch (spec.kind) {
    case FieldKind::Integer:
    case FieldKind::StreetCode: {
        if (text.isEmpty())
            return {};
        const auto value = readInt32(text);
        return value ? Converted{*value} : Converted{QVariant(), false};
    }
    case FieldKind::PayerCode: {
        if (text.isEmpty())
            return {qint64(0)};
        const auto value = readInt64(text);
        return value ? Converted{*value} : Converted{qint64(0), false};
    }
    case FieldKind::Scaled: {
        if (text.isEmpty())
            return {};
        const auto value = readInt32(text);
        if (!value)
            return {QVariant(), false};
        return {Decimal::fromUnits(*value, spec.fileScale).rescaled(spec.columnScale).units()};
    }
    case FieldKind::Text:
        // Never a null string, so that an empty field is stored as empty text, not NULL.
        if (spec.trimmed)
            text = text.trimmed();
        return {text.isEmpty() ? u""_s : text.toString()};
    case FieldKind::DateEdit:
        return {CommonFnc::DecodeDayMonthYearChecked(text.toString())};
    case FieldKind::Date:
        return {CommonFnc::DateToParam(CommonFnc::DecodeDayMonthYearChecked(text.toString()))};
    case FieldKind::Month:
        return convertMonth(text.toString(), false);
    case FieldKind::MonthStrict:
        return convertMonth(text.toString(), true);
    case FieldKind::Skip:
        break;
    }
    return {};
}

// --- Writing values ------------------------------------------------------------------

bool isMissingDate(const QDate& date)
{
    return !date.isValid() || date <= QDate(1901, 1, 1);
}

/// `count` decimal digits at `text`, or -1.
int digitsAt(const QChar* text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t ch = text[i].unicode();
        if (ch < u'0' || ch > u'9')
            return -1;
        value = value * 10 + (ch - u'0');
    }
    return value;
}

/// A date column's value as the database or the caller holds it: a QDate, a date-time
/// or ISO text; invalid for NULL or anything else.
QDate dateOf(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    case QMetaType::QString: {
        // The stored form, "YYYY-MM-DD", read without the general parser: every date of
        // every record of an export passes here.
        const QString& text = *static_cast<const QString*>(value.constData());
        const QChar* d = text.constData();
        if (text.size() >= 10 && d[4] == u'-' && d[7] == u'-') {
            const int year = digitsAt(d, 4);
            const int month = digitsAt(d + 5, 2);
            const int day = digitsAt(d + 8, 2);
            if (year >= 1000 && month >= 0 && day >= 0)
                return QDate(year, month, day);
        }
        return QDate::fromString(text.left(10), Qt::ISODate);
    }
    default:
        return QDate::fromString(value.toString().left(10), Qt::ISODate);
    }
}

/// `value` as `count` decimal digits, zero-padded.
void appendDigits(QString& out, int value, int count)
{
    QChar digits[4];
    for (int i = count - 1; i >= 0; --i) {
        digits[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out.append(digits, count);
}

void appendText(QString& out, const FieldSpec& spec, const QVariant& value)
{
    QString text = value.isNull() ? QString() : value.toString().trimmed();
    // A TAB or LF inside a value would shift every following field of the line.
    text.replace(u'\t', u' ').replace(u'\n', u' ');
    if (spec.snils && text == u"000-000-000 00"_s)
        text.clear();
    if (text.isEmpty())
        out += u' ';
    else
        out += text;
}

void appendField(QString& out, const FieldSpec& spec, const QVariant& value)
{
    switch (spec.kind) {
    case FieldKind::Integer:
    case FieldKind::StreetCode:
    case FieldKind::PayerCode: {
        if (value.isNull()) {
            out += u'0';
            return;
        }
        if (value.typeId() == QMetaType::LongLong) {
            out += QString::number(value.toLongLong());
            return;
        }
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        if (ok)
            out += QString::number(number);
        else
            out += u'0';
        return;
    }
    case FieldKind::Scaled: {
        const Decimal stored = Decimal::fromVariant(value, spec.columnScale);
        if (stored.isNull())
            out += u'0';
        else
            out += QString::number(stored.rescaled(spec.fileScale).units());
        return;
    }
    case FieldKind::Text:
        appendText(out, spec, value);
        return;
    case FieldKind::DateEdit:
    case FieldKind::Date:
    case FieldKind::Month:
    case FieldKind::MonthStrict: {
        const QDate date = dateOf(value);
        if (isMissingDate(date)) {
            out += u'0';
            return;
        }
        const bool withDay = spec.kind == FieldKind::DateEdit || spec.kind == FieldKind::Date;
        if (date.year() < 1000 || date.year() > 9999) {
            out += withDay ? CommonFnc::DateToDdmmyyyy(date) : CommonFnc::DateToMmyyyy(date);
            return;
        }
        if (withDay)
            appendDigits(out, date.day(), 2);
        appendDigits(out, date.month(), 2);
        appendDigits(out, date.year(), 4);
        return;
    }
    case FieldKind::Skip:
        break;
    }
}

} // namespace

// --- LineReader ----------------------------------------------------------------------

LineReader::LineReader(QIODevice* device)
    : m_device(device)
{
}

bool LineReader::next(QByteArray& line)
{
    line.resize(0);
    if (m_atEnd || m_failed)
        return false;

    bool started = false;  // a byte or a line end of this line was seen
    bool cut = false;      // bytes beyond MaxLineBytes were skipped
    for (;;) {
        if (m_pos >= m_buffer.size()) {
            m_buffer.resize(ChunkBytes);
            const qint64 read = m_device ? m_device->read(m_buffer.data(), ChunkBytes) : -1;
            m_pos = 0;
            if (read < 0) {
                m_buffer.resize(0);
                m_failed = true;
                m_error = m_device ? m_device->errorString() : QString();
                if (m_error.isEmpty())
                    m_error = u"Ошибка чтения файла."_s;
                return false;
            }
            m_buffer.resize(read);
            if (read == 0) {
                m_atEnd = true;
                break;
            }
        }

        const char* begin = m_buffer.constData() + m_pos;
        const qsizetype available = m_buffer.size() - m_pos;
        const char* end = begin;
        const char* const limit = begin + available;
        while (end != limit && *end != '\n' && *end != EndOfFileByte)
            ++end;
        const qsizetype length = end - begin;
        const qsizetype room = MaxLineBytes - line.size();
        if (length > room)
            cut = true;
        if (room > 0)
            line.append(begin, qMin(length, room));
        if (length > 0)
            started = true;
        m_pos += length;

        if (end == limit)
            continue;
        if (*end == '\n') {
            ++m_pos;
            started = true;
            break;
        }
        // 0x1A: what came before it on this line is still the last line.
        m_atEnd = true;
        m_buffer.resize(0);
        m_pos = 0;
        break;
    }

    if (!started)
        return false;
    if (!cut && line.endsWith('\r'))
        line.chop(1);
    return true;
}

qint64 LineReader::countLines(QIODevice* device)
{
    LineReader reader(device);
    QByteArray line;
    qint64 count = 0;
    while (reader.next(line))
        ++count;
    return reader.failed() ? -1 : count;
}

// --- Layouts -------------------------------------------------------------------------

Layout layoutFor(FileKind kind, int tabCount)
{
    const int shortTabs = kind == FileKind::Payers ? 25 : 11;
    return tabCount == shortTabs ? Layout::Short : Layout::Long;
}

const QList<FieldSpec>& fields(FileKind kind, Layout layout)
{
    static const QList<FieldSpec> tables[3][2] = {
        {placed(FileKind::Payers, payersShort()), placed(FileKind::Payers, payersLong())},
        {placed(FileKind::Charges, chargesShort()), placed(FileKind::Charges, chargesLong())},
        {placed(FileKind::Persons, personsShort()), placed(FileKind::Persons, personsLong())},
    };
    return tables[int(kind) - 1][layout == Layout::Short ? 0 : 1];
}

const QStringList& scratchColumns(FileKind kind)
{
    static const QStringList payers = {
        u"DateEdit"_s, u"DezID"_s, u"DezVladID"_s, u"MO"_s, u"Name1"_s, u"Name2"_s,
        u"Name3"_s, u"StreetID_BTI"_s, u"HouseNum"_s, u"StroenNum"_s, u"KorpNum"_s,
        u"FlatNum"_s, u"ENumlsID"_s, u"Numls"_s, u"Mes"_s, u"TypeOwnID"_s,
        u"TypeOccupancyID"_s, u"PplCntReg"_s, u"SquareTotal"_s, u"SquareLive"_s,
        u"TypeLockID"_s, u"TypeStoveID"_s, u"SummaFull"_s, u"SummaWOBenefit"_s,
        u"SummaFullReg"_s, u"SummaWOBenefitReg"_s, u"ColMesDebts"_s, u"HouseID_BTI"_s,
        u"FlatID_BTI"_s, u"NumT1"_s,
    };
    static const QStringList charges = {
        u"DateEdit"_s, u"DezVladID"_s, u"ENumlsID"_s, u"Numls"_s, u"Mes"_s,
        u"ServiceID"_s, u"PostID"_s, u"Volume"_s, u"Tariff"_s, u"SummaService"_s,
        u"SummaServiceWOBenefit"_s, u"SummaServiceReg"_s, u"SummaServiceWOBenefitReg"_s,
        u"TypeNachID"_s, u"NumT2"_s,
    };
    static const QStringList persons = {
        u"DateEdit"_s, u"DezVladID"_s, u"ENumlsID"_s, u"Numls"_s, u"Mes"_s,
        u"NumberPeople"_s, u"Name1"_s, u"Name2"_s, u"Name3"_s, u"BirthDate"_s, u"Sex"_s,
        u"Relation"_s, u"RelationOwnID"_s, u"SquareShare"_s, u"TypeRegID"_s,
        u"DateRegStart"_s, u"DateRegEnd"_s, u"PrFactLiveID"_s, u"SNILS"_s, u"NumT3"_s,
    };
    switch (kind) {
    case FileKind::Payers:
        return payers;
    case FileKind::Charges:
        return charges;
    case FileKind::Persons:
        break;
    }
    return persons;
}

QString scratchTable(FileKind kind)
{
    return u"TMP_T%1"_s.arg(int(kind));
}

// --- Parsing -------------------------------------------------------------------------

ParsedLine parseLine(FileKind kind, Layout layout, const QString& line)
{
    ParsedRow row;
    parseLine(kind, layout, line, row);
    ParsedLine parsed;
    const QStringList& columns = scratchColumns(kind);
    parsed.values.reserve(columns.size());
    for (qsizetype i = 0; i < columns.size(); ++i)
        parsed.values.insert(columns[i], row.values[i]);
    parsed.failedTitles = std::move(row.failedTitles);
    parsed.streetCode = std::move(row.streetCode);
    parsed.organisation = std::move(row.organisation);
    parsed.fileDate = std::move(row.fileDate);
    return parsed;
}

void parseLine(FileKind kind, Layout layout, QStringView line, ParsedRow& row)
{
    const QStringList& columns = scratchColumns(kind);
    row.values.resize(columns.size());
    for (QVariant& value : row.values)
        value = QVariant();
    row.failedTitles.clear();
    row.streetCode = QVariant();
    row.organisation = QVariant();
    row.fileDate = QVariant();
    if (kind == FileKind::Persons && layout == Layout::Short) {
        static const qsizetype typeReg = columns.indexOf(u"TypeRegID"_s);
        static const qsizetype factLive = columns.indexOf(u"PrFactLiveID"_s);
        row.values[typeReg] = qint64(1);
        row.values[factLive] = qint64(1);
    }

    qsizetype pos = 0;
    for (const FieldSpec& spec : fields(kind, layout)) {
        // The text up to the next TAB; a field past the end of the line is empty.
        QStringView text;
        if (pos <= line.size()) {
            qsizetype tab = line.indexOf(u'\t', pos);
            if (tab < 0)
                tab = line.size();
            text = line.mid(pos, tab - pos);
            pos = tab + 1;
        }
        if (spec.kind == FieldKind::Skip)
            continue;

        Converted converted = convert(spec, text);
        if (!converted.ok && !text.isEmpty())
            row.failedTitles.append(spec.title);

        if (spec.kind == FieldKind::StreetCode) {
            row.streetCode = std::move(converted.value);
            continue; // the column gets the BTI code once the street is looked up
        }
        if (kind == FileKind::Payers) {
            if (spec.kind == FieldKind::DateEdit)
                row.fileDate = converted.value;
            else if (spec.organisation && converted.ok)
                row.organisation = converted.value;
        }
        if (spec.column2Index >= 0)
            row.values[spec.column2Index] = converted.value;
        row.values[spec.columnIndex] = std::move(converted.value);
    }
}

// --- Parsing on a thread of its own -----------------------------------------------------

/// The reading thread and the caller hand batches of parsed lines to each other: the thread
/// fills a free batch, the caller takes filled ones in order and gives them back when done.
class ParsedLineReader::Worker
{
public:
    static constexpr int BatchLines = 256;
    static constexpr int Batches = 4;

    Worker(FileKind kind, QIODevice* device)
        : m_kind(kind)
        , m_device(device)
    {
        for (Batch& batch : m_batches) {
            batch.rows.resize(BatchLines);
            m_free.push_back(&batch);
        }
        m_thread = std::thread([this] { run(); });
    }

    ~Worker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    ParsedRow* next()
    {
        if (m_current && m_position < m_current->count)
            return &m_current->rows[size_t(m_position++)];
        std::unique_lock lock(m_mutex);
        if (m_current) {
            m_free.push_back(m_current);
            m_current = nullptr;
            m_changed.notify_all();
        }
        m_changed.wait(lock, [this] { return !m_filled.empty() || m_finished; });
        if (m_filled.empty()) {
            if (!m_exception.isEmpty())
                throw CommonFnc::IoError(m_exception);
            return nullptr;
        }
        m_current = m_filled.front();
        m_filled.pop_front();
        m_position = 0;
        lock.unlock();
        return m_current->count > 0 ? &m_current->rows[size_t(m_position++)] : next();
    }

    bool failed() const
    {
        std::lock_guard lock(m_mutex);
        return m_failed;
    }
    QString errorString() const
    {
        std::lock_guard lock(m_mutex);
        return m_error;
    }

private:
    struct Batch
    {
        std::vector<ParsedRow> rows;
        int count = 0;
    };

    void run()
    {
        LineReader reader(m_device);
        QByteArray raw;
        QString text;
        QString exception;
        bool atEnd = false;
        while (!atEnd) {
            Batch* batch = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_free.empty() || m_stop; });
                if (m_stop)
                    return;
                batch = m_free.front();
                m_free.pop_front();
            }
            batch->count = 0;
            try {
                while (batch->count < BatchLines && reader.next(raw)) {
                    // The layout is told by the TABs of the line as it is on disk; code page
                    // 866 keeps TAB as one byte.
                    const Layout layout = layoutFor(m_kind, int(raw.count('\t')));
                    CommonFnc::OemToAnsi(raw, text);
                    parseLine(m_kind, layout, text, batch->rows[size_t(batch->count)]);
                    ++batch->count;
                }
            } catch (const CommonFnc::IoError& e) {
                exception = e.message();
                batch->count = 0;
            }
            atEnd = batch->count < BatchLines;
            std::lock_guard lock(m_mutex);
            m_filled.push_back(batch);
            if (atEnd) {
                m_finished = true;
                m_failed = reader.failed();
                m_error = reader.errorString();
                m_exception = exception;
            }
            m_changed.notify_all();
        }
    }

    const FileKind m_kind;
    QIODevice* const m_device;
    std::array<Batch, Batches> m_batches;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch*> m_free;
    std::deque<Batch*> m_filled;
    bool m_stop = false;
    bool m_finished = false;
    bool m_failed = false;
    QString m_error;
    QString m_exception;
    // Only the caller's thread touches these.
    Batch* m_current = nullptr;
    int m_position = 0;
    std::thread m_thread;
};

ParsedLineReader::ParsedLineReader(FileKind kind, QIODevice* device)
    : m_worker(std::make_unique<Worker>(kind, device))
{
}

ParsedLineReader::~ParsedLineReader() = default;

ParsedRow* ParsedLineReader::next()
{
    return m_worker->next();
}

bool ParsedLineReader::failed() const
{
    return m_worker->failed();
}

QString ParsedLineReader::errorString() const
{
    return m_worker->errorString();
}

// --- Writing -------------------------------------------------------------------------

QString composeLine(FileKind kind, const QVariantMap& row)
{
    const QList<FieldSpec>& specs = fields(kind, Layout::Long);
    QList<QVariant> values;
    values.reserve(specs.size());
    for (const FieldSpec& spec : specs)
        values.append(row.value(spec.kind == FieldKind::Skip ? u"PplCntReg"_s : spec.column));
    return composeLine(kind, values);
}

QString composeLine(FileKind kind, const QList<QVariant>& values)
{
    // The one position the reader skips in the long layout: the number of persons of
    // file I, which the export still writes.
    static const FieldSpec persons = field(QString(), u"PplCntReg"_s, FieldKind::Integer);
    const QList<FieldSpec>& specs = fields(kind, Layout::Long);
    QString line;
    line.reserve(256);
    for (qsizetype i = 0; i < specs.size(); ++i) {
        if (i > 0)
            line += u'\t';
        const FieldSpec& spec = specs[i].kind == FieldKind::Skip ? persons : specs[i];
        appendField(line, spec, i < values.size() ? values[i] : QVariant());
    }
    return line;
}

void writeLine(QIODevice& device, const QString& line)
{
    CommonFnc::WriteOemLine(device, line);
}

} // namespace Exchange
