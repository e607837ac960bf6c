#include "DataGrid.h"
#include "FakeDialogs.h"
#include "KeyTyping.h"
#include "PayerSearch.h"
#include "RecordSetModel.h"
#include "RunState.h"
#include "Search.h"
#include "TestDatabase.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using Bulk::PayerCriteria;

namespace {

// In key order; NULL parts and accounts read as empty.
const char16_t* const Payers =
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, Name2, Name3, Numls) VALUES
        (1, 1, 'Сиваков', 'Иван', 'Петрович', '100-1'),
        (2, 2, 'ИВАНОВА', 'Анна', NULL, '200-7'),
        (3, 3, 'Иванов', 'Пётр', 'Петрович', '100-12'),
        (4, 4, 'Smith', 'John', NULL, NULL),
        (5, 5, 'иванченко', 'Ирина', 'Петровна', '100-3'))";

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void finds_data();
    void finds();
    void stepsThroughMatchesInListOrder();
    void blankCriteriaAreRefused();
    void window();
    void nameBoxesDropOtherKeys();

private:
    std::unique_ptr<TestDatabase> m_t;
    RecordSet m_rows;
};

void TestSearch::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    QVERIFY(m_t->exec(QString::fromUtf16(Payers)));
    m_rows.setKeyFields({u"T1_ID"_s});
    QVERIFY(m_rows.open(m_t->db(), u"SELECT * FROM SvedPotreb_T1 ORDER BY T1_ID"_s));
}

void TestSearch::cleanup()
{
    m_rows.close();
    m_t.reset();
}

void TestSearch::finds_data()
{
    QTest::addColumn<PayerCriteria>("criteria");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("row"); // -1: not found

    const auto name = [](const QString& surname, const QString& first = {},
                         const QString& patronymic = {}) {
        return PayerCriteria{surname, first, patronymic, u"100"_s, true};
    };
    const auto account = [](const QString& numls) {
        return PayerCriteria{u"Сиваков"_s, {}, {}, numls, false};
    };
    // "ива" is inside "Сиваков": only surnames that begin with it match, in any case.
    QTest::newRow("prefix in any case") << name(u"ива"_s) << 0 << 1;
    QTest::newRow("from a position") << name(u"ива"_s) << 2 << 2;
    QTest::newRow("lower case in the row") << name(u"ИВАНЧ"_s) << 0 << 4;
    QTest::newRow("Latin") << name(u"smi"_s) << 0 << 3;
    QTest::newRow("blanks around") << name(u"  иванов "_s) << 0 << 1;
    QTest::newRow("patronymic only") << name({}, {}, u"петровн"_s) << 0 << 4;
    QTest::newRow("every part") << name(u"Ив"_s, u"П"_s, u"Пет"_s) << 0 << 2;
    QTest::newRow("a NULL part does not match a filled criterion")
        << name(u"Ива"_s, {}, u"П"_s) << 0 << 2;
    QTest::newRow("nowhere") << name(u"Петров"_s) << 0 << -1;
    QTest::newRow("past the last row") << name(u"ива"_s) << 5 << -1;
    QTest::newRow("account prefix") << account(u"100-1"_s) << 1 << 2;
    QTest::newRow("account with blanks") << account(u" 200 "_s) << 0 << 1;
    QTest::newRow("account not inside") << account(u"-7"_s) << 0 << -1;
}

void TestSearch::finds()
{
    QFETCH(PayerCriteria, criteria);
    QFETCH(int, from);
    QFETCH(int, row);
    QCOMPARE(Bulk::findPayer(m_rows, criteria, from), row);
}

void TestSearch::stepsThroughMatchesInListOrder()
{
    const PayerCriteria criteria{u"и"_s, {}, {}, {}, true};
    const auto matches = [&] {
        QStringList surnames;
        for (int row = Bulk::findPayer(m_rows, criteria, 0); row >= 0;
             row = Bulk::findPayer(m_rows, criteria, row + 1))
            surnames << m_rows.value(row, u"Name1").toString();
        return surnames;
    };
    QCOMPARE(matches(), (QStringList{u"ИВАНОВА"_s, u"Иванов"_s, u"иванченко"_s}));
    // The list as the operator sorted it.
    QVERIFY(m_rows.setSort(u"Name2 DESC"_s));
    QCOMPARE(matches(), (QStringList{u"Иванов"_s, u"иванченко"_s, u"ИВАНОВА"_s}));
}

