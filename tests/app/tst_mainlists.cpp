#include "DataGrid.h"
#include "ErrorList.h"
#include "FakeDialogs.h"
#include "LookupComboBox.h"
#include "Main.h"
#include "RecordSetModel.h"
#include "Search.h"
#include "TestDatabase.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Three payers; the first has a charge of service 10 (several catalogue variants), a code
// missing from its classifier, and two persons.
const char16_t* const Fixture[] = {
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, ENumlsID, Numls, Name1, Name2, Name3,
        StreetID_BTI, HouseNum, FlatNum, SummaFull, TypeOwnID, TypeLockID, PplCntReg, SquareTotal,
        ColMesDebts)
        VALUES (1, 1, '2026-12-01', 1234567890, '100-1', 'Петров', 'Пётр', 'Петрович', NULL, '5', '12а',
                15075, 99, 1, 2, 5420, 15),
               (2, 2, '2026-12-01', NULL, '100-2', 'Андреева', 'Анна', NULL, NULL, '5', '9',
                NULL, 1, 0, 1, NULL, NULL),
               (3, 3, '2026-12-01', NULL, '100-3', 'Яковлев', 'Ян', 'Янович', NULL, '7', '1',
                NULL, 1, 0, 1, NULL, NULL))",
    uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, Volume, Tariff, SummaService, TypeNachID)
        VALUES (1, 1, 1, 10, 1000, 7500, 7500, NULL), (1, 2, 2, 1, 54200, 1390, 7575, NULL),
               (2, 3, 3, 1, 30000, 1390, 4170, NULL))",
    uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople, Name1, Name2, BirthDate,
        Relation, TypeRegID)
        VALUES (1, 1, 1, 1, 'Петров', 'Пётр', '1970-03-09', 'Сам', 1),
               (1, 2, 2, 2, 'Петрова', 'Мария', '1972-11-30', 'Свояченица-2', 1),
               (2, 3, 3, 1, 'Андреева', 'Анна', NULL, NULL, 1))",
};

} // namespace

class TestMainLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void payerListColumns();
    void detailsFollowPayer();
    void chargeWithVariantsListedOnce();
    void sortByTitleClicks();
    void detailSortSurvivesPayerChange();
    void deletePayer();
    void deleteChargeResumsPayer();
    void deleteLastPersonCountsOne();
    void deleteAnsweredNoKeepsRow();
    void editPersonOffersMissingRelation();
    void newChargeWithoutPayersDoesNothing();
    void commandsOpenTheirEditors();
    void loadDemoStatement();
    void loadCancelledKeepsStatement_data();
    void loadCancelledKeepsStatement();
    void errorRowsOpenTheirRecords();
    void totalsWindowFollowsPayer();
    void menu();
    void searchWindowFindsInTheList();
    void newFileWithEmptyListAsksNothing();
    void newFileAnsweredNoKeepsStatement();
    void saveWithoutOrganisation();

private:
    /// Closes the next modal window when it opens, noting its class; the editors are
    /// modal, so a command that opens one would otherwise wait for the operator.
    void closeNextModal(QStringList* opened);
    /// Runs " Загрузить ..." answered Yes, with `work` done in the import window once it
    /// is open (the command lets window messages run before its window opens); the
    /// window is closed afterwards. False when the window never opened.
    bool runImport(const std::function<void(QWidget*)>& work);
    /// Names the three files in the import window: the demo statement's, or `persons`
    /// in place of its file III.
    static void nameFiles(QWidget* window, const QString& persons = {});
    RecordSetModel* model(const char* grid) const;
    DataGrid* grid(const char* name) const;
    QToolButton* button(const char* name) const;
    QStringList column(const char* grid, int column) const;
    bool moveToPayer(int t1Id) const { return grid("T1_DBG")->locate({t1Id}); }
    int count(const QString& sql) { return m_t->scalar(sql).toInt(); }

    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<TMain_Form> m_form;
};

