#include "ReportData.h"
#include "ReportEngine.h"
#include "ReportFormat.h"

#include <QFontMetricsF>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace Report;

namespace {

const QDate Today(2026, 12, 9);

PrepareOptions options()
{
    PrepareOptions o;
    o.today = Today;
    return o;
}

/// A list: title, page header, column header, one line per row with its number, name
/// and sum, a summary with the total, a page footer with the page number.
Template listTemplate(const TableData& rows, double rowHeight = 20)
{
    Template report(u"Список"_s);
    report.bind(u"Rows"_s, &rows);
    report.addBand(BandKind::ReportTitle, 40);
    report.addText(u"Title_Memo"_s, {40, 0, 600, 30}, u"Список плательщиков"_s);
    report.addBand(BandKind::PageHeader, 20);
    report.addText(u"Head_Memo"_s, {40, 0, 600, 18}, u"Организация"_s);
    report.addBand(BandKind::ColumnHeader, 24);
    report.addText(u"ColNo_Memo"_s, {40, 0, 40, 20}, u"№"_s);
    report.addText(u"ColName_Memo"_s, {80, 0, 300, 20}, u"Фамилия"_s);
    Band& data = report.addBand(BandKind::MasterData, rowHeight);
    data.dataSet = u"Rows"_s;
    report.addText(u"No_Memo"_s, {40, 0, 40, rowHeight}, u"[LINE#]"_s);
    report.addText(u"Name_Memo"_s, {80, 0, 300, rowHeight}, u"[Rows.\"Name\"]"_s);
    report.addText(u"Sum_Memo"_s, {380, 0, 120, rowHeight}, u"[Rows.\"SummaFull\"]"_s).format =
        u"# ##0.00"_s;
    report.addBand(BandKind::ReportSummary, 30);
    report.addText(u"Total_Memo"_s, {380, 0, 200, 20}, u"Итого: [SUM([Rows.\"SummaFull\"])]"_s)
        .format = u"# ##0.00"_s;
    report.addBand(BandKind::PageFooter, 20);
    report.addText(u"PageNo_Memo"_s, {600, 0, 150, 18}, u"страница: [PAGE#]"_s);
    return report;
}

/// A group on the house between the column header and the rows, with its footer after
/// them summing the rows' SummaFull.
void addHouseGroup(Template& report)
{
    Band header;
    header.kind = BandKind::GroupHeader;
    header.height = 20;
    header.groupExpression = u"[Rows.\"House\"]"_s;
    TextItem houseText;
    houseText.name = u"House_Memo"_s;
    houseText.rect = {40, 0, 300, 18};
    houseText.text = u"[Rows.\"House\"]"_s;
    header.texts.append(houseText);
    Band footer;
    footer.kind = BandKind::GroupFooter;
    footer.height = 20;
    TextItem sumText;
    sumText.name = u"HouseSum_Memo"_s;
    sumText.rect = {40, 0, 400, 18};
    sumText.text = u"Итого по дому: [SUM([Rows.\"SummaFull\"])] ([Rows.\"House\"])"_s;
    sumText.format = u"# ##0.00"_s;
    footer.texts.append(sumText);
    report.bands.insert(3, header);
    report.bands.insert(5, footer);
}

TableData rows(int count)
{
    TableData data({u"Name"_s, u"SummaFull"_s, u"House"_s});
    for (int i = 1; i <= count; ++i)
        data.addRow({u"Плательщик %1"_s.arg(i), qint64(i) * 100, u"Дом %1"_s.arg((i - 1) / 3 + 1)});
    return data;
}

QStringList textsOf(const Prepared& report, const QString& name)
{
    QStringList texts;
    for (const Page& page : report.pages) {
        for (const PlacedText* text : page.findAll(name))
            texts.append(text->text());
    }
    return texts;
}

double measuredWidth(const PlacedText& text, const QString& line)
{
    // As the engine measures: at a fine resolution, converted to report pixels.
    QImage device(1, 1, QImage::Format_ARGB32);
    device.setDotsPerMeterX(47244);
    device.setDotsPerMeterY(47244);
    const QFontMetricsF metrics(qtFont(text.font, text.font.pointSize), &device);
    return metrics.horizontalAdvance(line) * PixelsPerInch / 1200;
}

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data();
    void formats();
    void longListBreaksIntoPages();
    void groupsSumTheirRows();
    void detailLinesRestartPerMaster();
    void compositeTwoToASheet();
    void compositeFootersBelongToTheirSheets_data();
    void compositeFootersBelongToTheirSheets();
    void groupFooterSumsItsDetailRows();
    void groupHeaderStaysWithItsFirstRow();
    void lineEndsAndNarrowItems();
    void textsStayInsideTheirItems();
    void namedObjectsAndUnknownExpressions();
};

