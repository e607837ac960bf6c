#include "CommonFnc.h"
#include "FakeDialogs.h"
#include "GridRoutines.h"
#include "Preview.h"
#include "RunState.h"
#include "SaveFile.h"
#include "SysFolders.h"
#include "TestDatabase.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// Payer NumT1 1 with a charge and a person that agree with it.
const QString ConsistentPayer = uR"(
INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID, DezVladID, MO, Name1, Name2, Name3, StreetID_BTI,
    HouseNum, FlatNum, ENumlsID, Numls, Mes, TypeOwnID, TypeOccupancyID, PplCntReg, SquareTotal,
    SquareLive, TypeLockID, TypeStoveID, SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg)
VALUES (1, 1, 1204, 117, 1, 'Иванов', 'Иван', 'Иванович', 2979652, '5', '12', 1234567890, '100-1',
    '2024-03-01', 1, 1, 1, 4550, 3000, 0, 1, 7534, 7000, 7534, 7000))"_s;
const QString ConsistentCharge = uR"(
INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, PostID, Volume, Tariff, SummaService,
    SummaServiceWOBenefit, SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID)
VALUES (1, 1, 1, 1, 5, 1250, 1390, 7534, 7000, 7534, 7000, 5))"_s;
const QString ConsistentPerson = uR"(
INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople, Name1, Name2, Relation,
    SquareShare, TypeRegID, DateRegStart, PrFactLiveID)
VALUES (1, 1, 1, 1, 'Иванов', 'Иван', 'Сам', 4550, 1, '2000-02-01', 1))"_s;
// Payer NumT1 2 with a person and no charge.
const QString PayerWithoutCharges = uR"(
INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID, DezVladID, MO, Name1, Name2, StreetID_BTI,
    HouseNum, FlatNum, ENumlsID, Numls, Mes, TypeOwnID, TypeOccupancyID, PplCntReg, SquareTotal,
    SquareLive, TypeLockID, TypeStoveID, SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg)
VALUES (2, 2, 117, 117, 1, 'Петров', 'Петр', 2979652, '7', '3', 1234567891, '100-2',
    '2024-03-01', 1, 1, 1, 4000, 3000, 0, 1, 100, 100, 100, 100);
INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople, Name1, Name2, Relation,
    SquareShare, TypeRegID, PrFactLiveID)
VALUES (2, 1, 2, 1, 'Петров', 'Петр', 'Сам', 4000, 1, 1))"_s;

const QString NoChargesMessage = u"Отсутствуют записи о начислениях для потребителя услуг."_s;
const QString WrittenMessage = u"Файлы сформированы."_s;
const QString LockedMessage = u"Сводная ведомость не может быть сформирована из-за наличия ошибок в файлах."_s;

/// An entry of a zip archive, read with the unzip tool.
QByteArray unzipEntry(const QString& archive, const QString& entry)
{
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, archive, entry});
    if (!unzip.waitForFinished(10000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestSaveFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void controls();
    void proposedNames_data();
    void proposedNames();
    void chosenNameMovesAllThree_data();
    void chosenNameMovesAllThree();
    void emptyTableRefused();
    void payerWithoutCharges();
    void cleanStatement();
    void summaryStatementInPreview();
    void overwriteQuestions_data();
    void overwriteQuestions();
    void folderGoneSaysSo();
    void warningOnlyWhileChecking();
    void errorListToSpreadsheet();
    void findingRowAsksForItsRecord();
    void closingRefusedDuringRun();

private:
    template<typename T>
    T* child(const char* name) const
    {
        T* widget = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    QString path(const QString& name) const { return QDir(m_t->directory()).filePath(name); }
    /// Opens the window with the organisation and period given; the names proposed lie in
    /// the test's folder unless the state says otherwise.
    void open(const QVariant& organisation = 117);
    bool fill(const QStringList& statements);
    void save() { child<QPushButton>("SaveFile_BBtn")->click(); }
    QStringList errorRows() const;
    QStringList names() const;

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
    RunState m_state;
    std::unique_ptr<TSaveFile_Form> m_form;
    QStringList m_opened;
};

void TestSaveFile::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    CommonFnc::SetFileOpener([this](const QString& path) {
        m_opened << path;
        return true;
    });
}

void TestSaveFile::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
    m_state = RunState();
    m_state.accountingPeriod = QDate(2024, 3, 1);
    m_state.fileNameT1 = path(u"P1_earlier.TXT"_s);
    m_opened.clear();
}

