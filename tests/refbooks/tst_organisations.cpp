#include "DataGrid.h"
#include "FakeDialogs.h"
#include "KeyTyping.h"
#include "ModalWindow.h"
#include "OrganisationBook.h"
#include "RecordSet.h"
#include "RecordSetModel.h"
#include "SpravDez.h"
#include "SpravDezEdit.h"
#include "TestDatabase.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace RefBooks;

class TestOrganisations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void checks_data();
    void checks();
    void accountantShownAsSurnameAndInitials_data();
    void accountantShownAsSurnameAndInitials();
    void editingFindsTheRowByItsOldCode();
    void payersCarryingTheCode();

    void buttonsFollowTheCheckBox();
    void duplicateCodeKeepsTheEditorOpen();
    void editChangesCodeAndName();
    void deleteAsksAboutPayersUsingIt();
    void codeBoxTakesDigitsOnly();

private:
    QStringList listRows();
    template <typename T> T* child(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
};

void TestOrganisations::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
}

void TestOrganisations::cleanup()
{
    m_dialogs.reset();
    m_t.reset();
}

QStringList TestOrganisations::listRows()
{
    RecordSet rows;
    if (!rows.open(m_t->db(), organisationListSql()))
        return {u"<failed: "_s + rows.errorString() + u">"_s};
    QStringList out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out << rows.value(r, u"DezID").toString() + u'|' + rows.value(r, u"DezName").toString() +
                   u'|' + rows.value(r, u"BName").toString();
    return out;
}

void TestOrganisations::checks_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString empty = u"Не заполнено одно из полей."_s;
    const QString tooLong = u"Длина поля \"Код организации\" больше 5 знаков."_s;
    QTest::newRow("five digits") << u"12345"_s << u"ЖЭУ"_s << QString();
    QTest::newRow("six digits") << u"123456"_s << u"ЖЭУ"_s << tooLong;
    // Emptiness is judged on the trimmed text, the length on the text as typed.
    QTest::newRow("blank code") << u"   "_s << u"ЖЭУ"_s << empty;
    QTest::newRow("blank name") << u"12"_s << u"    "_s << empty;
    QTest::newRow("blanks count in the length") << u" 1234 "_s << u"ЖЭУ"_s << tooLong;
    QTest::newRow("no code") << u""_s << u"ЖЭУ"_s << empty;
}

void TestOrganisations::checks()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QCOMPARE(checkOrganisation({code, name, {}, {}, {}}), message);
}

void TestOrganisations::accountantShownAsSurnameAndInitials_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("shown");
    QTest::newRow("all three") << QStringList{u" Иванова "_s, u"Ирина"_s, u"Петровна"_s}
                               << u"Иванова И. П."_s;
    QTest::newRow("surname only") << QStringList{u"Иванова"_s, u"  "_s, QString()} << u"Иванова "_s;
    QTest::newRow("none") << QStringList{QString(), u" "_s, QString()} << u" "_s;
    QTest::newRow("no first name")
        << QStringList{u"Иванова"_s, QString(), u"Петровна"_s} << u"Иванова П."_s;
}

void TestOrganisations::accountantShownAsSurnameAndInitials()
{
    QFETCH(QStringList, names);
    QFETCH(QString, shown);
    QVERIFY(m_t->exec(u"DELETE FROM Sprav_Dez"_s));
    const BookWrite written =
        insertOrganisation(m_t->db(), {u"77"_s, u" ЖЭУ № 5 "_s, names[0], names[1], names[2]});
    QVERIFY2(written.ok, qPrintable(written.message));
    QCOMPARE(listRows(), QStringList{u"77|ЖЭУ № 5|"_s + shown});
    // Blank names are stored as NULL, the others trimmed.
    const QVariantMap row = m_t->row(u"SELECT BName1, BName2, BName3 FROM Sprav_Dez"_s);
    for (int i = 0; i < 3; ++i) {
        const QVariant stored = row.value(u"BName%1"_s.arg(i + 1));
        if (names[i].trimmed().isEmpty())
            QVERIFY(stored.isNull());
        else
            QCOMPARE(stored.toString(), names[i].trimmed());
    }
}