void TestReportEngine::formats_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    QTest::newRow("comma, 2 decimals")
        << QVariant(qint64(123450)) << 2 << u"0.00"_s << u"1234,50"_s;
    QTest::newRow("thousands") << QVariant(qint64(123450)) << 2 << u"# ##0.00"_s << u"1 234,50"_s;
    QTest::newRow("check sum") << QVariant(qint64(123456789)) << 2 << u"### ### ##0.00"_s
                               << u"1 234 567,89"_s;
    QTest::newRow("negative grouped")
        << QVariant(qint64(-123456789)) << 2 << u"# ##0.00"_s << u"-1 234 567,89"_s;
    QTest::newRow("below a thousand") << QVariant(qint64(5)) << 2 << u"# ##0.00"_s << u"0,05"_s;
    QTest::newRow("volume to 2 decimals, half up")
        << QVariant(qint64(1255)) << 3 << u"0.00"_s << u"1,26"_s;
    QTest::newRow("whole number") << QVariant(qint64(12)) << 0 << u"# ##0.00"_s << u"12,00"_s;
    QTest::newRow("as stored") << QVariant(qint64(123450)) << 2 << QString() << u"1234,50"_s;
    QTest::newRow("text is not a number") << QVariant(u"нет"_s) << 0 << u"0.00"_s << u"нет"_s;
    QTest::newRow("null") << QVariant() << 2 << u"0.00"_s << QString();
    QTest::newRow("day month year")
        << QVariant(u"2026-12-09"_s) << 0 << u"d mmmm yyyy"_s << u"9 декабря 2026"_s;
    QTest::newRow("month year") << QVariant(QDate(2026, 12, 1)) << 0 << u"mmmm yyyy г."_s
                                << u"Декабрь 2026 г."_s;
    QTest::newRow("short date") << QVariant(u"2026-03-05"_s) << 0 << u"dd.mm.yyyy"_s
                                << u"05.03.2026"_s;
    QTest::newRow("date as stored")
        << QVariant(QDate(2026, 3, 5)) << 0 << QString() << u"05.03.2026"_s;
}

void TestReportEngine::formats()
{
    QFETCH(QVariant, value);
    QFETCH(int, scale);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(formatValue(value, scale, format), expected);
}

void TestReportEngine::longListBreaksIntoPages()
{
    const TableData data = rows(120);
    const Template report = listTemplate(data);
    const Prepared prepared = prepare(report, options());

    QVERIFY2(prepared.pages.size() >= 3, qPrintable(QString::number(prepared.pages.size())));
    const double footerTop = a4Page().height() - report.margins.bottom() - 20;
    int line = 0;
    for (qsizetype p = 0; p < prepared.pages.size(); ++p) {
        const Page& page = prepared.pages.at(p);
        // Title once; page header, column header and footer on every page.
        QCOMPARE(page.findAll(u"Title_Memo").size(), p == 0 ? 1 : 0);
        QCOMPARE(page.findAll(u"Head_Memo").size(), 1);
        QCOMPARE(page.findAll(u"ColName_Memo").size(), 1);
        const PlacedText* footer = page.find(u"PageNo_Memo");
        QVERIFY(footer);
        QCOMPARE(footer->text(), u"страница: %1"_s.arg(p + 1));
        QCOMPARE(footer->rect.top(), footerTop);
        // The column header comes before the rows; no row reaches into the footer, and
        // each row's three texts stay together on one page.
        const double headerBottom = page.find(u"ColName_Memo")->rect.bottom();
        const QList<const PlacedText*> numbers = page.findAll(u"No_Memo");
        const QList<const PlacedText*> names = page.findAll(u"Name_Memo");
        QCOMPARE(names.size(), numbers.size());
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            ++line;
            QCOMPARE(numbers.at(i)->text(), QString::number(line));
            QCOMPARE(names.at(i)->text(), u"Плательщик %1"_s.arg(line));
            QVERIFY(numbers.at(i)->rect.top() >= headerBottom);
            QVERIFY(numbers.at(i)->rect.bottom() <= footerTop + 0.01);
        }
    }
    QCOMPARE(line, 120);
    // The summary follows the last row, on the last page, with the sum of all rows.
    const Page& last = prepared.pages.last();
    const PlacedText* total = last.find(u"Total_Memo");
    QVERIFY(total);
    QCOMPARE(total->text(), u"Итого: 7 260,00"_s);
    QVERIFY(total->rect.top() >= last.findAll(u"No_Memo").last()->rect.bottom());

    // Rows that fill a page exactly leave the summary for a new page, never below the
    // footer.
    const TableData few = rows(2);
    const Prepared short_ = prepare(listTemplate(few), options());
    QCOMPARE(short_.pages.size(), 1);
    QCOMPARE(textsOf(short_, u"Sum_Memo"_s), (QStringList{u"1,00"_s, u"2,00"_s}));
}