void TestMainLists::init()
{
    m_dialogs = std::make_unique<FakeDialogs>();
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_form = std::make_unique<TMain_Form>(
        TMain_Form::Options{.greetingTickMs = 1, .workingDirectory = m_t->directory()});
    QSignalSpy started(m_form.get(), &TMain_Form::startUpFinished);
    m_form->show();
    QVERIFY(started.wait(10000));
    QVERIFY(m_form->isStartedUp());
    // Start-up empties the statement; the fixture is the statement of this run.
    for (const char16_t* sql : Fixture)
        QVERIFY(m_t->exec(QString::fromUtf16(sql)));
    m_form->ReloadLists();
    m_form->RememberListPositions();
}

void TestMainLists::cleanup()
{
    if (m_form)
        m_dialogs->answers = {true};
    m_form.reset();
    m_t.reset();
    m_dialogs.reset();
}

void TestMainLists::closeNextModal(QStringList* opened)
{
    // Polls: a command may let window messages run before its window opens.
    auto* poll = new QTimer(this);
    poll->setInterval(5);
    connect(poll, &QTimer::timeout, this, [poll, opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            *opened << QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    poll->start();
}

DataGrid* TestMainLists::grid(const char* name) const
{
    return m_form->findChild<DataGrid*>(QString::fromLatin1(name));
}

RecordSetModel* TestMainLists::model(const char* name) const
{
    return grid(name)->recordModel();
}

QToolButton* TestMainLists::button(const char* name) const
{
    return m_form->findChild<QToolButton*>(QString::fromLatin1(name));
}

QStringList TestMainLists::column(const char* name, int c) const
{
    QStringList texts;
    RecordSetModel* m = model(name);
    for (int r = 0; r < m->rowCount(); ++r)
        texts << m->index(r, c).data().toString();
    return texts;
}

void TestMainLists::payerListColumns()
{
    RecordSetModel* payers = model("T1_DBG");
    QCOMPARE(payers->columnCount(), 27);
    QCOMPARE(payers->headerData(0, Qt::Horizontal).toString(), u"№"_s);
    QCOMPARE(payers->headerData(26, Qt::Horizontal).toString(),
             u"Код организации - владельца жилого фонда"_s);
    QCOMPARE(m_form->findChild<QLabel*>(u"ColT1_Label"_s)->text(), u"3"_s);
    const int row = payers->rowOfKey({1});
    auto text = [&](int c) { return payers->index(row, c).data().toString(); };
    QCOMPARE(text(1), u"Декабрь 2026 г."_s);
    QCOMPARE(text(2), u"1234567890"_s);
    QCOMPARE(text(12), u"150,75"_s);
    // TypeOwnID 99 is not in its book: the payer is listed, the name is empty.
    QCOMPARE(text(16), QString());
    QCOMPARE(text(19), u"54,20"_s);
    QCOMPARE(text(21), u"Домофон"_s);
    QCOMPARE(text(23), u"1,5"_s);
    QCOMPARE(payers->recordSet().value(row, u"FullName"_s).toString(), u"Петров Пётр Петрович"_s);
    // A missing part of the name makes the whole name missing, as the lists expect.
    QVERIFY(payers->recordSet().value(payers->rowOfKey({2}), u"FullName"_s).isNull());
}

void TestMainLists::detailsFollowPayer()
{
    QVERIFY(moveToPayer(1));
    QCOMPARE(model("T2_DBG")->rowCount(), 2);
    QCOMPARE(model("T3_DBG")->rowCount(), 2);
    QCOMPARE(m_form->findChild<QLabel*>(u"ColT3_Label"_s)->text(), u"2"_s);
    QCOMPARE(column("T3_DBG", 6), (QStringList{u"09.03.1970"_s, u"30.11.1972"_s}));
    QVERIFY(moveToPayer(3));
    QCOMPARE(model("T2_DBG")->rowCount(), 0);
    QCOMPARE(model("T3_DBG")->rowCount(), 0);
    QCOMPARE(m_form->findChild<QLabel*>(u"ColT2_Label"_s)->text(), u"0"_s);
    // The operator moving in the grid moves the details too.
    grid("T1_DBG")->setCurrentIndex(model("T1_DBG")->index(model("T1_DBG")->rowOfKey({2}), 0));
    QCOMPARE(model("T2_DBG")->rowCount(), 1);
}

void TestMainLists::chargeWithVariantsListedOnce()
{
    QVERIFY(count(u"SELECT count(*) FROM Sprav_Services WHERE ServiceID = 10"_s) >= 3);
    QVERIFY(moveToPayer(1));
    QCOMPARE(column("T2_DBG", 1), (QStringList{u"10"_s, u"1"_s}));
    QVERIFY(!column("T2_DBG", 2).first().isEmpty());
    QCOMPARE(column("T2_DBG", 3), (QStringList{u"1,000"_s, u"54,200"_s}));
    QCOMPARE(column("T2_DBG", 5), (QStringList{u"75,00"_s, u"75,75"_s}));
}

void TestMainLists::sortByTitleClicks()
{
    QHeaderView* header = grid("T1_DBG")->horizontalHeader();
    RecordSetModel* payers = model("T1_DBG");
    QCOMPARE(payers->recordSet().sort(), u"NumT1 ASC"_s);
    Q_EMIT header->sectionClicked(4); // Фамилия
    QCOMPARE(payers->recordSet().sort(), u"Name1 DESC"_s);
    QCOMPARE(column("T1_DBG", 4), (QStringList{u"Яковлев"_s, u"Петров"_s, u"Андреева"_s}));
    Q_EMIT header->sectionClicked(4);
    QCOMPARE(payers->recordSet().sort(), u"Name1 ASC"_s);
    // From an ascending list another column starts descending; from a descending one,
    // ascending.
    Q_EMIT header->sectionClicked(3);
    QCOMPARE(payers->recordSet().sort(), u"Numls DESC"_s);
    Q_EMIT header->sectionClicked(0);
    QCOMPARE(payers->recordSet().sort(), u"NumT1 ASC"_s);
    // The sort stays through a reload.
    Q_EMIT header->sectionClicked(4);
    m_form->ReloadLists();
    QCOMPARE(payers->recordSet().sort(), u"Name1 DESC"_s);
}

void TestMainLists::detailSortSurvivesPayerChange()
{
    QVERIFY(moveToPayer(1));
    Q_EMIT grid("T2_DBG")->horizontalHeader()->sectionClicked(1);
    QCOMPARE(column("T2_DBG", 1), (QStringList{u"10"_s, u"1"_s}));
    QVERIFY(moveToPayer(2));
    QVERIFY(moveToPayer(1));
    QCOMPARE(model("T2_DBG")->recordSet().sort(), u"ServiceID DESC"_s);
    QCOMPARE(column("T2_DBG", 1), (QStringList{u"10"_s, u"1"_s}));
}

void TestMainLists::deletePayer()
{
    QVERIFY(moveToPayer(1));
    m_dialogs->answers = {true};
    button("DeleteT1_BBtn")->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question).size(), 1);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 2);
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2 WHERE T1_ID = 1"_s), 0);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3 WHERE T1_ID = 1"_s), 0);
    QCOMPARE(model("T1_DBG")->rowCount(), 2);
    QCOMPARE(m_form->findChild<QLabel*>(u"ColT1_Label"_s)->text(), u"2"_s);
    // The details show the payer the list now stands on.
    const RecordSet& payers = model("T1_DBG")->recordSet();
    const int current = payers.value(payers.currentRow(), u"T1_ID"_s).toInt();
    QCOMPARE(model("T2_DBG")->rowCount(),
             count(u"SELECT count(*) FROM SvedNach_T2 WHERE T1_ID = %1"_s.arg(current)));

    // A refused delete says so and keeps everything.
    QVERIFY(m_t->exec(u"CREATE TRIGGER refuse BEFORE DELETE ON SvedPotrebRelations_T3 BEGIN SELECT RAISE(ABORT, 'x'); END"_s));
    QVERIFY(moveToPayer(2));
    m_dialogs->answers = {true};
    button("DeleteT1_BBtn")->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{u"Ошибка удаления записи."_s});
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 2);
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2 WHERE T1_ID = 2"_s), 1);
}