void TestSaveFile::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
    m_t.reset();
}

void TestSaveFile::open(const QVariant& organisation)
{
    m_form = std::make_unique<TSaveFile_Form>(m_t->db(), m_state, organisation, u"ООО \"Север\""_s);
}

bool TestSaveFile::fill(const QStringList& statements)
{
    for (const QString& statement : statements) {
        for (const QString& sql : statement.split(u';')) {
            if (!m_t->exec(sql))
                return false;
        }
    }
    return true;
}

QStringList TestSaveFile::errorRows() const
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

QStringList TestSaveFile::names() const
{
    return {child<QLineEdit>("SvedPotreb_FE")->text(), child<QLineEdit>("SvedNach_FE")->text(),
            child<QLineEdit>("SvedPotrebRelations_FE")->text()};
}

void TestSaveFile::controls()
{
    open();
    QCOMPARE(m_form->windowTitle(), u"Сохранение редактируемой информации"_s);
    QVERIFY(m_form->isModal());
    const QList<QPair<const char*, QString>> captions{
        {"Label4", u"Сохранить редактируемую информацию в файлы:"_s},
        {"Label1", u"Файл со сведениями о плательщике за жилищно-коммунальные услуги:"_s},
        {"Label2", u"Файл со сведениями о начисленных плате за жилые помещения, коммунальные и прочие услуги:"_s},
        {"Label3", u"Файл со сведениями о лицах, которые учитываются при расчете:"_s},
        {"Label5", u"файл I"_s}, {"Label6", u"файл II"_s}, {"Label7", u"файл III"_s},
        {"Label8", u"Количество записей в файлах:"_s},
        {"Label9", u"со сведениями о потребителях: "_s},
        {"Label15", u"со сведениями о начислениях: "_s},
        {"Label10", u"со сведениями о совместно проживающих: "_s},
        {"ColSvedPotreb_Label", u"0"_s}, {"ColSvedNach_Label", u"0"_s},
        {"ColSvedPotrebRelations_Label", u"0"_s},
        {"Label19", u"Ошибки при создании файлов:"_s}, {"Label11", u"количество ошибок:"_s},
        {"ErrorCount_Label", u"0"_s}, {"Warning_Label", u"Данные проверяются ..."_s}};
    for (const auto& [name, caption] : captions)
        QCOMPARE(QString::fromLatin1(name) + u": "_s + text(name), QString::fromLatin1(name) + u": "_s + caption);
    QVERIFY(child<QLabel>("Label4")->font().bold());
    QVERIFY(child<QLabel>("Label8")->font().bold());
    QVERIFY(child<QLabel>("Warning_Label")->font().bold());
    QCOMPARE(child<QPushButton>("SaveFile_BBtn")->text(), u" Сохранить редактируемую информацию в файл"_s);
    QCOMPARE(child<QPushButton>("PrintSvodnVed_BBtn")->text(), u" Печать сводной ведомости"_s);
    QVERIFY(!child<QPushButton>("PrintSvodnVed_BBtn")->isEnabled());
    QCOMPARE(child<QToolButton>("ExportErrorToExel_BBbn")->toolTip(), u"Экспорт списка ошибок в Excel"_s);
    QVERIFY(child<QWidget>("Warning_Panel")->isHidden());
    QCOMPARE(child<QProgressBar>("SaveFile_ProgressBar")->value(), 0);

    // File I is chosen in the dialog only; files II and III follow it.
    QVERIFY(child<QLineEdit>("SvedPotreb_FE")->isReadOnly());
    QVERIFY(child<QLineEdit>("SvedPotreb_FE")->isEnabled());
    QVERIFY(!child<QLineEdit>("SvedNach_FE")->isEnabled());
    QVERIFY(!child<QLineEdit>("SvedPotrebRelations_FE")->isEnabled());
    QVERIFY(child<QLineEdit>("SvedPotrebRelations_FE")->isReadOnly());

    auto* grid = child<QTableView>("Error_SG");
    const QAbstractItemModel* model = grid->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), u"Файл"_s);
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), u"Номер строки"_s);
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), u"Сообщение об ошибке"_s);
    QCOMPARE(grid->columnWidth(0), 50);
    QVERIFY(grid->columnWidth(1) >= 80);
    QCOMPARE(grid->columnWidth(2), 1000);
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(errorRows(), QStringList{u"||"_s});
}

