#include "CommonFnc.h"
#include "FakeDialogs.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace CommonFnc;

namespace {

const QDate Empty(1900, 1, 1);

/// A device whose every write fails, as a full disk would.
class FailingDevice final : public QIODevice
{
public:
    FailingDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override
    {
        setErrorString(u"Нет места на диске"_s);
        return -1;
    }
};

/// Runs `call`; true when it threw a ConversionError.
bool throwsConversion(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ConversionError&) {
        return true;
    }
    return false;
}

} // namespace

class TestCommonFnc : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writeFailureReasons_data();
    void writeFailureReasons();
    void decodeDates_data();
    void decodeDates();
    void writeDates_data();
    void writeDates();
    void maskedDates_data();
    void maskedDates();
    void dateOnlyDropsTime();

    void parameters_data();
    void parameters();
    void variantConversions_data();
    void variantConversions();
    void conversionErrorNamesText();

    void encodeFixedNumber_data();
    void encodeFixedNumber();
    void decodeThreeDecimals_data();
    void decodeThreeDecimals();
    void roundTo_data();
    void roundTo();
    void formatFloatLocal_data();
    void formatFloatLocal();
    void fitsNumberFormat_data();
    void fitsNumberFormat();
    void numberBoxExit_data();
    void numberBoxExit();

    void payerCode_data();
    void payerCode();
    void payerCodeRemainderZeroOrOneNeverValid();
    void snilsMaskToDigits_data();
    void snilsMaskToDigits();
    void checkSnils_data();
    void checkSnils();
    void snilsMessageOfUnknownCode();

    void filters_data();
    void filters();

    void nextSortText_data();
    void nextSortText();
    void excelCellName_data();
    void excelCellName();

    void copyChars_data();
    void copyChars();
    void textAfterUntil_data();
    void textAfterUntil();
    void trailingSlash_data();
    void trailingSlash();

    void codePage_data();
    void codePage();
    void codePageRoundTripsEveryCyrillicLetter();
    void writeOemLine();
    void writeOemLineFailureThrows();
};

// --- Dates ---------------------------------------------------------------------------

void TestCommonFnc::decodeDates_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::addColumn<bool>("throws");

    const QString my = u"DecodeMonthYear"_s;
    QTest::newRow("my: december") << my << u"122026"_s << QDate(2026, 12, 1) << false;
    QTest::newRow("my: month 13 throws") << my << u"132026"_s << QDate() << true;
    QTest::newRow("my: zeros throw") << my << u"000000"_s << QDate() << true;
    QTest::newRow("my: letters throw") << my << u"ab2026"_s << QDate() << true;
    QTest::newRow("my: short throws") << my << u"12"_s << QDate() << true;

    const QString myc = u"DecodeMonthYearChecked"_s;
    QTest::newRow("myc: december") << myc << u"122026"_s << QDate(2026, 12, 1) << false;
    QTest::newRow("myc: zeros") << myc << u"000000"_s << Empty << false;
    QTest::newRow("myc: month 13") << myc << u"132026"_s << Empty << false;
    QTest::newRow("myc: month 0") << myc << u"002026"_s << Empty << false;
    QTest::newRow("myc: year 2101") << myc << u"012101"_s << Empty << false;
    QTest::newRow("myc: year 2100") << myc << u"122100"_s << QDate(2100, 12, 1) << false;
    QTest::newRow("myc: year 1900") << myc << u"121900"_s << Empty << false;
    QTest::newRow("myc: year 1901") << myc << u"011901"_s << QDate(1901, 1, 1) << false;
    QTest::newRow("myc: 5 characters") << myc << u"12202"_s << Empty << false;
    QTest::newRow("myc: longer text reads 6") << myc << u"0520269"_s << QDate(2026, 5, 1) << false;
    QTest::newRow("myc: letters throw") << myc << u"ab2026"_s << QDate() << true;

    const QString dmy = u"DecodeDayMonthYear"_s;
    QTest::newRow("dmy: date") << dmy << u"31122026"_s << QDate(2026, 12, 31) << false;
    QTest::newRow("dmy: zeros") << dmy << u"00000000"_s << Empty << false;
    QTest::newRow("dmy: no range check") << dmy << u"01011900"_s << QDate(1900, 1, 1) << false;
    QTest::newRow("dmy: 31 February throws") << dmy << u"31022026"_s << QDate() << true;
    QTest::newRow("dmy: day 0 throws") << dmy << u"00122026"_s << QDate() << true;
    QTest::newRow("dmy: letter throws") << dmy << u"3112202x"_s << QDate() << true;

    const QString dmyc = u"DecodeDayMonthYearChecked"_s;
    QTest::newRow("dmyc: date") << dmyc << u"31122026"_s << QDate(2026, 12, 31) << false;
    QTest::newRow("dmyc: zeros") << dmyc << u"00000000"_s << Empty << false;
    QTest::newRow("dmyc: 31 February") << dmyc << u"31022026"_s << Empty << false;
    QTest::newRow("dmyc: 7 characters") << dmyc << u"0101202"_s << Empty << false;
    QTest::newRow("dmyc: year 1900") << dmyc << u"31121900"_s << Empty << false;
    QTest::newRow("dmyc: year 2101") << dmyc << u"01012101"_s << Empty << false;
    QTest::newRow("dmyc: year 2100") << dmyc << u"31122100"_s << QDate(2100, 12, 31) << false;
    QTest::newRow("dmyc: letters count as 0") << dmyc << u"ab122026"_s << Empty << false;
}

