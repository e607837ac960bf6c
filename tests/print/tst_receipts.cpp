#include "FakeDialogs.h"
#include "Kvitok.h"
#include "ModalWindow.h"
#include "PdfText.h"
#include "Preview.h"
#include "Receipts.h"
#include "SysFolders.h"
#include "TestDatabase.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace Receipts;

namespace {

const QDate Period(2026, 12, 1);
const QDate Today(2026, 12, 10);

// Five flats of one house, numbered out of text order; a house of the same street with a
// building number; a payer of another street without any number; one without a street.
const char16_t* const Fixture[] = {
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, Name2, Name3, Numls, ENumlsID, StreetID_BTI,
        HouseNum, KorpNum, FlatNum, SquareTotal, SquareLive, PplCntReg, ColMesDebts) VALUES
        (1, 1, 'Орлов', 'Олег', NULL, '100-10', 1, 1223119, '5', NULL, '10', NULL, NULL, 1, NULL),
        (2, 2, 'Белова', 'Вера', 'Ивановна', '100-2', 2, 1223119, '5', NULL, '2', 3000, 2000, 1, 0),
        (3, 3, 'Петров', 'Пётр', 'Петрович', '100-1', 1234567890, 1223119, '5', NULL, ' 1 ', 5420,
         3000, 2, 30),
        (4, 4, 'Зайцев', 'Яков', NULL, '100-12', 4, 1223119, '5', NULL, '12а', NULL, NULL, 1, 15),
        (5, 5, 'Ёлкина', 'Ада', NULL, '100-3', 5, 1223119, '5', '', '3', NULL, NULL, 1, NULL),
        (6, 6, 'Сомов', 'Иван', NULL, '200-1', 6, 1223119, '7', '1', '1', NULL, NULL, 1, NULL),
        (7, 7, 'Лесков', 'Лев', NULL, '300-1', 7, 1225227, NULL, NULL, NULL, NULL, NULL, 1, NULL),
        (8, 8, 'Безуличный', 'Ян', NULL, '400-1', 8, NULL, '1', NULL, '1', NULL, NULL, 1, NULL))",
    // Flat 1: a service with one catalogue row and one with several; a benefit on the first.
    uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, Volume, Tariff, SummaService,
        SummaServiceWOBenefit) VALUES
        (3, 1, 1, 1, 54200, 1390, 7534, 5000),
        (3, 2, 2, 10, 1000, 7500, 7500, 7500),
        (1, 3, 3, 1, 10000, 1390, 1390, 1390))",
};

QStringList textsOf(const Report::Page& page, const char16_t* name)
{
    QStringList texts;
    for (const Report::PlacedText* text : page.findAll(QStringView(name)))
        texts << text->text();
    return texts;
}

} // namespace

class TestReceipts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void lists();
    void flatNumbers_data();
    void flatNumbers();
    void ranges();
    void shortNames();
    void houseOfFiveIsThreeJobs();
    void receiptContent();
    void receiptsWithoutChargesOrNumbers();
    void windowPrintsAHouseIntoOnePdf();
    void windowStopsAfterTheCurrentReceipt();
    void windowPreviewsASingleFlat();
    void windowRefusals();

private:
    Report::Prepared single(qint64 t1Id);
    std::unique_ptr<TestDatabase> m_t;
};

void TestReceipts::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestReceipts::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    for (const char16_t* sql : Fixture)
        QVERIFY(m_t->exec(QString::fromUtf16(sql)));
}

void TestReceipts::cleanup()
{
    m_t.reset();
    QDir(SysFolders::FilesFolder()).removeRecursively();
}

Report::Prepared TestReceipts::single(qint64 t1Id)
{
    Report::PrepareOptions options;
    options.today = Today;
    ReceiptJobs jobs(
        m_t->db(), organisation(m_t->db(), 117), Period,
        [](const Report::Prepared&) { return true; }, options);
    if (!jobs.add(t1Id))
        return {};
    return jobs.takeWaiting().value_or(Report::Prepared());
}