void TestReportEngine::groupsSumTheirRows()
{
    const TableData data = rows(7); // houses 1, 1, 1, 2, 2, 2, 3
    Template report = listTemplate(data);
    addHouseGroup(report);

    const Prepared prepared = prepare(report, options());
    QCOMPARE(textsOf(prepared, u"House_Memo"_s), (QStringList{u"Дом 1"_s, u"Дом 2"_s, u"Дом 3"_s}));
    QCOMPARE(textsOf(prepared, u"HouseSum_Memo"_s),
             (QStringList{u"Итого по дому: 6,00 (Дом 1)"_s, u"Итого по дому: 15,00 (Дом 2)"_s,
                          u"Итого по дому: 7,00 (Дом 3)"_s}));
    QCOMPARE(prepared.pages.first().find(u"Total_Memo")->text(), u"Итого: 28,00"_s);

    // Header, its rows, then its footer, in that order on the page.
    const Page& page = prepared.pages.first();
    QStringList order;
    for (const PlacedText& text : page.texts) {
        if (text.name == u"House_Memo"_s || text.name == u"No_Memo"_s ||
            text.name == u"HouseSum_Memo"_s)
            order.append(text.name.left(2) + text.text().left(1));
    }
    QCOMPARE(order.join(u' '), u"HoД No1 No2 No3 HoИ HoД No4 No5 No6 HoИ HoД No7 HoИ"_s);
}

void TestReportEngine::detailLinesRestartPerMaster()
{
    TableData payers({u"T1_ID"_s, u"Name"_s});
    payers.addRow({1, u"Иванов"_s});
    payers.addRow({2, u"Петров"_s});
    payers.addRow({3, u"Сидоров"_s});
    TableData persons({u"T1_ID"_s, u"Name1"_s});
    persons.addRow({1, u"Иванова"_s});
    persons.addRow({1, u"Иванов мл."_s});
    persons.addRow({3, u"Сидорова"_s});

    Template report(u"Список лиц"_s);
    report.bind(u"Payers"_s, &payers);
    report.bind(u"Persons"_s, &persons);
    report.addBand(BandKind::MasterData, 20).dataSet = u"Payers"_s;
    report.addText(u"Payer_Memo"_s, {40, 0, 300, 18}, u"[LINE#]. [Payers.\"Name\"]"_s);
    Band& detail = report.addBand(BandKind::DetailData, 20);
    detail.dataSet = u"Persons"_s;
    detail.masterField = u"T1_ID"_s;
    detail.detailField = u"T1_ID"_s;
    report.addText(u"Person_Memo"_s, {60, 0, 300, 18},
                   u"[LINE#]) [Persons.\"Name1\"] ([Payers.\"Name\"])"_s);

    const Prepared prepared = prepare(report, options());
    QCOMPARE(textsOf(prepared, u"Payer_Memo"_s),
             (QStringList{u"1. Иванов"_s, u"2. Петров"_s, u"3. Сидоров"_s}));
    QCOMPARE(textsOf(prepared, u"Person_Memo"_s),
             (QStringList{u"1) Иванова (Иванов)"_s, u"2) Иванов мл. (Иванов)"_s,
                          u"1) Сидорова (Сидоров)"_s}));
}

