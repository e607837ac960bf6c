#include "CommonFnc.h"
#include "ExchangeFormat.h"

#include <QBuffer>
#include <QDate>
#include <QSet>
#include <QTest>

#include <cstring>

using namespace Qt::Literals::StringLiterals;
using Exchange::FieldKind;
using Exchange::FileKind;
using Exchange::Layout;
using Exchange::LineReader;

Q_DECLARE_METATYPE(Exchange::FileKind)
Q_DECLARE_METATYPE(Exchange::Layout)

namespace {

/// Hands out `data` once, then fails every read and every write with `reason`.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(const QByteArray& data, const QString& reason)
        : m_data(data)
        , m_reason(reason)
    {
        open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_data.isEmpty()) {
            setErrorString(m_reason);
            return -1;
        }
        const qint64 n = qMin(maxSize, qint64(m_data.size()));
        memcpy(data, m_data.constData(), size_t(n));
        m_data.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override
    {
        setErrorString(m_reason);
        return -1;
    }

private:
    QByteArray m_data;
    QString m_reason;
};

QList<QByteArray> readAll(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(&buffer);
    QList<QByteArray> lines;
    QByteArray line;
    while (reader.next(line))
        lines.append(line);
    return lines;
}

qint64 countLines(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return LineReader::countLines(&buffer);
}

QString tabbed(const QStringList& fields)
{
    return fields.join(u'\t');
}

/// Valid lines, field by field, that the parse tests start from.
QStringList baseFields(FileKind kind, Layout layout)
{
    switch (kind) {
    case FileKind::Payers:
        if (layout == Layout::Long)
            return {u"15032024"_s, u"1204"_s, u"117"_s, u"5"_s, u"Иванов"_s, u"Иван"_s, u" "_s,
                    u"2310"_s, u"12"_s, u" "_s, u"2"_s, u"45"_s, u"1234567894"_s, u"ЛС-45"_s,
                    u"032024"_s, u"1"_s, u"2"_s, u"4550"_s, u"3"_s, u"3025"_s, u"0"_s,
                    u"1"_s, u"123456"_s, u"100000"_s, u"123456"_s, u"-500"_s, u"15"_s,
                    u"90001"_s, u""_s};
        return {u"01022024"_s, u"117"_s, u"5"_s, u"Петров"_s, u"Пётр"_s, u"Петрович"_s,
                u"77"_s, u"3"_s, u""_s, u""_s, u"7"_s, u""_s, u"000123"_s, u"022024"_s,
                u"x"_s, u"2"_s, u"3"_s, u"y"_s, u"z"_s, u"5210"_s, u"4000"_s, u"1"_s,
                u"2"_s, u"250075"_s, u"200000"_s, u"0"_s};
    case FileKind::Charges:
        if (layout == Layout::Long)
            return {u"15032024"_s, u"1204"_s, u"ЛС-45"_s, u"1234567894"_s, u"032024"_s,
                    u"10"_s, u"300"_s, u"1250"_s, u"2890"_s, u"3613"_s, u"3612"_s,
                    u"3611"_s, u"3610"_s, u"1"_s};
        return {u"15032024"_s, u"117"_s, u"000123"_s, u""_s, u"022024"_s, u"20"_s, u""_s,
                u"125"_s, u"1500"_s, u"18750"_s, u"15000"_s, u"1"_s};
    case FileKind::Persons:
        if (layout == Layout::Long)
            return {u"15032024"_s, u"1204"_s, u"1234567894"_s, u"ЛС-45"_s, u"032024"_s,
                    u"1"_s, u"Иванов"_s, u"Иван"_s, u"Иванович"_s, u"17051980"_s, u"М"_s,
                    u" Глава "_s, u"1"_s, u"2550"_s, u"1"_s, u"01022010"_s, u"0"_s, u"1"_s,
                    u"112-233-445 95"_s};
        return {u"15032024"_s, u"117"_s, u""_s, u"000123"_s, u"022024"_s, u"2"_s,
                u"Петрова"_s, u"Анна"_s, u"Ивановна"_s, u"  дочь "_s, u"2"_s, u"125"_s};
    }
    return {};
}

QString withField(FileKind kind, Layout layout, int number, const QString& text)
{
    QStringList fields = baseFields(kind, layout);
    fields[number - 1] = text;
    return tabbed(fields);
}

/// Same type and value; a text also keeps apart NULL and the empty text.
bool sameValue(const QVariant& actual, const QVariant& expected)
{
    if (actual.isNull() || expected.isNull())
        return actual.isNull() == expected.isNull();
    return actual.metaType() == expected.metaType() && actual == expected;
}

QString describe(const QVariant& value)
{
    if (value.isNull())
        return u"NULL"_s;
    return u"%1(%2)"_s.arg(QString::fromLatin1(value.metaType().name()),
                           value.toString().replace(u'\t', u"\\t"_s));
}

/// Compares every scratch column of `values` with `expected` (columns missing there
/// are expected NULL) and names the first column that differs.
bool compareColumns(FileKind kind, const QHash<QString, QVariant>& values,
                    const QVariantMap& expected, QString& mismatch)
{
    const QStringList& columns = Exchange::scratchColumns(kind);
    if (QSet<QString>(values.keyBegin(), values.keyEnd()) !=
        QSet<QString>(columns.begin(), columns.end())) {
        mismatch = u"columns: "_s + QStringList(values.keys()).join(u',');
        return false;
    }
    for (const QString& column : columns) {
        const QVariant want = expected.value(column);
        if (!sameValue(values.value(column), want)) {
            mismatch = u"%1: got %2, expected %3"_s.arg(column, describe(values.value(column)),
                                                       describe(want));
            return false;
        }
    }
    return true;
}

