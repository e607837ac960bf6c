#include "FakeDialogs.h"
#include "LookupComboBox.h"
#include "Main.h"
#include "ModalWindow.h"
#include "TestDatabase.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingDatabaseEndsWithoutQuestion();
    void unusableDatabaseGivesConnectionMessage();
    void damagedDatabaseIsToldAsDamaged();
    void startUpEmptiesStatementAndSetsPeriod();
    void periodFollowsMonthAndYear();
    void periodBoxesIgnoreKeys();
    void organisationChoiceGoesToAllPayers();
    void organisationBookRefreshesTheBox();
    void exitAnsweredNoKeepsWindowAndData();
    void exitAnsweredYesEmptiesStatement();
    void aboutWindow();

private:
    static bool startUp(TMain_Form& form);
    static TMain_Form::Options optionsFor(const QString& directory)
    {
        return {.greetingTickMs = 1, .workingDirectory = directory};
    }
};

bool TestMainWindow::startUp(TMain_Form& form)
{
    QSignalSpy finished(&form, &TMain_Form::startUpFinished);
    form.show();
    return finished.wait(10000) || finished.count() > 0;
}

void TestMainWindow::missingDatabaseEndsWithoutQuestion()
{
    FakeDialogs dialogs;
    QTemporaryDir dir;
    TMain_Form form(optionsFor(dir.path()));
    QVERIFY(startUp(form));
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Error),
             QStringList{u"Не найдены рабочие файлы программы."_s});
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Question), QStringList());
    QVERIFY(!form.isVisible());
    QVERIFY(!form.isStartedUp());
    // Nothing is created where the database was looked for.
    QVERIFY(!QFile::exists(dir.filePath(u"Base/Dude.b"_s)));
}

void TestMainWindow::unusableDatabaseGivesConnectionMessage()
{
    FakeDialogs dialogs;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"Base"_s));
    QFile file(dir.filePath(u"Base/Dude.b"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Standard Jet DB\0not ours", 24);
    file.close();
    TMain_Form form(optionsFor(dir.path()));
    QVERIFY(startUp(form));
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Error),
             QStringList{u"Невозможно открыть рабочие файлы программы."_s});
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Question), QStringList());
    QVERIFY(!form.isVisible());
}

void TestMainWindow::damagedDatabaseIsToldAsDamaged()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    t.db().close();
    // The database's last bytes are lost, as from a copy that broke off.
    QFile file(t.filePath());
    QVERIFY(file.resize(file.size() - 1000));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    const QStringList errors = dialogs.texts(FakeDialogs::Kind::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(u"Невозможно открыть рабочие файлы программы.\r\n"
                                       "Файл базы данных поврежден:\r\n"_s),
             qPrintable(errors.first()));
    QVERIFY(!form.isVisible());
    QVERIFY(!form.isStartedUp());
}

void TestMainWindow::startUpEmptiesStatementAndSetsPeriod()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    // Left over from an earlier run that did not end normally.
    QVERIFY(t.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID) VALUES (1, 1, 117)"_s));
    QVERIFY(t.exec(u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID) VALUES (1, 1)"_s));

    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    QVERIFY(form.isStartedUp());
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(form.windowTitle(), u"Начисления за жилищно-коммунальные и прочие услуги"_s);
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedPotreb_T1"_s).toInt(), 0);
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedNach_T2"_s).toInt(), 0);

    auto* dez = form.findChild<LookupComboBox*>(u"Dez_RxDBLC"_s);
    QVERIFY(dez);
    QVERIFY(dez->count() >= 1);
    // No payers, so the box starts on code 0, which names no organisation.
    QVERIFY(dez->keyValue().isNull());

    const QDate today = QDate::currentDate();
    QCOMPARE(form.accountingPeriod(), QDate(today.year(), today.month(), 1));
    QCOMPARE(form.findChild<QComboBox*>(u"Mes_CB"_s)->currentIndex(), today.month() - 1);
    QCOMPARE(form.findChild<QSpinBox*>(u"Year_RxSE"_s)->value(), today.year());
    for (const auto* name : {"T1_DBG", "T2_DBG", "T3_DBG", "ColT1_Label"})
        QVERIFY2(form.findChild<QWidget*>(QString::fromLatin1(name)), name);
    dialogs.answers = {true};
}

void TestMainWindow::periodFollowsMonthAndYear()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    auto* month = form.findChild<QComboBox*>(u"Mes_CB"_s);
    auto* year = form.findChild<QSpinBox*>(u"Year_RxSE"_s);
    QCOMPARE(month->count(), 12);
    QCOMPARE(month->itemText(11), u"Декабрь"_s);
    month->setCurrentIndex(11);
    year->setValue(2030);
    QCOMPARE(form.accountingPeriod(), QDate(2030, 12, 1));
    year->setValue(2200);
    QCOMPARE(form.accountingPeriod(), QDate(2100, 12, 1));
    year->setValue(1900);
    QCOMPARE(form.accountingPeriod(), QDate(1999, 12, 1));
    month->setCurrentIndex(0);
    QCOMPARE(form.accountingPeriod(), QDate(1999, 1, 1));
    dialogs.answers = {true};
}

void TestMainWindow::periodBoxesIgnoreKeys()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    auto* month = form.findChild<QComboBox*>(u"Mes_CB"_s);
    auto* year = form.findChild<QSpinBox*>(u"Year_RxSE"_s);
    const QDate before = form.accountingPeriod();
    QTest::keyClick(month, Qt::Key_Down);
    QTest::keyClick(month, Qt::Key_End);
    QTest::keyClick(year, Qt::Key_Up);
    QTest::keyClick(year, Qt::Key_PageDown);
    QTest::keyClicks(year, u"1"_s);
    QCOMPARE(form.accountingPeriod(), before);
    QCOMPARE(year->value(), before.year());
    dialogs.answers = {true};
}