void TestReportEngine::compositeTwoToASheet()
{
    TableData charges({u"ServiceName"_s, u"SummaService"_s});
    charges.addRow({u"Отопление"_s, qint64(152075)});
    charges.addRow({u"Вода"_s, qint64(31000)});
    // A receipt: half a sheet high, continuing the previous template's sheet.
    const auto receipt = [&](const QString& payer) {
        Template report(u"Извещение"_s);
        report.continuesPreviousPage = true;
        report.bind(u"Charges"_s, &charges);
        report.addBand(BandKind::ReportTitle, 200);
        report.addText(u"FIO_Memo"_s, {40, 10, 400, 20}, payer);
        report.addBand(BandKind::MasterData, 20).dataSet = u"Charges"_s;
        report.addText(u"Service_Memo"_s, {40, 0, 200, 18}, u"[Charges.\"ServiceName\"]"_s);
        report.addBand(BandKind::ReportSummary, 200);
        report
            .addText(u"Total_Memo"_s, {40, 0, 300, 18},
                     u"Итого: [SUM([Charges.\"SummaService\"])]"_s)
            .format = u"# ##0.00"_s;
        return report;
    };
    const Template first = receipt(u"Иванов"_s);
    const Template second = receipt(u"Петров"_s);
    const Template third = receipt(u"Сидоров"_s);
    CompositeReport composite;
    composite.add(&first);
    composite.add(&second);
    composite.add(&third);
    const Prepared prepared = composite.prepare(options());

    QCOMPARE(prepared.pages.size(), 2);
    const QList<const PlacedText*> sheet1 = prepared.pages.at(0).findAll(u"FIO_Memo");
    QCOMPARE(sheet1.size(), 2);
    QCOMPARE(sheet1.at(0)->text(), u"Иванов"_s);
    QCOMPARE(sheet1.at(1)->text(), u"Петров"_s);
    QVERIFY(sheet1.at(1)->rect.top() >
            prepared.pages.at(0).findAll(u"Total_Memo").first()->rect.bottom());
    QCOMPARE(prepared.pages.at(1).find(u"FIO_Memo")->text(), u"Сидоров"_s);
    QCOMPARE(prepared.pages.at(1).find(u"FIO_Memo")->rect.top(), first.margins.top() + 10);
    // Bands stand at the page's left margin, as they stand below its top one.
    QCOMPARE(prepared.pages.at(1).find(u"FIO_Memo")->rect.left(), first.margins.left() + 40);
    QCOMPARE(textsOf(prepared, u"Total_Memo"_s), QStringList(3, u"Итого: 1 830,75"_s));

    // A template that does not continue the sheet starts its own.
    Template own = receipt(u"Кузнецов"_s);
    own.continuesPreviousPage = false;
    composite.clear();
    composite.add(&first);
    composite.add(&own);
    QCOMPARE(composite.prepare(options()).pages.size(), 2);
}

void TestReportEngine::compositeFootersBelongToTheirSheets_data()
{
    // Templates A and B have page footers, C has none; each page reads as the titles on
    // it, then "|" and its footer.
    QTest::addColumn<bool>("bContinues");
    QTest::addColumn<bool>("cContinues");
    QTest::addColumn<QStringList>("pages");
    QTest::newRow("a sheet each") << false << false
                                  << QStringList{u"A|A-footer"_s, u"B|B-footer"_s, u"C|"_s};
    QTest::newRow("B below A") << true << false << QStringList{u"A B|A-footer"_s, u"C|"_s};
    QTest::newRow("C below B") << false << true << QStringList{u"A|A-footer"_s, u"B C|B-footer"_s};
    QTest::newRow("all on one") << true << true << QStringList{u"A B C|A-footer"_s};
}

void TestReportEngine::compositeFootersBelongToTheirSheets()
{
    QFETCH(bool, bContinues);
    QFETCH(bool, cContinues);
    QFETCH(QStringList, pages);
    const auto make = [](const QString& name, bool continues, bool footer) {
        Template report(name);
        report.continuesPreviousPage = continues;
        report.addBand(BandKind::ReportTitle, 100);
        report.addText(u"Title_Memo"_s, {40, 0, 300, 20}, name);
        if (footer) {
            report.addBand(BandKind::PageFooter, 20);
            report.addText(u"Footer_Memo"_s, {40, 0, 300, 18}, name + u"-footer"_s);
        }
        return report;
    };
    const Template a = make(u"A"_s, false, true);
    const Template b = make(u"B"_s, bContinues, true);
    const Template c = make(u"C"_s, cContinues, false);
    CompositeReport composite;
    composite.add(&a);
    composite.add(&b);
    composite.add(&c);
    QStringList actual;
    for (const Page& page : composite.prepare(options()).pages) {
        QStringList titles;
        for (const PlacedText* title : page.findAll(u"Title_Memo"))
            titles << title->text();
        QStringList footers;
        for (const PlacedText* footer : page.findAll(u"Footer_Memo"))
            footers << footer->text();
        actual << titles.join(u' ') + u'|' + footers.join(u' ');
    }
    QCOMPARE(actual, pages);
}