void TestMainLists::deleteChargeResumsPayer()
{
    QVERIFY(moveToPayer(1));
    QVERIFY(grid("T2_DBG")->locate({1, 2}));
    m_dialogs->answers = {true};
    button("DeleteT2_BBtn")->click();
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2 WHERE T1_ID = 1"_s), 1);
    QCOMPARE(count(u"SELECT SummaFull FROM SvedPotreb_T1 WHERE T1_ID = 1"_s), 7500);
    QCOMPARE(model("T2_DBG")->rowCount(), 1);
    const int row = model("T1_DBG")->rowOfKey({1});
    QCOMPARE(model("T1_DBG")->index(row, 12).data().toString(), u"75,00"_s);
    QCOMPARE(model("T1_DBG")->recordSet().currentRow(), row);
}

void TestMainLists::deleteLastPersonCountsOne()
{
    QVERIFY(moveToPayer(2));
    m_dialogs->answers = {true};
    button("DeleteT3_BBtn")->click();
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3 WHERE T1_ID = 2"_s), 0);
    QCOMPARE(count(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 2"_s), 1);
    QCOMPARE(m_form->findChild<QLabel*>(u"ColT3_Label"_s)->text(), u"0"_s);
}

void TestMainLists::deleteAnsweredNoKeepsRow()
{
    QVERIFY(moveToPayer(1));
    m_dialogs->answers = {false, false, false};
    button("DeleteT1_BBtn")->click();
    button("DeleteT2_BBtn")->click();
    button("DeleteT3_BBtn")->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question).size(), 3);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 3);
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2"_s), 3);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3"_s), 3);
}