void TestMainWindow::organisationChoiceGoesToAllPayers()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    auto* dez = form.findChild<LookupComboBox*>(u"Dez_RxDBLC"_s);
    QVERIFY(dez->count() >= 2);

    // Closing the list with no organisation chosen leaves imported codes alone.
    QVERIFY(t.exec(
        u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID) VALUES (1, 1, 42), (2, 2, NULL)"_s));
    dez->showPopup();
    dez->hidePopup();
    QCoreApplication::processEvents();
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedPotreb_T1 WHERE DezID = 42"_s).toInt(), 1);

    // Picked with the mouse, as the operator does: the list hides before the box takes
    // the clicked item, and the payers must get the clicked organisation, not the one
    // that was current before the click.
    const auto pick = [&](int row) {
        dez->showPopup();
        QAbstractItemView* list = dez->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        // The list ignores a release that follows its opening too closely (a double click).
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseMove(list->viewport(), at);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(!list->isVisible());
        QCoreApplication::processEvents();
    };
    for (int row : {0, 1}) {
        pick(row);
        const QVariant chosen = dez->itemData(row);
        QCOMPARE(dez->keyValue(), chosen);
        QCOMPARE(t.scalar(u"SELECT group_concat(DezID) FROM SvedPotreb_T1"_s).toString(),
                 u"%1,%1"_s.arg(chosen.toInt()));
        QCOMPARE(form.state().dezId, chosen);
    }
    // A payer added afterwards keeps what it was given until the next choice.
    QVERIFY(t.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (3, 3)"_s));
    QCOMPARE(t.scalar(u"SELECT DezID IS NULL FROM SvedPotreb_T1 WHERE T1_ID = 3"_s).toInt(), 1);
    dialogs.answers = {true};
}

void TestMainWindow::organisationBookRefreshesTheBox()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    auto* dez = form.findChild<LookupComboBox*>(u"Dez_RxDBLC"_s);
    dez->setKeyValue(1204);
    const int before = dez->count();
    // An organisation added while the book is open shows in the box when it closes, and
    // the box keeps the organisation it showed.
    whenModal<QDialog>([&](QDialog* book) {
        QVERIFY(t.exec(u"INSERT INTO Sprav_Dez (DezID, DezName) VALUES (555, 'ЖЭУ № 5')"_s));
        book->reject();
    });
    form.findChild<QAction*>(u"Sprav_Dez"_s)->trigger();
    QCOMPARE(dez->count(), before + 1);
    QCOMPARE(dez->keyValue().toInt(), 1204);
    // Every book the menu lists opens.
    for (const char* name :
         {"Sprav_MO", "Sprav_TypeOwn", "Sprav_TypeOccupancy", "Sprav_Relation", "Sprav_Services",
          "Sprav_Tariff", "Sprav_Street", "Sprav_HousesBTI", "Pereschet", "Replace", "PrintKvitok",
          "Acts", "PrintItogLudi", "UserDataSave", "UserDataRestore"}) {
        QString opened;
        whenModal<QDialog>([&](QDialog* book) {
            opened = book->windowTitle();
            book->reject();
        });
        auto* item = form.findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY(item->isEnabled());
        item->trigger();
        QVERIFY2(!opened.isEmpty(), name);
    }
    // The payer list shows street names, so the street book re-reads it when it closes.
    QVERIFY(t.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (1, 1)"_s));
    whenModal<QDialog>([](QDialog* book) { book->reject(); });
    form.findChild<QAction*>(u"Sprav_Street"_s)->trigger();
    QCOMPARE(form.findChild<QLabel*>(u"ColT1_Label"_s)->text(), u"1"_s);
}

void TestMainWindow::exitAnsweredNoKeepsWindowAndData()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    QVERIFY(t.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (1, 1)"_s));

    dialogs.answers = {false};
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Question).size(), 1);
    QVERIFY(dialogs.texts(FakeDialogs::Kind::Question)
                .first()
                .startsWith(
                    u"Вы действительно хотите закончить работу и выйти из программы?\r\n\r\n"_s));
    // The exit question defaults to No, so a stray Enter does not lose the statement.
    QCOMPARE(dialogs.questionDefaults, QList<Dialogs::Button>{Dialogs::Button::No});
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedPotreb_T1"_s).toInt(), 1);
    QVERIFY(form.database().isOpen());
    dialogs.answers = {true};
}

void TestMainWindow::exitAnsweredYesEmptiesStatement()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    QVERIFY(t.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (1, 1)"_s));
    QVERIFY(t.exec(u"INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID) VALUES (1, 1)"_s));

    dialogs.answers = {true};
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
    QVERIFY(!form.database().isOpen());
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedPotreb_T1"_s).toInt(), 0);
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedPotrebRelations_T3"_s).toInt(), 0);
    QCOMPARE(dialogs.unanswered, 0);
}

void TestMainWindow::aboutWindow()
{
    FakeDialogs dialogs;
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    TMain_Form form(optionsFor(t.directory()));
    QVERIFY(startUp(form));
    QString caption;
    QString description;
    QTimer::singleShot(0, this, [&] {
        if (QWidget* about = QApplication::activeModalWidget()) {
            caption = about->windowTitle();
            if (auto* label = about->findChild<QLabel*>(u"Description_Label"_s))
                description = label->text();
            about->close();
        }
    });
    form.findChild<QAction*>(u"About"_s)->trigger();
    QCOMPARE(caption, u"О программе"_s);
    QCOMPARE(
        description,
        u"Программа формирования сведений о платежах, начисленных за жилищно-коммунальные и прочие услуги"_s);
    dialogs.answers = {true};
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
