#include "DataGrid.h"
#include "FakeDialogs.h"
#include "KeyTyping.h"
#include "ModalWindow.h"
#include "RecordSetModel.h"
#include "TariffBank.h"
#include "TariffBankEdit.h"
#include "TariffBankEditDetail.h"
#include "TariffPeriods.h"
#include "Tariffs.h"
#include "TestDatabase.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace RefBooks;

namespace {

// A variant of the catalogue the seed gives no tariff.
constexpr int Variant = 15;

TariffPeriod period(const QDate& start, qint64 kopecks)
{
    TariffPeriod p;
    p.start = start;
    p.summa = Decimal::fromUnits(kopecks, 2);
    return p;
}

QString endsOf(const QList<TariffPeriod>& periods)
{
    QStringList ends;
    for (const TariffPeriod& p : periods)
        ends << p.start.toString(u"dd.MM.yyyy"_s) + u'-' +
                    (p.end.isValid() ? p.end.toString(u"dd.MM.yyyy"_s) : u"…"_s);
    return ends.join(u' ');
}

} // namespace

class TestTariffBank : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void chainsAndLookups_data();
    void chainsAndLookups();
    void amounts_data();
    void amounts();
    void failedSaveLeavesTheBank();

    void listShowsTheTariffOfTheMonth();
    void periodWindowTakesTheFirstOfTheMonth();
    void addingInATakenMonthIsRefused();
    void editWindowSavesAndAsksOnClose();
    void keyboard_data();
    void keyboard();

private:
    template <typename T> static T* child(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString stored(int variant);

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
};

void TestTariffBank::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
}

void TestTariffBank::cleanup()
{
    m_dialogs.reset();
    m_t.reset();
}

QString TestTariffBank::stored(int variant)
{
    const auto periods = readPeriods(m_t->db(), variant, {});
    return periods ? endsOf(*periods) : u"<failed>"_s;
}

void TestTariffBank::chainsAndLookups_data()
{
    QTest::addColumn<QList<QDate>>("starts"); // in the order the operator adds them
    QTest::addColumn<int>("removed");         // index in the rebuilt chain; -1 none
    QTest::addColumn<QString>("chain");       // start-end, latest first
    QTest::addColumn<QList<QDate>>("months"); // looked up
    QTest::addColumn<QList<int>>("answers"); // index into `starts` of the period answering; -1 none

    QTest::newRow("two periods")
        << QList<QDate>{{2023, 1, 1}, {2023, 7, 1}} << -1 << u"01.07.2023-… 01.01.2023-30.06.2023"_s
        << QList<QDate>{{2022, 12, 1}, {2023, 1, 1}, {2023, 6, 1}, {2023, 7, 1}, {2031, 5, 1}}
        << QList<int>{-1, 0, 0, 1, 1};
    QTest::newRow("added before all")
        << QList<QDate>{{2023, 1, 1}, {2023, 7, 1}, {2022, 10, 1}} << -1
        << u"01.07.2023-… 01.01.2023-30.06.2023 01.10.2022-31.12.2022"_s
        << QList<QDate>{{2022, 9, 1}, {2022, 12, 1}, {2023, 1, 1}} << QList<int>{-1, 2, 0};
    QTest::newRow("middle of three deleted")
        << QList<QDate>{{2023, 1, 1}, {2023, 7, 1}, {2023, 10, 1}} << 1
        << u"01.10.2023-… 01.01.2023-30.09.2023"_s
        << QList<QDate>{{2023, 7, 1}, {2023, 9, 1}, {2023, 10, 1}} << QList<int>{0, 0, 2};
    QTest::newRow("the only one deleted")
        << QList<QDate>{{2023, 1, 1}} << 0 << QString() << QList<QDate>{{2023, 1, 1}, {2024, 1, 1}}
        << QList<int>{-1, -1};
}