void TestMainLists::editPersonOffersMissingRelation()
{
    QVERIFY(moveToPayer(1));
    QStringList opened;
    QVERIFY(grid("T3_DBG")->locate({1, 2}));
    m_dialogs->answers = {false};
    closeNextModal(&opened);
    button("EditT3_BBtn")->click();
    // Answering No still opens the editor.
    QCOMPARE(opened, QStringList{u"TT3_Form"_s});
    const QStringList asked = m_dialogs->texts(FakeDialogs::Kind::Question);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first(), u"В справочнике \"Степень родства по отношению к плательщику\"\r\n"
                            "отсутствует запись: \"Свояченица-2\".\r\n\r\n"
                            "Вы хотите добавить эту запись в справочник?"_s);
    QCOMPARE(m_dialogs->questionDefaults, QList<Dialogs::Button>{Dialogs::Button::No});
    QCOMPARE(count(u"SELECT count(*) FROM Sprav_Relation WHERE RelationName = 'Свояченица-2'"_s), 0);

    QVERIFY(grid("T3_DBG")->locate({1, 2}));
    m_dialogs->answers = {true};
    closeNextModal(&opened);
    button("EditT3_BBtn")->click();
    QCOMPARE(count(u"SELECT count(*) FROM Sprav_Relation WHERE RelationName = 'Свояченица-2'"_s), 1);
    // A term the book has, and an empty one, ask nothing.
    m_dialogs->clear();
    QVERIFY(grid("T3_DBG")->locate({1, 1}));
    closeNextModal(&opened);
    button("EditT3_BBtn")->click();
    QVERIFY(moveToPayer(2));
    closeNextModal(&opened);
    button("EditT3_BBtn")->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList());
}

