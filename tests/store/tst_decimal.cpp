#include "Decimal.h"
#include "Format.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDecimal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void toString_data();
    void toString();
    void display();
};

void TestDecimal::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("null");
    QTest::addColumn<qint64>("units");

    QTest::newRow("comma") << u"123,45"_s << 2 << true << false << qint64(12345);
    QTest::newRow("point") << u"123.45"_s << 2 << true << false << qint64(12345);
    QTest::newRow("fewer decimals") << u"7,5"_s << 3 << true << false << qint64(7500);
    QTest::newRow("whole") << u"7"_s << 2 << true << false << qint64(700);
    QTest::newRow("leading separator") << u",5"_s << 1 << true << false << qint64(5);
    QTest::newRow("negative") << u"-0,01"_s << 2 << true << false << qint64(-1);
    QTest::newRow("blanks around") << u"  12,3 "_s << 1 << true << false << qint64(123);
    QTest::newRow("empty is null") << u""_s << 2 << true << true << qint64(0);
    QTest::newRow("too many decimals") << u"1,234"_s << 2 << false << false << qint64(0);
    QTest::newRow("two separators") << u"1,2,3"_s << 2 << false << false << qint64(0);
    QTest::newRow("letter") << u"12a"_s << 2 << false << false << qint64(0);
    QTest::newRow("sign only") << u"-"_s << 2 << false << false << qint64(0);
    QTest::newRow("separator only") << u","_s << 2 << false << false << qint64(0);
    QTest::newRow("inner blank") << u"1 000"_s << 2 << false << false << qint64(0);
    QTest::newRow("overflow refused") << u"12345678901234567"_s << 3 << false << false
                                      << qint64(0);
}

void TestDecimal::parse()
{
    QFETCH(QString, text);
    QFETCH(int, scale);
    QFETCH(bool, valid);
    QFETCH(bool, null);
    QFETCH(qint64, units);
    const auto d = Decimal::parse(text, scale);
    QCOMPARE(d.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(d->isNull(), null);
    if (!null) {
        QCOMPARE(d->units(), units);
        QCOMPARE(d->scale(), scale);
    }
}

void TestDecimal::toString_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");

    QTest::newRow("kopecks") << qint64(123450) << 2 << 2 << u"1234,50"_s;
    QTest::newRow("zero") << qint64(0) << 2 << 2 << u"0,00"_s;
    QTest::newRow("below one") << qint64(5) << 2 << 2 << u"0,05"_s;
    QTest::newRow("negative below one") << qint64(-5) << 2 << 2 << u"-0,05"_s;
    QTest::newRow("widen") << qint64(15) << 1 << 3 << u"1,500"_s;
    QTest::newRow("round half up") << qint64(1235) << 3 << 2 << u"1,24"_s;
    QTest::newRow("round half away from zero") << qint64(-1235) << 3 << 2 << u"-1,24"_s;
    QTest::newRow("round down") << qint64(1234) << 3 << 2 << u"1,23"_s;
    QTest::newRow("no decimals") << qint64(1999) << 2 << 0 << u"20"_s;
}

void TestDecimal::toString()
{
    QFETCH(qint64, units);
    QFETCH(int, scale);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(Decimal::fromUnits(units, scale).toString(decimals), expected);
}

void TestDecimal::display()
{
    // Decimal columns arrive as integer units; dates as ISO text.
    QCOMPARE(Format::display(QVariant(qint64(4250)), Format::Display::Fixed2, 2), u"42,50"_s);
    QCOMPARE(Format::display(QVariant(qint64(12)), Format::Display::Fixed1, 1), u"1,2"_s);
    QCOMPARE(Format::display(QVariant(), Format::Display::Fixed2, 2), QString());
    QCOMPARE(Format::display(u"2026-12-01"_s, Format::Display::MonthYear), u"Декабрь 2026 г."_s);
    QCOMPARE(Format::display(u"2026-03-09"_s, Format::Display::Date), u"09.03.2026"_s);
    QCOMPARE(Format::display(u"не дата"_s, Format::Display::Date), QString());
    QCOMPARE(Format::dayMonthYear(QDate(2026, 12, 9)), u"9 декабря 2026"_s);
    // A payer code shows its leading zeros; 0 (no code) and what is no code number stay.
    QCOMPARE(Format::display(QVariant(qint64(123456788)), Format::Display::PayerCode),
             u"0123456788"_s);
    QCOMPARE(Format::display(QVariant(qint64(1234567899)), Format::Display::PayerCode),
             u"1234567899"_s);
    QCOMPARE(Format::display(QVariant(qint64(0)), Format::Display::PayerCode), u"0"_s);
    QCOMPARE(Format::display(QVariant(qint64(12345678901)), Format::Display::PayerCode),
             u"12345678901"_s);
    QCOMPARE(Format::display(QVariant(), Format::Display::PayerCode), QString());
    QVERIFY(Decimal::fromUnits(150, 2) == Decimal::fromUnits(15, 1));
    QVERIFY(!(Decimal() == Decimal::fromUnits(0, 2)));
}

QTEST_APPLESS_MAIN(TestDecimal)
#include "tst_decimal.moc"