void TestReportEngine::groupFooterSumsItsDetailRows()
{
    TableData payers({u"T1_ID"_s, u"House"_s});
    payers.addRow({1, u"a"_s});
    payers.addRow({2, u"a"_s});
    payers.addRow({3, u"b"_s});
    TableData charges({u"T1_ID"_s, u"SummaService"_s});
    for (const auto& [payer, sum] : {std::pair{1, 1000}, {1, 2000}, {2, 500}, {3, 700}, {3, 800}})
        charges.addRow({payer, qint64(sum)});
    Template report(u"Акт"_s);
    report.bind(u"Payers"_s, &payers);
    report.bind(u"Charges"_s, &charges);
    report.addBand(BandKind::GroupHeader, 20).groupExpression = u"[Payers.\"House\"]"_s;
    report.addBand(BandKind::MasterData, 20).dataSet = u"Payers"_s;
    Band& detail = report.addBand(BandKind::DetailData, 20);
    detail.dataSet = u"Charges"_s;
    detail.masterField = u"T1_ID"_s;
    detail.detailField = u"T1_ID"_s;
    report.addBand(BandKind::GroupFooter, 20);
    report.addText(u"HouseSum_Memo"_s, {40, 0, 300, 18}, u"[SUM([Charges.\"SummaService\"])]"_s);
    report.addBand(BandKind::ReportSummary, 20);
    report.addText(u"Total_Memo"_s, {40, 0, 300, 18}, u"[SUM([Charges.\"SummaService\"])]"_s);
    const Prepared prepared = prepare(report, options());
    QCOMPARE(textsOf(prepared, u"HouseSum_Memo"_s), (QStringList{u"35,00"_s, u"15,00"_s}));
    QCOMPARE(textsOf(prepared, u"Total_Memo"_s), QStringList{u"50,00"_s});
}

void TestReportEngine::groupHeaderStaysWithItsFirstRow()
{
    const TableData data = rows(200);
    Template report = listTemplate(data);
    addHouseGroup(report);
    const Prepared prepared = prepare(report, options());
    QVERIFY(prepared.pages.size() >= 4);
    for (const Page& page : prepared.pages) {
        // The last text above the footer is a row's or a group footer's, never a header's.
        QString last;
        for (const PlacedText& text : page.texts) {
            if (text.band != BandKind::PageFooter)
                last = text.name;
        }
        QVERIFY2(last != u"House_Memo"_s && last != u"ColName_Memo"_s, qPrintable(last));
    }
}

void TestReportEngine::lineEndsAndNarrowItems()
{
    Template report(u"Строки"_s);
    report.addBand(BandKind::ReportTitle, 200);
    report.addText(u"CrLf_Memo"_s, {40, 0, 300, 40}, u"Строка один\r\nдва"_s);
    report.addText(u"Trailing_Memo"_s, {40, 50, 300, 18}, u"Итого\n"_s);
    report.addText(u"Narrow_Memo"_s, {400, 0, 12, 18}, u"Задолженность отсутствует"_s);
    report.addText(u"Next_Memo"_s, {40, 70, 300, 18}, u"дальше"_s);
    report.addBand(BandKind::ReportSummary, 20);
    report.addText(u"After_Memo"_s, {40, 0, 300, 18}, u"после"_s);
    const Prepared prepared = prepare(report, options());
    const Page& page = prepared.pages.first();
    QCOMPARE(page.find(u"CrLf_Memo")->lines, (QStringList{u"Строка один"_s, u"два"_s}));
    QCOMPARE(page.find(u"Trailing_Memo")->lines, QStringList{u"Итого"_s});
    QCOMPARE(page.find(u"Trailing_Memo")->font.pointSize, 10.0);
    // Even at the smallest size the narrow text needs many lines: the item and its band
    // grow to hold them all, and the next band moves down.
    const PlacedText* narrow = page.find(u"Narrow_Memo");
    QCOMPARE(narrow->lines.join(QString()), u"Задолженностьотсутствует"_s);
    QVERIFY(narrow->lines.size() * narrow->lineHeight <=
            narrow->rect.height() - 2 * TextPaddingY + 0.01);
    QVERIFY(page.find(u"After_Memo")->rect.top() >= narrow->rect.bottom() - 0.01);
}