void TestCommonFnc::decodeDates()
{
    QFETCH(QString, routine);
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QFETCH(bool, throws);

    const QHash<QString, std::function<QDate(const QString&)>> routines = {
        {u"DecodeMonthYear"_s, DecodeMonthYear},
        {u"DecodeMonthYearChecked"_s, DecodeMonthYearChecked},
        {u"DecodeDayMonthYear"_s, DecodeDayMonthYear},
        {u"DecodeDayMonthYearChecked"_s, DecodeDayMonthYearChecked},
    };
    QDate actual;
    QCOMPARE(throwsConversion([&] { actual = routines.value(routine)(text); }), throws);
    if (!throws)
        QCOMPARE(actual, expected);
}

void TestCommonFnc::writeDates_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("ddmmyyyy");
    QTest::addColumn<QString>("mmyyyy");

    QTest::newRow("empty date") << Empty << u"00000000"_s << u"000000"_s;
    QTest::newRow("01.01.1901 counts as missing")
        << QDate(1901, 1, 1) << u"00000000"_s << u"000000"_s;
    QTest::newRow("02.01.1901 is written") << QDate(1901, 1, 2) << u"02011901"_s << u"011901"_s;
    QTest::newRow("ordinary") << QDate(2026, 12, 9) << u"09122026"_s << u"122026"_s;
    QTest::newRow("invalid") << QDate() << u"00000000"_s << u"000000"_s;
}

void TestCommonFnc::writeDates()
{
    QFETCH(QDate, date);
    QFETCH(QString, ddmmyyyy);
    QFETCH(QString, mmyyyy);
    QCOMPARE(DateToDdmmyyyy(date), ddmmyyyy);
    QCOMPARE(DateToMmyyyy(date), mmyyyy);
    const bool missing = ddmmyyyy == u"00000000"_s;
    QCOMPARE(DateToParam(date).isNull(), missing);
    if (!missing)
        QCOMPARE(DateToParam(date).toDate(), date);
    // What is written must read back as the same date, or as the empty date.
    QCOMPARE(DecodeDayMonthYearChecked(ddmmyyyy), missing ? Empty : date);
}

void TestCommonFnc::maskedDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");     ///< MaskedTextToDate
    QTest::addColumn<QVariant>("param"); ///< MaskedTextToDateParam; invalid QVariant = throws

    const QVariant null;
    const QVariant throws = QVariant::fromValue(u"throws"_s);
    QTest::newRow("blank mask") << u"  .  .    "_s << Empty << null;
    QTest::newRow("empty") << u""_s << Empty << null;
    QTest::newRow("date") << u"09.12.2026"_s << QDate(2026, 12, 9) << QVariant(QDate(2026, 12, 9));
    QTest::newRow("one-digit day")
        << u" 9.12.2026"_s << QDate(2026, 12, 9) << QVariant(QDate(2026, 12, 9));
    QTest::newRow("blank inside a part")
        << u"1 .12.2026"_s << QDate(2026, 12, 1) << QVariant(QDate(2026, 12, 1));
    QTest::newRow("31 February") << u"31.02.2026"_s << Empty << throws;
    QTest::newRow("partly typed") << u"12.  .    "_s << Empty << throws;
    QTest::newRow("two-digit year") << u"09.12.26  "_s << Empty << throws;
    QTest::newRow("letters") << u"ab.cd.efgh"_s << Empty << throws;
}

void TestCommonFnc::maskedDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QFETCH(QVariant, param);
    QCOMPARE(MaskedTextToDate(text), date);
    const bool throws = param.metaType().id() == QMetaType::QString;
    QVariant actual;
    QCOMPARE(throwsConversion([&] { actual = MaskedTextToDateParam(text); }), throws);
    if (!throws) {
        QCOMPARE(actual.isNull(), param.isNull());
        QCOMPARE(actual.toDate(), param.toDate());
    }
}

void TestCommonFnc::dateOnlyDropsTime()
{
    const QDateTime moment(QDate(2026, 12, 9), QTime(15, 42, 7, 123));
    QCOMPARE(DateOnly(moment), QDateTime(QDate(2026, 12, 9), QTime(0, 0)));
    QVERIFY(!DateOnly(QDateTime()).isValid());
}

// --- Parameters ----------------------------------------------------------------------