void TestMainLists::newChargeWithoutPayersDoesNothing()
{
    QVERIFY(m_t->exec(u"DELETE FROM SvedPotreb_T1"_s));
    m_form->ReloadLists();
    button("NewT2_BBtn")->click();
    button("NewT3_BBtn")->click();
    button("DeleteT1_BBtn")->click();
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestMainLists::totalsWindowFollowsPayer()
{
    auto* totals = m_form->findChild<QWidget*>(u"T1_TotalSumContext_Form"_s);
    QVERIFY(totals);
    QVERIFY(!totals->isVisible());
    QVERIFY(moveToPayer(1));
    button("TotalSumContext_BBtn")->click();
    QVERIFY(totals->isVisible());
    auto text = [&](const char* label) {
        return totals->findChild<QLabel*>(QString::fromLatin1(label))->text();
    };
    // The fixture's payer total (150,75) and its charges (75,00 + 75,75) agree.
    QCOMPARE(text("PayerSum1_Label"), u"150,75"_s);
    QCOMPARE(text("ChargeSum1_Label"), u"150,75"_s);
    QCOMPARE(text("CntReg_Label"), u"2"_s);
    // Deleting a charge re-sums the payer: both groups agree again.
    QVERIFY(grid("T2_DBG")->locate({1, 2}));
    m_dialogs->answers = {true};
    button("DeleteT2_BBtn")->click();
    QCOMPARE(text("PayerSum1_Label"), u"75,00"_s);
    QCOMPARE(text("ChargeSum1_Label"), u"75,00"_s);
    // Moving to another payer moves the window too.
    QVERIFY(moveToPayer(3));
    QCOMPARE(text("FullName_Label"), u"Яковлев Ян Янович"_s);
    QCOMPARE(text("Code_Label"), u"0000000000 / 100-3"_s);
}

void TestMainLists::commandsOpenTheirEditors()
{
    QStringList opened;
    QVERIFY(moveToPayer(3)); // no charges, no persons
    const struct
    {
        const char* grid;
        const char* editor;
    } lists[] = {{"T1_DBG", "TT1_Form"}, {"T2_DBG", "TT2_Form"}, {"T3_DBG", "TT3_Form"}};
    // A double click edits the current row, or on an empty list starts a new record.
    for (const auto& list : lists) {
        closeNextModal(&opened);
        Q_EMIT grid(list.grid)->doubleClickedAnywhere();
        QCOMPARE(opened.takeLast(), QString::fromLatin1(list.editor));
    }
    QVERIFY(m_dialogs->messages.isEmpty());
    // The reload after the editor keeps the payer the operator stood on.
    const RecordSet& payers = model("T1_DBG")->recordSet();
    QCOMPARE(payers.value(payers.currentRow(), u"T1_ID"_s).toInt(), 3);
}

bool TestMainLists::runImport(const std::function<void(QWidget*)>& work)
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || window->objectName() != u"OpenFile_Form"_s)
            return;
        poll.stop();
        seen = true;
        work(window);
        window->close();
    });
    poll.start();
    m_dialogs->answers = {true};
    m_form->findChild<QAction*>(u"Open_File"_s)->trigger();
    return seen;
}

void TestMainLists::nameFiles(QWidget* window, const QString& persons)
{
    const QDir samples(QStringLiteral(ORBELON_SAMPLES_DIR));
    const char* boxes[] = {"SvedPotreb_FE", "SvedNach_FE", "SvedPotrebRelations_FE"};
    const QString files[] = {u"P1_117_122026.TXT"_s, u"P2_117_122026.TXT"_s,
                             persons.isEmpty() ? u"P3_117_122026.TXT"_s : persons};
    for (int i = 0; i < 3; ++i)
        window->findChild<QLineEdit*>(QString::fromLatin1(boxes[i]))
            ->setText(samples.filePath(files[i]));
}

void TestMainLists::loadDemoStatement()
{
    // The operator's road: " Загрузить ...", answer Yes, name the three demo files, load.
    QString notice;
    QVERIFY(runImport([&](QWidget* window) {
        nameFiles(window);
        window->findChild<QAbstractButton*>(u"OpenFile_BBtn"_s)->click();
        notice = m_dialogs->texts(FakeDialogs::Kind::Notice).value(0);
    }));
    QCOMPARE(notice, u"Обработка файлов завершена."_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
    QCOMPARE(model("T1_DBG")->rowCount(), 50);
    QCOMPARE(m_form->findChild<QLabel*>(u"ColT1_Label"_s)->text(), u"50"_s);
    QVERIFY(model("T2_DBG")->rowCount() > 0);
    QCOMPARE(m_form->findChild<LookupComboBox*>(u"Dez_RxDBLC"_s)->keyValue().toInt(), 117);
    QVERIFY(m_form->state().fileNameT1.endsWith(u"P1_117_122026.TXT"_s));
}

void TestMainLists::loadCancelledKeepsStatement_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("file dialog cancelled") << u"cancel"_s;
    QTest::newRow("import window closed") << u"close"_s;
    QTest::newRow("a file missing") << u"missing"_s;
}

