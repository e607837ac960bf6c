#include "DataGrid.h"
#include "FakeDialogs.h"
#include "KeyTyping.h"
#include "LookupComboBox.h"
#include "RecordSet.h"
#include "RunState.h"
#include "T1.h"
#include "T1_SelectHousesBTI.h"
#include "TestDatabase.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

// Payer 1 was imported for March 2025 with a misspelt surname; its own person row carries
// the same misspelling, a second person another name. Payer 2 has no code.
const char16_t* const Fixture[] = {
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, ENumlsID, Numls, Name1, Name2, Name3,
        DezVladID, MO, StreetID_BTI, HouseNum, KorpNum, StroenNum, FlatNum, HouseID_BTI, FlatID_BTI,
        TypeOwnID, TypeOccupancyID, PplCntReg, SquareTotal, SquareLive, TypeLockID, TypeStoveID,
        SummaFull, ColMesDebts)
        VALUES (1, 1, '2025-03-01', 1234567899, '100-1', 'Петрав', 'Пётр', 'Петрович',
                117, 2, 6422456, '19', '1', '2', '12а', 6252111, 55,
                3, 1, 2, 5420, 3810, 0, 1, 15075, 15),
               (2, 2, '2025-03-01', 0, '200-2', 'Андреева', 'Анна', NULL,
                1204, 3, 2272596, '4', NULL, NULL, '9', NULL, NULL,
                1, 1, 1, 3000, 2000, 1, 2, NULL, NULL))",
    uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople, Name1, Name2, Name3)
        VALUES (1, 1, 1, 1, 'Петрав', 'Пётр', 'Петрович'), (1, 2, 2, 2, 'Петрава', 'Мария', NULL))",
};

const int StreetWithoutHouses = 6504791;
const int StreetWithHouses = 6422456;

} // namespace

class TestT1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void newPayerPresets_data();
    void newPayerPresets();
    void editFillsControls();
    void editSaveMovesIntoPeriodAndRenamesPersons();
    void newPayerSavedWithEnter();
    void failingChecksShownInOrder();
    void duplicateRefused();
    void editDuplicateWithOnlyAccountChanged();
    void codeWithLeadingZeroSavedTwice();
    void overlongImportedField_data();
    void overlongImportedField();
    void keyFilters_data();
    void keyFilters();
    void streetChangeEmptiesBtiCodes();
    void enableEditBti();
    void chooserWithoutHouses();
    void chooserCopiesHouse();
    void closeQuestion_data();
    void closeQuestion();

private:
    TT1_Form* open(EditorMode mode, int t1Id = 0);
    void fillValidNewPayer();
    template <typename T> T* control(const char* name) const
    {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    LookupComboBox* lookup(const char* name) const { return control<LookupComboBox>(name); }
    QString label(const char* name) const { return control<QLabel>(name)->text(); }
    void clickSave() { control<QPushButton>("Save_BBtn")->click(); }
    QVariant value(const QString& sql) { return m_t->scalar(sql); }
    int payerCount() { return value(u"SELECT count(*) FROM SvedPotreb_T1"_s).toInt(); }

    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TestDatabase> m_t;
    RunState m_state;
    std::unique_ptr<TT1_Form> m_form;
};

void TestT1::init()
{
    m_dialogs = std::make_unique<FakeDialogs>();
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    for (const char16_t* sql : Fixture)
        QVERIFY(m_t->exec(QString::fromUtf16(sql)));
    m_state = RunState();
    m_state.accountingPeriod = QDate(2026, 12, 1);
    m_state.posT1Id = -5;
}

void TestT1::cleanup()
{
    if (m_form)
        m_dialogs->answers = {false};
    m_form.reset();
    m_t.reset();
    m_dialogs.reset();
}

