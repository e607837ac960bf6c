#include "CheckMarks.h"
#include "DataGrid.h"
#include "FakeDialogs.h"
#include "RecordSetModel.h"
#include "SpravServices.h"
#include "TestDatabase.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

class TestServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void variantsAreOneLineAndMoveAsAWhole();
    void marksAndTheSelectButton();
    void unselectDisabledWithNothingProvided();
    void doubleClickOnAnEmptyListDoesNothing();
    void markPicturesComeFromTheResources();

private:
    template <typename T> T* child(const char* name)
    {
        T* widget = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QStringList codes(const char* grid);
    /// Makes the left list's current row the service with this code and marks it.
    void mark(int serviceId);

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TSpravServices_Form> m_form;
};

void TestServices::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
}

void TestServices::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
    m_t.reset();
}

QStringList TestServices::codes(const char* grid)
{
    const RecordSet& rows = child<DataGrid>(grid)->recordModel()->recordSet();
    QStringList out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out << rows.value(r, u"ServiceID").toString();
    out.sort();
    return out;
}

void TestServices::mark(int serviceId)
{
    QVERIFY(child<DataGrid>("ServiceAll_DBG")->locate({serviceId}));
    m_form->ServiceAll_DBGDblClick();
}

void TestServices::variantsAreOneLineAndMoveAsAWhole()
{
    m_form = std::make_unique<TSpravServices_Form>(m_t->db());
    const int left =
        m_t->scalar(u"SELECT COUNT(DISTINCT ServiceID) FROM Sprav_Services WHERE Opt = 0"_s)
            .toInt();
    const int right =
        m_t->scalar(u"SELECT COUNT(DISTINCT ServiceID) FROM Sprav_Services WHERE Opt = 1"_s)
            .toInt();
    QCOMPARE(codes("ServiceAll_DBG").count(u"156"_s), 1);
    QCOMPARE(child<QLabel>("ServiceAll_Label")->text(), QString::number(left));
    QCOMPARE(child<QLabel>("Service_Label")->text(), QString::number(right));

    // Service 156 has three variant rows: one line, and all three move.
    mark(156);
    mark(13);
    child<QToolButton>("Select_BBtn")->click();
    QCOMPARE(m_t->scalar(u"SELECT GROUP_CONCAT(Opt) FROM Sprav_Services WHERE ServiceID = 156"_s)
                 .toString(),
             u"1,1,1"_s);
    QVERIFY(!codes("ServiceAll_DBG").contains(u"156"_s));
    QCOMPARE(codes("Service_DBG").count(u"156"_s), 1);
    QVERIFY(codes("Service_DBG").contains(u"13"_s));
    QCOMPARE(child<QLabel>("ServiceAll_Label")->text(), QString::number(left - 2));
    QCOMPARE(child<QLabel>("Service_Label")->text(), QString::number(right + 2));
    // The rest of the left list is unmarked, and the button waits for a new mark.
    QCOMPARE(m_form->markedCount(), 0);
    QVERIFY(!child<QToolButton>("Select_BBtn")->isEnabled());

    // Back again, after the question.
    QVERIFY(child<DataGrid>("Service_DBG")->locate({156}));
    m_dialogs->answers << true;
    child<QToolButton>("UnSelect_BBtn")->click();
    QCOMPARE(
        m_dialogs->texts(FakeDialogs::Kind::Question),
        QStringList{
            u"Будет удалена запись из справочника услуг, оказываемых организацией.\r\nВы уверены?"_s});
    QCOMPARE(m_t->scalar(u"SELECT GROUP_CONCAT(Opt) FROM Sprav_Services WHERE ServiceID = 156"_s)
                 .toString(),
             u"0,0,0"_s);
    QCOMPARE(codes("ServiceAll_DBG").count(u"156"_s), 1);
    QCOMPARE(child<QLabel>("Service_Label")->text(), QString::number(right + 1));
    // Declining moves nothing.
    m_dialogs->answers << false;
    child<QToolButton>("UnSelect_BBtn")->click();
    QCOMPARE(child<QLabel>("Service_Label")->text(), QString::number(right + 1));
}