QVariantMap baseRow(FileKind kind)
{
    switch (kind) {
    case FileKind::Payers:
        return {{u"DateEdit"_s, QDate(2024, 4, 2)}, {u"DezID"_s, qint64(117)},
                {u"DezVladID"_s, qint64(1204)}, {u"MO"_s, qint64(5)},
                {u"Name1"_s, u"Иванов"_s}, {u"Name2"_s, u"Иван"_s}, {u"Name3"_s, u"Иванович"_s},
                {u"StreetID_BTI"_s, qint64(2310)}, {u"HouseNum"_s, u"12"_s},
                {u"StroenNum"_s, u"1"_s}, {u"KorpNum"_s, u"2"_s}, {u"FlatNum"_s, u"45"_s},
                {u"ENumlsID"_s, qint64(1234567894)}, {u"Numls"_s, u"ЛС-45"_s},
                {u"Mes"_s, QDate(2024, 3, 1)}, {u"TypeOwnID"_s, qint64(1)},
                {u"TypeOccupancyID"_s, qint64(2)}, {u"PplCntReg"_s, qint64(3)},
                {u"SquareTotal"_s, qint64(4550)}, {u"SquareLive"_s, qint64(3025)},
                {u"TypeLockID"_s, qint64(0)}, {u"TypeStoveID"_s, qint64(1)},
                {u"SummaFull"_s, qint64(123456)}, {u"SummaWOBenefit"_s, qint64(100000)},
                {u"SummaFullReg"_s, qint64(123455)}, {u"SummaWOBenefitReg"_s, qint64(-500)},
                {u"ColMesDebts"_s, qint64(15)}, {u"HouseID_BTI"_s, qint64(90001)},
                {u"FlatID_BTI"_s, qint64(7)}};
    case FileKind::Charges:
        return {{u"DateEdit"_s, QDate(2024, 4, 2)}, {u"DezVladID"_s, qint64(1204)},
                {u"Numls"_s, u"ЛС-45"_s}, {u"ENumlsID"_s, qint64(1234567894)},
                {u"Mes"_s, QDate(2024, 3, 1)}, {u"ServiceID"_s, qint64(10)},
                {u"PostID"_s, qint64(300)}, {u"Volume"_s, qint64(1250)},
                {u"Tariff"_s, qint64(2890)}, {u"SummaService"_s, qint64(3613)},
                {u"SummaServiceWOBenefit"_s, qint64(3612)}, {u"SummaServiceReg"_s, qint64(3611)},
                {u"SummaServiceWOBenefitReg"_s, qint64(3610)}, {u"TypeNachID"_s, qint64(1)}};
    case FileKind::Persons:
        return {{u"DateEdit"_s, QDate(2024, 4, 2)}, {u"DezVladID"_s, qint64(1204)},
                {u"ENumlsID"_s, qint64(1234567894)}, {u"Numls"_s, u"ЛС-45"_s},
                {u"Mes"_s, QDate(2024, 3, 1)}, {u"NumberPeople"_s, qint64(1)},
                {u"Name1"_s, u"Иванов"_s}, {u"Name2"_s, u"Иван"_s}, {u"Name3"_s, u"Иванович"_s},
                {u"BirthDate"_s, QDate(1980, 5, 17)}, {u"Sex"_s, u"М"_s},
                {u"Relation"_s, u"Глава"_s}, {u"RelationOwnID"_s, qint64(1)},
                {u"SquareShare"_s, qint64(2550)}, {u"TypeRegID"_s, qint64(1)},
                {u"DateRegStart"_s, QDate(2010, 2, 1)}, {u"DateRegEnd"_s, QDate(2030, 1, 31)},
                {u"PrFactLiveID"_s, qint64(1)}, {u"SNILS"_s, u"112-233-445 95"_s}};
    }
    return {};
}

QVariantMap merged(QVariantMap map, const QVariantMap& changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

} // namespace

class TestExchangeFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutFor_data();
    void layoutFor();
    void layoutTables_data();
    void layoutTables();

    void readerRules_data();
    void readerRules();
    void hugeLineWithoutLineEndStaysBounded();
    void readErrorStopsTheReader();
    void parsedLineReaderKeepsOrder_data();
    void parsedLineReaderKeepsOrder();
    void parsedLineReaderStopsAtReadError();
    void parsedLineReaderLeftEarly();

    void parseLine_data();
    void parseLine();
    void parseFieldErrors_data();
    void parseFieldErrors();
    void shortPayerOrganisationFailureEmptiesBoth();

    void composeEncodings_data();
    void composeEncodings();
    void composeParseRoundTrip_data();
    void composeParseRoundTrip();
    void cyrillicRoundTripThroughCodePage866();
    void writeFailureThrows();
};

// --- Layouts -------------------------------------------------------------------------

void TestExchangeFormat::layoutFor_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<int>("tabs");
    QTest::addColumn<Layout>("layout");

    QTest::newRow("I, 25 TABs") << FileKind::Payers << 25 << Layout::Short;
    QTest::newRow("I, 28 TABs") << FileKind::Payers << 28 << Layout::Long;
    QTest::newRow("I, 27 TABs") << FileKind::Payers << 27 << Layout::Long;
    QTest::newRow("I, 11 TABs") << FileKind::Payers << 11 << Layout::Long;
    QTest::newRow("I, none") << FileKind::Payers << 0 << Layout::Long;
    QTest::newRow("II, 11 TABs") << FileKind::Charges << 11 << Layout::Short;
    QTest::newRow("II, 13 TABs") << FileKind::Charges << 13 << Layout::Long;
    QTest::newRow("II, 12 TABs") << FileKind::Charges << 12 << Layout::Long;
    QTest::newRow("II, 25 TABs") << FileKind::Charges << 25 << Layout::Long;
    QTest::newRow("III, 11 TABs") << FileKind::Persons << 11 << Layout::Short;
    QTest::newRow("III, 18 TABs") << FileKind::Persons << 18 << Layout::Long;
    QTest::newRow("III, 17 TABs") << FileKind::Persons << 17 << Layout::Long;
    QTest::newRow("III, 16 TABs") << FileKind::Persons << 16 << Layout::Long;
}