TT1_Form* TestT1::open(EditorMode mode, int t1Id)
{
    m_form = std::make_unique<TT1_Form>(m_t->db(), m_state, mode);
    if (mode == EditorMode::Edit) {
        RecordSet rows;
        rows.open(m_t->db(), u"SELECT * FROM SvedPotreb_T1 WHERE T1_ID = :T1_ID"_s,
                  {{u":T1_ID"_s, t1Id}});
        m_form->setPayer(rows.rowValues(0));
    }
    m_form->show();
    return m_form.get();
}

void TestT1::fillValidNewPayer()
{
    lookup("DezVlad_RxDBLC")->setKeyValue(1204);
    typeText(edit("Name1_E"), u"Сидоров"_s);
    typeText(edit("Name2_E"), u"Иван"_s);
    typeText(edit("Numls_E"), u"300-3"_s);
    lookup("MO_RxDBLC")->setKeyValue(5);
    lookup("Street_RxDBLC")->setKeyValue(StreetWithHouses);
    typeText(edit("HouseNum_E"), u"7"_s);
    typeText(edit("FlatNum_E"), u"1"_s);
    typeText(edit("SquareTotal_E"), u"40,5"_s);
    typeText(edit("SquareLive_E"), u"30"_s);
    lookup("TypeLock_RxDBLC")->setKeyValue(0);
    lookup("TypeStove_RxDBLC")->setKeyValue(2);
}

void TestT1::newPayerPresets_data()
{
    QTest::addColumn<int>("owner");
    QTest::addColumn<int>("district");
    QTest::addColumn<int>("street");
    QTest::addColumn<QVariant>("ownerKey");
    QTest::addColumn<QString>("ownerLabel");
    QTest::addColumn<QVariant>("districtKey");
    QTest::addColumn<QVariant>("streetKey");
    QTest::addColumn<QString>("streetLabel");

    QTest::newRow("defaults of the payer saved last")
        << 117 << 2 << StreetWithHouses << QVariant(117) << u"117"_s << QVariant(2)
        << QVariant(StreetWithHouses) << QString::number(StreetWithHouses);
    QTest::newRow("nothing saved yet") << -1 << -1 << -1 << QVariant() << QString() << QVariant()
                                       << QVariant() << QString();
}

void TestT1::newPayerPresets()
{
    QFETCH(int, owner);
    QFETCH(int, district);
    QFETCH(int, street);
    m_state.lastDezVladId = owner;
    m_state.lastMo = district;
    m_state.lastStreetIdBti = street;
    open(EditorMode::New);
    QCOMPARE(m_form->windowTitle(), u"Сведения о плательщике за жилищно-коммунальные и прочие услуги"_s);
    QFETCH(QVariant, ownerKey);
    QFETCH(QString, ownerLabel);
    QFETCH(QVariant, districtKey);
    QFETCH(QVariant, streetKey);
    QFETCH(QString, streetLabel);
    QCOMPARE(lookup("DezVlad_RxDBLC")->keyValue().toInt(), ownerKey.toInt());
    QCOMPARE(lookup("DezVlad_RxDBLC")->keyValue().isNull(), ownerKey.isNull());
    QCOMPARE(label("DezVladID_Label"), ownerLabel);
    QCOMPARE(lookup("MO_RxDBLC")->keyValue().toInt(), districtKey.toInt());
    QCOMPARE(lookup("MO_RxDBLC")->keyValue().isNull(), districtKey.isNull());
    QCOMPARE(lookup("Street_RxDBLC")->keyValue().toInt(), streetKey.toInt());
    QCOMPARE(lookup("Street_RxDBLC")->keyValue().isNull(), streetKey.isNull());
    QCOMPARE(label("Street_Label"), streetLabel);
    QCOMPARE(label("PplCntReg_Label"), u"1"_s);
    QCOMPARE(label("GLOBAL_MES_OTCHET_Label"), u"Декабрь 2026 г."_s);
    QCOMPARE(label("Mes_Label"), u"Декабрь 2026 г."_s);
    QVERIFY(!m_form->isChanged());
}

