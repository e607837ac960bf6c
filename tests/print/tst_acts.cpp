#include "Acts.h"
#include "FakeDialogs.h"
#include "ModalWindow.h"
#include "Preview.h"
#include "TestDatabase.h"

#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using Acts::Kind;

namespace {

const Acts::Heading Heading{u"ООО \"Северный квартал\""_s, 117, QDate(2026, 12, 1)};

// Two flats of one house; a house with a building number on another street; a payer of a
// street the book lacks; two identical payers without a street or charges.
const char16_t* const Fixture[] = {
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, Name2, Name3, Numls, ENumlsID, StreetID_BTI,
        HouseNum, KorpNum, FlatNum, SummaFull, SummaWOBenefit) VALUES
        (1, 1, 'Петров', 'Пётр', 'Петрович', '100-1', 11, 1223119, '5', NULL, '1', 3200, 3100),
        (2, 2, 'Белова', 'Вера', NULL, '100-2', 12, 1223119, '5', '', '2', 500, 500),
        (3, 3, 'Сомов', 'Иван', NULL, '200-1', 13, 1225227, '1', '2', NULL, 123456, 123456),
        (4, 4, 'Лесков', 'Лев', NULL, '300-1', 14, 999, '3', NULL, '4', 300, 300),
        (5, 5, 'Двойников', 'Ян', NULL, '400-1', 15, NULL, NULL, NULL, NULL, 0, 0),
        (6, 6, 'Двойников', 'Ян', NULL, '400-1', 15, NULL, NULL, NULL, NULL, 0, 0))",
    uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, SummaService, SummaServiceWOBenefit,
        SummaServiceReg, SummaServiceWOBenefitReg) VALUES
        (1, 1, 1, 1, 1000, 1000, 1000, 1000), (1, 2, 2, 1, 1000, 1000, 1000, 1000),
        (1, 3, 3, 2, 700, 600, 700, 600), (2, 4, 4, 1, 500, 500, 0, 0),
        (3, 5, 5, 10, 123456, 123456, 123456, 123456), (4, 6, 6, 2, 300, 300, 300, 300))",
    uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, Name1, Name2, Relation) VALUES
        (1, 1, 1, 'Петрова', 'Мария', 'Жена'), (1, 2, 2, 'Петров', 'Пётр', 'Сам'),
        (3, 3, 3, 'Сомов', 'Иван', 'Сам'))",
};

QStringList column(const Report::Prepared& report, const char16_t* name)
{
    QStringList texts;
    for (const Report::Page& page : report.pages) {
        for (const Report::PlacedText* text : page.findAll(QStringView(name)))
            texts << text->text();
    }
    return texts;
}

} // namespace

class TestActs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void perService();
    void perHouseAndFlat_data();
    void perHouseAndFlat();
    void enteredData();
    void enteredDataOfAnEmptyStatement();
    void payerLists();
    void pagesAreNumbered();
    void windows_data();
    void windows();

private:
    Report::Prepared prepared(Kind kind);
    std::unique_ptr<TestDatabase> m_t;
};

void TestActs::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    for (const char16_t* sql : Fixture)
        QVERIFY(m_t->exec(QString::fromUtf16(sql)));
}

void TestActs::cleanup()
{
    m_t.reset();
}

Report::Prepared TestActs::prepared(Kind kind)
{
    QString error;
    Report::PrepareOptions options;
    options.today = QDate(2026, 12, 10);
    const std::optional<Report::Prepared> report =
        Acts::prepareReport(m_t->db(), kind, Heading, &error, options);
    if (!report)
        qWarning("%s", qPrintable(error));
    return report.value_or(Report::Prepared());
}

void TestActs::perService()
{
    const Report::Prepared report = prepared(Kind::Services);
    QCOMPARE(report.pages.size(), 1);
    const Report::Page& page = report.pages.first();
    QCOMPARE(page.find(u"Title_Memo")->text(), u"Сводные данные по услугам"_s);
    QCOMPARE(page.find(u"Dez_Memo")->text(), u"Организация: ООО \"Северный квартал\""_s);
    QCOMPARE(page.find(u"Mes_Memo")->text(), u"Месяц: Декабрь 2026 г."_s);
    QCOMPARE(page.find(u"PrintDate_Memo")->text(), u"10 декабря 2026"_s);
    // Rows of 10,00 + 10,00 + 5,00 of one code: three, 25,00; a service of several catalogue
    // variants once.
    QCOMPARE(column(report, u"ServiceID_Memo"), (QStringList{u"1"_s, u"2"_s, u"10"_s}));
    QCOMPARE(column(report, u"ServiceName_Memo").value(2), u"Запирающее устройство"_s);
    QCOMPARE(column(report, u"CountServices_Memo"), (QStringList{u"3"_s, u"2"_s, u"1"_s}));
    QCOMPARE(column(report, u"SummaService_Memo"),
             (QStringList{u"25,00"_s, u"10,00"_s, u"1 234,56"_s}));
    QCOMPARE(column(report, u"SummaServiceWOBenefit_Memo"),
             (QStringList{u"25,00"_s, u"9,00"_s, u"1 234,56"_s}));
    QCOMPARE(page.find(u"TotalSummaService_Memo")->text(), u"1 269,56"_s);
    QCOMPARE(page.find(u"TotalSummaServiceWOBenefit_Memo")->text(), u"1 268,56"_s);
    QCOMPARE(page.find(u"PageCaption_Memo")->text(), u"страница:"_s);
    QCOMPARE(page.find(u"Page_Memo")->text(), u"1"_s);
}

