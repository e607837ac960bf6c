#include "CommonFnc.h"
#include "FakeDialogs.h"
#include "GridRoutines.h"
#include "OpenFile.h"
#include "RunState.h"
#include "TestDatabase.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// Long-layout lines: two payers of two organisations, a charge of a service missing from
// the catalogue (line 2 of file II), one person.
const QStringList Payers = {
    u"15032024\t117\t117\t1\tИванов\tИван\tИванович\t2979652\t5\t \t \t12\t1234567890\t100-1\t032024\t1\t1\t4550\t0\t3000\t0\t1\t12345\t12000\t12345\t12000\t0\t0\t0"_s,
    u"16032024\t1204\t1204\t1\tПетров\tПетр\t \t2979652\t5\t \t \t13\t0\t100-2\t032024\t1\t1\t4550\t0\t3000\t0\t1\t12345\t12000\t12345\t12000\t0\t0\t0"_s,
};
const QStringList Charges = {
    u"15032024\t117\t100-1\t1234567890\t032024\t1\t5\t54200\t1390\t7534\t7000\t7534\t7000\t5"_s,
    u"15032024\t117\t100-1\t1234567890\t032024\t9999\t5\t1000\t100\t100\t100\t100\t100\t5"_s,
};
const QStringList Persons = {
    u"15032024\t117\t1234567890\t100-1\t032024\t1\tИванов\tИван\tИванович\t09031970\tМ\tСам\t1\t4550\t1\t01022000\t0\t1\t "_s,
};

/// Entries of a zip archive, read with the unzip tool.
QByteArray unzipEntry(const QString& archive, const QString& entry)
{
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, archive, entry});
    if (!unzip.waitForFinished(10000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

} // namespace

class TestOpenFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void controls();
    void detailsEnabledOnlyForExistingPayersFile_data();
    void detailsEnabledOnlyForExistingPayersFile();
    void browseFillsName();
    void nameChecks_data();
    void nameChecks();
    void fullRun();
    void exportLeavesOutEmptyRow();
    void closingRefusedDuringRun();
    void manyRowsReachTheWindowInOrder();
    void failedEmptyingKeepsInputsDisabled();

private:
    template <typename T> T* child(const char* name) const
    {
        T* widget = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    QString path(const QString& name) const { return QDir(m_t->directory()).filePath(name); }
    bool writeFiles();
    void setNames(const QString& payers, const QString& charges, const QString& persons);
    QStringList errorRows() const;

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
    RunState m_state;
    std::unique_ptr<TOpenFile_Form> m_form;
    QStringList m_opened;
};

void TestOpenFile::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    CommonFnc::SetFileOpener([this](const QString& path) {
        m_opened << path;
        return true;
    });
}

void TestOpenFile::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
    m_state = RunState();
    m_form = std::make_unique<TOpenFile_Form>(m_t->db(), m_state);
    m_opened.clear();
}

void TestOpenFile::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
    m_t.reset();
}

bool TestOpenFile::writeFiles()
{
    const QList<QPair<QString, QStringList>> files{
        {u"P1.TXT"_s, Payers}, {u"P2.TXT"_s, Charges}, {u"P3.TXT"_s, Persons}};
    for (const auto& [name, lines] : files) {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        for (const QString& line : lines)
            CommonFnc::WriteOemLine(file, line);
    }
    return true;
}

void TestOpenFile::setNames(const QString& payers, const QString& charges, const QString& persons)
{
    child<QLineEdit>("SvedPotreb_FE")->setText(payers);
    child<QLineEdit>("SvedNach_FE")->setText(charges);
    child<QLineEdit>("SvedPotrebRelations_FE")->setText(persons);
}