void TestT1::editFillsControls()
{
    open(EditorMode::Edit, 1);
    const std::pair<const char*, QString> texts[] = {
        {"Name1_E", u"Петрав"_s},     {"ENumlsID_E", u"1234567899"_s}, {"Numls_E", u"100-1"_s},
        {"HouseNum_E", u"19"_s},      {"KorpNum_E", u"1"_s},           {"StroenNum_E", u"2"_s},
        {"FlatNum_E", u"12а"_s},      {"HouseID_BTI_E", u"6252111"_s}, {"FlatID_BTI_E", u"55"_s},
        {"SquareTotal_E", u"54,20"_s}, {"SquareLive_E", u"38,10"_s},   {"ColMesDebts_E", u"1,5"_s},
    };
    for (const auto& [name, text] : texts)
        QCOMPARE(edit(name)->text(), text);
    const std::pair<const char*, QString> labels[] = {
        {"DezVladID_Label", u"117"_s},        {"Street_Label", u"6422456"_s},
        {"PplCntReg_Label", u"2"_s},          {"Mes_Label", u"Март 2025 г."_s},
        {"SummaFull_Label", u"150,75"_s},     {"SummaWOBenefit_Label", u"0,00"_s},
        {"GLOBAL_MES_OTCHET_Label", u"Декабрь 2026 г."_s},
    };
    for (const auto& [name, text] : labels)
        QCOMPARE(label(name), text);
    QCOMPARE(lookup("TypeOwn_RxDBLC")->currentText(), u"Частная (приватизированная)"_s);
    QCOMPARE(lookup("TypeLock_RxDBLC")->currentText(), u"Нет"_s);
    QCOMPARE(lookup("Street_RxDBLC")->currentText(), u"ул. Ленина"_s);
    QVERIFY(edit("HouseID_BTI_E")->isReadOnly());
    QVERIFY(!m_form->isChanged());

    // A payer without code or totals shows zeros, not empty boxes.
    open(EditorMode::Edit, 2);
    QCOMPARE(edit("ENumlsID_E")->text(), u"0"_s);
    QCOMPARE(edit("ColMesDebts_E")->text(), u"0,0"_s);
    QCOMPARE(label("SummaFullReg_Label"), u"0,00"_s);
}

void TestT1::editSaveMovesIntoPeriodAndRenamesPersons()
{
    open(EditorMode::Edit, 1);
    edit("Name1_E")->clear();
    typeText(edit("Name1_E"), u"Петров"_s);
    clickSave();
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_form->result(), int(QDialog::Accepted));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(value(u"SELECT Mes || Name1 || NumT1 || SquareTotal || PplCntReg FROM SvedPotreb_T1 "
                   "WHERE T1_ID = 1"_s).toString(),
             u"2026-12-01Петров154202"_s);
    QCOMPARE(value(u"SELECT group_concat(Name1, ',') FROM "
                   "(SELECT Name1 FROM SvedPotrebRelations_T3 ORDER BY T3_ID)"_s).toString(),
             u"Петров,Петрава"_s);
    QCOMPARE(m_state.posT1Id, 1);
    QCOMPARE(std::tuple(m_state.lastDezVladId, m_state.lastMo, m_state.lastStreetIdBti),
             std::tuple(117, 2, StreetWithHouses));
}

void TestT1::newPayerSavedWithEnter()
{
    open(EditorMode::New);
    fillValidNewPayer();
    QVERIFY(m_form->isChanged());
    QTest::keyClick(edit("FlatNum_E"), Qt::Key_Return);
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->texts(FakeDialogs::Kind::Error).join(u'\n')));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->t1Id(), 3);
    QCOMPARE(m_state.posT1Id, 3);
    QCOMPARE(value(u"SELECT NumT1 || '|' || Mes || '|' || Name1 || '|' || ENumlsID || '|' || "
                   "SquareTotal || '|' || SquareLive || '|' || PplCntReg || '|' || DezVladID "
                   "FROM SvedPotreb_T1 WHERE T1_ID = 3"_s).toString(),
             u"3|2026-12-01|Сидоров|0|4050|3000|1|1204"_s);
    QCOMPARE(std::tuple(m_state.lastDezVladId, m_state.lastMo, m_state.lastStreetIdBti),
             std::tuple(1204, 5, StreetWithHouses));
}

