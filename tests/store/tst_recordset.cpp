#include "RecordSet.h"
#include "RecordSetModel.h"
#include "TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString PayersSql =
    u"SELECT T1_ID, NumT1, Name1, FlatNum, SquareTotal, Mes FROM SvedPotreb_T1"_s;
}

class TestRecordSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void sort_data();
    void sort();
    void badSortTextKeepsSort();
    void locateByKey();
    void refreshKeepsSortAndRecord();
    void refreshAfterDeleteClamps();
    void failedQueryReportsError();
    void valuesKeepTheDriversTypes();
    void model();

private:
    QStringList column(const RecordSet& rs, const QString& field) const;
    std::unique_ptr<TestDatabase> m_t;
};

void TestRecordSet::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, FlatNum, SquareTotal, Mes)
        VALUES (1, 3, 'Яковлев', '12а', 5420, '2026-12-01'),
               (2, 1, 'Абрамова', '9', NULL, '2026-12-01'),
               (3, 2, 'ёлкина', '13', 4800, '2026-11-01'),
               (4, 10, NULL, '12', 5420, NULL),
               (5, 4, 'Белов', NULL, 12000, '2026-12-01'))"_s));
}

void TestRecordSet::cleanup()
{
    m_t.reset();
}

QStringList TestRecordSet::column(const RecordSet& rs, const QString& field) const
{
    QStringList values;
    for (int row = 0; row < rs.rowCount(); ++row) {
        const QVariant v = rs.value(row, field);
        values << (v.isNull() ? u"<null>"_s : v.toString());
    }
    return values;
}

void TestRecordSet::sort_data()
{
    QTest::addColumn<QString>("sortText");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("number ascending") << u"NumT1 ASC"_s
                                      << QStringList{u"2"_s, u"3"_s, u"1"_s, u"5"_s, u"4"_s};
    // 10 after 4: numbers compare as numbers, not as text.
    QTest::newRow("number descending") << u"NumT1 DESC"_s
                                       << QStringList{u"4"_s, u"5"_s, u"1"_s, u"3"_s, u"2"_s};
    // NULL first; Cyrillic by Russian collation, case aside.
    QTest::newRow("text, null first") << u"Name1"_s
                                      << QStringList{u"4"_s, u"2"_s, u"5"_s, u"3"_s, u"1"_s};
    QTest::newRow("second field breaks ties")
        << u"SquareTotal ASC, NumT1 DESC"_s << QStringList{u"2"_s, u"3"_s, u"4"_s, u"1"_s, u"5"_s};
    QTest::newRow("field name in other case") << u"numt1 asc"_s
                                              << QStringList{u"2"_s, u"3"_s, u"1"_s, u"5"_s, u"4"_s};
    QTest::newRow("empty text is query order")
        << QString() << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s};
}

void TestRecordSet::sort()
{
    QFETCH(QString, sortText);
    QFETCH(QStringList, ids);
    RecordSet rs;
    QVERIFY2(rs.open(m_t->db(), PayersSql + u" ORDER BY T1_ID"_s), qPrintable(rs.errorString()));
    QVERIFY(rs.setSort(sortText));
    QCOMPARE(column(rs, u"T1_ID"_s), ids);
}

void TestRecordSet::badSortTextKeepsSort()
{
    RecordSet rs;
    QVERIFY(rs.open(m_t->db(), PayersSql));
    QVERIFY(rs.setSort(u"NumT1 DESC"_s));
    QVERIFY(!rs.setSort(u"NoSuchField ASC"_s));
    QVERIFY(!rs.setSort(u"NumT1 UPWARDS"_s));
    QCOMPARE(rs.sort(), u"NumT1 DESC"_s);
    QCOMPARE(rs.value(0, u"NumT1"_s).toInt(), 10);
}

void TestRecordSet::locateByKey()
{
    RecordSet rs;
    rs.setKeyFields({u"T1_ID"_s});
    QVERIFY(rs.open(m_t->db(), PayersSql));
    QVERIFY(rs.setSort(u"NumT1 ASC"_s));
    const int row = rs.locate({3});
    QCOMPARE(rs.value(row, u"Name1"_s).toString(), u"ёлкина"_s);
    // A key given as text finds the same record.
    QCOMPARE(rs.locate({u"3"_s}), row);
    QCOMPARE(rs.locate({99}), -1);
    QCOMPARE(rs.locate({}), -1);
    QVERIFY(rs.moveTo({5}));
    QCOMPARE(rs.keyAt(rs.currentRow()), QVariantList{5});
    QVERIFY(!rs.moveTo({99}));
    QCOMPARE(rs.keyAt(rs.currentRow()), QVariantList{5});
    // Sorting keeps the current record.
    QVERIFY(rs.setSort(u"NumT1 DESC"_s));
    QCOMPARE(rs.keyAt(rs.currentRow()), QVariantList{5});
}

void TestRecordSet::refreshKeepsSortAndRecord()
{
    RecordSet rs;
    rs.setKeyFields({u"T1_ID"_s});
    QVERIFY(rs.open(m_t->db(), PayersSql));
    QVERIFY(rs.setSort(u"Name1 DESC"_s));
    QVERIFY(rs.moveTo({2}));
    QVERIFY(m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1) VALUES (6, 5, 'Жуков')"_s));
    QVERIFY(rs.refresh());
    QCOMPARE(rs.rowCount(), 6);
    QCOMPARE(rs.sort(), u"Name1 DESC"_s);
    QCOMPARE(rs.value(0, u"Name1"_s).toString(), u"Яковлев"_s);
    QCOMPARE(rs.keyAt(rs.currentRow()), QVariantList{2});
}