void TestCommonFnc::parameters_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected"); ///< invalid QVariant = throws; QVariant(type) = Null

    const QVariant throws;
    const QVariant null(QMetaType::fromType<std::nullptr_t>());

    const QString i = u"TextToIntParam"_s;
    QTest::newRow("int: blanks around") << i << u"  42 "_s << QVariant(42);
    QTest::newRow("int: negative") << i << u"-7"_s << QVariant(-7);
    QTest::newRow("int: empty") << i << u""_s << null;
    QTest::newRow("int: blanks only") << i << u"   "_s << null;
    QTest::newRow("int: largest") << i << u"2147483647"_s << QVariant(2147483647);
    QTest::newRow("int: overflow") << i << u"2147483648"_s << throws;
    QTest::newRow("int: fraction") << i << u"1,5"_s << throws;
    QTest::newRow("int: letter") << i << u"12a"_s << throws;
    QTest::newRow("int: inner blank") << i << u"1 000"_s << throws;
    QTest::newRow("int: sign only") << i << u"-"_s << throws;

    const QString i64 = u"TextToInt64Param"_s;
    QTest::newRow("int64: beyond 32 bits")
        << i64 << u"9000000000"_s << QVariant(qlonglong(9000000000));
    QTest::newRow("int64: lowest")
        << i64 << u"-9223372036854775808"_s << QVariant(std::numeric_limits<qlonglong>::min());
    QTest::newRow("int64: overflow") << i64 << u"9223372036854775808"_s << throws;
    QTest::newRow("int64: empty") << i64 << u" "_s << null;

    const QString f = u"TextToFloatParam"_s;
    QTest::newRow("float: comma") << f << u"12,5"_s << QVariant(12.5);
    QTest::newRow("float: negative") << f << u" -0,25 "_s << QVariant(-0.25);
    QTest::newRow("float: leading comma") << f << u",5"_s << QVariant(0.5);
    QTest::newRow("float: trailing comma") << f << u"5,"_s << QVariant(5.0);
    QTest::newRow("float: whole") << f << u"7"_s << QVariant(7.0);
    QTest::newRow("float: point refused") << f << u"12.5"_s << throws;
    QTest::newRow("float: two commas") << f << u"1,2,3"_s << throws;
    QTest::newRow("float: exponent refused") << f << u"1e5"_s << throws;
    QTest::newRow("float: comma only") << f << u","_s << throws;
    QTest::newRow("float: empty") << f << u""_s << null;

    const QString z = u"TextToFloatOrZero"_s;
    QTest::newRow("zero: empty is 0") << z << u""_s << QVariant(0.0);
    QTest::newRow("zero: blanks are 0") << z << u"   "_s << QVariant(0.0);
    QTest::newRow("zero: number") << z << u" 65,4 "_s << QVariant(65.4);
    QTest::newRow("zero: letters") << z << u"abc"_s << throws;

    const QString t = u"TextToTextParam"_s;
    QTest::newRow("text: trimmed") << t << u"  Ленина  "_s << QVariant(u"Ленина"_s);
    QTest::newRow("text: blanks only") << t << u"   "_s << null;
}

void TestCommonFnc::parameters()
{
    QFETCH(QString, routine);
    QFETCH(QString, text);
    QFETCH(QVariant, expected);

    const QHash<QString, std::function<QVariant(const QString&)>> routines = {
        {u"TextToIntParam"_s, TextToIntParam},
        {u"TextToInt64Param"_s, TextToInt64Param},
        {u"TextToFloatParam"_s, TextToFloatParam},
        {u"TextToTextParam"_s, TextToTextParam},
        {u"TextToFloatOrZero"_s,
         [](const QString& s) {
             return QVariant(TextToFloatOrZero(s));
         }},
    };
    const bool throws = !expected.isValid();
    const bool null = expected.metaType() == QMetaType::fromType<std::nullptr_t>();
    QVariant actual;
    QCOMPARE(throwsConversion([&] { actual = routines.value(routine)(text); }), throws);
    if (throws)
        return;
    QCOMPARE(actual.isNull(), null);
    if (!null) {
        QCOMPARE(actual.metaType(), expected.metaType());
        QCOMPARE(actual, expected);
    }
}

void TestCommonFnc::variantConversions_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("asInt");
    QTest::addColumn<double>("asFloat");
    QTest::addColumn<QString>("asIntText");
    QTest::addColumn<QVariant>("asTextParam");

    QTest::newRow("null") << QVariant() << 0 << 0.0 << u""_s << QVariant();
    QTest::newRow("typed null") << QVariant(QMetaType::fromType<int>()) << 0 << 0.0 << u""_s
                                << QVariant();
    QTest::newRow("integer") << QVariant(42) << 42 << 42.0 << u"42"_s << QVariant(u"42"_s);
    QTest::newRow("float rounds half away")
        << QVariant(12.5) << 13 << 12.5 << u"13"_s << QVariant(u"12.5"_s);
    QTest::newRow("negative float")
        << QVariant(-12.5) << -13 << -12.5 << u"-13"_s << QVariant(u"-12.5"_s);
    QTest::newRow("text number") << QVariant(u" 7 "_s) << 7 << 7.0 << u"7"_s << QVariant(u"7"_s);
    QTest::newRow("text with comma")
        << QVariant(u"2,5"_s) << 3 << 2.5 << u"3"_s << QVariant(u"2,5"_s);
    QTest::newRow("blank text") << QVariant(u"  "_s) << -1 << -1.0 << u"!"_s << QVariant();
}