void TestActs::perHouseAndFlat_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QStringList>("sums");
    // The payer of the unknown street heads the list with an empty address.
    QTest::newRow("houses") << int(Kind::HousesServices) << u"Итого по дому:"_s
                            << QStringList{QString(), u"ул. Мичурина д. 5, "_s,
                                           u"ул. Некрасова д. 1, корп. 2, "_s}
                            << QStringList{u"3,00"_s, u"32,00"_s, u"1 234,56"_s};
    QTest::newRow("flats") << int(Kind::HousesFlatsServices) << u"Итого по квартире:"_s
                           << QStringList{QString(), u"ул. Мичурина д. 5, кв. 1"_s,
                                          u"ул. Мичурина д. 5, кв. 2"_s,
                                          u"ул. Некрасова д. 1, корп. 2, кв. "_s}
                           << QStringList{u"3,00"_s, u"27,00"_s, u"5,00"_s, u"1 234,56"_s};
}

void TestActs::perHouseAndFlat()
{
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QStringList, addresses);
    QFETCH(QStringList, sums);
    const Report::Prepared report = prepared(Kind(kind));
    QCOMPARE(column(report, u"Address_Memo"), addresses);
    QCOMPARE(column(report, u"GroupSummaService_Memo"), sums);
    QCOMPARE(column(report, u"GroupTotal_Memo"), QStringList(sums.size(), caption));
    QCOMPARE(report.pages.first().find(u"TotalSummaService_Memo")->text(), u"1 269,56"_s);
}

void TestActs::enteredData()
{
    const Report::Page page = prepared(Kind::EnteredData).pages.value(0);
    const auto text = [&](const char16_t* name) {
        const Report::PlacedText* placed = page.find(QStringView(name));
        return placed ? placed->text() : u"<none>"_s;
    };
    QCOMPARE(text(u"BName_Memo"), u"Бухгалтер: Кузнецова Татьяна Петровна"_s);
    // Two flats of one house are one house; a missing street counts as one of its own.
    QCOMPARE(text(u"Streets_Memo"), u"4"_s);
    QCOMPARE(text(u"Houses_Memo"), u"4"_s);
    QCOMPARE(text(u"Flats_Memo"), u"5"_s);
    QCOMPARE(text(u"NumLS_Memo"), u"5"_s);
    QCOMPARE(text(u"SummaService_Memo"), u"1 269,56"_s);
    QCOMPARE(text(u"SummaServiceWOBenefit_Memo"), u"1 268,56"_s);
    QCOMPARE(text(u"SummaServiceReg_Memo"), u"1 264,56"_s);
    QCOMPARE(text(u"SummaServiceWOBenefitReg_Memo"), u"1 263,56"_s);
    QCOMPARE(text(u"Mes_Memo"), u"Месяц: Декабрь 2026 г."_s);
}

void TestActs::enteredDataOfAnEmptyStatement()
{
    for (const char* table : {"SvedPotreb_T1", "SvedNach_T2", "SvedPotrebRelations_T3"})
        QVERIFY(m_t->exec(u"DELETE FROM "_s + QLatin1StringView(table)));
    const Report::Page page = prepared(Kind::EnteredData).pages.value(0);
    for (const char16_t* name : {u"Streets_Memo", u"Houses_Memo", u"Flats_Memo", u"NumLS_Memo"})
        QCOMPARE(page.find(QStringView(name))->text(), u"0"_s);
    for (const char16_t* name : {u"SummaService_Memo", u"SummaServiceWOBenefit_Memo",
                                 u"SummaServiceReg_Memo", u"SummaServiceWOBenefitReg_Memo"})
        QCOMPARE(page.find(QStringView(name))->text(), u"0,00"_s);
    // The other reports have no rows but still their page.
    QCOMPARE(prepared(Kind::Services).pages.value(0).find(u"TotalSummaService_Memo")->text(),
             u"0,00"_s);
}

