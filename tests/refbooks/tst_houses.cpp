#include "DataGrid.h"
#include "FakeDialogs.h"
#include "HouseBook.h"
#include "KeyTyping.h"
#include "ModalWindow.h"
#include "RecordSet.h"
#include "RecordSetModel.h"
#include "SpravHousesBTI.h"
#include "SpravHousesBTIEdit.h"
#include "TestDatabase.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace RefBooks;

namespace {

const QString AddressMissing = u"Должно быть заполнено хотя бы одно поле адреса."_s;
const QString CodeMissing = u"Должно быть заполнено поле \"Код БТИ\"."_s;
const QString CodeZero = u"Код БТИ не может быть нулевым."_s;
const QString WriteRefused =
    u"Ошибка записи данных.\r\nВожможно вводимый адрес или код БТИ уже существуют."_s;
const QString CloseQuestion =
    u"Возможно некоторые данные были изменены.\r\nСохранить все внесенные изменения?"_s;

// Streets of the seed: Ленина has twelve houses, пр-кт Мира ten, Первомайская none.
constexpr int Lenina = 192;
constexpr int LeninaBti = 6422456;
constexpr int Mira = 282;
constexpr int Pervomayskaya = 104;
constexpr int PervomayskayaBti = 8981250;

const char* const BoxNames[] = {"HouseNum_E", "KorpNum_E", "StroenNum_E", "HouseID_BTI_E"};

} // namespace

class TestHouses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void checks_data();
    void checks();
    void databaseRefusesWhatDoesNotFit();
    void blankNumbersAreStoredAsEmptyTexts();

    void streetsWithoutBtiCodeAreLeftOut();
    void houseListFollowsTheStreet();
    void addedHouseIsStoredAndShown_data();
    void addedHouseIsStoredAndShown();
    void refusedChecksKeepTheEditorOpen_data();
    void refusedChecksKeepTheEditorOpen();
    void duplicateKeepsWhatWasTyped_data();
    void duplicateKeepsWhatWasTyped();
    void editWithNoHousesAdds();
    void editRewritesTheCurrentHouse();
    void deleteAsksWithNoAsDefault();
    void boxesFilterAndLimitTyping_data();
    void boxesFilterAndLimitTyping();
    void windowsFitTheScreen_data();
    void windowsFitTheScreen();

private:
    template <typename T> T* child(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    /// The grid's rows as "field|field|..." texts.
    static QStringList gridRows(DataGrid* grid, const QStringList& fields);
    static QVariant currentValue(DataGrid* grid, const QString& field);
    int housesOn(int streetIdBti);

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
};

void TestHouses::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
}

void TestHouses::cleanup()
{
    m_dialogs.reset();
    m_t.reset();
}

QStringList TestHouses::gridRows(DataGrid* grid, const QStringList& fields)
{
    const RecordSet& rows = grid->recordModel()->recordSet();
    QStringList out;
    for (int r = 0; r < rows.rowCount(); ++r) {
        QStringList values;
        for (const QString& field : fields)
            values << rows.value(r, field).toString();
        out << values.join(u'|');
    }
    return out;
}

QVariant TestHouses::currentValue(DataGrid* grid, const QString& field)
{
    const RecordSet& rows = grid->recordModel()->recordSet();
    return rows.value(rows.currentRow(), field);
}

int TestHouses::housesOn(int streetIdBti)
{
    return m_t
        ->scalar(u"SELECT COUNT(*) FROM Sprav_HousesBTI WHERE StreetID_BTI = %1"_s.arg(streetIdBti))
        .toInt();
}

void TestHouses::checks_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("house and code") << QStringList{u"5"_s, {}, {}, u"1234567"_s} << QStringList();
    QTest::newRow("structure only") << QStringList{{}, {}, u"2"_s, u"15"_s} << QStringList();
    QTest::newRow("all blank") << QStringList{{}, {}, {}, {}}
                               << QStringList{AddressMissing, CodeMissing};
    QTest::newRow("blanks are blank") << QStringList{u"  "_s, u" "_s, u"   "_s, u"  "_s}
                                      << QStringList{AddressMissing, CodeMissing};
    QTest::newRow("no address, zero code")
        << QStringList{{}, {}, {}, u"0"_s} << QStringList{AddressMissing, CodeZero};
    QTest::newRow("only zeros") << QStringList{u"5"_s, {}, {}, u"0000000"_s}
                                << QStringList{CodeZero};
    QTest::newRow("signed zero") << QStringList{u"5"_s, {}, {}, u"-0"_s} << QStringList{CodeZero};
    QTest::newRow("letters in the code")
        << QStringList{u"5"_s, {}, {}, u"12а"_s} << QStringList{CodeZero};
    QTest::newRow("blank inside the code")
        << QStringList{u"5"_s, {}, {}, u"1 2"_s} << QStringList{CodeZero};
    QTest::newRow("blanks around the code")
        << QStringList{u"5"_s, {}, {}, u" 0012 "_s} << QStringList();
}