void TestCommonFnc::variantConversions()
{
    QFETCH(QVariant, value);
    QFETCH(int, asInt);
    QFETCH(double, asFloat);
    QFETCH(QString, asIntText);
    QFETCH(QVariant, asTextParam);

    // -1 / "!" mark a value that is not a number.
    const bool notNumber = asIntText == u"!"_s;
    int i = 0;
    double f = 0;
    QString text;
    QCOMPARE(throwsConversion([&] { i = VariantToInt(value); }), notNumber);
    QCOMPARE(throwsConversion([&] { f = VariantToFloat(value); }), notNumber);
    QCOMPARE(throwsConversion([&] { text = VariantToIntText(value); }), notNumber);
    if (!notNumber) {
        QCOMPARE(i, asInt);
        QCOMPARE(f, asFloat);
        QCOMPARE(text, asIntText);
    }
    const QVariant param = VariantToTextParam(value);
    QCOMPARE(param.isNull(), asTextParam.isNull());
    QCOMPARE(param.toString(), asTextParam.toString());
}

void TestCommonFnc::conversionErrorNamesText()
{
    try {
        TextToIntParam(u"12a"_s);
        QFAIL("no error for 12a");
    } catch (const ConversionError& e) {
        QCOMPARE(e.message(), u"Неверное число: «12a»"_s);
        QCOMPARE(QString::fromUtf8(e.what()), e.message());
    }
    try {
        MaskedTextToDateParam(u"31.02.2026"_s);
        QFAIL("no error for 31.02.2026");
    } catch (const ConversionError& e) {
        QCOMPARE(e.message(), u"Неверная дата: «31.02.2026»"_s);
    }
    // A payer with an overflowing number must not be saved with another value.
    QVERIFY(throwsConversion([] { VariantToInt(QVariant(qlonglong(9000000000))); }));
}

// --- Numbers -------------------------------------------------------------------------

void TestCommonFnc::encodeFixedNumber_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); ///< empty = overflow reported

    QTest::newRow("12,50 in 7") << 7 << u"12,50"_s << u"0001250"_s;
    QTest::newRow("1234,5 in 5") << 5 << u"1234,5"_s << u"12345"_s;
    QTest::newRow("amount in thousandths") << 10 << u" 15,500 "_s << u"0000015500"_s;
    QTest::newRow("point as separator") << 3 << u"1.5"_s << u"015"_s;
    QTest::newRow("width + 1 with separator") << 5 << u"12,345"_s << u"12345"_s;
    QTest::newRow("empty gives zeros") << 3 << u""_s << u"000"_s;
    QTest::newRow("1234567 in 5") << 5 << u"1234567"_s << u""_s;
    QTest::newRow("width + 1 digits") << 5 << u"123456"_s << u""_s;
    QTest::newRow("too many decimals") << 5 << u"1,23456"_s << u""_s;
}

void TestCommonFnc::encodeFixedNumber()
{
    QFETCH(int, width);
    QFETCH(QString, text);
    QFETCH(QString, expected);

    FakeDialogs dialogs;
    QCOMPARE(EncodeFixedNumber(width, text), expected);
    if (expected.isEmpty()) {
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].kind, FakeDialogs::Kind::Warning);
        QCOMPARE(dialogs.messages[0].caption, u"Сообщение об ошибке"_s);
        QCOMPARE(dialogs.messages[0].text, u"Ошибка кодировки числа."_s);
    } else {
        QVERIFY(dialogs.messages.isEmpty());
    }
}

void TestCommonFnc::decodeThreeDecimals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::addColumn<bool>("throws");

    QTest::newRow("12345") << u"12345"_s << 12.345 << false;
    QTest::newRow("123") << u"123"_s << 0.123 << false;
    QTest::newRow("ten-digit field") << u"0000015500"_s << 15.5 << false;
    QTest::newRow("zero field") << u"0"_s << 0.0 << false;
    QTest::newRow("short text holds thousandths") << u"5"_s << 0.005 << false;
    QTest::newRow("negative") << u"-12345"_s << -12.345 << false;
    QTest::newRow("letters") << u"12a45"_s << 0.0 << true;
    QTest::newRow("separator inside") << u"12,345"_s << 0.0 << true;
    QTest::newRow("empty") << u""_s << 0.0 << true;
}

void TestCommonFnc::decodeThreeDecimals()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QFETCH(bool, throws);
    double actual = 0;
    QCOMPARE(throwsConversion([&] { actual = DecodeThreeDecimals(text); }), throws);
    if (!throws)
        QCOMPARE(actual, expected);
}

void TestCommonFnc::roundTo_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");

    // 2.675 and 1.005 are stored just below their halves; the addition lifts them.
    QTest::newRow("2.675") << 2 << 2.675 << 2.68;
    QTest::newRow("1.005") << 2 << 1.005 << 1.01;
    QTest::newRow("volume 1.2345") << 3 << 1.2345 << 1.235;
    QTest::newRow("within 0.00001 below a half") << 2 << 0.124995 << 0.13;
    QTest::newRow("further below a half") << 2 << 0.12496 << 0.12;
    QTest::newRow("no decimals") << 0 << 2.5 << 3.0;
    QTest::newRow("carry") << 2 << 9.9999 << 10.0;
    QTest::newRow("large money") << 2 << 1234567.891 << 1234567.89;
    // The addition pulls negative halves towards zero.
    QTest::newRow("-2.675") << 2 << -2.675 << -2.67;
    QTest::newRow("-1.006") << 2 << -1.006 << -1.01;
    QTest::newRow("small negative is 0") << 2 << -0.001 << 0.0;
}

