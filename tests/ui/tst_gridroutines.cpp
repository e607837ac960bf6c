#include "DataGrid.h"
#include "FakeDialogs.h"
#include "GridRoutines.h"
#include "RecordSetModel.h"
#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QList<ListColumn> PayerColumns = {
    {u"NumT1"_s, u"№"_s, Format::Display::Plain, Qt::AlignRight},
    {u"Name1"_s, u"Фамилия"_s},
    {u"SquareTotal"_s, u"Общая площадь"_s, Format::Display::Fixed2, Qt::AlignRight},
    {u"Computed"_s, u"Вычисляемое"_s},
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

class TestGridRoutines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void titleClicksSort();
    void columnWithoutFieldDoesNotSort();
    void memTableFlagIsShared();
    void refreshKeepsRecordAndSort();
    void gridFollowsRecordSet();
    void columnsFitEveryRow();
    void exportWritesTextCells();
    void exportOfEmptyGridDoesNothing();
    void exportTellsWhenNothingOpensTheFile();

private:
    QStringList columnTexts(int column) const;
    void clickTitle(int column) { m_grid->horizontalHeader()->sectionClicked(column); }

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<RecordSetModel> m_model;
    std::unique_ptr<DataGrid> m_grid;
    QStringList m_opened;
};

void TestGridRoutines::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    CommonFnc::SetFileOpener([this](const QString& path) {
        m_opened << path;
        return true;
    });
}

void TestGridRoutines::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, SquareTotal)
        VALUES (1, 2, 'Борисов', 4510), (2, 1, 'Андреева', NULL), (3, 3, 'Волков', 6000))"_s));
    m_model = std::make_unique<RecordSetModel>(PayerColumns);
    m_model->recordSet().setKeyFields({u"T1_ID"_s});
    QVERIFY(m_model->open(m_t->db(), u"SELECT T1_ID, NumT1, Name1, SquareTotal FROM SvedPotreb_T1"_s));
    m_grid = std::make_unique<DataGrid>();
    m_grid->setRecordModel(m_model.get());
    m_opened.clear();
}

void TestGridRoutines::cleanup()
{
    m_grid.reset();
    m_model.reset();
    m_t.reset();
}

QStringList TestGridRoutines::columnTexts(int column) const
{
    QStringList texts;
    for (int row = 0; row < m_model->rowCount(); ++row)
        texts << m_model->index(row, column).data().toString();
    return texts;
}

void TestGridRoutines::titleClicksSort()
{
    // An unsorted list sorts descending first; the same title then flips.
    clickTitle(1);
    QCOMPARE(m_model->recordSet().sort(), u"Name1 DESC"_s);
    QCOMPARE(columnTexts(1), (QStringList{u"Волков"_s, u"Борисов"_s, u"Андреева"_s}));
    clickTitle(1);
    QCOMPARE(m_model->recordSet().sort(), u"Name1 ASC"_s);
    // Another column of a list sorted ascending starts descending...
    clickTitle(0);
    QCOMPARE(m_model->recordSet().sort(), u"NumT1 DESC"_s);
    // ...and of a list sorted descending by another column, ascending.
    clickTitle(2);
    QCOMPARE(m_model->recordSet().sort(), u"SquareTotal ASC"_s);
    QCOMPARE(columnTexts(2), (QStringList{QString(), u"45,10"_s, u"60,00"_s}));
}

void TestGridRoutines::columnWithoutFieldDoesNotSort()
{
    QVERIFY(m_model->setSort(u"NumT1 ASC"_s));
    clickTitle(3);
    QCOMPARE(m_model->recordSet().sort(), u"NumT1 ASC"_s);
}

void TestGridRoutines::memTableFlagIsShared()
{
    DataGrid other;
    RecordSetModel otherModel(PayerColumns);
    QVERIFY(otherModel.open(m_t->db(), u"SELECT T1_ID, NumT1, Name1 FROM SvedPotreb_T1"_s));
    other.setRecordModel(&otherModel);
    CommonFnc::MemTableSortDescending() = false;
    // The first click anywhere sorts descending; the flag is one for all grids.
    CommonFnc::SortMemTableByColumn(m_grid.get(), 1);
    QCOMPARE(m_model->recordSet().sort(), u"Name1 DESC"_s);
    CommonFnc::SortMemTableByColumn(&other, 0);
    QCOMPARE(otherModel.recordSet().sort(), u"NumT1 ASC"_s);
    CommonFnc::SortMemTableByColumn(m_grid.get(), 1);
    QCOMPARE(m_model->recordSet().sort(), u"Name1 DESC"_s);
}

void TestGridRoutines::refreshKeepsRecordAndSort()
{
    clickTitle(1); // Name1 DESC
    m_grid->setCurrentIndex(m_model->index(m_model->rowOfKey({1}), 1));
    QVERIFY(m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1) VALUES (4, 4, 'Яшин')"_s));
    QVERIFY(CommonFnc::RefreshQueryKeepPosition(m_grid.get()));
    QCOMPARE(m_model->recordSet().sort(), u"Name1 DESC"_s);
    QCOMPARE(m_model->rowCount(), 4);
    QCOMPARE(m_grid->currentIndex().row(), m_model->rowOfKey({1}));
    QCOMPARE(m_grid->currentIndex().data(RecordSetModel::KeyRole).toList(), QVariantList{1});
}

void TestGridRoutines::gridFollowsRecordSet()
{
    m_grid->setCurrentIndex(m_model->index(2, 0));
    QCOMPARE(m_model->recordSet().currentRow(), 2);
    QVERIFY(m_model->recordSet().moveTo({2}));
    QVERIFY(m_model->refresh());
    QCOMPARE(m_grid->currentIndex().row(), m_model->rowOfKey({2}));
}