void TestExchangeFormat::layoutFor()
{
    QFETCH(FileKind, kind);
    QFETCH(int, tabs);
    QFETCH(Layout, layout);
    QCOMPARE(Exchange::layoutFor(kind, tabs), layout);
}

void TestExchangeFormat::layoutTables_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<int>("fieldCount");
    // Scratch columns that no field of the layout fills.
    QTest::addColumn<QStringList>("unfilled");

    QTest::newRow("I long") << FileKind::Payers << Layout::Long << 29
                            << QStringList{u"PplCntReg"_s, u"NumT1"_s};
    QTest::newRow("I short") << FileKind::Payers << Layout::Short << 26
                             << QStringList{u"PplCntReg"_s, u"HouseID_BTI"_s,
                                            u"FlatID_BTI"_s, u"NumT1"_s};
    QTest::newRow("II long") << FileKind::Charges << Layout::Long << 14
                             << QStringList{u"NumT2"_s};
    QTest::newRow("II short") << FileKind::Charges << Layout::Short << 12
                              << QStringList{u"NumT2"_s};
    QTest::newRow("III long") << FileKind::Persons << Layout::Long << 19
                              << QStringList{u"NumT3"_s};
    QTest::newRow("III short") << FileKind::Persons << Layout::Short << 12
                               << QStringList{u"BirthDate"_s, u"Sex"_s, u"TypeRegID"_s,
                                              u"DateRegStart"_s, u"DateRegEnd"_s,
                                              u"PrFactLiveID"_s, u"SNILS"_s, u"NumT3"_s};
}

// The tables are the one definition of the files: a misspelt column or a field filling
// a column twice would silently lose data on import.
void TestExchangeFormat::layoutTables()
{
    QFETCH(FileKind, kind);
    QFETCH(Layout, layout);
    QFETCH(int, fieldCount);
    QFETCH(QStringList, unfilled);

    const QList<Exchange::FieldSpec>& specs = Exchange::fields(kind, layout);
    QCOMPARE(specs.size(), fieldCount);
    QStringList remaining = Exchange::scratchColumns(kind);
    for (const Exchange::FieldSpec& spec : specs) {
        if (spec.kind == FieldKind::Skip)
            continue;
        QVERIFY2(!spec.title.isEmpty(), qPrintable(spec.column));
        for (const QString& column : {spec.column, spec.column2}) {
            if (column.isEmpty())
                continue;
            QVERIFY2(remaining.removeOne(column), qPrintable(column));
        }
        QCOMPARE(spec.kind == FieldKind::Scaled, spec.fileScale > 0);
    }
    QCOMPARE(remaining, unfilled);
    QCOMPARE(Exchange::scratchColumns(kind).last(), u"NumT%1"_s.arg(int(kind)));
    QCOMPARE(Exchange::scratchTable(kind), u"TMP_T%1"_s.arg(int(kind)));
}

// --- Reading lines -------------------------------------------------------------------

void TestExchangeFormat::readerRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");

    const QByteArray longLine(5000, 'x');
    const QByteArray atLimit(LineReader::MaxLineBytes, 'y');
    // The first chunk read ends with the CR, the next starts with the LF.
    const QByteArray splitCrLf(LineReader::MaxLineBytes - 1, 'w');

    QTest::newRow("CR LF") << "a\tb\r\nc\r\n"_ba << QList<QByteArray>{"a\tb", "c"};
    QTest::newRow("LF only") << "a\nc\n"_ba << QList<QByteArray>{"a", "c"};
    QTest::newRow("CR inside a line is kept") << "a\rb\r\n"_ba << QList<QByteArray>{"a\rb"};
    QTest::newRow("last line without line end") << "a\r\nb"_ba << QList<QByteArray>{"a", "b"};
    QTest::newRow("last line ends in a lone CR") << "a\r\nb\r"_ba
                                                 << QList<QByteArray>{"a", "b"};
    QTest::newRow("empty lines count") << "\n\r\n\n"_ba << QList<QByteArray>{"", "", ""};
    QTest::newRow("0x1A ends the file") << "a\r\n\x1A"
                                           "b\r\n"_ba
                                        << QList<QByteArray>{"a"};
    QTest::newRow("0x1A ends the last line") << "a\r\nb\x1A"
                                                "c\r\n"_ba
                                             << QList<QByteArray>{"a", "b"};
    QTest::newRow("0x1A first") << "\x1A"
                                   "a\r\n"_ba
                                << QList<QByteArray>{};
    QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("5000-byte line") << longLine + "\r\nnext\r\n"
                                    << QList<QByteArray>{longLine, "next"};
    QTest::newRow("CR LF split between reads") << splitCrLf + "\r\nnext"
                                               << QList<QByteArray>{splitCrLf, "next"};
    QTest::newRow("line of exactly the limit") << atLimit + "\r\nnext\r\n"
                                               << QList<QByteArray>{atLimit, "next"};
    QTest::newRow("longer line is cut, the next is whole")
        << "first\r\n" + QByteArray(200000, 'y') + "\r\nnext\r\n"
        << QList<QByteArray>{"first", atLimit, "next"};
    // The CR is a character of the kept part, not the end of the line.
    QTest::newRow("CR where a line is cut is kept")
        << QByteArray(LineReader::MaxLineBytes - 1, 'v') + "\rtail\r\n"
        << QList<QByteArray>{QByteArray(LineReader::MaxLineBytes - 1, 'v') + '\r'};
}