void TestCommonFnc::roundTo()
{
    QFETCH(int, decimals);
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(RoundTo(decimals, value), expected);
}

void TestCommonFnc::formatFloatLocal_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("money") << u"0.00"_s << 1234.5 << u"1234,50"_s;
    QTest::newRow("volume") << u"0.000"_s << 15.5 << u"15,500"_s;
    QTest::newRow("area") << u"0.0"_s << 65.44 << u"65,4"_s;
    QTest::newRow("whole") << u"0"_s << 7.0 << u"7"_s;
    QTest::newRow("exact half goes up") << u"0.0"_s << 0.25 << u"0,3"_s;
    QTest::newRow("exact half away from zero") << u"0"_s << -2.5 << u"-3"_s;
    QTest::newRow("carry into whole") << u"0.00"_s << 9.999 << u"10,00"_s;
    QTest::newRow("negative") << u"0.00"_s << -12.3 << u"-12,30"_s;
    QTest::newRow("negative rounding to zero") << u"0.00"_s << -0.001 << u"0,00"_s;
    QTest::newRow("zero") << u"0.000"_s << 0.0 << u"0,000"_s;
    QTest::newRow("below one") << u"0.00"_s << 0.5 << u"0,50"_s;
    QTest::newRow("large") << u"0.00"_s << 9999999.99 << u"9999999,99"_s;
}

void TestCommonFnc::formatFloatLocal()
{
    QFETCH(QString, format);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatFloatLocal(format, value), expected);
}

void TestCommonFnc::fitsNumberFormat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("intDigits");
    QTest::addColumn<int>("fracDigits");
    QTest::addColumn<bool>("fits");

    QTest::newRow("7.2: 1234567,89") << u"1234567,89"_s << 7 << 2 << true;
    QTest::newRow("7.2: 12345678") << u"12345678"_s << 7 << 2 << false;
    QTest::newRow("7.2: 1,234") << u"1,234"_s << 7 << 2 << false;
    QTest::newRow("7.2: 1234567") << u"1234567"_s << 7 << 2 << true;
    QTest::newRow("7.2: empty") << u""_s << 7 << 2 << true;
    QTest::newRow("7.2: leading comma") << u",12"_s << 7 << 2 << true;
    QTest::newRow("7.2: later commas not counted") << u"1,2,3"_s << 7 << 2 << true;
    QTest::newRow("2.1: 99,9") << u"99,9"_s << 2 << 1 << true;
    QTest::newRow("2.1: 100") << u"100"_s << 2 << 1 << false;
    QTest::newRow("6.3: 12345678,1") << u"12345678,1"_s << 6 << 3 << false;
}

void TestCommonFnc::fitsNumberFormat()
{
    QFETCH(QString, text);
    QFETCH(int, intDigits);
    QFETCH(int, fracDigits);
    QFETCH(bool, fits);
    QCOMPARE(FitsNumberFormat(text, intDigits, fracDigits), fits);
}

void TestCommonFnc::numberBoxExit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected"); ///< "!" = throws

    QTest::newRow("money") << u"12,5"_s << u"0.00"_s << u"12,50"_s;
    QTest::newRow("extra commas dropped") << u"1,2,5"_s << u"0.00"_s << u"1,25"_s;
    QTest::newRow("whole to volume") << u"7"_s << u"0.000"_s << u"7,000"_s;
    QTest::newRow("rounded to area") << u"65,46"_s << u"0.0"_s << u"65,5"_s;
    QTest::newRow("empty stays empty") << u""_s << u"0.00"_s << u""_s;
    QTest::newRow("blanks become empty") << u"   "_s << u"0.00"_s << u""_s;
    QTest::newRow("not a number") << u"12а"_s << u"0.00"_s << u"!"_s;
}

void TestCommonFnc::numberBoxExit()
{
    QFETCH(QString, text);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    const bool throws = expected == u"!"_s;
    QString actual;
    QCOMPARE(throwsConversion([&] { actual = FormatNumberBoxText(text, format); }), throws);
    if (!throws)
        QCOMPARE(actual, expected);
}

// --- Check digits --------------------------------------------------------------------

void TestCommonFnc::payerCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("valid");

    // 123456789: weighted sum 255, remainder 2, check digit 9.
    QTest::newRow("valid") << u"1234567899"_s << true;
    QTest::newRow("wrong check digit") << u"1234567890"_s << false;
    // 770000000: sum 63, remainder 8, check digit 3.
    QTest::newRow("valid 2") << u"7700000003"_s << true;
    QTest::newRow("blanks around") << u" 1234567899 "_s << true;
    QTest::newRow("empty") << u""_s << true;
    QTest::newRow("blanks") << u"   "_s << true;
    QTest::newRow("all zeros: no code") << u"0000000000"_s << true;
    QTest::newRow("zeros then 1: remainder 0") << u"0000000001"_s << false;
    QTest::newRow("9 characters") << u"123456789"_s << false;
    QTest::newRow("11 characters") << u"12345678999"_s << false;
    QTest::newRow("letter") << u"12345678a9"_s << false;
    QTest::newRow("sign") << u"+234567899"_s << false;
}