void TestTariffBank::chainsAndLookups()
{
    QFETCH(QList<QDate>, starts);
    QFETCH(int, removed);
    QFETCH(QString, chain);
    QFETCH(QList<QDate>, months);
    QFETCH(QList<int>, answers);

    // Each period is priced by its place in `starts`, so the answer names it.
    QList<TariffPeriod> periods;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        periods.append(period(starts.at(i), 1000 + i));
        rebuildChain(periods);
    }
    if (removed >= 0) {
        periods.removeAt(removed);
        rebuildChain(periods);
    }
    QCOMPARE(endsOf(periods), chain);
    const BookWrite written = replacePeriods(m_t->db(), Variant, periods);
    QVERIFY2(written.ok, qPrintable(written.message));
    QCOMPARE(stored(Variant), chain);
    for (qsizetype i = 0; i < months.size(); ++i) {
        const Decimal tariff = Tariffs::inForce(m_t->db(), Variant, months.at(i));
        if (answers.at(i) < 0)
            QVERIFY2(tariff.isNull(), qPrintable(months.at(i).toString()));
        else
            QCOMPARE(tariff.units(), qint64(1000 + answers.at(i)));
    }
}

void TestTariffBank::amounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("kopecks"); // null: "Ошибочная сумма."
    QTest::newRow("comma") << u"12,5"_s << QVariant(qint64(1250));
    QTest::newRow("point") << u"12.50"_s << QVariant(qint64(1250));
    QTest::newRow("rounded to kopecks") << u"0,125"_s << QVariant(qint64(13));
    QTest::newRow("zero") << u"0,00"_s << QVariant(qint64(0));
    QTest::newRow("empty") << QString() << QVariant();
    QTest::newRow("two separators") << u"1,2,3"_s << QVariant();
    QTest::newRow("too large for the bank") << u"1000000"_s << QVariant();
}

void TestTariffBank::amounts()
{
    QFETCH(QString, text);
    QFETCH(QVariant, kopecks);
    const std::optional<Decimal> amount = parseTariffAmount(text);
    QCOMPARE(amount.has_value(), !kopecks.isNull());
    if (amount)
        QCOMPARE(amount->units(), kopecks.toLongLong());
}

void TestTariffBank::failedSaveLeavesTheBank()
{
    const QString before = stored(1);
    QVERIFY(!before.isEmpty());
    QVERIFY(m_t->exec(
        u"CREATE TRIGGER refuse BEFORE INSERT ON TariffBank BEGIN SELECT RAISE(ABORT, 'refused'); END"_s));
    QList<TariffPeriod> periods = {period({2020, 1, 1}, 100)};
    const BookWrite written = replacePeriods(m_t->db(), 1, periods);
    QVERIFY(!written.ok);
    QCOMPARE(written.message, u"Ошибка записи данных."_s);
    QCOMPARE(stored(1), before);
    QVERIFY(!m_t->db().inTransaction());
}

