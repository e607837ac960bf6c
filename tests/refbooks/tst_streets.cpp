#include "DataGrid.h"
#include "FakeDialogs.h"
#include "KeyTyping.h"
#include "RecordSetModel.h"
#include "SpravStreet.h"
#include "StreetSelection.h"
#include "TestDatabase.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

class TestStreets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void searchFindsAnyPartLiterally_data();
    void searchFindsAnyPartLiterally();
    void movingRightKeepsTheSearch();
    void selectAllServesTheWholeResult();
    void movingBackAndClearing();

private:
    template <typename T> T* child(const char* name)
    {
        T* widget = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QStringList names(const char* grid);
    void search(const QString& text);

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TSpravStreet_Form> m_form;
};

void TestStreets::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
}

void TestStreets::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
    m_t.reset();
}

QStringList TestStreets::names(const char* grid)
{
    const RecordSet& rows = child<DataGrid>(grid)->recordModel()->recordSet();
    QStringList out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out << rows.value(r, u"StreetName").toString();
    return out;
}

void TestStreets::search(const QString& text)
{
    auto* box = child<QLineEdit>("Search_E");
    box->clear();
    typeText(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

void TestStreets::searchFindsAnyPartLiterally_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found"); // unserved streets, by name

    QTest::newRow("inside the name")
        << u"Ленин"_s
        << QStringList{u"пл. Ленина"_s, u"пр-кт Ленина"_s, u"пр-кт Ленинский"_s,
                       u"ул. Ленинградская"_s, u"ш. Ленинградское"_s};
    QTest::newRow("either letter case") << u"ЛЕНИНСКИЙ"_s << QStringList{u"пр-кт Ленинский"_s};
    QTest::newRow("lower case") << u"ленинский"_s << QStringList{u"пр-кт Ленинский"_s};
    QTest::newRow("blanks around ignored")
        << u"  Ленинский "_s << QStringList{u"пр-кт Ленинский"_s};
    // A typed "_" or "%" stands for itself, not for any text.
    QTest::newRow("underscore") << u"1_я"_s << QStringList{u"ул. 1_я Опытная"_s};
    QTest::newRow("percent") << u"1%"_s << QStringList();
}

void TestStreets::searchFindsAnyPartLiterally()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    QVERIFY(m_t->exec(u"INSERT INTO Sprav_Streets (StreetID, StreetID_BTI, StreetName, Opt) "
                      "VALUES (9001, 9001, 'ул. 1_я Опытная', 0)"_s));
    m_form = std::make_unique<TSpravStreet_Form>(m_t->db());
    QCOMPARE(child<QLabel>("StreetAll_Label")->text(),
             m_t->scalar(u"SELECT COUNT(*) FROM Sprav_Streets WHERE Opt = 0"_s).toString());
    // The box's filter refuses "%" and "_"; the pattern must still never read them as
    // wildcards, so they are put into the box directly.
    auto* box = child<QLineEdit>("Search_E");
    box->setText(typed);
    child<QToolButton>("Search_BBtn")->click();
    QStringList shown = names("StreetAll_DBG");
    shown.sort();
    QCOMPARE(shown, found);
    QCOMPARE(child<QLabel>("StreetAll_Label")->text(), QString::number(found.size()));
    QCOMPARE(RefBooks::streetSearchPattern(u"a%b_c\\"_s), u"%a\\%b\\_c\\\\%"_s);
}

void TestStreets::movingRightKeepsTheSearch()
{
    m_form = std::make_unique<TSpravStreet_Form>(m_t->db());
    search(u"Ленин"_s);
    QCOMPARE(names("StreetAll_DBG").size(), 5);
    QVERIFY(child<DataGrid>("StreetAll_DBG")->locate({288})); // пр-кт Ленинский
    m_form->StreetAll_DBGDblClick();
    QCOMPARE(m_form->markedCount(), 1);
    QVERIFY(child<QToolButton>("Insert_BBtn")->isEnabled());
    const int served = child<QLabel>("Street_Label")->text().toInt();
    child<QToolButton>("Insert_BBtn")->click();
    QCOMPARE(m_t->scalar(u"SELECT Opt FROM Sprav_Streets WHERE StreetID = 288"_s).toInt(), 1);
    // Still the streets matching "Ленин", less the one served, and none marked.
    QCOMPARE(names("StreetAll_DBG"), (QStringList{u"пл. Ленина"_s, u"пр-кт Ленина"_s,
                                                  u"ул. Ленинградская"_s, u"ш. Ленинградское"_s}));
    QCOMPARE(m_form->markedCount(), 0);
    QVERIFY(!child<QToolButton>("Insert_BBtn")->isEnabled());
    QCOMPARE(child<QLabel>("Street_Label")->text().toInt(), served + 1);
    QVERIFY(names("Street_DBG").contains(u"пр-кт Ленинский"_s));
}