void TestCommonFnc::payerCode()
{
    QFETCH(QString, code);
    QFETCH(bool, valid);
    QCOMPARE(IsPayerCodeValid(code), valid);
}

void TestCommonFnc::payerCodeRemainderZeroOrOneNeverValid()
{
    // 595748906: remainder 0; 500100732: remainder 1 (expected 11 and 10).
    for (const QString& prefix : {u"595748906"_s, u"500100732"_s}) {
        for (int digit = 0; digit <= 9; ++digit) {
            const QString code = prefix + QString::number(digit);
            QVERIFY2(!IsPayerCodeValid(code), qPrintable(code));
        }
    }
}

void TestCommonFnc::snilsMaskToDigits_data()
{
    QTest::addColumn<QString>("masked");
    QTest::addColumn<QString>("digits");

    QTest::newRow("mask") << u"123-456-789 01"_s << u"12345678901"_s;
    QTest::newRow("blanks around") << u"  123-456-789 01 "_s << u"12345678901"_s;
    QTest::newRow("13 characters") << u"123-456-789 0"_s << u"99999999999"_s;
    QTest::newRow("empty") << u""_s << u"99999999999"_s;
}

void TestCommonFnc::snilsMaskToDigits()
{
    QFETCH(QString, masked);
    QFETCH(QString, digits);
    QCOMPARE(SnilsMaskToDigits(masked), digits);
}

void TestCommonFnc::checkSnils_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<int>("code");

    QTest::newRow("empty") << u""_s << 1;
    QTest::newRow("blanks") << u"   "_s << 1;
    QTest::newRow("too short") << u"12345678"_s << 2;
    QTest::newRow("too long") << u"123456789012"_s << 2;
    QTest::newRow("letter") << u"1234567890a"_s << 3;
    QTest::newRow("separators") << u"123-456-789"_s << 3;
    QTest::newRow("zeros not checked") << u"00000000000"_s << 4;
    QTest::newRow("001-001-998 not checked") << u"00100199800"_s << 4;
    QTest::newRow("001-001-999 checked") << u"00100199965"_s << 0;
    QTest::newRow("sum 99") << u"01302839199"_s << 0;
    QTest::newRow("sum 100 needs 00") << u"05023431600"_s << 0;
    QTest::newRow("sum 100 with 100") << u"05023431601"_s << 5;
    QTest::newRow("sum 101 needs 00") << u"02161444100"_s << 0;
    QTest::newRow("sum 150 gives 49") << u"10723588549"_s << 0;
    QTest::newRow("sum 150 wrong") << u"10723588548"_s << 5;
    QTest::newRow("sum 201 needs 00") << u"28191905700"_s << 0;
    QTest::newRow("9 characters padded with 00") << u"123456784"_s << 0;
    QTest::newRow("10 characters padded with 0") << u"1234567819"_s << 0;
    QTest::newRow("unreadable mask") << SnilsMaskToDigits(u"12-34"_s) << 5;
}

void TestCommonFnc::checkSnils()
{
    QFETCH(QString, digits);
    QFETCH(int, code);
    QCOMPARE(CheckSnils(digits), code);
}

void TestCommonFnc::snilsMessageOfUnknownCode()
{
    QCOMPARE(SnilsMessage(6), u"Код ошибки неизвестен."_s);
    QCOMPARE(SnilsMessage(-1), u"Код ошибки неизвестен."_s);
    QCOMPARE(SnilsMessage(5), u"Ошибочный контрольный разряд."_s);
}

// --- Keystroke filters ---------------------------------------------------------------

void TestCommonFnc::filters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QChar>("typed");
    QTest::addColumn<QChar>("expected"); ///< QChar() = swallowed

    const QChar no;
    const QString r = u"RussianLetters"_s;
    QTest::newRow("ru: А") << r << QChar(u'А') << QChar(u'А');
    QTest::newRow("ru: я") << r << QChar(u'я') << QChar(u'я');
    QTest::newRow("ru: ё") << r << QChar(u'ё') << no;
    QTest::newRow("ru: Ё") << r << QChar(u'Ё') << no;
    QTest::newRow("ru: blank") << r << QChar(u' ') << QChar(u' ');
    QTest::newRow("ru: hyphen") << r << QChar(u'-') << QChar(u'-');
    QTest::newRow("ru: point") << r << QChar(u'.') << QChar(u'.');
    QTest::newRow("ru: backspace") << r << QChar(u'\b') << QChar(u'\b');
    QTest::newRow("ru: latin A") << r << QChar(u'A') << no;
    QTest::newRow("ru: digit") << r << QChar(u'1') << no;
    QTest::newRow("ru: №") << r << QChar(u'№') << no;
    QTest::newRow("ru: comma") << r << QChar(u',') << no;
    QTest::newRow("ru: Ukrainian і") << r << QChar(u'і') << no;

    const QString a = u"AddressText"_s;
    QTest::newRow("addr: Ж") << a << QChar(u'Ж') << QChar(u'Ж');
    QTest::newRow("addr: digit") << a << QChar(u'7') << QChar(u'7');
    QTest::newRow("addr: №") << a << QChar(u'№') << QChar(u'№');
    for (const char16_t sign : u"\"()*,-./ ILVX") {
        if (sign != 0)
            QTest::addRow("addr: %c", char(sign)) << a << QChar(sign) << QChar(sign);
    }
    QTest::newRow("addr: tab") << a << QChar(u'\t') << QChar(u'\t');
    QTest::newRow("addr: ё") << a << QChar(u'ё') << no;
    QTest::newRow("addr: latin i") << a << QChar(u'i') << no;
    QTest::newRow("addr: latin M") << a << QChar(u'M') << no;
    QTest::newRow("addr: #") << a << QChar(u'#') << no;
    QTest::newRow("addr: guillemet") << a << QChar(u'«') << no;

    const QString d = u"Digits"_s;
    QTest::newRow("digits: 0") << d << QChar(u'0') << QChar(u'0');
    QTest::newRow("digits: 9") << d << QChar(u'9') << QChar(u'9');
    QTest::newRow("digits: enter") << d << QChar(u'\r') << QChar(u'\r');
    QTest::newRow("digits: comma") << d << QChar(u',') << no;
    QTest::newRow("digits: Arabic-Indic 3") << d << QChar(u'\u0663') << no;

    const QString n = u"Decimal"_s;
    QTest::newRow("decimal: point becomes comma") << n << QChar(u'.') << QChar(u',');
    QTest::newRow("decimal: comma") << n << QChar(u',') << QChar(u',');
    QTest::newRow("decimal: digit") << n << QChar(u'5') << QChar(u'5');
    QTest::newRow("decimal: backspace") << n << QChar(u'\b') << QChar(u'\b');
    QTest::newRow("decimal: minus") << n << QChar(u'-') << no;
    QTest::newRow("decimal: e") << n << QChar(u'e') << no;
}