void TestExchangeFormat::readerRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(readAll(bytes), lines);
    QCOMPARE(countLines(bytes), qint64(lines.size()));
}

// Guards against a file without any line end being read into memory whole.
void TestExchangeFormat::hugeLineWithoutLineEndStaysBounded()
{
    QBuffer buffer;
    buffer.setData(QByteArray(5 * 1024 * 1024, 'z'));
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    LineReader reader(&buffer);
    QByteArray line;
    QVERIFY(reader.next(line));
    QCOMPARE(line.size(), LineReader::MaxLineBytes);
    QVERIFY(line.capacity() <= 2 * LineReader::MaxLineBytes);
    QVERIFY(!reader.next(line));
    QVERIFY(!reader.failed());

    buffer.seek(0);
    QCOMPARE(LineReader::countLines(&buffer), qint64(1));
}

void TestExchangeFormat::readErrorStopsTheReader()
{
    FailingDevice device("first\r\nsec"_ba, u"сбой диска"_s);
    LineReader reader(&device);
    QByteArray line;
    QVERIFY(reader.next(line));
    QCOMPARE(line, "first"_ba);
    QVERIFY(!reader.next(line));
    QVERIFY(reader.failed());
    QCOMPARE(reader.errorString(), u"сбой диска"_s);
    QVERIFY(!reader.next(line));

    FailingDevice counted("a\nb\n"_ba, u"сбой диска"_s);
    QCOMPARE(LineReader::countLines(&counted), qint64(-1));
}

/// `count` lines of file II, both layouts by turns, each with its line number as service
/// code and every seventh with a field that does not convert.
QByteArray chargeLines(int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i) {
        const Layout layout = i % 2 == 0 ? Layout::Short : Layout::Long;
        QStringList fields = baseFields(FileKind::Charges, layout);
        fields[5] = QString::number(i);
        if (i % 7 == 0)
            fields[6] = u"x"_s;
        bytes += CommonFnc::AnsiToOem(tabbed(fields)) + "\r\n";
    }
    return bytes;
}

void TestExchangeFormat::parsedLineReaderKeepsOrder_data()
{
    QTest::addColumn<int>("count");
    // Around the sizes of the batches the reading thread hands over.
    for (const int count : {0, 1, 255, 256, 257, 1024, 1500})
        QTest::addRow("%d lines", count) << count;
}

void TestExchangeFormat::parsedLineReaderKeepsOrder()
{
    QFETCH(int, count);
    QBuffer buffer;
    buffer.setData(chargeLines(count));
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    Exchange::ParsedLineReader reader(FileKind::Charges, &buffer);
    const qsizetype service = Exchange::scratchColumns(FileKind::Charges).indexOf(u"ServiceID"_s);
    int read = 0;
    while (const Exchange::ParsedRow* row = reader.next()) {
        ++read;
        QCOMPARE(row->values.value(service), QVariant(qint64(read)));
        QCOMPARE(row->failedTitles.size(), read % 7 == 0 ? 1 : 0);
    }
    QCOMPARE(read, count);
    QVERIFY(!reader.failed());
    QVERIFY(!reader.next());
}

void TestExchangeFormat::parsedLineReaderStopsAtReadError()
{
    // The lines before the failure arrive, as LineReader gives them; then the end.
    const QByteArray bytes = chargeLines(700);
    FailingDevice device(bytes, u"сбой диска"_s);
    Exchange::ParsedLineReader reader(FileKind::Charges, &device);
    int read = 0;
    while (reader.next())
        ++read;
    QCOMPARE(read, 700);
    QVERIFY(reader.failed());
    QCOMPARE(reader.errorString(), u"сбой диска"_s);
    QVERIFY(!reader.next());
}

void TestExchangeFormat::parsedLineReaderLeftEarly()
{
    // A caller that stops early (a full disk) leaves the thread waiting with batches
    // filled: destroying the reader must end it, not hang.
    QBuffer buffer;
    buffer.setData(chargeLines(5000));
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    {
        Exchange::ParsedLineReader reader(FileKind::Charges, &buffer);
        QVERIFY(reader.next());
    }
    {
        Exchange::ParsedLineReader unread(FileKind::Charges, &buffer);
    }
}

// --- Parsing -------------------------------------------------------------------------