QStringList TestOpenFile::errorRows() const
{
    const QAbstractItemModel* model = child<QTableView>("Error_SG")->model();
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

void TestOpenFile::controls()
{
    QCOMPARE(m_form->windowTitle(), u"Новые файлы для редактирования"_s);
    QVERIFY(m_form->isModal());
    const QList<QPair<const char*, QString>> captions{
        {"Label4", u"Открыть новые файлы для редактирования:"_s},
        {"Label1", u"Файл со сведениями о плательщике за жилищно-коммунальные услуги:"_s},
        {"Label2",
         u"Файл со сведениями о начисленных плате за жилые помещения, коммунальные и прочие услуги:"_s},
        {"Label3", u"Файл со сведениями о лицах, которые учитываются при расчете:"_s},
        {"Label5", u"файл I"_s},
        {"Label6", u"файл II"_s},
        {"Label7", u"файл III"_s},
        {"Label8", u"Количество записей в файлах:"_s},
        {"Label13", u"всего"_s},
        {"Label14", u"прочитано"_s},
        {"Label16", u"загружено"_s},
        {"Label9", u"со сведениями о потребителях: "_s},
        {"Label15", u"со сведениями о начислениях: "_s},
        {"Label10", u"со сведениями о совместно проживающих: "_s},
        {"Label17", u"Дата создания файла:"_s},
        {"DateFile_Label", u"......."_s},
        {"Label12", u"Код организации, предоставившей сведения о начислениях, в файле:"_s},
        {"DezID_Label", u"......."_s},
        {"Label19", u"Ошибки при чтении файлов:"_s},
        {"Label11", u"количество ошибок:"_s},
        {"ErrorCount_Label", u"0"_s},
        {"SaveNumber1_Label", u"0"_s}};
    for (const auto& [name, caption] : captions)
        QCOMPARE(QString::fromLatin1(name) + u": "_s + text(name),
                 QString::fromLatin1(name) + u": "_s + caption);
    QVERIFY(child<QLabel>("Label4")->font().bold());
    QCOMPARE(child<QPushButton>("OpenFile_BBtn")->text(), u" Загрузить файлы для редактирования"_s);
    QCOMPARE(child<QToolButton>("ExportErrorToExel_BBbn")->toolTip(),
             u"Экспорт списка ошибок в Excel"_s);
    QVERIFY(!child<QToolButton>("ExportErrorToExel_BBbn")->isEnabled());
    QCOMPARE(child<QProgressBar>("OpenFile_ProgressBar")->maximum(), 7);

    auto* grid = child<QTableView>("Error_SG");
    const QAbstractItemModel* model = grid->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), u"Файл"_s);
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), u"Номер строки"_s);
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), u"Сообщение об ошибке"_s);
    QCOMPARE(grid->columnWidth(0), 50);
    // At least 80, and wide enough for its title.
    QVERIFY(grid->columnWidth(1) >= 80);
    QVERIFY(grid->columnWidth(1) >=
            grid->horizontalHeader()->fontMetrics().horizontalAdvance(u"Номер строки"_s));
    QCOMPARE(grid->columnWidth(2), 1000);
    QCOMPARE(errorRows(), QStringList{u"||"_s});
}

void TestOpenFile::detailsEnabledOnlyForExistingPayersFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("missing file") << u"NONE.TXT"_s << false;
    QTest::newRow("folder") << u"Base"_s << false;
    QTest::newRow("existing file") << u"P1.TXT"_s << true;
}

void TestOpenFile::detailsEnabledOnlyForExistingPayersFile()
{
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    QVERIFY(writeFiles());

    QVERIFY(!child<QLineEdit>("SvedNach_FE")->isEnabled());
    child<QLineEdit>("SvedPotreb_FE")->setText(name.isEmpty() ? name : path(name));
    QCOMPARE(child<QLineEdit>("SvedNach_FE")->isEnabled(), enabled);
    QCOMPARE(child<QLineEdit>("SvedPotrebRelations_FE")->isEnabled(), enabled);
    QCOMPARE(child<QToolButton>("SvedNach_Btn")->isEnabled(), enabled);
    // Typing on makes the boxes follow the name.
    child<QLineEdit>("SvedPotreb_FE")->setText(path(u"P1.TXT.bak"_s));
    QVERIFY(!child<QLineEdit>("SvedNach_FE")->isEnabled());
}

void TestOpenFile::browseFillsName()
{
    m_dialogs->fileNames = {u"/tmp/a/P1.TXT"_s, QString()};
    child<QToolButton>("SvedPotreb_Btn")->click();
    QCOMPARE(child<QLineEdit>("SvedPotreb_FE")->text(), u"/tmp/a/P1.TXT"_s);
    // A cancelled dialog keeps the name.
    child<QToolButton>("SvedPotreb_Btn")->click();
    QCOMPARE(child<QLineEdit>("SvedPotreb_FE")->text(), u"/tmp/a/P1.TXT"_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::OpenFile),
             (QStringList{u"Список файлов"_s, u"Список файлов"_s}));
}