void TestReceipts::lists()
{
    QStringList names;
    for (const Street& street : streets(m_t->db()))
        names << street.name;
    // A payer without a street has no house to choose.
    QCOMPARE(names, (QStringList{u"ул. Мичурина"_s, u"ул. Некрасова"_s}));

    const QList<House> michurina = houses(m_t->db(), 1223119);
    QCOMPARE(michurina.size(), 2);
    QCOMPARE(michurina.at(0).display, u"дом 5"_s);
    QCOMPARE(michurina.at(1).display, u"дом 7, корпус 1"_s);
    QCOMPARE(houses(m_t->db(), 1225227).value(0).display, QString());

    // In the numeric order of the flat numbers' leading digits, not in text order; an
    // empty building number and a NULL one are the same house.
    QStringList flatNames;
    for (const Flat& flat : flats(m_t->db(), 1223119, michurina.at(0)))
        flatNames << flat.display;
    QCOMPARE(flatNames,
             (QStringList{u"1     л.с. №100-1"_s, u"2     л.с. №100-2"_s, u"3     л.с. №100-3"_s,
                          u"10     л.с. №100-10"_s, u"12а     л.с. №100-12"_s}));
}

void TestReceipts::flatNumbers_data()
{
    QTest::addColumn<QString>("flat");
    QTest::addColumn<double>("number");
    QTest::newRow("digits") << u"10"_s << 10.0;
    QTest::newRow("with a letter") << u"12а"_s << 12.0;
    QTest::newRow("blanks around") << u"  7 "_s << 7.0;
    QTest::newRow("a fraction") << u"3.5"_s << 3.5;
    QTest::newRow("a part after a slash") << u"1/2"_s << 1.0;
    QTest::newRow("no digits first") << u"кв. 5"_s << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
}

void TestReceipts::flatNumbers()
{
    QFETCH(QString, flat);
    QFETCH(double, number);
    QCOMPARE(flatNumber(flat), number);
}

void TestReceipts::ranges()
{
    const QList<Flat> house = flats(m_t->db(), 1223119, houses(m_t->db(), 1223119).at(0));
    QCOMPARE(flatRange(house, 1, 3), (QList<qint64>{2, 5, 1}));
    QCOMPARE(flatRange(house, 2, 2), QList<qint64>{5});
    QVERIFY(!flatRange(house, 3, 1));
    QCOMPARE(reversedRangeMessage(), u"Ошибочный диапазон печати."_s);
    // "по:" of the same number standing before "с:" passes, and the house prints to its end.
    const QList<Flat> ties = {{11, u"5"_s, {}, 5}, {12, u"5а"_s, {}, 5}, {13, u"6"_s, {}, 6}};
    QCOMPARE(flatRange(ties, 1, 0), (QList<qint64>{12, 13}));
}

void TestReceipts::shortNames()
{
    QCOMPARE(shortName(u"Кузнецова"_s, u"Татьяна"_s, u"Петровна"_s), u"Кузнецова Т. П."_s);
    QCOMPARE(shortName(u" Иванов "_s, QVariant(), QVariant()), u"Иванов"_s);
    QCOMPARE(shortName(u"Иванов"_s, QVariant(), u"Петрович"_s), u"Иванов П."_s);
    const Organisation org = organisation(m_t->db(), 117);
    QCOMPARE(org.accountant, u"Кузнецова Т. П."_s);
    QVERIFY(org.isNamed());
    QVERIFY(!organisation(m_t->db(), QVariant()).isNamed());
    QVERIFY(!organisation(m_t->db(), 99999).isNamed());
}