void TestHouses::checks()
{
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, messages);
    QCOMPARE(checkHouse({boxes[0], boxes[1], boxes[2], boxes[3]}), messages);
}

void TestHouses::databaseRefusesWhatDoesNotFit()
{
    const HouseStreet street{Pervomayskaya, PervomayskayaBti};
    // Longer than the columns, or a code of more than seven digits (one even too long for a
    // 64-bit number): refused with the operator's message, nothing written.
    for (const HouseFields& fields :
         {HouseFields{u"123456789"_s, {}, {}, u"15"_s},
          HouseFields{u"1"_s, u"123456"_s, {}, u"15"_s}, HouseFields{u"1"_s, {}, {}, u"12345678"_s},
          HouseFields{u"1"_s, {}, {}, u"123456789012345678901234567890"_s}}) {
        const BookWrite written = insertHouse(m_t->db(), street, fields);
        QVERIFY(!written.ok);
        QCOMPARE(written.message, WriteRefused);
    }
    QCOMPARE(housesOn(PervomayskayaBti), 0);
    // The widths themselves are taken.
    QVERIFY(
        insertHouse(m_t->db(), street, {u"12345678"_s, u"12345"_s, u"123456"_s, u"9999999"_s}).ok);
    QCOMPARE(housesOn(PervomayskayaBti), 1);
}

void TestHouses::blankNumbersAreStoredAsEmptyTexts()
{
    // Boxes never filled give null texts, boxes of blanks empty ones: both are stored as ''.
    const HouseStreet street{Pervomayskaya, PervomayskayaBti};
    QVERIFY(insertHouse(m_t->db(), street, {QString(), QString(), u"2"_s, u"15"_s}).ok);
    const int id = m_t->scalar(u"SELECT ID FROM Sprav_HousesBTI WHERE HouseID_BTI = 15"_s).toInt();
    const QString stored =
        u"SELECT quote(HouseNum) || quote(KorpNum) || quote(StroenNum) || quote(HouseID_BTI)"
        " FROM Sprav_HousesBTI WHERE ID = %1"_s.arg(id);
    QCOMPARE(m_t->scalar(stored).toString(), u"'''''2'15"_s);
    QVERIFY(updateHouse(m_t->db(), id, street, {u" 4 "_s, u"  "_s, QString(), u"16"_s}).ok);
    QCOMPARE(m_t->scalar(stored).toString(), u"'4'''''16"_s);
}

void TestHouses::streetsWithoutBtiCodeAreLeftOut()
{
    // ул. Нагорная has no BTI code, ул. Овражная the code 0; both become served.
    QVERIFY(m_t->exec(u"UPDATE Sprav_Streets SET Opt = 1 WHERE StreetID IN (179, 181)"_s));
    TSpravHousesBTI_Form book(m_t->db());
    auto* streets = child<DataGrid>(&book, "Streets_RxDBG");
    const QStringList shown = gridRows(streets, {u"StreetID"_s});
    QCOMPARE(shown.size(), 12);
    QVERIFY(!shown.contains(u"179"_s));
    QVERIFY(!shown.contains(u"181"_s));
    // Unserved streets with a code stay out too.
    QVERIFY(!shown.contains(u"102"_s));
    QVERIFY(shown.contains(QString::number(Lenina)));
}

void TestHouses::houseListFollowsTheStreet()
{
    TSpravHousesBTI_Form book(m_t->db());
    auto* streets = child<DataGrid>(&book, "Streets_RxDBG");
    auto* houses = child<DataGrid>(&book, "Houses_RxDBG");
    // On opening, the houses of the first street are shown.
    const int firstBti = currentValue(streets, u"StreetID_BTI"_s).toInt();
    QCOMPARE(houses->recordCount(), housesOn(firstBti));
    QVERIFY(houses->recordCount() > 0);

    const struct
    {
        int street;
        int houses;
    } moves[] = {{Lenina, 12}, {Mira, 10}, {Pervomayskaya, 0}, {Lenina, 12}};
    for (const auto& move : moves) {
        QVERIFY(streets->locate({move.street}));
        QCOMPARE(houses->recordCount(), move.houses);
        const QString bti = currentValue(streets, u"StreetID_BTI"_s).toString();
        QCOMPARE(gridRows(houses, {u"StreetID_BTI"_s}), QStringList(move.houses, bti));
    }
}