void TestSaveFile::proposedNames_data()
{
    QTest::addColumn<QString>("lastFile"); ///< RunState::fileNameT1, relative to the test folder
    QTest::addColumn<QVariant>("organisation");
    QTest::addColumn<QDate>("period");
    QTest::addColumn<QString>("folder"); ///< empty: the program's files folder
    QTest::addColumn<QString>("rest");

    QTest::newRow("nothing written or loaded yet") << QString() << QVariant(117) << QDate(2024, 3, 1)
                                                   << QString() << u"_117_032024.TXT"_s;
    QTest::newRow("folder of the last file I") << u"prev/p1_own.txt"_s << QVariant(1204) << QDate(2026, 12, 1)
                                               << u"prev/"_s << u"_1204_122026.TXT"_s;
}

void TestSaveFile::proposedNames()
{
    QFETCH(QString, lastFile);
    QFETCH(QVariant, organisation);
    QFETCH(QDate, period);
    QFETCH(QString, folder);
    QFETCH(QString, rest);

    const QString expectedFolder = folder.isEmpty() ? SysFolders::FilesFolder() : path(folder);
    QDir(expectedFolder).removeRecursively();
    m_state.fileNameT1 = lastFile.isEmpty() ? QString() : path(lastFile);
    m_state.accountingPeriod = period;
    open(organisation);

    QCOMPARE(names(), (QStringList{expectedFolder + u"P1"_s + rest, expectedFolder + u"P2"_s + rest,
                                   expectedFolder + u"P3"_s + rest}));
    // The folder is made when missing.
    QVERIFY(QFileInfo(expectedFolder).isDir());
}

void TestSaveFile::chosenNameMovesAllThree_data()
{
    QTest::addColumn<QString>("chosen"); ///< in the test's folder
    QTest::addColumn<QString>("rest");

    QTest::newRow("abc.txt") << u"abc.txt"_s << u"abc.txt"_s;
    QTest::newRow("p1_x.txt") << u"p1_x.txt"_s << u"x.txt"_s;
    QTest::newRow("P1_abc.txt") << u"P1_abc.txt"_s << u"abc.txt"_s;
    QTest::newRow("typed without extension") << u"abc"_s << u"abc.txt"_s;
}

void TestSaveFile::chosenNameMovesAllThree()
{
    QFETCH(QString, chosen);
    QFETCH(QString, rest);
    QVERIFY(QDir().mkpath(path(u"other"_s)));
    open();

    m_dialogs->fileNames = {path(u"other/"_s + chosen), QString()};
    child<QToolButton>("SvedPotreb_Btn")->click();
    const QString folder = path(u"other/"_s);
    const QStringList expected{folder + u"P1_"_s + rest, folder + u"P2_"_s + rest, folder + u"P3_"_s + rest};
    QCOMPARE(names(), expected);

    // A cancelled dialog keeps the names.
    child<QToolButton>("SvedPotreb_Btn")->click();
    QCOMPARE(names(), expected);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::SaveFile), (QStringList{u"Список файлов"_s, u"Список файлов"_s}));
}

