#include "DataGrid.h"
#include "FakeDialogs.h"
#include "KeyTyping.h"
#include "Query.h"
#include "RecordSetModel.h"
#include "RelationBook.h"
#include "SpravMO.h"
#include "SpravRelation.h"
#include "SpravRelationEdit.h"
#include "SpravTypeOccupancy.h"
#include "SpravTypeOwn.h"
#include "TestDatabase.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

using namespace Qt::Literals::StringLiterals;
using RefBooks::RelationBook;
using Outcome = RelationBook::Result::Outcome;

namespace {

const QString Empty = u"Нельзя внести в справочник пустую запись."_s;
const QString TooLong = u"Нельзя внести в справочник запись более 30 знаков."_s;
const QString Present = u"Такая запись уже есть в справочнике."_s;
const QString WriteFailed = u"Ошибка записи данных."_s;
const QString DeleteFailed = u"Ошибка удаления записи."_s;
const QString Saved = u"Данные сохранены в справочнике."_s;
const QString RussianOnly = u"Допускается ввод только русских символов."_s;

/// Every kinship term as "id|name" in key order: the whole book, to see that nothing changed.
const QString AllTerms = u"SELECT group_concat(RelationID || '|' || RelationName, ';') FROM "
                         "(SELECT * FROM Sprav_Relation ORDER BY RelationID)"_s;

/// A trigger that makes the database refuse every `operation` on the kinship terms.
QString refuse(const QString& operation)
{
    return u"CREATE TRIGGER refuse_%1 BEFORE %1 ON Sprav_Relation "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s.arg(operation);
}

/// The grid's rows as "code|name" (or just the name for a one-column grid).
QStringList gridRows(const DataGrid* grid)
{
    const RecordSetModel* model = grid->recordModel();
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

void clickTitle(DataGrid* grid, int column)
{
    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

} // namespace

class TestClassifiers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void saveChecks_data();
    void saveChecks();
    void writeFailures_data();
    void writeFailures();
    void remove();

    void readOnlyLists_data();
    void readOnlyLists();
    void windowsFixedAndWhole_data();
    void windowsFixedAndWhole();

    void termsInNameOrder();
    void emptyList();
    void editRenamesCurrentTerm();
    void addKeepsPosition();
    void closingEditorDropsText();
    void deleteAsks_data();
    void deleteAsks();
    void editorTyping();

private:
    std::unique_ptr<QDialog> createWindow(const QString& className);
    /// The shown list of kinship terms, standing on the term with key `relationId`.
    void openTerms(int relationId = 0);
    /// Runs `act` on the term editor as soon as a command opens it; an editor `act` leaves
    /// open is closed, so that a failed check does not hang the test.
    void whenEditorOpens(std::function<void(QDialog*)> act);
    void click(const char* button)
    {
        m_form->findChild<QToolButton*>(QString::fromLatin1(button))->click();
    }
    DataGrid* terms() const { return m_form->findChild<DataGrid*>(u"Relation_RxDBG"_s); }
    int currentTermId() const
    {
        const RecordSet& rows = terms()->recordModel()->recordSet();
        return rows.value(rows.currentRow(), u"RelationID"_s).toInt();
    }
    QString book() { return m_t->scalar(AllTerms).toString(); }

    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<QDialog> m_form;
    bool m_editorSeen = false;
};

void TestClassifiers::init()
{
    m_dialogs = std::make_unique<FakeDialogs>();
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_editorSeen = false;
}

void TestClassifiers::cleanup()
{
    m_form.reset();
    m_t.reset();
    m_dialogs.reset();
}

// --- Rules of the kinship terms ----------------------------------------------------------

void TestClassifiers::saveChecks_data()
{
    QTest::addColumn<int>("relationId");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: saved
    QTest::addColumn<QString>("stored");

    const QString letters30(30, u'а');
    QTest::newRow("30 letters") << 0 << letters30 << QString() << letters30;
    QTest::newRow("31 letters") << 0 << QString(31, u'а') << TooLong << QString();
    QTest::newRow("blanks around do not count")
        << 0 << u"  "_s + letters30 + u" "_s << QString() << letters30;
    QTest::newRow("empty") << 0 << QString() << Empty << QString();
    QTest::newRow("blanks only") << 0 << u"   "_s << Empty << QString();
    QTest::newRow("many blanks are empty, not long")
        << 0 << QString(40, u' ') << Empty << QString();
    QTest::newRow("present") << 0 << u"Сын"_s << Present << QString();
    QTest::newRow("present once trimmed") << 0 << u" Сын  "_s << Present << QString();
    QTest::newRow("unchanged in edit mode") << 4 << u"Сын"_s << Present << QString();
    QTest::newRow("another term's name in edit mode") << 4 << u"Дочь"_s << Present << QString();
    QTest::newRow("blanks inside count")
        << 0 << u"Сын"_s + QString(26, u' ') + u"ок"_s << TooLong << QString();
    QTest::newRow("renamed, trimmed") << 4 << u" Сынок "_s << QString() << u"Сынок"_s;
    // Terms are unique by their exact text.
    QTest::newRow("other case is another term") << 0 << u"сын"_s << QString() << u"сын"_s;
}

void TestClassifiers::saveChecks()
{
    QFETCH(int, relationId);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, stored);