void TestCommonFnc::filters()
{
    QFETCH(QString, filter);
    QFETCH(QChar, typed);
    QFETCH(QChar, expected);
    const QHash<QString, QChar (*)(QChar)> filters = {
        {u"RussianLetters"_s, FilterRussianLetters},
        {u"AddressText"_s, FilterAddressText},
        {u"Digits"_s, FilterDigits},
        {u"Decimal"_s, FilterDecimal},
    };
    QCOMPARE(filters.value(filter)(typed), expected);
}

// --- Grids ---------------------------------------------------------------------------

void TestCommonFnc::nextSortText_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("next");

    QTest::newRow("unsorted: descending first") << u""_s << u"NumT1 DESC"_s;
    QTest::newRow("same field ascending") << u"NumT1 ASC"_s << u"NumT1 DESC"_s;
    QTest::newRow("same field descending") << u"NumT1 DESC"_s << u"NumT1 ASC"_s;
    QTest::newRow("other field ascending") << u"Name1 ASC"_s << u"NumT1 DESC"_s;
    QTest::newRow("other field descending") << u"Name1 DESC"_s << u"NumT1 ASC"_s;
    QTest::newRow("other field, no direction") << u"Name1"_s << u"NumT1 ASC"_s;
    QTest::newRow("field name prefix") << u"NumT1x ASC"_s << u"NumT1 DESC"_s;
}

void TestCommonFnc::nextSortText()
{
    QFETCH(QString, current);
    QFETCH(QString, next);
    QCOMPARE(NextSortText(current, u"NumT1"_s), next);
}

void TestCommonFnc::excelCellName_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");

    QTest::newRow("1") << 1 << 2 << u"A2"_s;
    QTest::newRow("26") << 26 << 1 << u"Z1"_s;
    QTest::newRow("27") << 27 << 3 << u"AA3"_s;
    QTest::newRow("28") << 28 << 2 << u"AB2"_s;
    QTest::newRow("52") << 52 << 1 << u"AZ1"_s;
    QTest::newRow("53") << 53 << 1 << u"BA1"_s;
    QTest::newRow("702") << 702 << 10 << u"ZZ10"_s;
    QTest::newRow("703") << 703 << 1 << u"AAA1"_s;
}

void TestCommonFnc::excelCellName()
{
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, name);
    QCOMPARE(ExcelCellName(column, row), name);
}

// --- Texts ---------------------------------------------------------------------------

void TestCommonFnc::copyChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole") << u"Tariff-1"_s << 1 << 8 << u"Tariff-1"_s;
    QTest::newRow("tag") << u"Tariff-1"_s << 1 << 7 << u"Tariff-"_s;
    QTest::newRow("one character") << u"Tariff-1"_s << 8 << 8 << u"1"_s;
    QTest::newRow("last beyond end") << u"Tariff-1"_s << 7 << 9 << u""_s;
    QTest::newRow("first after last") << u"Tariff-1"_s << 3 << 2 << u""_s;
    QTest::newRow("first below 1") << u"Tariff-1"_s << 0 << 2 << u""_s;
    QTest::newRow("empty text") << u""_s << 1 << 1 << u""_s;
}

void TestCommonFnc::copyChars()
{
    QFETCH(QString, text);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, expected);
    QCOMPARE(CopyChars(text, first, last), expected);
}