void TestSaveFile::emptyTableRefused()
{
    // Payers and charges but no persons: nothing is written, not even asked about.
    QVERIFY(fill({ConsistentPayer, ConsistentCharge}));
    open();
    QFile old(path(u"P1_117_032024.TXT"_s));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old\r\n");
    old.close();
    save();

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{u"Файлы не могут быть сформированы, так так в каждом из трех файлов должна быть хотя бы одна запись."_s});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList());
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList());
    QCOMPARE(text("ColSvedPotreb_Label"), u"1"_s);
    QCOMPARE(text("ColSvedNach_Label"), u"1"_s);
    QCOMPARE(text("ColSvedPotrebRelations_Label"), u"0"_s);
    QCOMPARE(readAll(path(u"P1_117_032024.TXT"_s)), QByteArray("old\r\n"));
    QVERIFY(!QFileInfo::exists(path(u"P2_117_032024.TXT"_s)));
    QVERIFY(!child<QPushButton>("PrintSvodnVed_BBtn")->isEnabled());
    QCOMPARE(m_state.fileNameT1, path(u"P1_earlier.TXT"_s));
}

void TestSaveFile::payerWithoutCharges()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson, PayerWithoutCharges}));
    open();
    save();

    // Found, listed, and written all the same.
    QCOMPARE(errorRows(), (QStringList{u"1|2|"_s + NoChargesMessage, u"||"_s}));
    QCOMPARE(text("ErrorCount_Label"), u"1"_s);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{WrittenMessage});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{LockedMessage});
    QVERIFY(!child<QPushButton>("PrintSvodnVed_BBtn")->isEnabled());
    QVERIFY(child<QToolButton>("ExportErrorToExel_BBbn")->isEnabled());
    QCOMPARE(text("ColSvedPotreb_Label"), u"2"_s);
    QCOMPARE(text("ColSvedNach_Label"), u"1"_s);
    QCOMPARE(text("ColSvedPotrebRelations_Label"), u"2"_s);
    const QStringList expected{path(u"P1_117_032024.TXT"_s), path(u"P2_117_032024.TXT"_s),
                               path(u"P3_117_032024.TXT"_s)};
    QCOMPARE(names(), expected);
    QCOMPARE((QStringList{m_state.fileNameT1, m_state.fileNameT2, m_state.fileNameT3}), expected);
    QCOMPARE(readAll(expected[0]).count("\r\n"), 2);
    QCOMPARE(readAll(expected[1]).count("\r\n"), 1);
    QCOMPARE(readAll(expected[2]).count("\r\n"), 2);
    QCOMPARE(child<QProgressBar>("SaveFile_ProgressBar")->value(), 0);
}

void TestSaveFile::cleanStatement()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson}));
    open();
    // No print or second run while the lines are written.
    QList<int> steps;
    QList<bool> inputsWhileWriting;
    connect(child<QProgressBar>("SaveFile_ProgressBar"), &QProgressBar::valueChanged, this, [&](int value) {
        steps << value;
        inputsWhileWriting << (child<QPushButton>("PrintSvodnVed_BBtn")->isEnabled() ||
                               child<QPushButton>("SaveFile_BBtn")->isEnabled());
    });
    save();

    // The bar climbs to the last record (the writing thread hands the count over at most
    // every few hundredths of a second, and once at the end), then goes back to 0.
    QVERIFY2(steps.size() >= 2, qPrintable(QString::number(steps.size())));
    QCOMPARE(steps.last(), 0);
    QCOMPARE(steps.at(steps.size() - 2), 3);
    QVERIFY(std::is_sorted(steps.begin(), steps.end() - 1));
    QCOMPARE(inputsWhileWriting, QList<bool>(steps.size(), false));
    QCOMPARE(errorRows(), QStringList{u"||"_s});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{WrittenMessage});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
    QVERIFY(child<QPushButton>("PrintSvodnVed_BBtn")->isEnabled());
    QVERIFY(!child<QToolButton>("ExportErrorToExel_BBbn")->isEnabled());

    // Today, the stored owner, the current organisation rather than the stored 1204, and
    // the accounting period.
    const QByteArray payers = readAll(path(u"P1_117_032024.TXT"_s));
    const QByteArray head = CommonFnc::DateToDdmmyyyy(QDate::currentDate()).toLatin1() + "\t117\t117\t1\t";
    QVERIFY2(payers.startsWith(head), payers.constData());
    QVERIFY(payers.contains("\t100-1\t032024\t"));
    QVERIFY(payers.endsWith("\r\n"));
}