    const QString before = book();
    const int count = m_t->scalar(u"SELECT count(*) FROM Sprav_Relation"_s).toInt();
    const RelationBook::Result result = RelationBook(m_t->db()).save(relationId, typed);
    QCOMPARE(result.message, message);
    if (!message.isEmpty()) {
        QCOMPARE(result.outcome, Outcome::Refused);
        QCOMPARE(book(), before);
        return;
    }
    QCOMPARE(result.outcome, Outcome::Done);
    QCOMPARE(m_t->scalar(u"SELECT count(*) FROM Sprav_Relation"_s).toInt(),
             relationId == 0 ? count + 1 : count);
    const QString saved =
        relationId == 0
            ? u"SELECT RelationName FROM Sprav_Relation "
              "WHERE RelationID = (SELECT max(RelationID) FROM Sprav_Relation)"_s
            : u"SELECT RelationName FROM Sprav_Relation WHERE RelationID = %1"_s.arg(relationId);
    QCOMPARE(m_t->scalar(saved).toString(), stored);
}

void TestClassifiers::writeFailures_data()
{
    QTest::addColumn<int>("relationId");
    QTest::addColumn<QString>("trigger");

    QTest::newRow("insert refused") << 0 << refuse(u"INSERT"_s);
    QTest::newRow("update refused") << 4 << refuse(u"UPDATE"_s);
    // A rename that changes no row must not be told to the operator as saved.
    QTest::newRow("renamed term is gone") << 999 << QString();
}

void TestClassifiers::writeFailures()
{
    QFETCH(int, relationId);
    QFETCH(QString, trigger);

    if (!trigger.isEmpty())
        QVERIFY(m_t->exec(trigger));
    const QString before = book();
    const RelationBook::Result result = RelationBook(m_t->db()).save(relationId, u"Шурин"_s);
    QCOMPARE(result.outcome, Outcome::Failed);
    QCOMPARE(result.message, WriteFailed);
    QVERIFY(!result.detail.isEmpty());
    QCOMPARE(book(), before);
}

void TestClassifiers::remove()
{
    RelationBook relations(m_t->db());
    const QString countOf = u"SELECT count(*) FROM Sprav_Relation WHERE RelationID = %1"_s;
    QVERIFY(relations.remove(4).done());
    QCOMPARE(m_t->scalar(countOf.arg(4)).toInt(), 0);
    QCOMPARE(m_t->scalar(u"SELECT count(*) FROM Sprav_Relation"_s).toInt(), 33);

    const QString before = book();
    QVERIFY(relations.remove(4).done());
    QCOMPARE(book(), before);

    QVERIFY(m_t->exec(refuse(u"DELETE"_s)));
    const RelationBook::Result refused = relations.remove(5);
    QCOMPARE(refused.outcome, Outcome::Failed);
    QCOMPARE(refused.message, DeleteFailed);
    QCOMPARE(m_t->scalar(countOf.arg(5)).toInt(), 1);
}

// --- The read-only classifiers -----------------------------------------------------------