void TestTariffBank::listShowsTheTariffOfTheMonth()
{
    // Variant 1 is provided and has a chain; variant 15 has a period but is not provided.
    QVERIFY(replacePeriods(m_t->db(), Variant, {period({2020, 1, 1}, 777)}).ok);
    TTariffBank_Form list(m_t->db());
    auto* grid = child<DataGrid>(&list, "Tariff_DBG");
    const RecordSet& rows = grid->recordModel()->recordSet();
    QCOMPARE(child<QLabel>(&list, "ColServices_Label")->text(),
             m_t->scalar(u"SELECT COUNT(*) FROM Sprav_Services"_s).toString());
    const auto shown = [&](int variant, QStringView field) {
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->recordModel()->column(c).field == field)
                return grid->model()
                    ->index(grid->recordModel()->rowOfKey({variant}), c)
                    .data()
                    .toString();
        }
        return u"<no column>"_s;
    };
    child<QSpinBox>(&list, "Year_RxSE")->setValue(2024);
    child<QComboBox>(&list, "Month_CB")->setCurrentIndex(5); // June
    QCOMPARE(shown(1, u"SummaT"), u"28,45"_s);
    QCOMPARE(shown(1, u"DateStart"), u"01.01.2024 г."_s);
    QCOMPARE(shown(1, u"DateEnd"), u"30.06.2024 г."_s);
    QCOMPARE(shown(Variant, u"SummaT"), QString());
    child<QComboBox>(&list, "Month_CB")->setCurrentIndex(6); // July
    QCOMPARE(shown(1, u"SummaT"), u"31,24"_s);
    QCOMPARE(shown(1, u"DateEnd"), u"30.06.2025 г."_s);
    // Sorted by code, and the list stays on its row when the month changes.
    QCOMPARE(rows.value(0, u"ServiceID").toInt(),
             m_t->scalar(u"SELECT MIN(ServiceID) FROM Sprav_Services"_s).toInt());
    QVERIFY(grid->locate({Variant}));
    child<QComboBox>(&list, "Month_CB")->setCurrentIndex(0);
    QCOMPARE(rows.value(rows.currentRow(), u"ServiceTotalID").toInt(), Variant);
}

void TestTariffBank::periodWindowTakesTheFirstOfTheMonth()
{
    QList<TariffPeriod> periods = {period({2023, 1, 1}, 1000)};
    TTariffBankEditDetail_Form window(m_t->db(), Variant, u"Тарифы"_s, QString(), periods, 0, true);
    auto* date = child<QDateEdit>(&window, "Date_DE");
    QCOMPARE(date->date(), QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1));
    // Even a new period starts from the current one's amount.
    QCOMPARE(child<QLineEdit>(&window, "Summa_ME")->text(), u"10,00"_s);
    date->setDate(QDate(2024, 3, 15));
    QCOMPARE(date->date(), QDate(2024, 3, 1));
    auto* amount = child<QLineEdit>(&window, "Summa_ME");
    amount->selectAll();
    typeText(amount, u"12.5"_s);
    QCOMPARE(amount->text(), u"12,5"_s);
    QVERIFY(window.Save_BBtnClick());
    QCOMPARE(endsOf(periods), u"01.03.2024-… 01.01.2023-29.02.2024"_s);
    QCOMPARE(periods.first().summa.units(), 1250);
    QCOMPARE(periods.first().edited, QDate::currentDate());
}

void TestTariffBank::addingInATakenMonthIsRefused()
{
    QList<TariffPeriod> periods = {period({2023, 7, 1}, 2000), period({2023, 1, 1}, 1000)};
    rebuildChain(periods);
    {
        TTariffBankEditDetail_Form window(m_t->db(), Variant, {}, {}, periods, 0, true);
        child<QDateEdit>(&window, "Date_DE")->setDate(QDate(2023, 1, 20));
        QVERIFY(!window.Save_BBtnClick());
        QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{u"Недопустимая дата."_s});
        QCOMPARE(periods.size(), 2);
        // An amount that is no number is refused too.
        child<QLineEdit>(&window, "Summa_ME")->setText(u"1,2,3"_s);
        QVERIFY(!window.Save_BBtnClick());
        QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error).last(), u"Ошибочная сумма."_s);
    }
    // Changing a period into a taken month is allowed: the earlier one then never answers.
    TTariffBankEditDetail_Form change(m_t->db(), Variant, {}, {}, periods, 0, false);
    child<QDateEdit>(&change, "Date_DE")->setDate(QDate(2023, 1, 1));
    QVERIFY(change.Save_BBtnClick());
    QCOMPARE(periods.size(), 2);
}