void TestReportEngine::textsStayInsideTheirItems()
{
    TableData data({u"Name"_s, u"SummaService"_s});
    data.addRow({u"Техническое обслуживание внутридомового газового оборудования и систем "
                 u"вентиляции многоквартирного дома"_s,
                 qint64(0)});
    data.addRow({u"Вода"_s, qint64(1250)});
    Template report(u"Проверка"_s);
    report.bind(u"Rows"_s, &data);
    Band& band = report.addBand(BandKind::MasterData, 20);
    band.dataSet = u"Rows"_s;
    TextItem& grows = report.addText(u"Grow_Memo"_s, {40, 0, 160, 20}, u"[Rows.\"Name\"]"_s);
    grows.canGrow = true;
    report.addText(u"Wrap_Memo"_s, {210, 0, 100, 20}, u"[Rows.\"Name\"]"_s);
    // Shrinks on the first row, fits as it is on the second.
    report
        .addText(u"Shrink_Memo"_s, {320, 0, 200, 20},
                 u"Техническое обслуживание газового оборудования"_s)
        .fit = Fit::Shrink;
    TextItem& debt =
        report.addText(u"Debt_Memo"_s, {530, 0, 230, 20}, u"[Rows.\"SummaService\"]"_s);
    debt.format = u"0.00"_s;
    debt.hook = [](const QString& text, const ItemContext&) {
        return text == u"0,00"_s ? u"задолженность отсутствует"_s : text;
    };
    report.addLine({205, 0, 205, 20});

    const Prepared prepared = prepare(report, options());
    const Page& page = prepared.pages.first();
    for (const PlacedText& text : page.texts) {
        for (const QString& line : text.lines) {
            QVERIFY2(measuredWidth(text, line) <= text.rect.width() - 2 * TextPaddingX + 0.05,
                     qPrintable(text.name + u": "_s + line));
        }
        QVERIFY2(text.lines.size() <= 1 || text.lines.size() * text.lineHeight <=
                                               text.rect.height() - 2 * TextPaddingY + 0.05,
                 qPrintable(text.name));
    }
    const QList<const PlacedText*> grown = page.findAll(u"Grow_Memo");
    QVERIFY(grown.at(0)->lines.size() >= 3);
    QCOMPARE(grown.at(0)->font.pointSize, 10.0);
    // The row grew: the next row starts below the tall text, and the column rule that
    // reached the band's foot follows it.
    QVERIFY(grown.at(1)->rect.top() >= grown.at(0)->rect.bottom() - 0.01);
    QCOMPARE(page.lines.first().line.y2(), grown.at(0)->rect.bottom());
    // The wrapped text too tall for its item shrank; the single line shrank to its width.
    QVERIFY(page.findAll(u"Wrap_Memo").at(0)->font.pointSize < 10.0);
    QCOMPARE(page.findAll(u"Shrink_Memo").at(0)->lines.size(), 1);
    QVERIFY(page.findAll(u"Shrink_Memo").at(0)->font.pointSize < 10.0);
    QVERIFY(page.findAll(u"Shrink_Memo").at(0)->font.pointSize > MinPointSize);
    QCOMPARE(textsOf(prepared, u"Debt_Memo"_s),
             (QStringList{u"задолженность отсутствует"_s, u"12,50"_s}));
}

void TestReportEngine::namedObjectsAndUnknownExpressions()
{
    Template report(u"Акт"_s);
    report.addBand(BandKind::ReportTitle, 100);
    report.addText(u"Dez_Memo"_s, {40, 0, 600, 20}, {});
    report
        .addText(u"Odd_Memo"_s, {40, 20, 600, 20},
                 u"[Nowhere.\"Field\"] [LINE] дата: [DATE] [открыто"_s)
        .format = u"d mmmm yyyy"_s;
    QVERIFY(report.setText(u"dez_memo", u"Организация: ЖЭУ-5"_s));
    QVERIFY(!report.setText(u"Absent_Memo", u"x"_s));
    const Prepared prepared = prepare(report, options());
    QCOMPARE(prepared.pages.size(), 1);
    QCOMPARE(prepared.pages.first().find(u"DEZ_MEMO")->text(), u"Организация: ЖЭУ-5"_s);
    QCOMPARE(prepared.pages.first().find(u"Odd_Memo")->text(),
             u"[Nowhere.\"Field\"] [LINE] дата: 9 декабря 2026 [открыто"_s);
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