void TestServices::marksAndTheSelectButton()
{
    m_form = std::make_unique<TSpravServices_Form>(m_t->db());
    auto* select = child<QToolButton>("Select_BBtn");
    QVERIFY(!select->isEnabled());
    mark(13);
    QCOMPARE(m_form->markedCount(), 1);
    QVERIFY(m_form->isMarked(13));
    QVERIFY(select->isEnabled());
    mark(14);
    QCOMPARE(m_form->markedCount(), 2);
    // Unmarking both leaves nothing to move.
    mark(13);
    mark(14);
    QCOMPARE(m_form->markedCount(), 0);
    QVERIFY(!select->isEnabled());
    // The space bar marks the current row as well.
    QVERIFY(child<DataGrid>("ServiceAll_DBG")->locate({15}));
    QTest::keyClick(child<DataGrid>("ServiceAll_DBG"), Qt::Key_Space);
    QVERIFY(m_form->isMarked(15));
    QVERIFY(select->isEnabled());
}

void TestServices::unselectDisabledWithNothingProvided()
{
    QVERIFY(m_t->exec(u"UPDATE Sprav_Services SET Opt = 0 WHERE ServiceID <> 13"_s));
    QVERIFY(m_t->exec(u"UPDATE Sprav_Services SET Opt = 1 WHERE ServiceID = 13"_s));
    m_form = std::make_unique<TSpravServices_Form>(m_t->db());
    auto* unselect = child<QToolButton>("UnSelect_BBtn");
    QVERIFY(unselect->isEnabled());
    m_dialogs->answers << true;
    unselect->click();
    QVERIFY(!unselect->isEnabled());
    QCOMPARE(child<QLabel>("Service_Label")->text(), u"0"_s);
    unselect->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question).size(), 1);
}

void TestServices::doubleClickOnAnEmptyListDoesNothing()
{
    QVERIFY(m_t->exec(u"UPDATE Sprav_Services SET Opt = 1"_s));
    m_form = std::make_unique<TSpravServices_Form>(m_t->db());
    QCOMPARE(child<QLabel>("ServiceAll_Label")->text(), u"0"_s);
    m_form->ServiceAll_DBGDblClick();
    QCOMPARE(m_form->markedCount(), 0);
    QVERIFY(!child<QToolButton>("Select_BBtn")->isEnabled());
    child<QToolButton>("Select_BBtn")->click();
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestServices::markPicturesComeFromTheResources()
{
    const QPixmap marked = CheckMarkDelegate::markedPicture();
    const QPixmap unmarked = CheckMarkDelegate::unmarkedPicture();
    QVERIFY(!marked.isNull());
    QVERIFY(!unmarked.isNull());
    QVERIFY(marked.toImage() != unmarked.toImage());

    // The mark column shows the picture of each row's mark, 3 px right and 1 px below
    // the cell's corner.
    m_form = std::make_unique<TSpravServices_Form>(m_t->db());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto* grid = child<DataGrid>("ServiceAll_DBG");
    mark(13);
    grid->clearSelection();
    grid->setCurrentIndex({});
    const int row = grid->recordModel()->rowOfKey({13});
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    const QImage shot = grid->viewport()->grab().toImage();
    const QImage tick = marked.toImage();
    const QImage box = unmarked.toImage();
    // A point of the tick, where the two pictures differ, shows the marked one.
    QPoint inside(-1, -1);
    for (int y = 0; y < tick.height() && inside.x() < 0; ++y) {
        for (int x = 0; x < tick.width() && inside.x() < 0; ++x) {
            if (tick.pixelColor(x, y) != box.pixelColor(x, y))
                inside = QPoint(x, y);
        }
    }
    QVERIFY(inside.x() >= 0);
    const QPoint onScreen = cell.topLeft() + QPoint(3, 1) + inside;
    QCOMPARE(shot.pixelColor(onScreen), tick.pixelColor(inside));
    const int unmarkedRow = grid->recordModel()->rowOfKey({14});
    const QRect other = grid->visualRect(grid->model()->index(unmarkedRow, 0));
    QCOMPARE(shot.pixelColor(other.topLeft() + QPoint(3, 1) + inside), box.pixelColor(inside));
}

QTEST_MAIN(TestServices)
#include "tst_services.moc"