std::unique_ptr<QDialog> TestClassifiers::createWindow(const QString& className)
{
    Database& db = m_t->db();
    if (className == u"TSpravTypeOwn_Form")
        return std::make_unique<TSpravTypeOwn_Form>(db);
    if (className == u"TSpravTypeOccupancy_Form")
        return std::make_unique<TSpravTypeOccupancy_Form>(db);
    if (className == u"TSpravMO_Form")
        return std::make_unique<TSpravMO_Form>(db);
    if (className == u"TSpravRelation_Form")
        return std::make_unique<TSpravRelation_Form>(db);
    if (className == u"TSpravRelationEdit_Form")
        return std::make_unique<TSpravRelationEdit_Form>(db, 31, u"Двоюродная сестра"_s);
    qFatal("no window %s", qPrintable(className));
}

void TestClassifiers::readOnlyLists_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("titleSorts");

    QTest::newRow("forms of ownership")
        << u"TSpravTypeOwn_Form"_s << u"Справочник форм собственности"_s
        << u"Формы собственности:"_s << u"SpravTypeOwn_DBG"_s << u"Sprav_TypeOwn"_s
        << u"TypeOwnID"_s << u"TypeOwnName"_s << false;
    QTest::newRow("types of occupancy")
        << u"TSpravTypeOccupancy_Form"_s << u"Справочник типов заселения"_s << u"Типы заселения:"_s
        << u"SpravTypeOccupancy_DBG"_s << u"Sprav_TypeOccupancy"_s << u"TypeOccupancyID"_s
        << u"TypeOccupancyName"_s << false;
    QTest::newRow("municipal districts")
        << u"TSpravMO_Form"_s << u"Справочник муниципальных округов"_s << u"Муниципальные округа:"_s
        << u"SpravMO_RxDBG"_s << u"Sprav_MO"_s << u"MOID"_s << u"MOName"_s << true;
}