void TestHouses::addedHouseIsStoredAndShown_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("structure only")
        << QStringList{{}, {}, u"2а"_s, u"1234567"_s} << u"||2а|1234567"_s;
    QTest::newRow("blanks around, zeros before")
        << QStringList{u" 15/2 "_s, u"1 "_s, {}, u"0012"_s} << u"15/2|1||12"_s;
}

void TestHouses::addedHouseIsStoredAndShown()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, stored);
    TSpravHousesBTI_Form book(m_t->db());
    auto* houses = child<DataGrid>(&book, "Houses_RxDBG");
    QVERIFY(child<DataGrid>(&book, "Streets_RxDBG")->locate({Pervomayskaya}));
    QString streetShown;
    whenModal<TSpravHousesBTIEdit_Form>([&](TSpravHousesBTIEdit_Form* editor) {
        streetShown = child<QLabel>(editor, "StreetName_Label")->text();
        for (int i = 0; i < 4; ++i)
            typeText(child<QLineEdit>(editor, BoxNames[i]), typed[i]);
        child<QPushButton>(editor, "Save_BBtn")->click();
    });
    child<QToolButton>(&book, "Add_BBtn")->click();
    QCOMPARE(m_dialogs->messages.size(), 0);
    QCOMPARE(streetShown, u"ул. Первомайская"_s);

    // Blank numbers are '' and the code an integer, on the street chosen.
    const QVariantMap row = m_t->row(
        u"SELECT StreetID, StreetID_BTI, HouseNum, KorpNum, StroenNum, HouseID_BTI,"
        " typeof(HouseNum) || typeof(KorpNum) || typeof(StroenNum) || typeof(HouseID_BTI) AS types"
        " FROM Sprav_HousesBTI WHERE StreetID_BTI = %1"_s.arg(PervomayskayaBti));
    QCOMPARE(row.value(u"types"_s).toString(), u"texttexttextinteger"_s);
    QCOMPARE(row.value(u"StreetID"_s).toInt(), Pervomayskaya);
    const QStringList fields{u"HouseNum"_s, u"KorpNum"_s, u"StroenNum"_s, u"HouseID_BTI"_s};
    QStringList values;
    for (const QString& field : fields)
        values << row.value(field).toString();
    QCOMPARE(values.join(u'|'), stored);
    QCOMPARE(gridRows(houses, fields), QStringList{stored});
}

void TestHouses::refusedChecksKeepTheEditorOpen_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("messages");
    // Every failing check has its own box, one after the other.
    QTest::newRow("all four blank")
        << QStringList{{}, {}, {}, {}} << QStringList{AddressMissing, CodeMissing};
    QTest::newRow("code of zeros")
        << QStringList{u"7"_s, {}, {}, u"000"_s} << QStringList{CodeZero};
    QTest::newRow("no code") << QStringList{{}, u"2"_s, {}, {}} << QStringList{CodeMissing};
}

void TestHouses::refusedChecksKeepTheEditorOpen()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, messages);
    TSpravHousesBTIEdit_Form editor(m_t->db(), TSpravHousesBTIEdit_Form::Mode::Add,
                                    {Pervomayskaya, PervomayskayaBti}, u"ул. Первомайская"_s);
    editor.show();
    for (int i = 0; i < 4; ++i)
        typeText(child<QLineEdit>(&editor, BoxNames[i]), typed[i]);
    child<QPushButton>(&editor, "Save_BBtn")->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), messages);
    QVERIFY(editor.isVisible());
    QCOMPARE(housesOn(PervomayskayaBti), 0);
    // A refused check counts what was typed as seen: closing asks nothing.
    QVERIFY(!editor.isChanged());
    editor.reject();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList());
}

void TestHouses::duplicateKeepsWhatWasTyped_data()
{
    QTest::addColumn<QString>("house");
    QTest::addColumn<QString>("code");
    QTest::newRow("address taken") << u"3"_s << u"7777777"_s;
    // The code of house 1 of ул. Ленина.
    QTest::newRow("code taken") << u"99"_s << u"6673997"_s;
}