void TestExchangeFormat::parseLine_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<QString>("line");
    QTest::addColumn<Layout>("layout");
    // Non-NULL columns; every other scratch column must be NULL.
    QTest::addColumn<QVariantMap>("expected");

    const QDate march15(2024, 3, 15);
    const QDate march(2024, 3, 1);
    const QDate february(2024, 2, 1);

    QTest::newRow("I long") << FileKind::Payers << tabbed(baseFields(FileKind::Payers, Layout::Long))
                            << Layout::Long
                            << QVariantMap{
                                   {u"DateEdit"_s, march15}, {u"DezVladID"_s, qint64(1204)},
                                   {u"DezID"_s, qint64(117)}, {u"MO"_s, qint64(5)},
                                   {u"Name1"_s, u"Иванов"_s}, {u"Name2"_s, u"Иван"_s},
                                   {u"Name3"_s, u" "_s}, {u"StreetID_BTI"_s, qint64(2310)},
                                   {u"HouseNum"_s, u"12"_s}, {u"StroenNum"_s, u" "_s},
                                   {u"KorpNum"_s, u"2"_s}, {u"FlatNum"_s, u"45"_s},
                                   {u"ENumlsID"_s, qint64(1234567894)}, {u"Numls"_s, u"ЛС-45"_s},
                                   {u"Mes"_s, march}, {u"TypeOwnID"_s, qint64(1)},
                                   {u"TypeOccupancyID"_s, qint64(2)},
                                   {u"SquareTotal"_s, qint64(4550)},
                                   {u"SquareLive"_s, qint64(3025)}, {u"TypeLockID"_s, qint64(0)},
                                   {u"TypeStoveID"_s, qint64(1)}, {u"SummaFull"_s, qint64(123456)},
                                   {u"SummaWOBenefit"_s, qint64(100000)},
                                   {u"SummaFullReg"_s, qint64(123456)},
                                   {u"SummaWOBenefitReg"_s, qint64(-500)},
                                   {u"ColMesDebts"_s, qint64(15)},
                                   {u"HouseID_BTI"_s, qint64(90001)}};
    QTest::newRow("I short: organisation twice, sums twice, street code apart")
        << FileKind::Payers << tabbed(baseFields(FileKind::Payers, Layout::Short)) << Layout::Short
        << QVariantMap{{u"DateEdit"_s, QDate(2024, 2, 1)}, {u"DezVladID"_s, qint64(117)},
                       {u"DezID"_s, qint64(117)}, {u"MO"_s, qint64(5)},
                       {u"Name1"_s, u"Петров"_s}, {u"Name2"_s, u"Пётр"_s},
                       {u"Name3"_s, u"Петрович"_s}, {u"HouseNum"_s, u"3"_s},
                       {u"StroenNum"_s, u""_s}, {u"KorpNum"_s, u""_s}, {u"FlatNum"_s, u"7"_s},
                       {u"ENumlsID"_s, qint64(0)}, {u"Numls"_s, u"000123"_s},
                       {u"Mes"_s, february}, {u"TypeOwnID"_s, qint64(2)},
                       {u"TypeOccupancyID"_s, qint64(3)}, {u"SquareTotal"_s, qint64(5210)},
                       {u"SquareLive"_s, qint64(4000)}, {u"TypeLockID"_s, qint64(1)},
                       {u"TypeStoveID"_s, qint64(2)}, {u"SummaFull"_s, qint64(250075)},
                       {u"SummaFullReg"_s, qint64(250075)},
                       {u"SummaWOBenefit"_s, qint64(200000)},
                       {u"SummaWOBenefitReg"_s, qint64(200000)}, {u"ColMesDebts"_s, qint64(0)}};
    QTest::newRow("II long: volume in thousandths")
        << FileKind::Charges << tabbed(baseFields(FileKind::Charges, Layout::Long)) << Layout::Long
        << QVariantMap{{u"DateEdit"_s, march15}, {u"DezVladID"_s, qint64(1204)},
                       {u"Numls"_s, u"ЛС-45"_s}, {u"ENumlsID"_s, qint64(1234567894)},
                       {u"Mes"_s, march}, {u"ServiceID"_s, qint64(10)}, {u"PostID"_s, qint64(300)},
                       {u"Volume"_s, qint64(1250)}, {u"Tariff"_s, qint64(2890)},
                       {u"SummaService"_s, qint64(3613)},
                       {u"SummaServiceWOBenefit"_s, qint64(3612)},
                       {u"SummaServiceReg"_s, qint64(3611)},
                       {u"SummaServiceWOBenefitReg"_s, qint64(3610)},
                       {u"TypeNachID"_s, qint64(1)}};
    QTest::newRow("II short: volume in hundredths, sums twice")
        << FileKind::Charges << tabbed(baseFields(FileKind::Charges, Layout::Short))
        << Layout::Short
        << QVariantMap{{u"DateEdit"_s, march15}, {u"DezVladID"_s, qint64(117)},
                       {u"Numls"_s, u"000123"_s}, {u"ENumlsID"_s, qint64(0)},
                       {u"Mes"_s, february}, {u"ServiceID"_s, qint64(20)},
                       {u"Volume"_s, qint64(1250)}, {u"Tariff"_s, qint64(1500)},
                       {u"SummaService"_s, qint64(18750)}, {u"SummaServiceReg"_s, qint64(18750)},
                       {u"SummaServiceWOBenefit"_s, qint64(15000)},
                       {u"SummaServiceWOBenefitReg"_s, qint64(15000)},
                       {u"TypeNachID"_s, qint64(1)}};

    const QVariantMap personLong{
        {u"DateEdit"_s, march15}, {u"DezVladID"_s, qint64(1204)},
        {u"ENumlsID"_s, qint64(1234567894)}, {u"Numls"_s, u"ЛС-45"_s}, {u"Mes"_s, march},
        {u"NumberPeople"_s, qint64(1)}, {u"Name1"_s, u"Иванов"_s}, {u"Name2"_s, u"Иван"_s},
        {u"Name3"_s, u"Иванович"_s}, {u"BirthDate"_s, QDate(1980, 5, 17)}, {u"Sex"_s, u"М"_s},
        {u"Relation"_s, u"Глава"_s}, {u"RelationOwnID"_s, qint64(1)},
        {u"SquareShare"_s, qint64(2550)}, {u"TypeRegID"_s, qint64(1)},
        {u"DateRegStart"_s, QDate(2010, 2, 1)}, {u"PrFactLiveID"_s, qint64(1)},
        {u"SNILS"_s, u"112-233-445 95"_s}};
    const QStringList personFields = baseFields(FileKind::Persons, Layout::Long);
    QTest::newRow("III long: Relation trimmed, date 0 is NULL")
        << FileKind::Persons << tabbed(personFields) << Layout::Long << personLong;
    QTest::newRow("III, 17 TABs: no SNILS")
        << FileKind::Persons << tabbed(personFields.mid(0, 18)) << Layout::Long
        << merged(personLong, {{u"SNILS"_s, u""_s}});
    QTest::newRow("III, 16 TABs: no PrFactLiveID")
        << FileKind::Persons << tabbed(personFields.mid(0, 17)) << Layout::Long
        << merged(personLong, {{u"SNILS"_s, u""_s}, {u"PrFactLiveID"_s, QVariant()}});
    QTest::newRow("III short: share in tenths, permanent and living")
        << FileKind::Persons << tabbed(baseFields(FileKind::Persons, Layout::Short))
        << Layout::Short
        << QVariantMap{{u"DateEdit"_s, march15}, {u"DezVladID"_s, qint64(117)},
                       {u"ENumlsID"_s, qint64(0)}, {u"Numls"_s, u"000123"_s},
                       {u"Mes"_s, february}, {u"NumberPeople"_s, qint64(2)},
                       {u"Name1"_s, u"Петрова"_s}, {u"Name2"_s, u"Анна"_s},
                       {u"Name3"_s, u"Ивановна"_s}, {u"Relation"_s, u"дочь"_s},
                       {u"RelationOwnID"_s, qint64(2)}, {u"SquareShare"_s, qint64(1250)},
                       {u"TypeRegID"_s, qint64(1)}, {u"PrFactLiveID"_s, qint64(1)}};
    QTest::newRow("I, fields past the end of a short line are empty")
        << FileKind::Payers << u"15032024\t1204\t117"_s << Layout::Long
        << QVariantMap{{u"DateEdit"_s, march15}, {u"DezVladID"_s, qint64(1204)},
                       {u"DezID"_s, qint64(117)}, {u"ENumlsID"_s, qint64(0)},
                       {u"Mes"_s, QDate(1900, 1, 1)}, {u"Name1"_s, u""_s}, {u"Name2"_s, u""_s},
                       {u"Name3"_s, u""_s}, {u"HouseNum"_s, u""_s}, {u"StroenNum"_s, u""_s},
                       {u"KorpNum"_s, u""_s}, {u"FlatNum"_s, u""_s}, {u"Numls"_s, u""_s}};
    QTest::newRow("III, fields beyond the layout are ignored")
        << FileKind::Persons << tabbed(personFields + QStringList{u"лишнее"_s, u"7"_s})
        << Layout::Long << personLong;
}