void TestOpenFile::nameChecks_data()
{
    QTest::addColumn<QString>("payers");
    QTest::addColumn<QString>("charges");
    QTest::addColumn<QString>("persons");
    QTest::addColumn<QString>("message"); ///< %1 = the folder of the files

    const QString allThree = u"Должны быть указаны пути ко всем трем файлам."_s;
    QTest::newRow("file I empty") << u""_s << u"P2.TXT"_s << u"P3.TXT"_s << allThree;
    QTest::newRow("file III empty") << u"P1.TXT"_s << u"P2.TXT"_s << u""_s << allThree;
    QTest::newRow("file II missing") << u"P1.TXT"_s << u"NONE.TXT"_s << u"P3.TXT"_s
                                     << u"Файл\r\n%1/NONE.TXT\r\nне существует."_s;
    QTest::newRow("folder as file I") << u"Base"_s << u"P2.TXT"_s << u"P3.TXT"_s
                                      << u"Файл\r\n%1/Base\r\nявляется папкой, а не файлом."_s;
}

void TestOpenFile::nameChecks()
{
    QFETCH(QString, payers);
    QFETCH(QString, charges);
    QFETCH(QString, persons);
    QFETCH(QString, message);
    QVERIFY(writeFiles());
    QVERIFY(
        m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1) VALUES (40, 40, 'Старый')"_s));

    const auto named = [this](const QString& name) {
        return name.isEmpty() ? name : path(name);
    };
    setNames(named(payers), named(charges), named(persons));
    child<QPushButton>("OpenFile_BBtn")->click();

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{message.contains(u"%1"_s) ? message.arg(m_t->directory()) : message});
    QVERIFY(m_dialogs->texts(FakeDialogs::Kind::Notice).isEmpty());
    QCOMPARE(m_t->scalar(u"SELECT Name1 FROM SvedPotreb_T1"_s).toString(), u"Старый"_s);
    QVERIFY(child<QPushButton>("OpenFile_BBtn")->isEnabled());
    QVERIFY(m_state.fileNameT1.isEmpty());
}

void TestOpenFile::fullRun()
{
    QVERIFY(writeFiles());
    setNames(path(u"P1.TXT"_s), path(u"P2.TXT"_s), path(u"P3.TXT"_s));
    child<QPushButton>("OpenFile_BBtn")->click();

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice),
             QStringList{u"Обработка файлов завершена."_s});
    const QList<QPair<const char*, QString>> counts{{"ColSvedPotreb_Label", u"2"_s},
                                                    {"Number1_Label", u"2"_s},
                                                    {"SaveNumber1_Label", u"2"_s},
                                                    {"ColSvedNach_Label", u"2"_s},
                                                    {"Number2_Label", u"2"_s},
                                                    {"SaveNumber2_Label", u"2"_s},
                                                    {"ColSvedPotrebRelations_Label", u"1"_s},
                                                    {"Number3_Label", u"1"_s},
                                                    {"SaveNumber3_Label", u"1"_s},
                                                    {"DateFile_Label", u"16.03.2024"_s},
                                                    {"DezID_Label", u"1204"_s},
                                                    {"ErrorCount_Label", u"2"_s}};
    for (const auto& [name, value] : counts)
        QCOMPARE(QString::fromLatin1(name) + u": "_s + text(name),
                 QString::fromLatin1(name) + u": "_s + value);
    QCOMPARE(errorRows(), (QStringList{u"1||Файл содержит сведения по нескольким организациям"_s,
                                       u"2|2|Услуги №9999 нет в справочнике"_s, u"||"_s}));
    QCOMPARE(m_state.fileNameT1, path(u"P1.TXT"_s));
    QCOMPARE(m_state.fileNameT2, path(u"P2.TXT"_s));
    QCOMPARE(m_state.fileNameT3, path(u"P3.TXT"_s));
    QCOMPARE(m_form->lastOrganisation().toInt(), 1204);
    QCOMPARE(child<QProgressBar>("OpenFile_ProgressBar")->value(), 0);
    QVERIFY(child<QToolButton>("ExportErrorToExel_BBbn")->isEnabled());
    QVERIFY(child<QPushButton>("OpenFile_BBtn")->isEnabled());
    QVERIFY(child<QLineEdit>("SvedNach_FE")->isEnabled());

    // A second run starts from a clean list and keeps the counts of its own files.
    QFile::resize(path(u"P2.TXT"_s), 0);
    child<QPushButton>("OpenFile_BBtn")->click();
    QCOMPARE(errorRows(),
             (QStringList{u"1||Файл содержит сведения по нескольким организациям"_s, u"||"_s}));
    QCOMPARE(text("SaveNumber2_Label"), u"0"_s);
    QCOMPARE(text("ErrorCount_Label"), u"1"_s);
}