void TestOrganisations::editingFindsTheRowByItsOldCode()
{
    QVERIFY(m_t->exec(u"DELETE FROM Sprav_Dez"_s));
    QVERIFY(insertOrganisation(m_t->db(), {u"10"_s, u"Первая"_s, {}, {}, {}}).ok);
    QVERIFY(insertOrganisation(m_t->db(), {u"20"_s, u"Вторая"_s, {}, {}, {}}).ok);
    QVERIFY(updateOrganisation(m_t->db(), 10, {u"11"_s, u"Первая новая"_s, u"Орлов"_s, {}, {}}).ok);
    QCOMPARE(listRows(), (QStringList{u"11|Первая новая|Орлов "_s, u"20|Вторая| "_s}));
    // A code another organisation has is refused, and nothing changes.
    const BookWrite clash = updateOrganisation(m_t->db(), 11, {u"20"_s, u"Первая"_s, {}, {}, {}});
    QVERIFY(!clash.ok);
    QCOMPARE(clash.message, u"Ошибка обновления данных."_s);
    const BookWrite duplicate = insertOrganisation(m_t->db(), {u"20"_s, u"Третья"_s, {}, {}, {}});
    QCOMPARE(
        duplicate.message,
        u"Ошибка записи данных.\r\nВозможно организация с такими реквизитами уже есть в справочнике."_s);
    QCOMPARE(listRows().size(), 2);
}

void TestOrganisations::payersCarryingTheCode()
{
    QVERIFY(
        m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID, DezVladID) VALUES "
                  "(1, 1, 117, 117), (2, 2, 117, 1204), (3, 3, 1204, 1204), (4, 4, NULL, 117)"_s));
    QCOMPARE(payersUsingOrganisation(m_t->db(), 117), 3);
    QCOMPARE(payersUsingOrganisation(m_t->db(), 1204), 2);
    QCOMPARE(payersUsingOrganisation(m_t->db(), 5), 0);
}