void TestMainLists::loadCancelledKeepsStatement()
{
    // The statement is emptied only by an import that really starts: whatever stops the
    // operator before that leaves the month as it was.
    QFETCH(QString, step);
    m_form->state().fileNameT1 = u"/tmp/P1_117_122026.TXT"_s;
    QVERIFY(runImport([&](QWidget* window) {
        if (step == u"cancel") {
            m_dialogs->fileNames = {QString()};
            window->findChild<QAbstractButton*>(u"SvedPotreb_Btn"_s)->click();
        } else if (step == u"missing") {
            nameFiles(window, u"P3_нет_такого.TXT"_s);
            window->findChild<QAbstractButton*>(u"OpenFile_BBtn"_s)->click();
        }
    }));
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error).size(), step == u"missing" ? 1 : 0);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 3);
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2"_s), 3);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3"_s), 3);
    QCOMPARE(model("T1_DBG")->rowCount(), 3);
    QCOMPARE(m_form->state().fileNameT1, u"/tmp/P1_117_122026.TXT"_s);
}

void TestMainLists::errorRowsOpenTheirRecords()
{
    // The demo statement (734 records) with one bad field in a line of each file: the
    // lines load, their fields empty, and each error row leads to its record.
    const QDir samples(QStringLiteral(ORBELON_SAMPLES_DIR));
    const struct
    {
        const char* name;
        int line;
        int field;
        QByteArray value;
    } faults[] = {{"P1_117_122026.TXT", 7, 20, "x"},
                  {"P2_117_122026.TXT", 30, 7, "abc"},
                  {"P3_117_122026.TXT", 12, 13, "x"}};
    QStringList paths;
    for (const auto& fault : faults) {
        QFile in(samples.filePath(QString::fromLatin1(fault.name)));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = in.readAll().split('\n');
        QList<QByteArray> fields = lines[fault.line - 1].split('\t');
        fields[fault.field] = fault.value;
        lines[fault.line - 1] = fields.join('\t');
        paths << QDir(m_t->directory()).filePath(QString::fromLatin1(fault.name));
        QFile out(paths.last());
        QVERIFY(out.open(QIODevice::WriteOnly));
        QVERIFY(out.write(lines.join('\n')) > 0);
    }

    // Closes whatever modal window opens over the import window, noting its class and the
    // number of the record current in the list of that file at that moment.
    QStringList opened;
    QTimer poll;
    poll.setInterval(5);
    const auto doubleClick = [](QAbstractItemView* view, const QModelIndex& index) {
        // The view takes a double click only on the row the button went down on.
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    };
    const char* lists[] = {"T1_DBG", "T2_DBG", "T3_DBG"};
    const char* numbers[] = {"NumT1", "NumT2", "NumT3"};
    int listOfNext = 0;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() == u"OpenFile_Form"_s)
            return;
        const RecordSet& rs = model(lists[listOfNext])->recordSet();
        opened
            << QString::fromLatin1(modal->metaObject()->className()) + u' ' +
                   rs.value(rs.currentRow(), QString::fromLatin1(numbers[listOfNext])).toString();
        modal->close();
    });

    QVERIFY(runImport([&](QWidget* window) {
        const char* boxes[] = {"SvedPotreb_FE", "SvedNach_FE", "SvedPotrebRelations_FE"};
        for (int i = 0; i < 3; ++i)
            window->findChild<QLineEdit*>(QString::fromLatin1(boxes[i]))->setText(paths[i]);
        window->findChild<QAbstractButton*>(u"OpenFile_BBtn"_s)->click();
        QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice).size(), 1);
        // The main window shows the new statement while the list is still open.
        QCOMPARE(model("T1_DBG")->rowCount(), 50);

        auto* errors = window->findChild<ErrorList*>(u"Error_SG"_s);
        QCOMPARE(errors->filledRows(), 3);
        // Sorted by file, last first: the rows must still lead to their own records.
        errors->sortByColumn(0, Qt::DescendingOrder);
        const auto rowOf = [errors](int file) {
            for (int r = 0; r < errors->model()->rowCount(); ++r) {
                if (errors->model()->index(r, 0).data().toString() == QString::number(file))
                    return errors->model()->index(r, 1);
            }
            return QModelIndex();
        };
        QCOMPARE(rowOf(3).row(), 0);
        QCOMPARE(errors->model()->index(3, 0).data().toString(), QString()); // empty row last
        poll.start();
        for (int file : {3, 1, 2}) {
            listOfNext = file - 1;
            const QModelIndex index = rowOf(file);
            QVERIFY(index.isValid());
            doubleClick(errors, index);
        }
        QCOMPARE(opened, (QStringList{u"TT3_Form 12"_s, u"TT1_Form 7"_s, u"TT2_Form 30"_s}));
        QCOMPARE(QApplication::activeModalWidget(), window);
        QCOMPARE(errors->filledRows(), 3);

        // Enter does the same, and does not press the window's button to load again.
        listOfNext = 1;
        errors->setCurrentIndex(rowOf(2));
        QTest::keyClick(errors, Qt::Key_Return);
        QCOMPARE(opened.size(), 4);
        QCOMPARE(opened.last(), u"TT2_Form 30"_s);
        QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice).size(), 1);

        // A record deleted since the list was made opens nothing; the empty row neither.
        QVERIFY(m_t->exec(u"DELETE FROM SvedPotrebRelations_T3 WHERE NumT3 = 12"_s));
        listOfNext = 2;
        doubleClick(errors, rowOf(3));
        doubleClick(errors, errors->model()->index(3, 2));
        QTest::qWait(50);
        QCOMPARE(opened.size(), 4);
        QCOMPARE(QApplication::activeModalWidget(), window);
        poll.stop();
    }));
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
}