void TestSearch::blankCriteriaAreRefused()
{
    const QString names =
        u"Необходимо заполнить поле \"Фамилия\" или поле \"Имя\" или поле \"Отчество\"."_s;
    const QString account = u"Необходимо заполнить поле \"Лицевой счет\"."_s;
    // Each kind looks at its own boxes only.
    QCOMPARE(Bulk::criteriaProblem({u" "_s, {}, u"  "_s, u"100"_s, true}), names);
    QCOMPARE(Bulk::criteriaProblem({u"Ив"_s, {}, {}, u"  "_s, false}), account);
    QCOMPARE(Bulk::criteriaProblem({{}, {}, u"П"_s, {}, true}), QString());
    QCOMPARE(Bulk::findPayer(m_rows, {u" "_s, {}, {}, u"100"_s, true}, 0), -1);
}

void TestSearch::window()
{
    FakeDialogs dialogs;
    RecordSetModel model(
        {{u"Name1"_s, u"Фамилия"_s}, {u"Name2"_s, u"Имя"_s}, {u"Numls"_s, u"Лицевой счет"_s}});
    model.recordSet().setKeyFields({u"T1_ID"_s});
    QVERIFY(model.open(m_t->db(), u"SELECT * FROM SvedPotreb_T1 ORDER BY T1_ID"_s));
    DataGrid grid;
    grid.setRecordModel(&model);
    grid.show();
    RunState state;
    state.searchName1 = u"ива"_s;

    QPointer<TSearch_Form> form = new TSearch_Form(state, &grid);
    form->show();
    QVERIFY(!form->isModal());
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form->findChild<QLineEdit*>(u"Name1_E"_s)->text(), u"ива"_s);
    QVERIFY(form->findChild<QRadioButton*>(u"FIO_RB"_s)->isChecked());
    auto* fromStart = form->findChild<QPushButton*>(u"SearchFIOFirst_BBtn"_s);
    auto* fromHere = form->findChild<QPushButton*>(u"SearchFIOLast_BBtn"_s);
    const auto current = [&] {
        return model.recordSet().currentRow();
    };

    // From the current position: the row after it on, each match in turn; past the last
    // one the list stays where it was.
    fromHere->click();
    QCOMPARE(current(), 1);
    QCOMPARE(grid.currentIndex().row(), 1);
    fromHere->click();
    QCOMPARE(current(), 2);
    fromHere->click();
    QCOMPARE(current(), 4);
    fromHere->click();
    QCOMPARE(current(), 4);
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Warning), QStringList{u"Строка не найдена."_s});
    fromStart->click();
    QCOMPARE(current(), 1);

    // The account kind with its criterion typed around with blanks.
    form->findChild<QRadioButton*>(u"Numls_RB"_s)->setChecked(true);
    dialogs.clear();
    fromStart->click();
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Warning),
             QStringList{u"Необходимо заполнить поле \"Лицевой счет\"."_s});
    QCOMPARE(current(), 1);
    form->findChild<QLineEdit*>(u"Numls_E"_s)->setText(u" 100-3  "_s);
    fromStart->click();
    QCOMPARE(current(), 4);

    // Closing leaves the criteria, trimmed, and the kind for the next window.
    form->findChild<QLineEdit*>(u"Name2_E"_s)->setText(u" Анна "_s);
    form->close();
    QTRY_VERIFY(form.isNull());
    QCOMPARE(state.searchName1, u"ива"_s);
    QCOMPARE(state.searchName2, u"Анна"_s);
    QCOMPARE(state.searchNumls, u"100-3"_s);
    QVERIFY(!state.searchByName);
    TSearch_Form again(state, &grid);
    QCOMPARE(again.findChild<QLineEdit*>(u"Numls_E"_s)->text(), u"100-3"_s);
    QCOMPARE(again.findChild<QLineEdit*>(u"Name2_E"_s)->text(), u"Анна"_s);
    QVERIFY(again.findChild<QRadioButton*>(u"Numls_RB"_s)->isChecked());
}

void TestSearch::nameBoxesDropOtherKeys()
{
    FakeDialogs dialogs;
    RunState state;
    TSearch_Form form(state, nullptr);
    form.show();
    auto* surname = form.findChild<QLineEdit*>(u"Name1_E"_s);
    auto* account = form.findChild<QLineEdit*>(u"Numls_E"_s);
    form.findChild<QRadioButton*>(u"Numls_RB"_s)->setChecked(true);
    typeText(surname, u"Ab1 Ив-а."_s);
    QCOMPARE(surname->text(), u" Ив-а."_s);
    QVERIFY(dialogs.messages.isEmpty());
    // Typing into a box picks its kind of search; the account box takes anything.
    QVERIFY(form.findChild<QRadioButton*>(u"FIO_RB"_s)->isChecked());
    typeText(account, u"A-12/б"_s);
    QCOMPARE(account->text(), u"A-12/б"_s);
    QVERIFY(form.findChild<QRadioButton*>(u"Numls_RB"_s)->isChecked());
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