void TestExchangeFormat::parseLine()
{
    QFETCH(FileKind, kind);
    QFETCH(QString, line);
    QFETCH(Layout, layout);
    QFETCH(QVariantMap, expected);

    QCOMPARE(Exchange::layoutFor(kind, int(line.count(u'\t'))), layout);
    const Exchange::ParsedLine parsed = Exchange::parseLine(kind, layout, line);
    QCOMPARE(parsed.failedTitles, QStringList());
    QString mismatch;
    QVERIFY2(compareColumns(kind, parsed.values, expected, mismatch), qPrintable(mismatch));

    if (kind == FileKind::Payers) {
        QCOMPARE(parsed.fileDate, expected.value(u"DateEdit"_s));
        QCOMPARE(parsed.organisation, expected.value(u"DezID"_s));
        if (layout == Layout::Short)
            QCOMPARE(parsed.streetCode, QVariant(qint64(77)));
        else
            QVERIFY(parsed.streetCode.isNull());
    }
}

void TestExchangeFormat::parseFieldErrors_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("failedTitle");

    const FileKind I = FileKind::Payers;
    const FileKind II = FileKind::Charges;
    const FileKind III = FileKind::Persons;
    const QVariant null;
    const QString none;
    const QDate empty(1900, 1, 1);
    const QString month = u"Месяц на который произведен расчет"_s;

    QTest::newRow("money with a decimal point")
        << I << Layout::Long << 23 << u"12.50"_s << u"SummaFull"_s << null
        << u"Сумма начисленной платы"_s;
    QTest::newRow("area with a comma") << I << Layout::Long << 18 << u"45,5"_s
                                       << u"SquareTotal"_s << null << u"Общая площадь"_s;
    QTest::newRow("area not a number") << I << Layout::Long << 18 << u"сорок"_s
                                       << u"SquareTotal"_s << null << u"Общая площадь"_s;
    QTest::newRow("empty area, no error") << I << Layout::Long << 18 << u""_s
                                          << u"SquareTotal"_s << null << none;
    QTest::newRow("scaled beyond 32 bits") << II << Layout::Long << 8 << u"2147483648"_s
                                           << u"Volume"_s << null
                                           << u"Объем предоставленной услуги"_s;
    QTest::newRow("integer beyond 32 bits") << I << Layout::Long << 28 << u"2147483648"_s
                                            << u"HouseID_BTI"_s << null << u"Код дома"_s;
    QTest::newRow("smallest integer") << I << Layout::Long << 28 << u"-2147483648"_s
                                      << u"HouseID_BTI"_s << QVariant(qint64(-2147483648LL))
                                      << none;
    QTest::newRow("integer with a blank") << I << Layout::Long << 8 << u"23 "_s
                                          << u"StreetID_BTI"_s << null << u"Код улицы"_s;
    QTest::newRow("empty payer code is 0") << I << Layout::Long << 13 << u""_s
                                           << u"ENumlsID"_s << QVariant(qint64(0)) << none;
    QTest::newRow("bad payer code is 0") << II << Layout::Long << 4 << u"12345x"_s
                                         << u"ENumlsID"_s << QVariant(qint64(0))
                                         << u"Код плательщика"_s;
    QTest::newRow("empty account number is empty text")
        << II << Layout::Long << 3 << u""_s << u"Numls"_s << QVariant(u""_s) << none;
    QTest::newRow("month with non-digits") << I << Layout::Long << 15 << u"03.2024"_s
                                           << u"Mes"_s << null << month;
    QTest::newRow("month 13") << III << Layout::Long << 5 << u"132024"_s << u"Mes"_s
                              << QVariant(empty) << none;
    QTest::newRow("empty month") << II << Layout::Short << 5 << u""_s << u"Mes"_s
                                 << QVariant(empty) << none;
    QTest::newRow("II long: empty month is NULL") << II << Layout::Long << 5 << u""_s
                                                  << u"Mes"_s << null << none;
    QTest::newRow("II long: month 13 fails") << II << Layout::Long << 5 << u"132024"_s
                                             << u"Mes"_s << null << month;
    QTest::newRow("II long: no range check") << II << Layout::Long << 5 << u"011850"_s
                                             << u"Mes"_s << QVariant(QDate(1850, 1, 1)) << none;
    QTest::newRow("bad file date is 01.01.1900") << III << Layout::Long << 1 << u"31022024"_s
                                                 << u"DateEdit"_s << QVariant(empty) << none;
    QTest::newRow("empty file date is 01.01.1900") << I << Layout::Long << 1 << u""_s
                                                   << u"DateEdit"_s << QVariant(empty) << none;
    QTest::newRow("impossible birth date is NULL") << III << Layout::Long << 10 << u"31022000"_s
                                                   << u"BirthDate"_s << null << none;
    QTest::newRow("birth date 01.01.1901 is NULL") << III << Layout::Long << 10 << u"01011901"_s
                                                   << u"BirthDate"_s << null << none;
    QTest::newRow("birth date 02.01.1901 is kept")
        << III << Layout::Long << 10 << u"02011901"_s << u"BirthDate"_s
        << QVariant(QDate(1901, 1, 2)) << none;
    QTest::newRow("texts keep their blanks") << III << Layout::Long << 7 << u" Иванов "_s
                                             << u"Name1"_s << QVariant(u" Иванов "_s) << none;
    QTest::newRow("short street code not a number")
        << I << Layout::Short << 7 << u"ул"_s << u"StreetID_BTI"_s << null << u"Код улицы"_s;
}