void TestMainLists::menu()
{
    QStringList items;
    for (QAction* top : m_form->menuBar()->actions()) {
        items << top->text();
        for (QAction* a : top->menu()->actions())
            items << (a->isSeparator() ? u"-"_s : u"  "_s + a->text());
    }
    const QStringList expected = {
        u"Файл"_s, u"   Новый ..."_s, u"   Загрузить ..."_s, u"   Сохранить ..."_s, u"-"_s,
        u"   Закончить работу"_s,
        u"Редактирование"_s, u"   Поиск ..."_s, u"-"_s,
        u"     Замена / Добавление / Удаление ..."_s, u"     Пересчет ..."_s,
        u"Справочные данные"_s, u"   Справочник муниципальных округов"_s,
        u"   Справочник улиц"_s, u"   Справочник соответствия адреса - данным в кодировке БТИ"_s,
        u"-"_s, u"   Справочник организаций"_s, u"-"_s, u"   Справочник форм собственности"_s,
        u"   Справочник типов заселения"_s,
        u"   Справочник степени родства по отношению к плательщику"_s, u"-"_s,
        u"   Справочник услуг"_s, u"   Ставки/Тарифы  на услуги"_s,
        u"Отчеты "_s, u"   Печать списка лиц, представленных в файле ..."_s,
        u"   Печать извещений ..."_s, u"-"_s, u"     Сводные данные ..."_s,
        u"Данные пользователя"_s, u"   Сохранение данных пользователя"_s,
        u"   Восстановление данных пользователя"_s,
        u"Помощь"_s, u"  О программе ..."_s,
    };
    QCOMPARE(items, expected);
}

