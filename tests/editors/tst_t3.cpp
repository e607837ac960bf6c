#include "FakeDialogs.h"
#include "Format.h"
#include "KeyTyping.h"
#include "LookupComboBox.h"
#include "Query.h"
#include "RunState.h"
#include "T3.h"
#include "TestDatabase.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString ChecksFailedSnils =
    u"При заполнении поля СНИЛС произошла следующая ошибка:\r\nОшибочный контрольный разряд."_s;
const QString CloseQuestion =
    u"Возможно некоторые данные были изменены.\r\nСохранить все внесенные изменения?"_s;
const QString EmptyDate = u"  .  .    "_s;

} // namespace

class TestT3 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void firstPersonPresetWithPayerNames();
    void secondPersonNumbered();
    void editFillsControlsAndKeepsRow();
    void largeShareShownWhole();
    void editRelationMissingFromBook();
    void tabOrder();
    void relationOwnZeroForcesShare();
    void typeRegZeroEmptiesDates();
    void registrationDateAhead_data();
    void registrationDateAhead();
    void snils_data();
    void snils();
    void failingChecksShownInOrder();
    void conversionErrorKeepsText();
    void dateBoxExit_data();
    void dateBoxExit();
    void closeQuestion_data();
    void closeQuestion();

private:
    /// A shown editor for the payer; `person` (edit mode) is the person's T3_ID.
    std::unique_ptr<TT3_Form> open(EditorMode mode, int t1Id, int person = 0);
    /// The first row of a query, as the main window's lists hand rows over.
    QVariantMap row(const QString& sql);
    template <typename T> T* child(const char* name) const
    {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    LookupComboBox* lookup(const char* name) const { return child<LookupComboBox>(name); }
    /// Fills what a new person needs besides the names to pass the checks.
    void chooseRelation(const QString& name);
    bool save() const
    {
        child<QPushButton>("Save_BBtn")->click();
        return !m_form->isVisible();
    }
    QVariant value(const QString& sql) { return m_t->scalar(sql); }

    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TestDatabase> m_t;
    RunState m_state;
    std::unique_ptr<TT3_Form> m_form;
};

void TestT3::init()
{
    m_dialogs = std::make_unique<FakeDialogs>();
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_state = RunState();
    m_state.accountingPeriod = QDate(2026, 1, 1);
    // Payer 1 has no persons yet; payer 2 is its own first person.
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, ENumlsID, Numls, Name1,
        Name2, Name3, PplCntReg, SquareTotal)
        VALUES (1, 1, '2025-11-01', 1234567890, '100-1', 'Петров', 'Пётр', 'Петрович', 1, 5420),
               (2, 2, '2025-11-01', NULL, '100-2', 'Андреева', 'Анна', NULL, 1, 3000))"_s));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople,
        Name1, Name2, Name3, SNILS, BirthDate, Sex, Relation, RelationOwnID, SquareShare,
        TypeRegID, DateRegStart, DateRegEnd, PrFactLiveID)
        VALUES (2, 1, 4, 1, 'Андреева', 'Анна', NULL, '112-233-445 95', '1970-03-09', 'Ж', 'Сам',
                2, 1250, 1, '1990-02-01', NULL, 1))"_s));
}

void TestT3::cleanup()
{
    // Whatever a test left changed is not saved on the way out.
    m_dialogs->answers = {false};
    m_form.reset();
    m_t.reset();
    m_dialogs.reset();
}

QVariantMap TestT3::row(const QString& sql)
{
    return m_t->row(sql);
}