void TestExchangeFormat::parseFieldErrors()
{
    QFETCH(FileKind, kind);
    QFETCH(Layout, layout);
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, failedTitle);

    const Exchange::ParsedLine parsed =
        Exchange::parseLine(kind, layout, withField(kind, layout, number, text));
    QVERIFY2(sameValue(parsed.values.value(column), value),
             qPrintable(describe(parsed.values.value(column))));
    QCOMPARE(parsed.failedTitles,
             failedTitle.isEmpty() ? QStringList() : QStringList{failedTitle});
}

void TestExchangeFormat::shortPayerOrganisationFailureEmptiesBoth()
{
    const QString line = withField(FileKind::Payers, Layout::Short, 2, u"11a"_s);
    const Exchange::ParsedLine parsed =
        Exchange::parseLine(FileKind::Payers, Layout::Short, line);
    QVERIFY(parsed.values.value(u"DezID"_s).isNull());
    QVERIFY(parsed.values.value(u"DezVladID"_s).isNull());
    QVERIFY(parsed.organisation.isNull());
    QCOMPARE(parsed.failedTitles,
             QStringList{u"Код организации - владельца жилого фонда"_s});

    // Failures are listed in line order and the rest of the line is still read.
    QStringList fields = baseFields(FileKind::Payers, Layout::Short);
    fields[23] = u"1,5"_s;
    fields[6] = u"?"_s;
    const Exchange::ParsedLine two =
        Exchange::parseLine(FileKind::Payers, Layout::Short, tabbed(fields));
    QCOMPARE(two.failedTitles, (QStringList{u"Код улицы"_s, u"Сумма начисленной платы"_s}));
    QCOMPARE(two.values.value(u"SummaWOBenefit"_s), QVariant(qint64(200000)));
    QVERIFY(two.values.value(u"SummaFullReg"_s).isNull());
}

// --- Writing -------------------------------------------------------------------------

void TestExchangeFormat::composeEncodings_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");

    const FileKind I = FileKind::Payers;
    const FileKind II = FileKind::Charges;
    const FileKind III = FileKind::Persons;
    const QVariant null;

    QTest::newRow("area 45.5") << I << u"SquareTotal"_s << QVariant(qint64(4550)) << 18
                               << u"4550"_s;
    QTest::newRow("volume 1.25") << II << u"Volume"_s << QVariant(qint64(1250)) << 8
                                 << u"1250"_s;
    QTest::newRow("negative money") << II << u"SummaService"_s << QVariant(qint64(-1234)) << 10
                                    << u"-1234"_s;
    QTest::newRow("NULL money") << I << u"SummaFull"_s << null << 23 << u"0"_s;
    QTest::newRow("months of arrears") << I << u"ColMesDebts"_s << QVariant(qint64(15)) << 27
                                       << u"15"_s;
    QTest::newRow("NULL integer") << I << u"HouseID_BTI"_s << null << 28 << u"0"_s;
    QTest::newRow("persons in field 19") << I << u"PplCntReg"_s << QVariant(qint64(3)) << 19
                                         << u"3"_s;
    QTest::newRow("NULL payer code, file I") << I << u"ENumlsID"_s << null << 13 << u"0"_s;
    QTest::newRow("NULL payer code, file II") << II << u"ENumlsID"_s << null << 4 << u"0"_s;
    QTest::newRow("payer code given as text") << III << u"ENumlsID"_s << QVariant(u"0123456789"_s) << 3
                                        << u"123456789"_s;
    QTest::newRow("non-numeric payer code") << I << u"ENumlsID"_s << QVariant(u"abc"_s) << 13
                                            << u"0"_s;
    QTest::newRow("empty account number") << I << u"Numls"_s << QVariant(u""_s) << 14 << u" "_s;
    QTest::newRow("NULL text") << II << u"Numls"_s << null << 3 << u" "_s;
    QTest::newRow("text trimmed") << III << u"Name1"_s << QVariant(u"  Иванов "_s) << 7
                                  << u"Иванов"_s;
    QTest::newRow("TAB inside a text") << I << u"HouseNum"_s << QVariant(u"1\t2"_s) << 9
                                       << u"1 2"_s;
    QTest::newRow("NULL birth date") << III << u"BirthDate"_s << null << 10 << u"0"_s;
    QTest::newRow("birth date 01.01.1901") << III << u"BirthDate"_s
                                           << QVariant(QDate(1901, 1, 1)) << 10 << u"0"_s;
    QTest::newRow("date as ISO text") << III << u"DateRegStart"_s << QVariant(u"2001-05-07"_s)
                                      << 16 << u"07052001"_s;
    QTest::newRow("date as QDate") << III << u"DateRegEnd"_s << QVariant(QDate(2030, 12, 31))
                                   << 17 << u"31122030"_s;
    QTest::newRow("file date") << II << u"DateEdit"_s << QVariant(QDate(2024, 4, 2)) << 1
                               << u"02042024"_s;
    QTest::newRow("month") << II << u"Mes"_s << QVariant(QDate(2024, 3, 1)) << 5 << u"032024"_s;
    QTest::newRow("month as ISO text") << I << u"Mes"_s << QVariant(u"2024-11-01"_s) << 15
                                       << u"112024"_s;
    QTest::newRow("NULL month") << III << u"Mes"_s << null << 5 << u"0"_s;
    QTest::newRow("SNILS of zeros") << III << u"SNILS"_s << QVariant(u"000-000-000 00"_s) << 19
                                    << u" "_s;
    QTest::newRow("SNILS kept") << III << u"SNILS"_s << QVariant(u"112-233-445 95"_s) << 19
                                << u"112-233-445 95"_s;
}