void TestSaveFile::summaryStatementInPreview()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson}));
    open();
    save();
    QVERIFY(child<QPushButton>("PrintSvodnVed_BBtn")->isEnabled());

    QMap<QString, QString> memos;
    int pages = -1;
    // The window lets messages run before the preview opens: wait for it to show.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* preview = qobject_cast<TPreview_Form*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        poll.stop();
        pages = int(preview->report().pages.size());
        for (const Report::PlacedText& text : preview->report().pages.first().texts)
            memos.insert(text.name, text.text());
        preview->reject();
    });
    poll.start(10);
    // The names the main window keeps are not the statement's: it names the files written.
    m_state.fileNameT1 = m_state.fileNameT2 = m_state.fileNameT3 = path(u"other"_s);
    child<QPushButton>("PrintSvodnVed_BBtn")->click();

    QCOMPARE(pages, 1);
    QCOMPARE(memos.value(u"Period_Memo"_s), u"за Март 2024 года"_s);
    QCOMPARE(memos.value(u"Dez_Memo"_s), u"Организация: ООО \"Север\""_s);
    // The files just written, by their bare names, with the working tables' figures.
    const QStringList expected = {u"P1_117_032024.TXT|1|75,34|70,00"_s, u"P2_117_032024.TXT|1|75,34|70,00"_s,
                                  u"P3_117_032024.TXT|1||"_s};
    for (int file = 1; file <= 3; ++file) {
        const QString prefix = u"F%1_"_s.arg(file);
        QCOMPARE(QStringList({memos.value(prefix + u"Name_Memo"_s), memos.value(prefix + u"Col_Memo"_s),
                              memos.value(prefix + u"Sum1_Memo"_s), memos.value(prefix + u"Sum2_Memo"_s)})
                     .join(u'|'),
                 expected.at(file - 1));
    }
    QCOMPARE(memos.value(u"PrintDate_Memo"_s), QDate::currentDate().toString(u"dd.MM.yyyy"_s));
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList());
}

void TestSaveFile::overwriteQuestions_data()
{
    QTest::addColumn<QStringList>("existing"); ///< bare names of files there before
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("asked");    ///< bare names asked about
    QTest::addColumn<bool>("written");

    QTest::newRow("file II there, replaced") << QStringList{u"P2_117_032024.TXT"_s} << QList<bool>{true}
                                             << QStringList{u"P2_117_032024.TXT"_s} << true;
    QTest::newRow("file II there, kept") << QStringList{u"P2_117_032024.TXT"_s} << QList<bool>{false}
                                         << QStringList{u"P2_117_032024.TXT"_s} << false;
    QTest::newRow("No to the second question")
        << QStringList{u"P1_117_032024.TXT"_s, u"P3_117_032024.TXT"_s} << QList<bool>{true, false}
        << QStringList{u"P1_117_032024.TXT"_s, u"P3_117_032024.TXT"_s} << false;
}

void TestSaveFile::overwriteQuestions()
{
    QFETCH(QStringList, existing);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, asked);
    QFETCH(bool, written);
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson}));
    for (const QString& name : existing) {
        QFile old(path(name));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old\r\n");
    }
    open();
    m_dialogs->answers = answers;
    save();

    QStringList questions;
    for (const QString& name : asked)
        questions << u"Файл с именем:\r\n"_s + path(name) +
                         u"\r\nуже существует, он будет удален и создан заново.\r\nПродолжить?"_s;
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), questions);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), written ? QStringList{WrittenMessage} : QStringList());
    for (const QString& name : existing)
        QCOMPARE(readAll(path(name)) == "old\r\n", !written);
    QCOMPARE(QFileInfo::exists(path(u"P2_117_032024.TXT"_s)), written || existing.contains(u"P2_117_032024.TXT"_s));
    QCOMPARE(m_state.fileNameT1, written ? path(u"P1_117_032024.TXT"_s) : path(u"P1_earlier.TXT"_s));
    // Set before the questions: declining keeps it enabled after clean checks.
    QVERIFY(child<QPushButton>("PrintSvodnVed_BBtn")->isEnabled());
}