void TestHouses::duplicateKeepsWhatWasTyped()
{
    QFETCH(QString, house);
    QFETCH(QString, code);
    TSpravHousesBTI_Form book(m_t->db());
    QVERIFY(child<DataGrid>(&book, "Streets_RxDBG")->locate({Lenina}));
    bool stayedOpen = false;
    QStringList kept;
    whenModal<TSpravHousesBTIEdit_Form>([&](TSpravHousesBTIEdit_Form* editor) {
        typeText(child<QLineEdit>(editor, "HouseNum_E"), house);
        typeText(child<QLineEdit>(editor, "HouseID_BTI_E"), code);
        QTest::keyClick(editor, Qt::Key_Return);
        stayedOpen = editor->isVisible();
        kept << child<QLineEdit>(editor, "HouseNum_E")->text()
             << child<QLineEdit>(editor, "HouseID_BTI_E")->text();
        // What was typed still counts as unsaved: closing asks, and No writes nothing.
        m_dialogs->answers << false;
        editor->reject();
    });
    child<QToolButton>(&book, "Add_BBtn")->click();
    QVERIFY(stayedOpen);
    QCOMPARE(kept, (QStringList{house, code}));
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{WriteRefused});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList{CloseQuestion});
    QCOMPARE(housesOn(LeninaBti), 12);
    QCOMPARE(child<DataGrid>(&book, "Houses_RxDBG")->recordCount(), 12);
}

void TestHouses::editWithNoHousesAdds()
{
    TSpravHousesBTI_Form book(m_t->db());
    QVERIFY(child<DataGrid>(&book, "Streets_RxDBG")->locate({Pervomayskaya}));
    bool adding = false;
    QStringList shown;
    whenModal<TSpravHousesBTIEdit_Form>([&](TSpravHousesBTIEdit_Form* editor) {
        adding = editor->mode() == TSpravHousesBTIEdit_Form::Mode::Add;
        for (const char* name : BoxNames)
            shown << child<QLineEdit>(editor, name)->text();
        typeText(child<QLineEdit>(editor, "HouseNum_E"), u"1"_s);
        typeText(child<QLineEdit>(editor, "HouseID_BTI_E"), u"7654321"_s);
        child<QPushButton>(editor, "Save_BBtn")->click();
    });
    child<QToolButton>(&book, "Edit_BBtn")->click();
    QVERIFY(adding);
    QCOMPARE(shown, QStringList(4, QString()));
    QCOMPARE(gridRows(child<DataGrid>(&book, "Houses_RxDBG"), {u"HouseNum"_s, u"HouseID_BTI"_s}),
             QStringList{u"1|7654321"_s});
}

void TestHouses::editRewritesTheCurrentHouse()
{
    TSpravHousesBTI_Form book(m_t->db());
    QVERIFY(child<DataGrid>(&book, "Streets_RxDBG")->locate({Lenina}));
    auto* houses = child<DataGrid>(&book, "Houses_RxDBG");
    QVERIFY(houses->locate({4}));
    QStringList shown;
    whenModal<TSpravHousesBTIEdit_Form>([&](TSpravHousesBTIEdit_Form* editor) {
        for (const char* name : BoxNames)
            shown << child<QLineEdit>(editor, name)->text();
        QVERIFY(!editor->isChanged());
        auto* block = child<QLineEdit>(editor, "KorpNum_E");
        block->selectAll();
        typeText(block, u"3"_s);
        QTest::keyClick(editor, Qt::Key_Return);
    });
    child<QToolButton>(&book, "Edit_BBtn")->click();
    QCOMPARE(shown, (QStringList{u"7"_s, u"1"_s, u""_s, u"1290358"_s}));
    QCOMPARE(m_dialogs->messages.size(), 0);
    QCOMPARE(m_t->scalar(u"SELECT KorpNum FROM Sprav_HousesBTI WHERE ID = 4"_s).toString(), u"3"_s);
    QCOMPARE(housesOn(LeninaBti), 12);
    // The list shows the change and stays on the house.
    QCOMPARE(currentValue(houses, u"ID"_s).toInt(), 4);
    QCOMPARE(currentValue(houses, u"KorpNum"_s).toString(), u"3"_s);
}