std::unique_ptr<TT3_Form> TestT3::open(EditorMode mode, int t1Id, int person)
{
    auto form = std::make_unique<TT3_Form>(
        m_t->db(), m_state, mode,
        row(u"SELECT * FROM SvedPotreb_T1 WHERE T1_ID = %1"_s.arg(t1Id)));
    if (mode == EditorMode::Edit)
        form->setPerson(row(uR"(SELECT t3.*, sro.RelationOwnName
            FROM SvedPotrebRelations_T3 t3
            LEFT OUTER JOIN Sprav_RelationOwn sro ON sro.RelationOwnID = t3.RelationOwnID
            WHERE t3.T1_ID = %1 AND t3.T3_ID = %2)"_s.arg(t1Id).arg(person)));
    form->show();
    return form;
}

void TestT3::chooseRelation(const QString& name)
{
    LookupComboBox* box = lookup("Relation_RxDBLC");
    box->setCurrentIndex(box->findText(name));
    QVERIFY(box->currentIndex() >= 0);
}

void TestT3::firstPersonPresetWithPayerNames()
{
    m_form = open(EditorMode::New, 1);
    QCOMPARE(m_form->windowTitle(), u"Сведения о лицах, которые учитываются при расчете платы за "
                                    "жилищно-коммунальные и прочие услуги:"_s);
    const char* names[] = {"Name1_E", "Name2_E", "Name3_E"};
    const QStringList payerNames{u"Петров"_s, u"Пётр"_s, u"Петрович"_s};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(edit(names[i])->text(), payerNames.at(i));
        QVERIFY(edit(names[i])->isReadOnly());
        QCOMPARE(edit(names[i])->palette().color(QPalette::Text), QColor(Qt::red));
    }
    QVERIFY(!m_form->isChanged());
    // New mode: the record month is the period of the statement.
    QCOMPARE(child<QLabel>("GLOBAL_MES_OTCHET_Label")->text(), u"Январь 2026 г."_s);
    QCOMPARE(child<QLabel>("Mes_Label")->text(), u"Январь 2026 г."_s);
    QCOMPARE(child<QLabel>("Numls_Label")->text(), u"100-1"_s);
    QCOMPARE(child<QLabel>("ENumlsID_Label")->text(), u"1234567890"_s);
    QCOMPARE(child<QLabel>("FIO_Label")->text(), u"Петров Пётр Петрович"_s);
    QCOMPARE(child<QLabel>("SquareTotal_Label")->text(), u"54,20 кв.м."_s);

    chooseRelation(u"Сам"_s);
    QVERIFY(save());
    QCOMPARE(m_dialogs->messages.size(), 0);
    QCOMPARE(m_form->t3Id(), 1);
    QCOMPARE(value(u"SELECT T3_ID || '/' || NumberPeople || '/' || NumT3 || '/' || Name3 "
                   "FROM SvedPotrebRelations_T3 WHERE T1_ID = 1"_s).toString(),
             u"1/1/5/Петрович"_s);
    QCOMPARE(value(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 1"_s).toInt(), 1);
    QCOMPARE(m_state.posT3T1Id, 1);
    QCOMPARE(m_state.posT3Id, 1);
}

void TestT3::secondPersonNumbered()
{
    m_form = open(EditorMode::New, 2);
    QCOMPARE(edit("Name1_E")->text(), QString());
    QVERIFY(!edit("Name1_E")->isReadOnly());
    typeText(edit("Name1_E"), u"Андреев"_s);
    typeText(edit("Name2_E"), u"Олег"_s);
    QVERIFY(m_form->isChanged());
    chooseRelation(u"Сын"_s);
    QVERIFY(save());
    QCOMPARE(value(u"SELECT T3_ID || '/' || NumberPeople || '/' || NumT3 || '/' || Name1 "
                   "FROM SvedPotrebRelations_T3 WHERE T1_ID = 2 AND Relation = 'Сын'"_s)
                 .toString(),
             u"2/2/5/Андреев"_s);
    QCOMPARE(value(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 2"_s).toInt(), 2);
    QCOMPARE(m_state.posT3T1Id, 2);
    QCOMPARE(m_state.posT3Id, 2);
}

void TestT3::editFillsControlsAndKeepsRow()
{
    const QString stored = u"SELECT NumT3 || '|' || NumberPeople || '|' || Name1 || '|' || Name2 || "
                           "'|' || IFNULL(Name3, 'NULL') || '|' || SNILS || '|' || BirthDate || '|' || "
                           "Sex || '|' || Relation || '|' || RelationOwnID || '|' || SquareShare || "
                           "'|' || TypeRegID || '|' || DateRegStart || '|' || "
                           "IFNULL(DateRegEnd, 'NULL') || '|' || PrFactLiveID "
                           "FROM SvedPotrebRelations_T3 WHERE T1_ID = 2 AND T3_ID = 1"_s;
    const QString before = value(stored).toString();
    m_form = open(EditorMode::Edit, 2, 1);

    QCOMPARE(edit("Name1_E")->text(), u"Андреева"_s);
    QCOMPARE(edit("Name3_E")->text(), QString());
    // The person is the payer: its name is the payer's to change.
    QVERIFY(edit("Name2_E")->isReadOnly());
    QCOMPARE(edit("SNILS_ME")->displayText(), u"112-233-445 95"_s);
    QCOMPARE(edit("BirthDate_ME")->displayText(), u"09.03.1970"_s);
    QCOMPARE(edit("DateRegStart_ME")->displayText(), u"01.02.1990"_s);
    QCOMPARE(edit("DateRegEnd_ME")->displayText(), EmptyDate);
    QCOMPARE(lookup("Sex_RxDBLC")->currentText(), u"Женский"_s);
    QCOMPARE(lookup("Relation_RxDBLC")->currentText(), u"Сам"_s);
    QCOMPARE(lookup("RelationOwn_RxDBLC")->keyValue().toInt(), 2);
    QCOMPARE(edit("SquareShare_E")->text(), u"12,50"_s);
    QCOMPARE(lookup("TypeReg_RxDBLC")->keyValue().toInt(), 1);
    QCOMPARE(lookup("PrFactLive_RxDBLC")->keyValue().toInt(), 1);
    QCOMPARE(child<QLabel>("Mes_Label")->text(), u"Ноябрь 2025 г."_s);
    QVERIFY(!m_form->isChanged());

    QVERIFY(save());
    QCOMPARE(m_dialogs->messages.size(), 0);
    QCOMPARE(value(stored).toString(), before);
    QCOMPARE(m_state.posT3T1Id, 2);
    QCOMPARE(m_state.posT3Id, 1);
}

void TestT3::largeShareShownWhole()
{
    // A share wider than the box (imported, or typed before) must show whole: a cut text
    // would be saved as another value.
    QVERIFY(m_t->exec(u"UPDATE SvedPotreb_T1 SET SquareTotal = 500000 WHERE T1_ID = 2"_s));
    QVERIFY(m_t->exec(u"UPDATE SvedPotrebRelations_T3 SET SquareShare = 123456 WHERE T1_ID = 2 AND T3_ID = 1"_s));
    m_form = open(EditorMode::Edit, 2, 1);
    QCOMPARE(edit("SquareShare_E")->text(), u"1234,56"_s);
    QVERIFY(save());
    QCOMPARE(value(u"SELECT SquareShare FROM SvedPotrebRelations_T3 WHERE T1_ID = 2 AND T3_ID = 1"_s)
                 .toLongLong(),
             123456);
}

void TestT3::editRelationMissingFromBook()
{
    // The main window offered to add the relation and the operator said No.
    QVERIFY(m_t->exec(u"UPDATE SvedPotrebRelations_T3 SET Relation = 'Свояченица-2'"_s));
    m_form = open(EditorMode::Edit, 2, 1);
    QCOMPARE(lookup("Relation_RxDBLC")->currentIndex(), -1);
    QVERIFY(lookup("Relation_RxDBLC")->keyValue().isNull());
    QVERIFY(!save());
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{u"Должно быть заполнено поле \"Родственные отношения\"."_s});
}

void TestT3::tabOrder()
{
    m_form = open(EditorMode::New, 2);
    const QStringList expected{
        u"Name1_E"_s,         u"Name2_E"_s,         u"Name3_E"_s,         u"SNILS_ME"_s,
        u"BirthDate_ME"_s,    u"Sex_RxDBLC"_s,      u"TypeReg_RxDBLC"_s,  u"DateRegStart_ME"_s,
        u"DateRegEnd_ME"_s,   u"PrFactLive_RxDBLC"_s, u"Relation_RxDBLC"_s,
        u"RelationOwn_RxDBLC"_s, u"SquareShare_E"_s, u"Save_BBtn"_s};
    QStringList order;
    QWidget* w = edit("Name1_E");
    while (order.size() < expected.size()) {
        order << w->objectName();
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(order, expected);
}

void TestT3::relationOwnZeroForcesShare()
{
    m_form = open(EditorMode::New, 2);
    QLineEdit* share = edit("SquareShare_E");
    LookupComboBox* relationOwn = lookup("RelationOwn_RxDBLC");
    typeText(share, u"12.5"_s);
    QCOMPARE(share->text(), u"12,5"_s);

    relationOwn->setKeyValue(0);
    QCOMPARE(share->text(), u"0,0"_s);
    QVERIFY(!share->isEnabled());
    relationOwn->setKeyValue(1);
    QCOMPARE(share->text(), u"12,5"_s);
    QVERIFY(share->isEnabled());

    // Another relation with a share keeps what was typed under the first.
    typeText(share, u"0"_s);
    relationOwn->setKeyValue(2);
    QCOMPARE(share->text(), u"12,50"_s);
}

void TestT3::typeRegZeroEmptiesDates()
{
    m_form = open(EditorMode::Edit, 2, 1);
    QLineEdit* start = edit("DateRegStart_ME");
    QLineEdit* end = edit("DateRegEnd_ME");
    end->setText(u"01.02.2000"_s);
    lookup("TypeReg_RxDBLC")->setKeyValue(0);
    QCOMPARE(start->displayText(), EmptyDate);
    QCOMPARE(end->displayText(), EmptyDate);
    QVERIFY(!start->isEnabled());
    QVERIFY(!end->isEnabled());
    lookup("TypeReg_RxDBLC")->setKeyValue(2);
    QVERIFY(start->isEnabled());
    QVERIFY(end->isEnabled());
}

void TestT3::registrationDateAhead_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("20 days ahead") << 20 << true;
    QTest::newRow("40 days ahead") << 40 << false;
}

void TestT3::registrationDateAhead()
{
    QFETCH(int, days);
    QFETCH(bool, accepted);
    m_form = open(EditorMode::New, 2);
    typeText(edit("Name1_E"), u"Андреев"_s);
    chooseRelation(u"Сын"_s);
    edit("DateRegStart_ME")->setText(Format::shortDate(QDate::currentDate().addDays(days)));
    QCOMPARE(save(), accepted);
    if (accepted) {
        QCOMPARE(m_dialogs->messages.size(), 0);
        QCOMPARE(value(u"SELECT DateRegStart FROM SvedPotrebRelations_T3 WHERE T3_ID = 2"_s)
                     .toString(),
                 QDate::currentDate().addDays(days).toString(Qt::ISODate));
    } else {
        QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
                 QStringList{u"Дата регистрации меньше допустимой (01.01.1900г.) или более чем "
                             "на месяц превышает текущую дату."_s});
        QVERIFY(!m_form->isChanged());
        QCOMPARE(value(u"SELECT COUNT(*) FROM SvedPotrebRelations_T3"_s).toInt(), 1);
    }
}

void TestT3::snils_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("stored");
    QTest::newRow("correct") << u"11223344595"_s << u"112-233-445 95"_s << QString()
                             << u"112-233-445 95"_s;
    QTest::newRow("wrong check number") << u"11223344594"_s << u"112-233-445 94"_s
                                        << ChecksFailedSnils << QString();
    QTest::newRow("partly typed") << u"112233"_s << u"112-233-000 00"_s << ChecksFailedSnils
                                  << QString();
    QTest::newRow("not typed") << QString() << u"000-000-000 00"_s << QString() << u"NULL"_s;
}

void TestT3::snils()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, error);
    QFETCH(QString, stored);
    m_form = open(EditorMode::New, 1);
    chooseRelation(u"Сам"_s);
    QLineEdit* box = edit("SNILS_ME");
    box->setCursorPosition(0);
    QTest::keyClicks(box, typed);
    QCOMPARE(box->displayText(), shown);
    QCOMPARE(save(), error.isEmpty());
    if (error.isEmpty())
        QCOMPARE(value(u"SELECT IFNULL(SNILS, 'NULL') FROM SvedPotrebRelations_T3 "
                       "WHERE T1_ID = 1"_s).toString(),
                 stored);
    else
        QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{error});
}