void TestReceipts::houseOfFiveIsThreeJobs()
{
    QList<Report::Prepared> jobs;
    ReceiptJobs receipts(m_t->db(), organisation(m_t->db(), 117), Period,
                         [&jobs](const Report::Prepared& job) {
                             jobs << job;
                             return true;
                         });
    for (const qint64 payer : {3, 2, 5, 1, 4})
        QVERIFY2(receipts.add(payer), qPrintable(receipts.error()));
    QCOMPARE(receipts.filled(), 5);
    const std::optional<Report::Prepared> last = receipts.takeWaiting();
    QVERIFY(last);
    QVERIFY(!receipts.takeWaiting());
    jobs << *last;
    // Two sheets of two receipts, each pair on one sheet, and one of one, in flat order.
    QCOMPARE(jobs.size(), 3);
    QStringList payers;
    for (const Report::Prepared& job : jobs) {
        QCOMPARE(job.pages.size(), 1);
        payers << textsOf(job.pages.first(), u"FIO_Memo").join(u" + "_s);
    }
    QCOMPARE(payers, (QStringList{u"Петров Пётр Петрович + Белова Вера Ивановна"_s,
                                  u"Ёлкина Ада + Орлов Олег"_s, u"Зайцев Яков"_s}));
    // The second receipt of a sheet lies below the first.
    const QList<const Report::PlacedText*> names = jobs.first().pages.first().findAll(u"FIO_Memo");
    QVERIFY(names.at(1)->rect.top() > names.at(0)->rect.bottom() + 200);
    QVERIFY(names.at(1)->rect.top() < jobs.first().pages.first().size.height() / 2 + 100);
}

void TestReceipts::receiptContent()
{
    const Report::Prepared receipt = single(3);
    QCOMPARE(receipt.pages.size(), 1);
    const Report::Page& page = receipt.pages.first();
    const auto text = [&](const char16_t* name) {
        const Report::PlacedText* placed = page.find(QStringView(name));
        return placed ? placed->text() : u"<none>"_s;
    };
    QCOMPARE(text(u"Dez_Memo"), u"Организация: ООО \"Управляющая компания \"Северный квартал\""_s);
    QCOMPARE(text(u"Mes_Memo"), u"Расчет платежей за Декабрь 2026 г."_s);
    QCOMPARE(text(u"FIO_Memo"), u"Петров Пётр Петрович"_s);
    QCOMPARE(text(u"Address_Memo"), u"ул. Мичурина, д. 5, кв.1"_s);
    QCOMPARE(text(u"Numls_Memo"), u"Номер лицевого счета: 100-1"_s);
    QCOMPARE(text(u"ENumlsID_Memo"), u"Код плательщика: 1234567890"_s);
    QCOMPARE(text(u"SquareTotal_Memo"), u"Общая площадь: 54,20"_s);
    QCOMPARE(text(u"SquareLive_Memo"), u"Жилая площадь: 30,00"_s);
    QCOMPARE(text(u"PplCntReg_Memo"), u"Количество человек: 2"_s);
    QCOMPARE(text(u"Debts_Memo"), u"Количество месяцев задолженности: 3"_s);
    QCOMPARE(text(u"BName_Memo"), u"/ Кузнецова Т. П."_s);
    QCOMPARE(text(u"PrintDate_Memo"), u"10 декабря 2026"_s);
    QCOMPARE(textsOf(page, u"Header6_Memo").join(u' ').replace(u'\n', u' '),
             u"Начислено по тарифу"_s);

    // One line per charge, a service of several catalogue variants among them once.
    QCOMPARE(textsOf(page, u"Line_Memo"), (QStringList{u"1"_s, u"2"_s}));
    QCOMPARE(textsOf(page, u"ServiceName_Memo"),
             (QStringList{u"Содержание и ремонт жилого помещения"_s, u"Запирающее устройство"_s}));
    QCOMPARE(textsOf(page, u"Dimension_Memo"), (QStringList{u"кв.м"_s, u"квартира"_s}));
    QCOMPARE(textsOf(page, u"Volume_Memo"), (QStringList{u"54,2"_s, u"1"_s}));
    QCOMPARE(textsOf(page, u"Tariff_Memo"), (QStringList{u"13,90"_s, u"75,00"_s}));
    QCOMPARE(textsOf(page, u"SummaService_Memo"), (QStringList{u"75,34"_s, u"75,00"_s}));
    QCOMPARE(textsOf(page, u"SummaBenefit_Memo"), (QStringList{u"25,34"_s, u"0,00"_s}));
    QCOMPARE(textsOf(page, u"SummaServiceWOBenefit_Memo"), (QStringList{u"50,00"_s, u"75,00"_s}));
    QCOMPARE(text(u"Total_Memo"), u"ИТОГО:"_s);
    QCOMPARE(text(u"Total1_Memo"), u"150,34"_s);
    QCOMPARE(text(u"Total2_Memo"), u"25,34"_s);
    QCOMPARE(text(u"Total3_Memo"), u"125,00"_s);
    // Numbers stand at the right of their cells.
    QVERIFY(page.find(u"Total1_Memo")->alignment & Qt::AlignRight);
}