void TestSaveFile::folderGoneSaysSo()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson}));
    m_state.fileNameT1 = path(u"gone/P1_earlier.TXT"_s);
    open();
    QVERIFY(QDir(path(u"gone"_s)).removeRecursively());
    save();

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error),
             QStringList{u"Ошибка создания файла, содержащего сведения о плательщике за услуги."_s});
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList());
    QVERIFY(!QFileInfo::exists(path(u"gone"_s)));
    QCOMPARE(m_state.fileNameT1, path(u"gone/P1_earlier.TXT"_s));
    QCOMPARE(child<QProgressBar>("SaveFile_ProgressBar")->value(), 0);
}

void TestSaveFile::warningOnlyWhileChecking()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson, PayerWithoutCharges}));
    open();
    m_form->show();
    QList<bool> shownWhileListing;
    QList<bool> saveEnabledWhileListing;
    connect(child<QTableView>("Error_SG")->model(), &QAbstractItemModel::rowsInserted, this, [&] {
        shownWhileListing << child<QWidget>("Warning_Panel")->isVisible();
        saveEnabledWhileListing << child<QPushButton>("SaveFile_BBtn")->isEnabled();
    });
    save();

    // The first row is the empty one the run starts with; the finding comes while checking.
    QCOMPARE(shownWhileListing, (QList<bool>{false, true}));
    QCOMPARE(saveEnabledWhileListing, (QList<bool>{false, false}));
    QVERIFY(!child<QWidget>("Warning_Panel")->isVisible());
    QVERIFY(child<QPushButton>("SaveFile_BBtn")->isEnabled());
}

void TestSaveFile::errorListToSpreadsheet()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson, PayerWithoutCharges}));
    open();
    // An empty list gives no workbook.
    child<QToolButton>("ExportErrorToExel_BBbn")->click();
    QCOMPARE(m_opened, QStringList());

    save();
    child<QToolButton>("ExportErrorToExel_BBbn")->click();
    QCOMPARE(m_opened.size(), 1);
    const QString sheet = QString::fromUtf8(unzipEntry(m_opened.first(), u"xl/worksheets/sheet1.xml"_s));
    QVERIFY2(!sheet.isEmpty(), "the workbook has no first sheet");
    // Titles on sheet row 2, the one finding on row 3, nothing after it.
    QCOMPARE(sheet.count(u"<row "_s), 2);
    QVERIFY(sheet.contains(u"<row r=\"3\""_s));
    QFile::remove(m_opened.first());
}

void TestSaveFile::findingRowAsksForItsRecord()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson, PayerWithoutCharges}));
    open();
    m_form->show();
    QSignalSpy asked(m_form.get(), &TSaveFile_Form::recordRequested);
    save();
    auto* grid = child<QTableView>("Error_SG");
    // The finding names payer record 2; the empty row below it names nothing.
    for (int row : {0, 1}) {
        // The view takes a double click only on the row the button went down on.
        const QPoint at = grid->visualRect(grid->model()->index(row, 2)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Enter);
    QCOMPARE(asked.size(), 2);
    for (const QList<QVariant>& arguments : asked)
        QCOMPARE(arguments, (QList<QVariant>{1, qint64(2)}));
    // Enter stays in the list: the run is not started again.
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{WrittenMessage});
}

void TestSaveFile::closingRefusedDuringRun()
{
    QVERIFY(fill({ConsistentPayer, ConsistentCharge, ConsistentPerson, PayerWithoutCharges}));
    open();
    m_form->show();
    bool visibleAfterClose = false;
    // Runs from the messages the checks let through.
    QTimer::singleShot(0, m_form.get(), [&] {
        m_form->close();
        m_form->reject();
        visibleAfterClose = m_form->isVisible();
    });
    save();
    QVERIFY(visibleAfterClose);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{WrittenMessage});
    m_form->close();
    QVERIFY(!m_form->isVisible());
}

QTEST_MAIN(TestSaveFile)
#include "tst_savefile.moc"