void TestT3::failingChecksShownInOrder()
{
    m_form = open(EditorMode::New, 2);
    edit("BirthDate_ME")->setText(Format::shortDate(QDate::currentDate().addDays(1)));
    typeText(edit("SquareShare_E"), u"30,01"_s);
    QVERIFY(!save());
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             (QStringList{u"Не заполнены поля \"Фамилия\" или \"Имя\"."_s,
                          u"Должно быть заполнено поле \"Родственные отношения\"."_s,
                          u"Доля площади не может быть больше общей площади."_s,
                          u"Дата рождения меньше допустимой (01.01.1900г.) или больше текущей "
                          "даты."_s}));
    QVERIFY(m_form->isVisible());
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedPotrebRelations_T3"_s).toInt(), 1);
    // The refusal cleared "changed": closing now asks nothing.
    m_dialogs->clear();
    m_form->close();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList());
    QCOMPARE(m_state.posT3Id, 0);
}

void TestT3::conversionErrorKeepsText()
{
    m_form = open(EditorMode::New, 1);
    chooseRelation(u"Сам"_s);
    // 31 February passes the date checks as an empty date; reading it for the row fails.
    edit("BirthDate_ME")->setText(u"31.02.2020"_s);
    QVERIFY(!save());
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{u"Неверная дата: «31.02.2020»"_s});
    QCOMPARE(edit("BirthDate_ME")->displayText(), u"31.02.2020"_s);
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedPotrebRelations_T3"_s).toInt(), 1);
}