void TestReceipts::receiptsWithoutChargesOrNumbers()
{
    const Report::Page noCharges = single(2).pages.value(0);
    QVERIFY(textsOf(noCharges, u"ServiceName_Memo").isEmpty());
    QCOMPARE(noCharges.find(u"FIO_Memo")->text(), u"Белова Вера Ивановна"_s);
    QCOMPARE(noCharges.find(u"Debts_Memo")->text(),
             u"Количество месяцев задолженности: задолженность отсутствует"_s);
    QCOMPARE(noCharges.find(u"Total1_Memo")->text(), u"0,00"_s);

    QCOMPARE(single(7).pages.value(0).find(u"Address_Memo")->text(), u"ул. Некрасова"_s);
    QCOMPARE(single(4).pages.value(0).find(u"Debts_Memo")->text(),
             u"Количество месяцев задолженности: 1,5"_s);
    QCOMPARE(debtsText(QVariant()), u"задолженность отсутствует"_s);
}

void TestReceipts::windowPrintsAHouseIntoOnePdf()
{
    FakeDialogs dialogs;
    TKvitok_Form form(m_t->db(), 117, Period);
    form.setPrinter(QPrinterInfo());
    form.show();
    QCOMPARE(form.findChild<QLabel*>(u"Dez_Label"_s)->text(),
             u"ООО \"Управляющая компания \"Северный квартал\""_s);
    QCOMPARE(form.findChild<QComboBox*>(u"Streets_RxDBLC"_s)->currentText(), u"ул. Мичурина"_s);
    QCOMPARE(form.findChild<QComboBox*>(u"Houses_RxDBLC"_s)->currentText(), u"дом 5"_s);
    for (const char* box : {"FlatFirst_RxDBLC", "FlatLast_RxDBLC"})
        QCOMPARE(form.findChild<QComboBox*>(QString::fromLatin1(box))->currentText(),
                 u"1     л.с. №100-1"_s);
    QVERIFY(!form.findChild<QWidget*>(u"Stat_Panel"_s)->isVisible());

    form.PrintAll_BBtnClick();
    QCOMPARE(form.findChild<QLabel*>(u"Count_Label"_s)->text(), u"5"_s);
    QVERIFY(!form.findChild<QWidget*>(u"Stat_Panel"_s)->isVisible());
    // Without a printer every sheet of the house is in one file, and the operator is told
    // which.
    const QStringList notices = dialogs.texts(FakeDialogs::Kind::Notice);
    QCOMPARE(notices.size(), 1);
    const QString path = notices.first().section(u"\r\n"_s, 1);
    QVERIFY2(path.startsWith(SysFolders::FilesFolder() + u"Извещения ул. Мичурина, дом 5 "_s),
             qPrintable(path));
    QCOMPARE(pdfPages(path), 3);
    const QString text = squeezed(pdfText(path));
    QVERIFY(text.indexOf(u"Петров Пётр Петрович"_s) < text.indexOf(u"Зайцев Яков"_s));
    QVERIFY(dialogs.texts(FakeDialogs::Kind::Error).isEmpty());

    // Another street's houses follow the street box.
    auto* street = form.findChild<QComboBox*>(u"StreetsKv_RxDBLC"_s);
    street->setCurrentIndex(1);
    QCOMPARE(form.findChild<QComboBox*>(u"FlatFirst_RxDBLC"_s)->currentText(),
             u"     л.с. №300-1"_s);
}