void TestCommonFnc::textAfterUntil_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QChar>("stop");
    QTest::addColumn<QString>("expected");

    QTest::newRow("sort direction") << u"NumT1 ASC"_s << u" "_s << QChar(u'C') << u"AS"_s;
    QTest::newRow("first separator") << u"a=b=c;d"_s << u"="_s << QChar(u';') << u"b=c"_s;
    QTest::newRow("no stop: to the end") << u"a=bc"_s << u"="_s << QChar(u';') << u"bc"_s;
    QTest::newRow("no separator") << u"abc"_s << u"="_s << QChar(u'c') << u""_s;
    QTest::newRow("longer separator") << u"key: value"_s << u": "_s << QChar(u'x') << u"value"_s;
}

void TestCommonFnc::textAfterUntil()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QChar, stop);
    QFETCH(QString, expected);
    QCOMPARE(TextAfterUntil(text, separator, stop), expected);
}

void TestCommonFnc::trailingSlash_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("added") << u"/home/u/Орбелон"_s << u"/home/u/Орбелон/"_s;
    QTest::newRow("kept") << u"/home/u/Орбелон/"_s << u"/home/u/Орбелон/"_s;
    QTest::newRow("empty") << u""_s << u"/"_s;
}

void TestCommonFnc::trailingSlash()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(WithTrailingBackslash(path), expected);
}

// --- Code pages ----------------------------------------------------------------------

void TestCommonFnc::codePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("roundTrips");

    QTest::newRow("ASCII") << u"Tariff-1 0,5"_s << "Tariff-1 0,5"_ba << true;
    QTest::newRow("А Я") << u"АЯ"_s << "\x80\x9F"_ba << true;
    QTest::newRow("а п") << u"ап"_s << "\xA0\xAF"_ba << true;
    QTest::newRow("р я") << u"ря"_s << "\xE0\xEF"_ba << true;
    QTest::newRow("Ё ё") << u"Ёё"_s << "\xF0\xF1"_ba << true;
    QTest::newRow("№") << u"№"_s << "\xFC"_ba << true;
    QTest::newRow("euro sign") << u"5€"_s << "5?"_ba << false;
    QTest::newRow("Chinese") << u"中"_s << "?"_ba << false;
    QTest::newRow("outside BMP is one ?") << u"a\U0001F600b"_s << "a?b"_ba << false;
    QTest::newRow("lone surrogate") << (u"a"_s + QChar(0xD800) + u"b"_s) << "a?b"_ba << false;
}

void TestCommonFnc::codePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, roundTrips);
    QCOMPARE(AnsiToOem(text), bytes);
    if (roundTrips) {
        QCOMPARE(OemToAnsi(bytes), text);
        // A file is read line after line into one buffer: a shorter line leaves nothing of
        // the longer one before it.
        QString reused = u"a longer line read before this one"_s;
        OemToAnsi(bytes, reused);
        QCOMPARE(reused, text);
    }
}

void TestCommonFnc::codePageRoundTripsEveryCyrillicLetter()
{
    QString letters;
    for (char16_t ch = u'А'; ch <= u'я'; ++ch)
        letters += QChar(ch);
    letters += u"Ёё№"_s;
    const QByteArray bytes = AnsiToOem(letters);
    QCOMPARE(bytes.size(), letters.size());
    QVERIFY(!bytes.contains('?'));
    QCOMPARE(OemToAnsi(bytes), letters);
}

void TestCommonFnc::writeOemLine()
{
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    WriteOemLine(buffer, u"Ул. №5"_s);
    WriteOemLine(buffer, u""_s);
    QCOMPARE(buffer.data(), "\x93\xAB. \xFC"
                            "5\r\n\r\n"_ba);
}

void TestCommonFnc::writeOemLineFailureThrows()
{
    FailingDevice device;
    try {
        WriteOemLine(device, u"Строка"_s);
        QFAIL("no error for a failed write");
    } catch (const IoError& e) {
        QVERIFY2(e.message().contains(u"Нет места на диске"_s), qPrintable(e.message()));
    }

    QBuffer readOnly;
    QVERIFY(readOnly.open(QIODevice::ReadOnly));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"ReadOnly device"_s));
    QVERIFY_THROWS_EXCEPTION(IoError, WriteOemLine(readOnly, u"Строка"_s));
}

void TestCommonFnc::writeFailureReasons_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("words");
    const QString here = QDir::tempPath() + u"/file.txt"_s;
    QTest::newRow("full disk") << u"No space left on device"_s << here
                               << u"на диске нет свободного места"_s;
    QTest::newRow("quota") << u"Disk quota exceeded"_s << here << u"превышена дисковая квота"_s;
    QTest::newRow("rights") << u"Permission denied"_s << here << u"нет прав на запись"_s;
    QTest::newRow("read-only disk")
        << u"Read-only file system"_s << here << u"диск доступен только для чтения"_s;
    // With no reason given and room on the disk, that is said rather than "Unknown error".
    QTest::newRow("no reason") << QString() << here << u"система не сообщила причину"_s;
    QTest::newRow("other") << u"Устройство занято"_s << here << u"Устройство занято"_s;
}

void TestCommonFnc::writeFailureReasons()
{
    QFETCH(QString, reason);
    QFETCH(QString, path);
    QFETCH(QString, words);
    QCOMPARE(CommonFnc::WriteFailureReason(reason, path), words);
}

QTEST_GUILESS_MAIN(TestCommonFnc)
#include "tst_commonfnc.moc"