void TestClassifiers::readOnlyLists()
{
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(QString, heading);
    QFETCH(QString, grid);
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(bool, titleSorts);

    // A row that would come first in name order and comes last in code order.
    QVERIFY(m_t->exec(u"INSERT INTO %1 (%2, %3) VALUES (900, 'Аааа')"_s.arg(table, key, name)));
    QStringList expected;
    {
        Query rows(m_t->db(), u"SELECT %2, %3 FROM %1 ORDER BY %2"_s.arg(table, key, name));
        QVERIFY(rows.exec());
        while (rows.next())
            expected << rows.value(0).toString() + u'|' + rows.value(1).toString();
    }
    QVERIFY(expected.size() > 3);

    m_form = createWindow(window);
    m_form->show();
    QCOMPARE(m_form->windowTitle(), caption);
    bool headingShown = false;
    for (const QLabel* label : m_form->findChildren<QLabel*>())
        headingShown = headingShown || label->text() == heading;
    QVERIFY(headingShown);

    auto* list = m_form->findChild<DataGrid*>(grid);
    QVERIFY(list);
    const RecordSetModel* model = list->recordModel();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), u"Код"_s);
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), u"Наименование"_s);
    QVERIFY(model->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
            Qt::AlignHCenter);
    QCOMPARE(gridRows(list), expected);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(model->flags(model->index(0, 1)) & Qt::ItemIsEditable));

    clickTitle(list, 0);
    QStringList reversed(expected.rbegin(), expected.rend());
    QCOMPARE(gridRows(list), titleSorts ? reversed : expected);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestClassifiers::windowsFixedAndWhole_data()
{
    QTest::addColumn<QString>("window");
    for (const char* name : {"TSpravTypeOwn_Form", "TSpravTypeOccupancy_Form", "TSpravMO_Form",
                             "TSpravRelation_Form", "TSpravRelationEdit_Form"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestClassifiers::windowsFixedAndWhole()
{
    QFETCH(QString, window);
    m_form = createWindow(window);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    // A laptop screen less the panel and the window's frame.
    QVERIFY2(m_form->width() <= 1260 && m_form->height() <= 600,
             qPrintable(u"%1x%2"_s.arg(m_form->width()).arg(m_form->height())));
    for (const QWidget* w : m_form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w))
            QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
    }
    if (const DataGrid* grid = m_form->findChild<DataGrid*>()) {
        // Every name whole, and no horizontal scrolling in a list this narrow.
        const RecordSetModel* model = grid->recordModel();
        const int nameColumn = model->columnCount() - 1;
        for (int r = 0; r < model->rowCount(); ++r) {
            const QString text = model->index(r, nameColumn).data().toString();
            QVERIFY2(grid->fontMetrics().horizontalAdvance(text) < grid->columnWidth(nameColumn),
                     qPrintable(text));
        }
        QVERIFY(!grid->horizontalScrollBar()->isVisible());
    }
}

// --- The book of kinship terms -----------------------------------------------------------

void TestClassifiers::openTerms(int relationId)
{
    m_form = std::make_unique<TSpravRelation_Form>(m_t->db());
    m_form->show();
    if (relationId != 0)
        QVERIFY(terms()->locate({relationId}));
}

void TestClassifiers::whenEditorOpens(std::function<void(QDialog*)> act)
{
    // Polls: the editor exists only while the command runs it.
    auto* poll = new QTimer(m_form.get());
    poll->setInterval(5);
    connect(poll, &QTimer::timeout, this, [this, poll, act] {
        auto* editor = qobject_cast<TSpravRelationEdit_Form*>(QApplication::activeModalWidget());
        if (!editor)
            return;
        poll->stop();
        poll->deleteLater();
        m_editorSeen = true;
        act(editor);
        if (editor->isVisible())
            editor->reject();
    });
    poll->start();
}

void TestClassifiers::termsInNameOrder()
{
    QVERIFY(m_t->exec(u"INSERT INTO Sprav_Relation (RelationName) VALUES ('Агент')"_s));
    QStringList expected;
    {
        Query rows(m_t->db(), u"SELECT RelationName FROM Sprav_Relation ORDER BY RelationName"_s);
        QVERIFY(rows.exec());
        while (rows.next())
            expected << rows.value(0).toString();
    }
    openTerms();
    QCOMPARE(gridRows(terms()), expected);
    QCOMPARE(expected.first(), u"Агент"_s);
    QCOMPARE(terms()->recordModel()->headerData(0, Qt::Horizontal).toString(),
             u"Родственные отношения"_s);
    QVERIFY(terms()->horizontalHeader()->defaultAlignment() & Qt::AlignHCenter);
    QCOMPARE(m_form->findChild<QToolButton*>(u"Add_BBtn"_s)->toolTip(), u"Добавить"_s);
    QCOMPARE(m_form->findChild<QToolButton*>(u"Edit_BBtn"_s)->toolTip(), u"Изменить"_s);
    QCOMPARE(m_form->findChild<QToolButton*>(u"Delete_BBtn"_s)->toolTip(), u"Удалить"_s);

    clickTitle(terms(), 0);
    QCOMPARE(gridRows(terms()), QStringList(expected.rbegin(), expected.rend()));
}

void TestClassifiers::emptyList()
{
    QVERIFY(m_t->exec(u"DELETE FROM Sprav_Relation"_s));
    openTerms();
    click("Delete_BBtn");
    QVERIFY(m_dialogs->messages.isEmpty());

    // Edit on an empty list adds: a rename of key 0 would change no row and fail.
    whenEditorOpens([](QDialog* editor) {
        auto* box = editor->findChild<QLineEdit*>(u"Relation_E"_s);
        QCOMPARE(box->text(), QString());
        typeText(box, u"Сын"_s);
        editor->findChild<QPushButton*>(u"Save_BBtn"_s)->click();
    });
    click("Edit_BBtn");
    QVERIFY(m_editorSeen);
    QCOMPARE(book().section(u'|', 1), u"Сын"_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{Saved});
    QCOMPARE(gridRows(terms()), QStringList{u"Сын"_s});
}

void TestClassifiers::editRenamesCurrentTerm()
{
    openTerms(4);
    whenEditorOpens([](QDialog* editor) {
        auto* box = editor->findChild<QLineEdit*>(u"Relation_E"_s);
        QCOMPARE(box->text(), u"Сын"_s);
        auto* save = editor->findChild<QPushButton*>(u"Save_BBtn"_s);
        save->click();
        QVERIFY(editor->isVisible());
        typeText(box, u"ок"_s);
        save->click();
    });
    click("Edit_BBtn");
    QVERIFY(m_editorSeen);
    QCOMPARE(
        m_t->scalar(u"SELECT RelationName FROM Sprav_Relation WHERE RelationID = 4"_s).toString(),
        u"Сынок"_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{Present});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{Saved});
    QVERIFY(gridRows(terms()).contains(u"Сынок"_s));
    QCOMPARE(currentTermId(), 4);
}