void TestHouses::deleteAsksWithNoAsDefault()
{
    const QString sure = u"Вы действительно хотите удалить данные по дому?"_s;
    TSpravHousesBTI_Form book(m_t->db());
    auto* streets = child<DataGrid>(&book, "Streets_RxDBG");
    auto* houses = child<DataGrid>(&book, "Houses_RxDBG");
    QVERIFY(streets->locate({Lenina}));
    QVERIFY(houses->locate({5}));

    // Enter on the question keeps the house.
    child<QToolButton>(&book, "Delete_BBtn")->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList{sure});
    QCOMPARE(m_dialogs->questionDefaults, QList<Dialogs::Button>{Dialogs::Button::No});
    QCOMPARE(m_dialogs->unanswered, 1);
    QCOMPARE(housesOn(LeninaBti), 12);

    m_dialogs->clear();
    m_dialogs->answers << true;
    child<QToolButton>(&book, "Delete_BBtn")->click();
    QCOMPARE(m_t->scalar(u"SELECT COUNT(*) FROM Sprav_HousesBTI WHERE ID = 5"_s).toInt(), 0);
    QCOMPARE(houses->recordCount(), 11);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());

    // A street without houses has nothing to delete and asks nothing.
    m_dialogs->clear();
    QVERIFY(streets->locate({Pervomayskaya}));
    child<QToolButton>(&book, "Delete_BBtn")->click();
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestHouses::boxesFilterAndLimitTyping_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    const QString russianOnly = u"Допускается ввод только русских символов."_s;
    const QString digitsOnly = u"Допускается ввод только чисел."_s;
    QTest::newRow("house, latin letter") << u"HouseNum_E"_s << u"5B"_s << u"5"_s << russianOnly;
    QTest::newRow("house, 8 of 9")
        << u"HouseNum_E"_s << u"123456789"_s << u"12345678"_s << QString();
    QTest::newRow("block, 5 of 6") << u"KorpNum_E"_s << u"12345а"_s << u"12345"_s << QString();
    QTest::newRow("block, latin letter") << u"KorpNum_E"_s << u"1b"_s << u"1"_s << russianOnly;
    QTest::newRow("structure, 6 of 7")
        << u"StroenNum_E"_s << u"стр1234"_s << u"стр123"_s << QString();
    QTest::newRow("structure, latin letter")
        << u"StroenNum_E"_s << u"1q"_s << u"1"_s << russianOnly;
    QTest::newRow("code, letter") << u"HouseID_BTI_E"_s << u"12а3"_s << u"123"_s << digitsOnly;
    QTest::newRow("code, 7 of 8") << u"HouseID_BTI_E"_s << u"12345678"_s << u"1234567"_s
                                  << QString();
}

void TestHouses::boxesFilterAndLimitTyping()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    TSpravHousesBTIEdit_Form editor(m_t->db(), TSpravHousesBTIEdit_Form::Mode::Add,
                                    {Pervomayskaya, PervomayskayaBti}, u"ул. Первомайская"_s);
    auto* edit = child<QLineEdit>(&editor, box.toLatin1().constData());
    typeText(edit, typed);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(editor.isChanged());
}

void TestHouses::windowsFitTheScreen_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("house list") << u"list"_s;
    QTest::newRow("editor") << u"editor"_s;
    QTest::newRow("editor, longest street name") << u"long name"_s;
}

void TestHouses::windowsFitTheScreen()
{
    QFETCH(QString, window);
    // The longest name the street book holds, with words too long for any line.
    const QString longName = u"ул. "_s + QString(120, u'Ш') + u' ' + QString(115, u'Щ');
    const QString streetName = window == u"editor" ? u"ул. Первомайская"_s : longName;
    std::unique_ptr<QWidget> form;
    if (window == u"list")
        form = std::make_unique<TSpravHousesBTI_Form>(m_t->db());
    else
        form = std::make_unique<TSpravHousesBTIEdit_Form>(
            m_t->db(), TSpravHousesBTIEdit_Form::Mode::Add,
            HouseStreet{Pervomayskaya, PervomayskayaBti}, streetName);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    // A laptop screen less a panel, the window's frame and title bar.
    QVERIFY2(form->width() <= 1270 && form->height() <= 640,
             qPrintable(u"%1×%2"_s.arg(form->width()).arg(form->height())));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    const QSize needed = form->layout()->totalMinimumSize();
    QVERIFY(form->width() >= needed.width() && form->height() >= needed.height());
    // No text is cut: every label has the room it asks for.
    for (QLabel* label : form->findChildren<QLabel*>()) {
        const int height =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        QVERIFY2(label->wordWrap() || label->width() >= label->sizeHint().width(),
                 qPrintable(label->text()));
        QVERIFY2(label->height() >= height, qPrintable(label->text()));
    }
    // The street name shows whole, however many lines it takes.
    if (window != u"list") {
        const auto letters = [](QString text) {
            return text.remove(u' ').remove(u'\n');
        };
        QCOMPARE(letters(child<QLabel>(form.get(), "StreetName_Label")->text()),
                 letters(streetName));
    }
    // The caption fits the title bar.
    QVERIFY(form->width() > form->fontMetrics().horizontalAdvance(form->windowTitle()));
}

QTEST_MAIN(TestHouses)
#include "tst_houses.moc"