void TestActs::payerLists()
{
    // Identical payers once; the payers without a known street first.
    const Report::Prepared payers = prepared(Kind::Payers);
    QCOMPARE(column(payers, u"Name_Memo"),
             (QStringList{u"Лесков Лев "_s, u"Двойников Ян "_s, u"Петров Пётр Петрович"_s,
                          u"Белова Вера "_s, u"Сомов Иван "_s}));
    QCOMPARE(column(payers, u"Address_Memo").mid(2),
             (QStringList{u"ул. Мичурина д. 5, кв. 1"_s, u"ул. Мичурина д. 5, кв. 2"_s,
                          u"ул. Некрасова д. 1, корп. 2, кв. "_s}));
    QCOMPARE(column(payers, u"Line_Memo"), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    QCOMPARE(column(payers, u"ENumlsID_Memo").value(2), u"11"_s);
    QCOMPARE(column(payers, u"Numls_Memo").value(2), u"100-1"_s);
    QCOMPARE(column(payers, u"SummaFull_Memo").value(4), u"1 234,56"_s);
    QCOMPARE(column(payers, u"TotalSummaFull_Memo"), QStringList{u"1 274,56"_s});
    QCOMPARE(column(payers, u"TotalSummaWOBenefit_Memo"), QStringList{u"1 273,56"_s});
    QVERIFY(column(payers, u"Persons_Memo").isEmpty());

    // Every payer its own block with its heading; persons under their payer only, by name.
    const Report::Prepared persons = prepared(Kind::PayersWithPersons);
    QCOMPARE(persons.pages.first().find(u"Title_Memo")->text(),
             u"Список лиц, которые учитываются при расчете платы"_s);
    QCOMPARE(persons.pages.first().find(u"Title2_Memo")->text(),
             u"за жилищно-коммунальные и прочие услуги "_s);
    QCOMPARE(column(persons, u"Name_Memo").size(), 6);
    QCOMPARE(column(persons, u"Persons_Memo"), QStringList(6, u"Проживают по данному адресу:"_s));
    QCOMPARE(column(persons, u"PersonName_Memo"),
             (QStringList{u"Петров Пётр "_s, u"Петрова Мария "_s, u"Сомов Иван "_s}));
    QCOMPARE(column(persons, u"Relation_Memo"), (QStringList{u"Сам"_s, u"Жена"_s, u"Сам"_s}));
    // The persons stand below their payer's block.
    const Report::Page& page = persons.pages.first();
    QVERIFY(page.find(u"PersonName_Memo")->rect.top() >
            page.findAll(u"Persons_Memo").at(2)->rect.top());
}

void TestActs::pagesAreNumbered()
{
    QVERIFY(m_t->exec(
        uR"(WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 199)
        INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, Numls, StreetID_BTI, HouseNum, FlatNum)
        SELECT i, i, 'Плательщик', CAST(i AS TEXT), 1223119, '7', CAST(i AS TEXT) FROM n)"_s));
    const Report::Prepared report = prepared(Kind::PayersWithPersons);
    QVERIFY(report.pages.size() > 2);
    for (qsizetype i = 0; i < report.pages.size(); ++i) {
        QCOMPARE(report.pages.at(i).find(u"Page_Memo")->text(), QString::number(i + 1));
        // The column heading repeats on every sheet.
        QVERIFY(report.pages.at(i).find(u"Header5_Memo"));
    }
    QCOMPARE(column(report, u"Line_Memo").size(), 106);
}

void TestActs::windows_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    for (int kind = 0; kind <= int(Kind::PayersWithPersons); ++kind) {
        static const char* const buttons[] = {"Services_BitBtn",          "HousesServices_BBtn",
                                              "HousesFlatsServices_BBtn", "File_BitBtn",
                                              "SpisokPotreb_BitBtn",      "SpisokPotrebS_BitBtn"};
        QTest::newRow(buttons[kind])
            << QString::fromLatin1(buttons[kind]) << Acts::title(Kind(kind));
    }
}

void TestActs::windows()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    FakeDialogs dialogs;
    const auto window = [&](const Acts::Heading& heading) -> std::unique_ptr<QDialog> {
        if (button.startsWith(u"Spisok"))
            return std::make_unique<TPrintSpisok_Form>(m_t->db(), heading);
        return std::make_unique<TActs_Form>(m_t->db(), heading);
    };
    // Without an organisation nothing is prepared.
    Acts::Heading none = Heading;
    none.dezId = QVariant();
    std::unique_ptr<QDialog> refusing = window(none);
    refusing->findChild<QPushButton*>(button)->click();
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Error), QStringList{u"Не указана организация."_s});

    dialogs.clear();
    std::unique_ptr<QDialog> form = window(Heading);
    form->show();
    QString shown;
    whenModal<TPreview_Form>([&](TPreview_Form* preview) {
        shown = preview->report().title;
        preview->reject();
    });
    form->findChild<QPushButton*>(button)->click();
    QCOMPARE(shown, title);
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(form->findChild<QPushButton*>(button)->isEnabled());
}

QTEST_MAIN(TestActs)
#include "tst_acts.moc"