void TestMainLists::searchWindowFindsInTheList()
{
    auto* payers = m_form->findChild<DataGrid*>(u"T1_DBG"_s);
    // The list as the operator sorted it: by surname, descending.
    QVERIFY(payers->recordModel()->setSort(u"Name1 DESC"_s));
    auto* search = m_form->findChild<QAction*>(u"Search"_s);
    QVERIFY(search->isEnabled());
    search->trigger();
    QList<TSearch_Form*> windows = m_form->findChildren<TSearch_Form*>();
    QCOMPARE(windows.size(), 1);
    QVERIFY(windows.first()->isVisible());
    // The main window goes on working beside it.
    QVERIFY(!QApplication::activeModalWidget());
    windows.first()->findChild<QLineEdit*>(u"Name1_E"_s)->setText(u"а"_s);
    windows.first()->findChild<QPushButton*>(u"SearchFIOFirst_BBtn"_s)->click();
    QCOMPARE(payers->recordModel()->recordSet().value(payers->currentIndex().row(), u"Name1").toString(),
             u"Андреева"_s);
    // A second command brings the same window forward.
    search->trigger();
    QCOMPARE(m_form->findChildren<TSearch_Form*>(), windows);
    windows.first()->close();
    QTRY_VERIFY(m_form->findChildren<TSearch_Form*>().isEmpty());
    QCOMPARE(m_form->state().searchName1, u"а"_s);
}

void TestMainLists::newFileWithEmptyListAsksNothing()
{
    m_form->state().lastDezVladId = 117;
    m_form->state().lastMo = 3;
    m_form->state().lastStreetIdBti = 5001;
    m_form->state().fileNameT1 = u"/tmp/P1_117_122026.TXT"_s;
    QVERIFY(m_t->exec(u"DELETE FROM SvedPotreb_T1"_s));
    m_form->ReloadLists();
    m_form->findChild<QAction*>(u"New_File"_s)->trigger();
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_form->state().lastDezVladId, -1);
    QCOMPARE(m_form->state().lastMo, -1);
    QCOMPARE(m_form->state().lastStreetIdBti, -1);
    QVERIFY(m_form->state().fileNameT1.isEmpty());
    // The charges of the deleted payers went with the new statement.
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2"_s), 0);
}

void TestMainLists::newFileAnsweredNoKeepsStatement()
{
    m_form->state().fileNameT2 = u"/tmp/P2_117_122026.TXT"_s;
    m_dialogs->answers = {false, false};
    m_form->findChild<QAction*>(u"New_File"_s)->trigger();
    m_form->findChild<QAction*>(u"Open_File"_s)->trigger();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question),
             (QStringList{u"Вся несохраненная информация будет утеряна.\r\n\r\nНачать создание нового файла?"_s,
                          u"Вся несохраненная информация будет утеряна.\r\n\r\nНачать редактирование нового файла?"_s}));
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 3);
    QCOMPARE(m_form->state().fileNameT2, u"/tmp/P2_117_122026.TXT"_s);
    m_dialogs->answers = {true};
    m_form->findChild<QAction*>(u"New_File"_s)->trigger();
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 0);
    QCOMPARE(model("T1_DBG")->rowCount(), 0);
    QCOMPARE(m_form->findChild<QLabel*>(u"ColT1_Label"_s)->text(), u"0"_s);
}

void TestMainLists::saveWithoutOrganisation()
{
    QVERIFY(m_form->findChild<LookupComboBox*>(u"Dez_RxDBLC"_s)->keyValue().isNull());
    m_form->findChild<QAction*>(u"Save_File"_s)->trigger();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{u"Не указана организация."_s});
    m_dialogs->clear();
    auto* dez = m_form->findChild<LookupComboBox*>(u"Dez_RxDBLC"_s);
    dez->setCurrentIndex(0);
    QStringList opened;
    closeNextModal(&opened);
    m_form->findChild<QAction*>(u"Save_File"_s)->trigger();
    QCOMPARE(opened, QStringList{u"TSaveFile_Form"_s});
    QVERIFY(m_dialogs->texts(FakeDialogs::Kind::Error).isEmpty());
}

QTEST_MAIN(TestMainLists)
#include "tst_mainlists.moc"