void TestT1::failingChecksShownInOrder()
{
    open(EditorMode::New);
    typeText(edit("ENumlsID_E"), u"1234567890"_s);
    clickSave();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             (QStringList{u"Не заполнены поля \"Фамилия\" или \"Имя\"."_s,
                          u"Должно быть заполнено поле \"Организация - владелец жилого фонда\"."_s,
                          u"Должно быть заполнено поле \"Район\"."_s,
                          u"Должно быть заполнено поле \"Улица\"."_s,
                          u"Должно быть заполнено хотя бы одно из полей \"Дом\", \"Корпус\", \"Строение\"."_s,
                          u"Должно быть заполнено поле \"Квартира\"."_s,
                          u"Должны быть заполнены данные по площади."_s,
                          u"Должно быть заполнено поле \"Тип запирающего устройства\"."_s,
                          u"Должно быть заполнено поле \"Тип плиты\"."_s,
                          u"Ошибка в коде плательщика. Контрольный разряд ошибочен."_s}));
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isChanged());
    QCOMPARE(payerCount(), 2);
    QCOMPARE(m_form->t1Id(), 0);
}

void TestT1::duplicateRefused()
{
    open(EditorMode::New);
    fillValidNewPayer();
    typeText(edit("ENumlsID_E"), u"1234567899"_s);
    edit("Numls_E")->clear();
    typeText(edit("Numls_E"), u"100-1"_s);
    clickSave();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{u"Такие лицевой счет и код плательщика уже существуют."_s});
    QVERIFY(m_form->isVisible());
    QCOMPARE(payerCount(), 2);
}

void TestT1::editDuplicateWithOnlyAccountChanged()
{
    // Payer 3 shares payer 2's (missing) code; payer 2 keeps its code and takes payer 3's
    // account number.
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, ENumlsID, Numls)
        VALUES (3, 3, '2025-03-01', 0, '300-3'))"_s));
    open(EditorMode::Edit, 2);
    edit("Numls_E")->clear();
    typeText(edit("Numls_E"), u"300-3"_s);
    clickSave();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{u"Такие лицевой счет и код плательщика уже существуют."_s});
    QVERIFY(m_form->isVisible());
    QCOMPARE(value(u"SELECT Numls FROM SvedPotreb_T1 WHERE T1_ID = 2"_s).toString(), u"200-2"_s);
}

void TestT1::codeWithLeadingZeroSavedTwice()
{
    // A valid code may start with 0; the column keeps its number, so reopening must give
    // the zero back or the check digit refuses every later save.
    open(EditorMode::Edit, 2);
    edit("ENumlsID_E")->clear();
    typeText(edit("ENumlsID_E"), u"0123456788"_s);
    clickSave();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
    QCOMPARE(value(u"SELECT ENumlsID FROM SvedPotreb_T1 WHERE T1_ID = 2"_s).toLongLong(),
             123456788LL);

    open(EditorMode::Edit, 2);
    QCOMPARE(edit("ENumlsID_E")->text(), u"0123456788"_s);
    clickSave();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
    QVERIFY(!m_form->isVisible());
    QCOMPARE(value(u"SELECT ENumlsID FROM SvedPotreb_T1 WHERE T1_ID = 2"_s).toLongLong(),
             123456788LL);
}

void TestT1::overlongImportedField_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("message");

    // The structure check is stricter than its column; the block check is looser than its
    // column, so the database refuses the write and the window keeps the typing.
    QTest::newRow("structure of 6") << u"StroenNum"_s << u"StroenNum_E"_s
                                    << u"Длина поля \"Строение\" больше 5 знаков."_s;
    QTest::newRow("block of 6") << u"KorpNum"_s << u"KorpNum_E"_s << u"Ошибка редактирования данных"_s;
}