void TestReceipts::windowStopsAfterTheCurrentReceipt()
{
    FakeDialogs dialogs;
    TKvitok_Form form(m_t->db(), 117, Period);
    form.setPrinter(QPrinterInfo());
    form.show();
    // Stop is pressed while the first receipt goes out.
    QTimer::singleShot(0, &form, [&form] {
        QVERIFY(form.findChild<QWidget*>(u"Stat_Panel"_s)->isVisible());
        form.findChild<QPushButton*>(u"Stop_BBtn"_s)->click();
    });
    form.PrintAll_BBtnClick();
    QCOMPARE(form.findChild<QLabel*>(u"Count_Label"_s)->text(), u"1"_s);
    const QStringList notices = dialogs.texts(FakeDialogs::Kind::Notice);
    QCOMPARE(notices.size(), 1);
    // The waiting receipt is still printed.
    QCOMPARE(pdfPages(notices.first().section(u"\r\n"_s, 1)), 1);
}

void TestReceipts::windowPreviewsASingleFlat()
{
    FakeDialogs dialogs;
    TKvitok_Form form(m_t->db(), 117, Period);
    form.setPrinter(QPrinterInfo());
    form.show();
    auto* first = form.findChild<QComboBox*>(u"FlatFirst_RxDBLC"_s);
    auto* last = form.findChild<QComboBox*>(u"FlatLast_RxDBLC"_s);
    first->setCurrentIndex(3);
    last->setCurrentIndex(3);
    QStringList shown;
    whenModal<TPreview_Form>([&](TPreview_Form* preview) {
        for (const Report::Page& page : preview->report().pages)
            shown << textsOf(page, u"FIO_Memo");
        preview->reject();
    });
    form.PrintOne_BBtnClick();
    QCOMPARE(shown, QStringList{u"Орлов Олег"_s});
    QVERIFY(dialogs.messages.isEmpty());

    // Two flats go to the printer (here: a file) as one sheet.
    last->setCurrentIndex(4);
    form.PrintOne_BBtnClick();
    const QStringList notices = dialogs.texts(FakeDialogs::Kind::Notice);
    QCOMPARE(notices.size(), 1);
    QCOMPARE(pdfPages(notices.first().section(u"\r\n"_s, 1)), 1);
    QCOMPARE(first->currentIndex(), 3);
}

void TestReceipts::windowRefusals()
{
    FakeDialogs dialogs;
    {
        TKvitok_Form form(m_t->db(), 117, Period);
        form.setPrinter(QPrinterInfo());
        form.findChild<QComboBox*>(u"FlatFirst_RxDBLC"_s)->setCurrentIndex(3);
        form.findChild<QComboBox*>(u"FlatLast_RxDBLC"_s)->setCurrentIndex(1);
        form.PrintOne_BBtnClick();
        QCOMPARE(dialogs.texts(FakeDialogs::Kind::Error),
                 QStringList{u"Ошибочный диапазон печати."_s});
    }
    dialogs.clear();
    QVERIFY(m_t->exec(u"UPDATE Sprav_Dez SET DezName = '  ' WHERE DezID = 1204"_s));
    for (const QVariant& dez : {QVariant(), QVariant(1204)}) {
        TKvitok_Form form(m_t->db(), dez, Period);
        form.setPrinter(QPrinterInfo());
        form.PrintAll_BBtnClick();
        form.PrintOne_BBtnClick();
    }
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Error), QStringList(4, u"Не указана организация."_s));
    QVERIFY(dialogs.texts(FakeDialogs::Kind::Notice).isEmpty());
}

QTEST_MAIN(TestReceipts)
#include "tst_receipts.moc"