void TestOpenFile::exportLeavesOutEmptyRow()
{
    QVERIFY(writeFiles());
    setNames(path(u"P1.TXT"_s), path(u"P2.TXT"_s), path(u"P3.TXT"_s));
    child<QPushButton>("OpenFile_BBtn")->click();
    child<QToolButton>("ExportErrorToExel_BBbn")->click();

    QCOMPARE(m_opened.size(), 1);
    const QString sheet =
        QString::fromUtf8(unzipEntry(m_opened.first(), u"xl/worksheets/sheet1.xml"_s));
    QVERIFY2(!sheet.isEmpty(), "the workbook has no first sheet");
    // Titles on sheet row 2, the two findings on rows 3 and 4, nothing after them.
    QCOMPARE(sheet.count(u"<row "_s), 3);
    QVERIFY(sheet.contains(u"<row r=\"4\""_s));
    QFile::remove(m_opened.first());
}

void TestOpenFile::closingRefusedDuringRun()
{
    QVERIFY(writeFiles());
    setNames(path(u"P1.TXT"_s), path(u"P2.TXT"_s), path(u"P3.TXT"_s));
    m_form->show();
    bool visibleAfterClose = false;
    bool inputsDisabled = false;
    // Runs from the messages the import lets through.
    QTimer::singleShot(0, m_form.get(), [&] {
        inputsDisabled = !child<QPushButton>("OpenFile_BBtn")->isEnabled() &&
                         !child<QLineEdit>("SvedPotreb_FE")->isEnabled();
        m_form->close();
        m_form->reject();
        visibleAfterClose = m_form->isVisible();
    });
    child<QPushButton>("OpenFile_BBtn")->click();
    QVERIFY(inputsDisabled);
    QVERIFY(visibleAfterClose);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice),
             QStringList{u"Обработка файлов завершена."_s});
    // Once done, the window closes as usual.
    m_form->close();
    QVERIFY(!m_form->isVisible());
}

void TestOpenFile::manyRowsReachTheWindowInOrder()
{
    // The import runs on its own thread and hands rows and counts over in batches: each
    // of 1234 error rows arrives once, in line order, and the counts are those of the end.
    QStringList payers;
    for (int i = 1; i <= 1234; ++i) {
        QStringList fields = Payers.first().split(u'\t');
        fields[3] = u"x"_s; // "Код района" that is no number
        fields[13] = u"100-%1"_s.arg(i);
        payers << fields.join(u'\t');
    }
    for (const auto& [name, lines] :
         {std::pair{u"P1.TXT"_s, payers}, std::pair{u"P2.TXT"_s, Charges.mid(0, 1)},
          std::pair{u"P3.TXT"_s, Persons}}) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const QString& line : lines)
            CommonFnc::WriteOemLine(file, line);
    }
    setNames(path(u"P1.TXT"_s), path(u"P2.TXT"_s), path(u"P3.TXT"_s));
    child<QPushButton>("OpenFile_BBtn")->click();

    QStringList expected;
    for (int i = 1; i <= 1234; ++i)
        expected << u"1|%1|Ошибка формата поля \"Код района\""_s.arg(i);
    expected << u"||"_s;
    QCOMPARE(errorRows(), expected);
    QCOMPARE(text("ErrorCount_Label"), u"1234"_s);
    QCOMPARE(text("Number1_Label"), u"1234"_s);
    QCOMPARE(text("SaveNumber1_Label"), u"1234"_s);
    QCOMPARE(text("Number2_Label"), u"1"_s);
    QCOMPARE(text("Number3_Label"), u"1"_s);
    QCOMPARE(text("DezID_Label"), u"117"_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice),
             QStringList{u"Обработка файлов завершена."_s});
}

void TestOpenFile::failedEmptyingKeepsInputsDisabled()
{
    QVERIFY(writeFiles());
    QVERIFY(m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (40, 40)"_s));
    QVERIFY(m_t->exec(
        u"CREATE TRIGGER keep BEFORE DELETE ON SvedPotreb_T1 BEGIN SELECT RAISE(ABORT, 'kept'); END"_s));
    setNames(path(u"P1.TXT"_s), path(u"P2.TXT"_s), path(u"P3.TXT"_s));
    m_form->show();
    child<QPushButton>("OpenFile_BBtn")->click();

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{u"Ошибка удаления записей."_s});
    QVERIFY(m_dialogs->texts(FakeDialogs::Kind::Notice).isEmpty());
    QVERIFY(!child<QPushButton>("OpenFile_BBtn")->isEnabled());
    QVERIFY(!child<QLineEdit>("SvedPotreb_FE")->isEnabled());
    QVERIFY(m_state.fileNameT1.isEmpty());
    // Only closing is left, and it works.
    m_form->close();
    QVERIFY(!m_form->isVisible());
}

QTEST_MAIN(TestOpenFile)
#include "tst_openfile.moc"