void TestExchangeFormat::composeEncodings()
{
    QFETCH(FileKind, kind);
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(int, number);
    QFETCH(QString, text);

    QVariantMap row = baseRow(kind);
    row.insert(column, value);
    const QStringList fields = Exchange::composeLine(kind, row).split(u'\t');
    QCOMPARE(fields.size(), Exchange::fields(kind, Layout::Long).size());
    QCOMPARE(fields.at(number - 1), text);
}

void TestExchangeFormat::composeParseRoundTrip_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<QVariantMap>("changes");
    // What comes back differently from what was written.
    QTest::addColumn<QVariantMap>("differences");

    const QVariant null;
    QTest::newRow("I") << FileKind::Payers
                       << QVariantMap{{u"Numls"_s, u""_s}, {u"Name3"_s, null},
                                      {u"StroenNum"_s, u" 1а "_s}, {u"FlatID_BTI"_s, null}}
                       << QVariantMap{{u"Numls"_s, u" "_s}, {u"Name3"_s, u" "_s},
                                      {u"StroenNum"_s, u"1а"_s}, {u"FlatID_BTI"_s, qint64(0)},
                                      {u"PplCntReg"_s, null}};
    QTest::newRow("II") << FileKind::Charges
                        << QVariantMap{{u"PostID"_s, null}, {u"Volume"_s, qint64(-5)}}
                        << QVariantMap{{u"PostID"_s, qint64(0)}};
    QTest::newRow("III") << FileKind::Persons
                         << QVariantMap{{u"BirthDate"_s, null},
                                        {u"DateRegStart"_s, u"2015-06-30"_s},
                                        {u"SNILS"_s, u"000-000-000 00"_s}, {u"Sex"_s, u""_s}}
                         << QVariantMap{{u"DateRegStart"_s, QDate(2015, 6, 30)},
                                        {u"SNILS"_s, u" "_s}, {u"Sex"_s, u" "_s}};
}

void TestExchangeFormat::composeParseRoundTrip()
{
    QFETCH(FileKind, kind);
    QFETCH(QVariantMap, changes);
    QFETCH(QVariantMap, differences);

    const QVariantMap row = merged(baseRow(kind), changes);
    const QString line = Exchange::composeLine(kind, row);
    const Layout layout = Exchange::layoutFor(kind, int(line.count(u'\t')));
    QCOMPARE(layout, Layout::Long);
    const Exchange::ParsedLine parsed = Exchange::parseLine(kind, layout, line);
    QCOMPARE(parsed.failedTitles, QStringList());
    QString mismatch;
    QVERIFY2(compareColumns(kind, parsed.values, merged(row, differences), mismatch),
             qPrintable(mismatch));
}

void TestExchangeFormat::cyrillicRoundTripThroughCodePage866()
{
    const QString text = u"Ёлкина\tд.№5, кв.«12»\tЩукин-Юрьев ё"_s;
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::ReadWrite));
    Exchange::writeLine(buffer, text);
    Exchange::writeLine(buffer, u"второй"_s);

    const QByteArray bytes = buffer.data();
    QVERIFY(bytes.contains("\xFC"
                           "5")); // "№" is 0xFC in code page 866
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), qsizetype(2));

    buffer.seek(0);
    LineReader reader(&buffer);
    QByteArray line;
    QVERIFY(reader.next(line));
    // «» are not in code page 866 and become "?".
    QCOMPARE(CommonFnc::OemToAnsi(line), u"Ёлкина\tд.№5, кв.?12?\tЩукин-Юрьев ё"_s);
    QVERIFY(reader.next(line));
    QCOMPARE(CommonFnc::OemToAnsi(line), u"второй"_s);
    QVERIFY(!reader.next(line));
}

void TestExchangeFormat::writeFailureThrows()
{
    FailingDevice device(QByteArray(), u"нет места"_s);
    try {
        Exchange::writeLine(device, u"строка"_s);
        QFAIL("no IoError");
    } catch (const CommonFnc::IoError& error) {
        QVERIFY2(error.message().contains(u"нет места"_s), qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(TestExchangeFormat)
#include "tst_exchangeformat.moc"