void TestT1::overlongImportedField()
{
    QFETCH(QString, column);
    QFETCH(QString, box);
    QFETCH(QString, message);
    m_form = std::make_unique<TT1_Form>(m_t->db(), m_state, EditorMode::Edit);
    RecordSet rows;
    QVERIFY(rows.open(m_t->db(), u"SELECT * FROM SvedPotreb_T1 WHERE T1_ID = 1"_s));
    QVariantMap row = rows.rowValues(0);
    row[column] = u"123456"_s;
    m_form->setPayer(row);
    m_form->show();
    // The box keeps what the program put in, whole; typing stops at its limit.
    auto* field = m_form->findChild<QLineEdit*>(box);
    QCOMPARE(field->text(), u"123456"_s);
    typeText(field, u"7"_s);
    QCOMPARE(field->text(), u"123456"_s);
    clickSave();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{message});
    QVERIFY(m_form->isVisible());
    QCOMPARE(value(u"SELECT Mes FROM SvedPotreb_T1 WHERE T1_ID = 1"_s).toString(), u"2025-03-01"_s);
}

void TestT1::keyFilters_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");

    const QString russianOnly = u"Допускается ввод только русских символов."_s;
    const QString numbersOnly = u"Допускается ввод только чисел."_s;
    QTest::newRow("surname") << u"Name1_E"_s << u"Анна-Мария f"_s << u"Анна-Мария "_s << russianOnly;
    QTest::newRow("patronymic") << u"Name3_E"_s << u"Ё"_s << QString() << russianOnly;
    QTest::newRow("payer code") << u"ENumlsID_E"_s << u"12,3"_s << u"123"_s << numbersOnly;
    QTest::newRow("account") << u"Numls_E"_s << u"№5/1-Б"_s << u"№5/1-Б"_s << QString();
    QTest::newRow("flat") << u"FlatNum_E"_s << u"1a"_s << u"1"_s << russianOnly;
    QTest::newRow("area") << u"SquareTotal_E"_s << u"54.2x"_s << u"54,2"_s << numbersOnly;
    QTest::newRow("debts limit") << u"ColMesDebts_E"_s << u"12345"_s << u"1234"_s << QString();
    QTest::newRow("read-only house code") << u"HouseID_BTI_E"_s << u"1x"_s << QString() << QString();
}

void TestT1::keyFilters()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    open(EditorMode::New);
    typeText(m_form->findChild<QLineEdit*>(box), typed);
    QCOMPARE(m_form->findChild<QLineEdit*>(box)->text(), shown);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(m_form->isChanged(), !shown.isEmpty());
}

void TestT1::streetChangeEmptiesBtiCodes()
{
    open(EditorMode::Edit, 1);
    lookup("Street_RxDBLC")->setKeyValue(2272596);
    QCOMPARE(label("Street_Label"), u"2272596"_s);
    QCOMPARE(edit("HouseID_BTI_E")->text(), QString());
    QCOMPARE(edit("FlatID_BTI_E")->text(), QString());
    QCOMPARE(edit("HouseNum_E")->text(), u"19"_s);
    QVERIFY(m_form->isChanged());
    lookup("DezVlad_RxDBLC")->setKeyValue(1204);
    QCOMPARE(label("DezVladID_Label"), u"1204"_s);
}

void TestT1::enableEditBti()
{
    open(EditorMode::Edit, 1);
    auto* box = control<QCheckBox>("EnableEditBTI_CB");
    m_dialogs->answers = {false};
    box->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question),
             QStringList{u"Редактировать коды БТИ дома и квартиры можно только\r\n в том случае, "
                         "если Вы уверены в их достоверности.\r\n\r\nПродолжить?"_s});
    QVERIFY(!box->isChecked());
    QVERIFY(edit("HouseID_BTI_E")->isReadOnly());
    QVERIFY(edit("FlatID_BTI_E")->isReadOnly());

    m_dialogs->answers = {true};
    box->click();
    QVERIFY(box->isChecked());
    QVERIFY(!edit("HouseID_BTI_E")->isReadOnly());
    QVERIFY(!edit("FlatID_BTI_E")->isReadOnly());
    edit("FlatID_BTI_E")->clear();
    typeText(edit("FlatID_BTI_E"), u"77x"_s);
    QCOMPARE(edit("FlatID_BTI_E")->text(), u"77"_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{u"Допускается ввод только чисел."_s});

    box->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question).size(), 2);
    QVERIFY(edit("HouseID_BTI_E")->isReadOnly());
    QVERIFY(edit("FlatID_BTI_E")->isReadOnly());
}