void TestTariffBank::editWindowSavesAndAsksOnClose()
{
    QVERIFY(replacePeriods(m_t->db(), Variant, {period({2023, 1, 1}, 1000)}).ok);
    {
        TTariffBankEdit_Form edit(m_t->db(), Variant, u"Содержание мусоропровода"_s, QString(),
                                  u"кв.м"_s);
        QCOMPARE(child<QLabel>(&edit, "TariffName_Label")->text(),
                 u"Тарифы на услугу: \"Содержание мусоропровода\""_s);
        QCOMPARE(edit.periods().size(), 1);
        QCOMPARE(edit.periods().first().dimension, u"кв.м"_s);
        whenModal<TTariffBankEditDetail_Form>([](TTariffBankEditDetail_Form* window) {
            window->findChild<QDateEdit*>(u"Date_DE"_s)->setDate(QDate(2024, 2, 10));
            window->findChild<QPushButton*>(u"Save_BBtn"_s)->click();
        });
        edit.Add_BBtnClick();
        QCOMPARE(endsOf(edit.periods()), u"01.02.2024-… 01.01.2023-31.01.2024"_s);
        // Closing without Save asks; No drops the new period.
        m_dialogs->answers << false;
        edit.reject();
        QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question),
                 QStringList{u"Сохранить изменения, если таковые были внесены?"_s});
        QCOMPARE(stored(Variant), u"01.01.2023-…"_s);
    }
    {
        // A deletion alone is a change too, and Save writes an empty chain.
        m_dialogs->clear();
        TTariffBankEdit_Form edit(m_t->db(), Variant, {}, {}, {});
        m_dialogs->answers << true;
        edit.Delete_BBtnClick();
        QVERIFY(edit.periods().isEmpty());
        QVERIFY(edit.Save_BBtnClick());
        QCOMPARE(stored(Variant), QString());
    }
}

void TestTariffBank::keyboard_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after"); // the picker's date, or "grid changed" / "grid unchanged"

    // The picker opens on the month: the arrows step it, digits are not taken.
    QTest::newRow("month up") << u"picker"_s << int(Qt::Key_Up) << u"01.04.2024"_s;
    QTest::newRow("month down") << u"picker"_s << int(Qt::Key_Down) << u"01.02.2024"_s;
    QTest::newRow("digit") << u"picker"_s << int(Qt::Key_5) << u"01.03.2024"_s;
    // In the periods, moving is no change; a typed character is.
    QTest::newRow("grid arrow") << u"grid"_s << int(Qt::Key_Down) << u"grid unchanged"_s;
    QTest::newRow("grid tab") << u"grid"_s << int(Qt::Key_Tab) << u"grid unchanged"_s;
    QTest::newRow("grid letter") << u"grid"_s << int(Qt::Key_A) << u"grid changed"_s;
}

void TestTariffBank::keyboard()
{
    QFETCH(QString, where);
    QFETCH(int, key);
    QFETCH(QString, after);
    if (where == u"picker") {
        QList<TariffPeriod> periods = {period({2024, 3, 1}, 1000)};
        TTariffBankEditDetail_Form window(m_t->db(), Variant, {}, {}, periods, 0, false);
        auto* date = child<QDateEdit>(&window, "Date_DE");
        QTest::keyClick(date, Qt::Key(key));
        QCOMPARE(date->date().toString(u"dd.MM.yyyy"_s), after);
        return;
    }
    QVERIFY(
        replacePeriods(m_t->db(), Variant, {period({2023, 1, 1}, 1000), period({2024, 1, 1}, 1100)})
            .ok);
    TTariffBankEdit_Form edit(m_t->db(), Variant, {}, {}, {});
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    auto* grid = edit.findChild<QWidget*>(u"TrEdit_DBG"_s);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key(key), Qt::NoModifier);
    QCOMPARE(edit.isChanged() ? u"grid changed"_s : u"grid unchanged"_s, after);
    if (key == Qt::Key_Tab)
        QVERIFY(!grid->hasFocus());
    edit.hide();
}

QTEST_MAIN(TestTariffBank)
#include "tst_tariffbank.moc"