void TestOrganisations::buttonsFollowTheCheckBox()
{
    {
        TSpravDez_Form book(m_t->db());
        auto* edit = child<QCheckBox>(&book, "Edit_CB");
        QVERIFY(!edit->isChecked());
        for (const char* name : {"Add_BBtn", "Edit_BBtn", "Delete_BBtn"})
            QVERIFY(!child<QToolButton>(&book, name)->isEnabled());
        edit->click();
        for (const char* name : {"Add_BBtn", "Edit_BBtn", "Delete_BBtn"})
            QVERIFY(child<QToolButton>(&book, name)->isEnabled());
        QCOMPARE(child<DataGrid>(&book, "Dez_DBG")->recordCount(), 2);
    }
    // An empty book can only be added to; deleting from it asks nothing.
    QVERIFY(m_t->exec(u"DELETE FROM Sprav_Dez"_s));
    TSpravDez_Form book(m_t->db());
    child<QCheckBox>(&book, "Edit_CB")->click();
    QVERIFY(child<QToolButton>(&book, "Add_BBtn")->isEnabled());
    QVERIFY(!child<QToolButton>(&book, "Edit_BBtn")->isEnabled());
    QVERIFY(!child<QToolButton>(&book, "Delete_BBtn")->isEnabled());
    book.Delete_BBtnClick();
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestOrganisations::duplicateCodeKeepsTheEditorOpen()
{
    TSpravDez_Form book(m_t->db());
    child<QCheckBox>(&book, "Edit_CB")->click();
    bool stayedOpen = false;
    whenModal<TSpravDezEdit_Form>([&](TSpravDezEdit_Form* editor) {
        typeText(child<QLineEdit>(editor, "DezID_E"), u"117"_s);
        typeText(child<QLineEdit>(editor, "DezName_E"), u"Другая"_s);
        child<QPushButton>(editor, "Save_BBtn")->click();
        stayedOpen = editor->isVisible();
        // Closing with what was typed asks; No leaves the book as it was.
        m_dialogs->answers << false;
        editor->reject();
    });
    child<QToolButton>(&book, "Add_BBtn")->click();
    QVERIFY(stayedOpen);
    QCOMPARE(
        m_dialogs->texts(FakeDialogs::Kind::Error),
        QStringList{
            u"Ошибка записи данных.\r\nВозможно организация с такими реквизитами уже есть в справочнике."_s});
    QCOMPARE(
        m_dialogs->texts(FakeDialogs::Kind::Question),
        QStringList{
            u"Возможно некоторые данные были изменены.\r\nСохранить все внесенные изменения?"_s});
    QCOMPARE(m_t->scalar(u"SELECT DezName FROM Sprav_Dez WHERE DezID = 117"_s).toString(),
             u"ООО \"Управляющая компания \"Северный квартал\""_s);
}

void TestOrganisations::editChangesCodeAndName()
{
    TSpravDez_Form book(m_t->db());
    child<QCheckBox>(&book, "Edit_CB")->click();
    auto* grid = child<DataGrid>(&book, "Dez_DBG");
    QVERIFY(grid->locate({1204}));
    QStringList shown;
    whenModal<TSpravDezEdit_Form>([&](TSpravDezEdit_Form* editor) {
        for (const char* name : {"DezID_E", "DezName_E", "BName1_E", "BName2_E", "BName3_E"})
            shown << child<QLineEdit>(editor, name)->text();
        auto* code = child<QLineEdit>(editor, "DezID_E");
        code->selectAll();
        typeText(code, u"1205"_s);
        auto* patronymic = child<QLineEdit>(editor, "BName3_E");
        patronymic->selectAll();
        QTest::keyClick(patronymic, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_Return);
    });
    child<QToolButton>(&book, "Edit_BBtn")->click();
    QCOMPARE(shown, (QStringList{u"1204"_s, u"ТСЖ \"Заречье\""_s, u"Соколов"_s, u"Андрей"_s,
                                 u"Михайлович"_s}));
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
    QCOMPARE(listRows(),
             (QStringList{u"117|ООО \"Управляющая компания \"Северный квартал\"|Кузнецова Т. П."_s,
                          u"1205|ТСЖ \"Заречье\"|Соколов А. "_s}));
    // The list shows the change and stays on the changed organisation.
    QCOMPARE(grid->recordModel()
                 ->recordSet()
                 .value(grid->recordModel()->recordSet().currentRow(), u"DezID")
                 .toInt(),
             1205);
}

void TestOrganisations::deleteAsksAboutPayersUsingIt()
{
    QVERIFY(m_t->exec(
        u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID, DezVladID) VALUES (1, 1, 1204, 1204)"_s));
    TSpravDez_Form book(m_t->db());
    child<QCheckBox>(&book, "Edit_CB")->click();
    QVERIFY(child<DataGrid>(&book, "Dez_DBG")->locate({1204}));
    const QString sure =
        u"Будет удалена запись со сведениями об организации - владельце жилого фонда.\r\nВы уверены?"_s;
    m_dialogs->answers << true << false;
    book.Delete_BBtnClick();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question),
             (QStringList{sure, organisationInUseQuestion(1204, 1, true)}));
    QCOMPARE(m_dialogs->questionDefaults.last(), Dialogs::Button::No);
    QCOMPARE(m_t->scalar(u"SELECT COUNT(*) FROM Sprav_Dez"_s).toInt(), 2);

    m_dialogs->clear();
    m_dialogs->answers << true << true;
    book.Delete_BBtnClick();
    QCOMPARE(listRows().size(), 1);
    // The payer keeps its code.
    QCOMPARE(m_t->scalar(u"SELECT DezID FROM SvedPotreb_T1"_s).toInt(), 1204);
    QCOMPARE(child<DataGrid>(&book, "Dez_DBG")->recordCount(), 1);
}

void TestOrganisations::codeBoxTakesDigitsOnly()
{
    TSpravDezEdit_Form editor(m_t->db(), TSpravDezEdit_Form::Mode::Add);
    auto* code = child<QLineEdit>(&editor, "DezID_E");
    typeText(code, u"12а3"_s);
    QCOMPARE(code->text(), u"123"_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{u"Допускается ввод только чисел."_s});
    QVERIFY(editor.isChanged());
    auto* name = child<QLineEdit>(&editor, "DezName_E");
    typeText(name, u"ЖЭУ Z"_s);
    QCOMPARE(name->text(), u"ЖЭУ "_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error).last(),
             u"Допускается ввод только русских символов."_s);
}

QTEST_MAIN(TestOrganisations)
#include "tst_organisations.moc"