void TestT1::chooserWithoutHouses()
{
    open(EditorMode::New);
    lookup("Street_RxDBLC")->setKeyValue(StreetWithoutHouses);
    m_form->setChanged(false);
    bool checked = false;
    QTimer::singleShot(0, this, [&] {
        auto* chooser = m_form->findChild<TT1_SelectHousesBTI_Form*>();
        QVERIFY(chooser);
        QCOMPARE(chooser->windowTitle(), u"Выбор дома с кодом БТИ"_s);
        QCOMPARE(chooser->findChild<DataGrid*>(u"HousesBTI_RxDBG"_s)->recordCount(), 0);
        QVERIFY(!chooser->findChild<QPushButton*>(u"Select_BBtn"_s)->isEnabled());
        checked = true;
        chooser->reject();
    });
    control<QPushButton>("HousesBTI_BBtn")->click();
    QVERIFY(checked);
    QCOMPARE(edit("HouseNum_E")->text(), QString());
    // Nothing was chosen, so nothing changed.
    QVERIFY(!m_form->isChanged());
}

void TestT1::chooserCopiesHouse()
{
    open(EditorMode::Edit, 2);
    lookup("Street_RxDBLC")->setKeyValue(StreetWithHouses);
    typeText(edit("FlatNum_E"), u"0"_s);
    bool checked = false;
    QTimer::singleShot(0, this, [&] {
        auto* chooser = m_form->findChild<TT1_SelectHousesBTI_Form*>();
        QVERIFY(chooser);
        auto* button = control<QPushButton>("HousesBTI_BBtn");
        QCOMPARE(chooser->pos(), button->mapToGlobal(QPoint(1, button->height())));
        auto* grid = chooser->findChild<DataGrid*>(u"HousesBTI_RxDBG"_s);
        QCOMPARE(grid->recordCount(), 12);
        QVERIFY(grid->locate({6252111}));
        checked = true;
        chooser->findChild<QPushButton*>(u"Select_BBtn"_s)->click();
    });
    m_form->setChanged(false);
    control<QPushButton>("HousesBTI_BBtn")->click();
    QVERIFY(checked);
    QCOMPARE(edit("HouseNum_E")->text(), u"19"_s);
    QCOMPARE(edit("KorpNum_E")->text(), u"1"_s);
    QCOMPARE(edit("StroenNum_E")->text(), u"2"_s);
    QCOMPARE(edit("HouseID_BTI_E")->text(), u"6252111"_s);
    QCOMPARE(edit("FlatNum_E")->text(), u"90"_s);
    QCOMPARE(label("Street_Label"), QString::number(StreetWithHouses));
    QVERIFY(m_form->isChanged());
}

void TestT1::closeQuestion_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("payers");
    QTest::addColumn<int>("position");

    QTest::newRow("yes saves") << true << 3 << 3;
    QTest::newRow("no closes without writing") << false << 2 << 0;
}

void TestT1::closeQuestion()
{
    QFETCH(bool, answer);
    QFETCH(int, payers);
    QFETCH(int, position);
    open(EditorMode::New);
    fillValidNewPayer();
    m_dialogs->answers = {answer};
    m_form->close();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question),
             QStringList{u"Возможно некоторые данные были изменены.\r\n"
                         "Сохранить все внесенные изменения?"_s});
    QVERIFY(!m_form->isVisible());
    QCOMPARE(payerCount(), payers);
    QCOMPARE(m_state.posT1Id, position);
}

QTEST_MAIN(TestT1)
#include "tst_t1.moc"