void TestT3::dateBoxExit_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("error");
    QTest::newRow("birth date impossible")
        << u"BirthDate_ME"_s << u"32.13.2020"_s << u"32.13.2020"_s
        << u"Ошибочная дата рождения: 32.13.2020"_s;
    QTest::newRow("registration date written in full")
        << u"DateRegStart_ME"_s << u"1 .2 .2020"_s << u"01.02.2020"_s << QString();
    QTest::newRow("end of registration without its year")
        << u"DateRegEnd_ME"_s << u"12.03.20"_s << u"12.03.20  "_s
        << u"Ошибочная дата окончания регистрации: 12.03.20  "_s;
    QTest::newRow("empty box") << u"BirthDate_ME"_s << QString() << EmptyDate << QString();
}

void TestT3::dateBoxExit()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, error);
    m_form = open(EditorMode::New, 2);
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QLineEdit* date = m_form->findChild<QLineEdit*>(box);
    date->setFocus();
    date->setText(typed);
    edit("Name1_E")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), error.isEmpty() ? edit("Name1_E") : date);
    QCOMPARE(date->displayText(), shown);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             error.isEmpty() ? QStringList() : QStringList{error});
}

void TestT3::closeQuestion_data()
{
    QTest::addColumn<bool>("typed");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("persons");
    QTest::addColumn<QString>("box");
    QTest::newRow("changed, saved") << true << true << 2 << u"Name1_E"_s;
    QTest::newRow("changed, not saved") << true << false << 1 << u"Name1_E"_s;
    // Only the СНИЛС corrected: still a change the operator must not lose silently.
    QTest::newRow("СНИЛС changed, not saved") << true << false << 1 << u"SNILS_ME"_s;
    QTest::newRow("unchanged") << false << false << 1 << u"Name1_E"_s;
}

void TestT3::closeQuestion()
{
    QFETCH(bool, typed);
    QFETCH(bool, answer);
    QFETCH(int, persons);
    QFETCH(QString, box);
    m_form = open(EditorMode::New, 2);
    chooseRelation(u"Сын"_s);
    m_form->setChanged(false);
    if (typed && box == u"SNILS_ME"_s) {
        auto* snils = m_form->findChild<QLineEdit*>(box);
        snils->setFocus();
        snils->setCursorPosition(0);
        QTest::keyClicks(snils, u"11223344595"_s);
    } else if (typed) {
        typeText(edit("Name1_E"), u"Андреев"_s);
    }
    m_dialogs->answers = {answer};
    m_form->close();
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question),
             typed ? QStringList{CloseQuestion} : QStringList());
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedPotrebRelations_T3"_s).toInt(), persons);
    QCOMPARE(m_state.posT3T1Id, 2);
    QCOMPARE(m_state.posT3Id, persons == 2 ? 2 : 0);
}

QTEST_MAIN(TestT3)
#include "tst_t3.moc"