void TestStreets::selectAllServesTheWholeResult()
{
    m_form = std::make_unique<TSpravStreet_Form>(m_t->db());
    search(u"Ленинград"_s);
    child<QPushButton>("SelectAll_BBtn")->click();
    QCOMPARE(m_form->markedCount(), 2);
    child<QPushButton>("UnselectAll_BBtn")->click();
    QCOMPARE(m_form->markedCount(), 0);
    QVERIFY(!child<QToolButton>("Insert_BBtn")->isEnabled());
    child<QPushButton>("SelectAll_BBtn")->click();
    child<QToolButton>("Insert_BBtn")->click();
    QVERIFY(names("StreetAll_DBG").isEmpty());
    QCOMPARE(
        m_t->scalar(
               u"SELECT COUNT(*) FROM Sprav_Streets WHERE StreetName LIKE '%Ленинград%' AND Opt = 1"_s)
            .toInt(),
        2);
    // Streets outside the search are untouched.
    QCOMPARE(m_t->scalar(u"SELECT Opt FROM Sprav_Streets WHERE StreetID = 283"_s).toInt(), 0);
    // A street without a BTI code can be served like any other.
    QVERIFY(m_t->exec(u"INSERT INTO Sprav_Streets (StreetID, StreetID_BTI, StreetName, Opt) "
                      "VALUES (9002, NULL, 'туп. Безымянный', 0)"_s));
    search(u"Безымянный"_s);
    QVERIFY(child<DataGrid>("StreetAll_DBG")->locate({9002}));
    QTest::keyClick(child<DataGrid>("StreetAll_DBG"), Qt::Key_Space);
    child<QToolButton>("Insert_BBtn")->click();
    QCOMPARE(m_t->scalar(u"SELECT Opt FROM Sprav_Streets WHERE StreetID = 9002"_s).toInt(), 1);
}

void TestStreets::movingBackAndClearing()
{
    m_form = std::make_unique<TSpravStreet_Form>(m_t->db());
    QVERIFY(child<DataGrid>("Street_DBG")->locate({192})); // ул. Ленина, served
    m_dialogs->answers << false;
    child<QToolButton>("Delete_BBtn")->click();
    QCOMPARE(m_t->scalar(u"SELECT Opt FROM Sprav_Streets WHERE StreetID = 192"_s).toInt(), 1);
    m_dialogs->answers << true;
    child<QToolButton>("Delete_BBtn")->click();
    QCOMPARE(m_t->scalar(u"SELECT Opt FROM Sprav_Streets WHERE StreetID = 192"_s).toInt(), 0);
    QVERIFY(names("StreetAll_DBG").contains(u"ул. Ленина"_s));
    QCOMPARE(
        m_dialogs->texts(FakeDialogs::Kind::Question).first(),
        u"Будет удалена запись из справочника улиц, обслуживаемых организацией.\r\nВы уверены?"_s);

    m_dialogs->clear();
    m_dialogs->answers << true;
    child<QPushButton>("DeleteAll_BBtn")->click();
    QCOMPARE(
        m_dialogs->texts(FakeDialogs::Kind::Question),
        QStringList{
            u"Будут удалены все записи из справочника улиц, обслуживаемых организацией.\r\nВы уверены?"_s});
    QCOMPARE(m_t->scalar(u"SELECT COUNT(*) FROM Sprav_Streets WHERE Opt = 1"_s).toInt(), 0);
    QCOMPARE(child<QLabel>("Street_Label")->text(), u"0"_s);
    QVERIFY(!child<QToolButton>("Delete_BBtn")->isEnabled());
    QVERIFY(!child<QPushButton>("DeleteAll_BBtn")->isEnabled());
    QCOMPARE(child<QLabel>("StreetAll_Label")->text(), u"240"_s);
}

QTEST_MAIN(TestStreets)
#include "tst_streets.moc"