void TestGridRoutines::columnsFitEveryRow()
{
    // Far below the first screen a payer has a long surname and a large area: the columns
    // are as wide as they are, not as the first rows.
    QVERIFY(m_t->exec(uR"(WITH RECURSIVE n(i) AS (SELECT 4 UNION ALL SELECT i + 1 FROM n WHERE i < 400)
        INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, SquareTotal)
        SELECT i, i, 'Ли', 100 FROM n)"_s));
    m_grid->resize(600, 200);
    m_grid->show();
    QVERIFY(m_model->refresh());
    const int shortNames = m_grid->columnWidth(1);
    QVERIFY(m_t->exec(u"UPDATE SvedPotreb_T1 SET Name1 = 'Геннадьева-Преображенская', "
                      "SquareTotal = 999999999 WHERE T1_ID = 350"_s));
    QVERIFY(m_model->refresh());
    const auto needed = [this](const QString& text) {
        return m_grid->fontMetrics().horizontalAdvance(text);
    };
    QVERIFY(m_grid->columnWidth(1) > needed(u"Геннадьева-Преображенская"_s));
    QVERIFY(m_grid->columnWidth(2) > needed(u"9999999,99"_s));

    // A width the operator dragged stays through re-reads and sorts; the others follow
    // the rows.
    m_grid->horizontalHeader()->resizeSection(2, 70);
    QVERIFY(m_t->exec(u"UPDATE SvedPotreb_T1 SET Name1 = 'Ли' WHERE T1_ID = 350"_s));
    QVERIFY(m_model->refresh());
    clickTitle(1);
    QCOMPARE(m_grid->columnWidth(2), 70);
    QCOMPARE(m_grid->columnWidth(1), shortNames);
}

void TestGridRoutines::exportWritesTextCells()
{
    FakeDialogs dialogs;
    QVERIFY(m_model->setSort(u"NumT1 ASC"_s));
    const QString path = CommonFnc::ExportGridToExcel(m_grid.get());
    QVERIFY(!path.isEmpty());
    QVERIFY(path.contains(u"/Орбелон/Файлы/"_s));
    QVERIFY(QFile::exists(path));
    QCOMPARE(m_opened, QStringList{path});
    QVERIFY(dialogs.messages.isEmpty());

    const QString sheet = QString::fromUtf8(unzipEntry(path, u"xl/worksheets/sheet1.xml"_s));
    const QString strings = QString::fromUtf8(unzipEntry(path, u"xl/sharedStrings.xml"_s));
    QVERIFY2(!sheet.isEmpty(), "the workbook has no first sheet");
    // Shared strings in order of first use: the titles, then the cells row by row.
    QStringList shared;
    static const QRegularExpression si(u"<t[^>]*>([^<]*)</t>"_s);
    for (auto it = si.globalMatch(strings); it.hasNext();)
        shared << it.next().captured(1);
    QMap<QString, QString> cells; // "B3" -> text
    static const QRegularExpression cell(u"<c r=\"([A-Z]+[0-9]+)\"([^>]*?)(?:/>|>(?:<v>([0-9]+)</v>)?</c>)"_s);
    for (auto it = cell.globalMatch(sheet); it.hasNext();) {
        const auto m = it.next();
        QVERIFY2(m.captured(2).contains(u"s=\""_s), "every cell carries the text format");
        cells.insert(m.captured(1), m.captured(3).isEmpty() ? QString() : shared.value(m.captured(3).toInt()));
    }
    QVERIFY(!cells.contains(u"A1"_s)); // the first sheet row stays empty
    QCOMPARE(cells.value(u"A2"_s), u"№"_s);
    QCOMPARE(cells.value(u"D2"_s), u"Вычисляемое"_s);
    QCOMPARE(cells.value(u"A3"_s), u"1"_s);
    QCOMPARE(cells.value(u"B3"_s), u"Андреева"_s);
    QCOMPARE(cells.value(u"C4"_s), u"45,10"_s);
    QCOMPARE(cells.value(u"B5"_s), u"Волков"_s);
    QVERIFY(!cells.contains(u"A6"_s));
    // A number is kept as the text shown, not turned into a number cell.
    QVERIFY(!sheet.contains(u"t=\"n\""_s));
    QFile::remove(path);
}

void TestGridRoutines::exportOfEmptyGridDoesNothing()
{
    FakeDialogs dialogs;
    QVERIFY(m_t->exec(u"DELETE FROM SvedPotreb_T1"_s));
    QVERIFY(m_model->refresh());
    QCOMPARE(CommonFnc::ExportGridToExcel(m_grid.get()), QString());
    QVERIFY(m_opened.isEmpty());
    QVERIFY(dialogs.messages.isEmpty());
}

void TestGridRoutines::exportTellsWhenNothingOpensTheFile()
{
    FakeDialogs dialogs;
    CommonFnc::SetFileOpener([](const QString&) { return false; });
    QStandardItemModel errors(1, 2);
    errors.setHorizontalHeaderLabels({u"Строка"_s, u"Ошибка"_s});
    errors.setItem(0, 0, new QStandardItem(u"12"_s));
    errors.setItem(0, 1, new QStandardItem(u"Неверная дата"_s));
    QTableView view;
    view.setModel(&errors);
    const QString path = CommonFnc::ExportGridToExcel(&view);
    QVERIFY(QFile::exists(path));
    const QStringList notices = dialogs.texts(FakeDialogs::Kind::Notice);
    QCOMPARE(notices.size(), 1);
    QVERIFY(notices.first().contains(path));
    QFile::remove(path);
    initTestCase();
}

QTEST_MAIN(TestGridRoutines)
#include "tst_gridroutines.moc"