void TestClassifiers::addKeepsPosition()
{
    openTerms(4);
    const int rows = terms()->recordCount();
    whenEditorOpens([](QDialog* editor) {
        auto* box = editor->findChild<QLineEdit*>(u"Relation_E"_s);
        QCOMPARE(box->text(), QString());
        typeText(box, u"Шурин"_s);
        editor->findChild<QPushButton*>(u"Save_BBtn"_s)->click();
    });
    click("Add_BBtn");
    QVERIFY(m_editorSeen);
    QCOMPARE(
        m_t->scalar(u"SELECT count(*) FROM Sprav_Relation WHERE RelationName = 'Шурин'"_s).toInt(),
        1);
    QCOMPARE(terms()->recordCount(), rows + 1);
    QCOMPARE(currentTermId(), 4);
}

void TestClassifiers::closingEditorDropsText()
{
    openTerms(4);
    const QString before = book();
    whenEditorOpens([](QDialog* editor) {
        typeText(editor->findChild<QLineEdit*>(u"Relation_E"_s), u"ок"_s);
        editor->reject();
    });
    click("Edit_BBtn");
    QVERIFY(m_editorSeen);
    QCOMPARE(book(), before);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestClassifiers::deleteAsks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("gone");

    QTest::newRow("Yes deletes") << true << false << true;
    QTest::newRow("No keeps") << false << false << false;
    QTest::newRow("refused delete is told") << true << true << false;
}

void TestClassifiers::deleteAsks()
{
    QFETCH(bool, yes);
    QFETCH(bool, refused);
    QFETCH(bool, gone);

    if (refused)
        QVERIFY(m_t->exec(refuse(u"DELETE"_s)));
    openTerms(4);
    const int rows = terms()->recordCount();
    // Whatever the answer, the list is read again: a term added meanwhile shows.
    QVERIFY(m_t->exec(u"INSERT INTO Sprav_Relation (RelationName) VALUES ('Шурин')"_s));
    m_dialogs->answers = {yes};
    click("Delete_BBtn");

    QCOMPARE(
        m_dialogs->texts(FakeDialogs::Kind::Question),
        QStringList{u"Вы действительно хотите удалить запись:\r\n\"Сын\"\r\nиз справочника?"_s});
    QCOMPARE(m_dialogs->questionDefaults, QList<Dialogs::Button>{Dialogs::Button::No});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             refused ? QStringList{DeleteFailed} : QStringList());
    QCOMPARE(m_t->scalar(u"SELECT count(*) FROM Sprav_Relation WHERE RelationID = 4"_s).toInt(),
             gone ? 0 : 1);
    QCOMPARE(terms()->recordCount(), rows + 1 - (gone ? 1 : 0));
    QCOMPARE(gridRows(terms()).contains(u"Сын"_s), !gone);
}

void TestClassifiers::editorTyping()
{
    TSpravRelationEdit_Form editor(m_t->db(), 0, QString());
    editor.show();
    auto* box = editor.findChild<QLineEdit*>(u"Relation_E"_s);
    auto* save = editor.findChild<QPushButton*>(u"Save_BBtn"_s);
    QCOMPARE(editor.windowTitle(), u"Редактирование справочника"_s);
    QCOMPARE(save->text(), u" Сохранить"_s);
    QVERIFY(save->isDefault());

    typeText(box, u"Шу1ри n"_s);
    QCOMPARE(box->text(), u"Шури "_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList(2, RussianOnly));
    m_dialogs->clear();

    // The box takes a term too long whole, for Save to name the fault.
    typeText(box, QString(26, u'н'));
    QCOMPARE(box->text().size(), 31);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(editor.isVisible());
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{TooLong});

    // 30 once trimmed.
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Home);
    typeText(box, u" "_s);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(!editor.isVisible());
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{Saved});
    QCOMPARE(m_t->scalar(u"SELECT count(*) FROM Sprav_Relation WHERE RelationName = '%1'"_s.arg(
                             u"Шури "_s + QString(25, u'н')))
                 .toInt(),
             1);
}

QTEST_MAIN(TestClassifiers)
#include "tst_classifiers.moc"