void TestRecordSet::refreshAfterDeleteClamps()
{
    RecordSet rs;
    rs.setKeyFields({u"T1_ID"_s});
    QVERIFY(rs.open(m_t->db(), PayersSql));
    QVERIFY(rs.setSort(u"NumT1"_s));
    QVERIFY(rs.moveTo({4})); // last row
    QVERIFY(m_t->exec(u"DELETE FROM SvedPotreb_T1 WHERE T1_ID = 4"_s));
    QVERIFY(rs.refresh());
    QCOMPARE(rs.currentRow(), rs.rowCount() - 1);
    QVERIFY(m_t->exec(u"DELETE FROM SvedPotreb_T1"_s));
    QVERIFY(rs.refresh());
    QCOMPARE(rs.rowCount(), 0);
    QCOMPARE(rs.currentRow(), -1);
    QVERIFY(rs.keyAt(rs.currentRow()).isEmpty());
}

void TestRecordSet::valuesKeepTheDriversTypes()
{
    // The lists read rows straight from SQLite; their cells must be what Qt's driver gave,
    // since formats, sorting and editors go by the type. Texts repeat from row to row, as
    // a street does, and each row still holds its own value.
    RecordSet rs;
    QVERIFY2(rs.open(m_t->db(), uR"(SELECT * FROM (VALUES
        (1, 'ул. Ленина', 2.5, X'00FF', :Name),
        (NULL, 'ул. Ленина', NULL, NULL, ''),
        (3, '', 7, 'ул. Ленина', 'Щ'),
        (4, 'ул. Мира', 1e3, NULL, 'Щ')))"_s,
                     {{u":Name"_s, u"Ёлкина"_s}}),
             qPrintable(rs.errorString()));
    QCOMPARE(rs.rowCount(), 4);
    const auto cell = [&](int row, int field) { return rs.value(row, field); };
    QCOMPARE(cell(0, 0).typeId(), QMetaType::LongLong);
    QCOMPARE(cell(0, 0).toLongLong(), 1);
    QCOMPARE(cell(0, 1), QVariant(u"ул. Ленина"_s));
    QCOMPARE(cell(0, 2).typeId(), QMetaType::Double);
    QCOMPARE(cell(0, 3), QVariant(QByteArray("\x00\xFF", 2)));
    QCOMPARE(cell(0, 4), QVariant(u"Ёлкина"_s));
    // NULL is a null string, whatever the column; an empty text is not NULL.
    for (const int field : {0, 2, 3}) {
        QVERIFY(cell(1, field).isNull());
        QCOMPARE(cell(1, field).typeId(), QMetaType::QString);
    }
    QCOMPARE(cell(1, 1), QVariant(u"ул. Ленина"_s));
    QVERIFY(!cell(1, 4).isNull());
    QCOMPARE(cell(1, 4), QVariant(u""_s));
    QVERIFY(!cell(2, 1).isNull());
    QCOMPARE(cell(2, 1).toString(), u""_s);
    QCOMPARE(cell(2, 2).typeId(), QMetaType::LongLong);
    QCOMPARE(cell(2, 3), QVariant(u"ул. Ленина"_s));
    QCOMPARE(cell(3, 1), QVariant(u"ул. Мира"_s));
    QCOMPARE(cell(3, 2), QVariant(1000.0));
    QCOMPARE(cell(3, 4), QVariant(u"Щ"_s));
}

void TestRecordSet::failedQueryReportsError()
{
    RecordSet rs;
    QVERIFY(!rs.open(m_t->db(), u"SELECT NoSuchColumn FROM SvedPotreb_T1"_s));
    QVERIFY(!rs.errorString().isEmpty());
    QCOMPARE(rs.rowCount(), 0);
    QCOMPARE(rs.currentRow(), -1);
}

void TestRecordSet::model()
{
    RecordSetModel model({{u"NumT1"_s, u"№"_s, Format::Display::Plain, Qt::AlignRight},
                          {u"SquareTotal"_s, u"Общая площадь"_s, Format::Display::Fixed2},
                          {u"Mes"_s, u"Месяц в файле"_s, Format::Display::MonthYear},
                          {u"Missing"_s, u"Нет такого поля"_s}});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.recordSet().setKeyFields({u"T1_ID"_s});
    QVERIFY(model.open(m_t->db(), PayersSql, {}));
    QVERIFY(model.setSort(u"NumT1 ASC"_s));
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"Общая площадь"_s);
    const int row = model.rowOfKey({1});
    QCOMPARE(model.index(row, 0).data().toString(), u"3"_s);
    QCOMPARE(model.index(row, 1).data().toString(), u"54,20"_s);
    QCOMPARE(model.index(row, 2).data().toString(), u"Декабрь 2026 г."_s);
    QCOMPARE(model.index(row, 3).data().toString(), QString());
    QCOMPARE(model.index(row, 0).data(RecordSetModel::KeyRole).toList(), QVariantList{1});
    QCOMPARE(model.index(row, 1).data(RecordSetModel::RawValueRole).toLongLong(), 5420);
    QCOMPARE(model.rowOfKey({2}), 0);
    QCOMPARE(model.index(0, 1).data().toString(), QString()); // NULL area shows empty
    QVERIFY(m_t->exec(u"DELETE FROM SvedPotreb_T1 WHERE T1_ID = 2"_s));
    QVERIFY(model.refresh());
    QCOMPARE(model.rowCount(), 4);
}

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
