#include "Query.h"
#include "TestDatabase.h"
#include "WorkingData.h"
#include "WorkingStatement.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestWorkingData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void openFindsOnlyAWorkingDatabase();
    void clearEmptiesAllThree();
    void clearRollsBackWhenADeleteFails();
    void organisationOnPayers();
    void currentDezId();
    void accountingPeriod_data();
    void accountingPeriod();

private:
    bool fillStatement();
    int count(const QString& table) { return m_t->scalar(u"SELECT count(*) FROM "_s + table).toInt(); }
    std::unique_ptr<TestDatabase> m_t;
};

void TestWorkingData::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
}

void TestWorkingData::cleanup()
{
    m_t.reset();
}

bool TestWorkingData::fillStatement()
{
    return m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID) VALUES (1, 1, 55), (2, 2, 55)"_s) &&
           m_t->exec(u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2) VALUES (1, 1, 1), (2, 2, 2)"_s) &&
           m_t->exec(u"INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3) VALUES (1, 1, 1)"_s);
}

void TestWorkingData::openFindsOnlyAWorkingDatabase()
{
    Database db;
    QCOMPARE(WorkingData::open(db, m_t->directory()), WorkingData::OpenResult::Opened);
    db.close();

    // The database is looked for below the given directory, not beside it.
    QCOMPARE(WorkingData::open(db, QDir(m_t->directory()).filePath(u"Base"_s)),
             WorkingData::OpenResult::Missing);

    QTemporaryDir broken;
    QVERIFY(QDir(broken.path()).mkdir(u"Base"_s));
    QFile garbage(WorkingData::databasePath(broken.path()));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    QCOMPARE(WorkingData::open(db, broken.path()), WorkingData::OpenResult::Unusable);
    QVERIFY(!db.isOpen());

    // A valid SQLite file without the program's tables is not a working database either.
    QTemporaryDir empty;
    QVERIFY(QDir(empty.path()).mkdir(u"Base"_s));
    {
        Database other;
        QFile create(WorkingData::databasePath(empty.path()));
        QVERIFY(create.open(QIODevice::WriteOnly));
        create.close();
        QVERIFY2(other.open(create.fileName()), qPrintable(other.errorString()));
        QVERIFY(other.execute(u"CREATE TABLE Something (x INTEGER)"_s));
    }
    QCOMPARE(WorkingData::open(db, empty.path()), WorkingData::OpenResult::Unusable);
    QVERIFY(db.errorString().contains(u"SvedPotreb_T1"_s));
    QVERIFY(!db.isOpen());
}

void TestWorkingData::clearEmptiesAllThree()
{
    QVERIFY(fillStatement());
    const int streets = count(u"Sprav_Streets"_s);
    QVERIFY(WorkingStatement::clearWorkingTables(m_t->db()));
    QCOMPARE(count(u"SvedPotreb_T1"_s), 0);
    QCOMPARE(count(u"SvedNach_T2"_s), 0);
    QCOMPARE(count(u"SvedPotrebRelations_T3"_s), 0);
    QCOMPARE(count(u"Sprav_Streets"_s), streets);
    QVERIFY(!m_t->db().inTransaction());
}

void TestWorkingData::clearRollsBackWhenADeleteFails()
{
    QVERIFY(fillStatement());
    // The payer table is emptied last; a refusal there must bring back the persons and
    // charges deleted before it.
    QVERIFY(m_t->exec(uR"(CREATE TRIGGER refuse BEFORE DELETE ON SvedPotreb_T1
                          BEGIN SELECT RAISE(ABORT, 'refused'); END)"_s));
    QVERIFY(!WorkingStatement::clearWorkingTables(m_t->db()));
    QVERIFY(m_t->db().errorString().contains(u"refused"_s));
    QVERIFY(!m_t->db().inTransaction());
    QCOMPARE(count(u"SvedPotreb_T1"_s), 2);
    QCOMPARE(count(u"SvedNach_T2"_s), 2);
    QCOMPARE(count(u"SvedPotrebRelations_T3"_s), 1);
}

void TestWorkingData::organisationOnPayers()
{
    QVERIFY(fillStatement());
    QVERIFY(WorkingData::setOrganisation(m_t->db(), 77));
    QCOMPARE(m_t->scalar(u"SELECT count(*) FROM SvedPotreb_T1 WHERE DezID = 77"_s).toInt(), 2);
    // Closing the list without a choice keeps what the rows carry.
    QVERIFY(WorkingData::setOrganisation(m_t->db(), QVariant()));
    QCOMPARE(m_t->scalar(u"SELECT count(*) FROM SvedPotreb_T1 WHERE DezID = 77"_s).toInt(), 2);
}

void TestWorkingData::currentDezId()
{
    QCOMPARE(WorkingData::currentDezId(m_t->db()), 0);
    QVERIFY(fillStatement());
    QCOMPARE(WorkingData::currentDezId(m_t->db()), 55);
    QVERIFY(m_t->exec(u"UPDATE SvedPotreb_T1 SET DezID = NULL"_s));
    QCOMPARE(WorkingData::currentDezId(m_t->db()), 0);
    QVERIFY(!WorkingData::organisations(m_t->db()).isEmpty());
}

void TestWorkingData::accountingPeriod_data()
{
    QTest::addColumn<int>("monthIndex");
    QTest::addColumn<int>("year");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("January") << 0 << 2026 << QDate(2026, 1, 1);
    QTest::newRow("December") << 11 << 2030 << QDate(2030, 12, 1);
    QTest::newRow("lowest year") << 5 << 1999 << QDate(1999, 6, 1);
    QTest::newRow("highest year") << 1 << 2100 << QDate(2100, 2, 1);
}

void TestWorkingData::accountingPeriod()
{
    QFETCH(int, monthIndex);
    QFETCH(int, year);
    QFETCH(QDate, expected);
    QCOMPARE(WorkingData::accountingPeriod(monthIndex, year), expected);
}

QTEST_GUILESS_MAIN(TestWorkingData)
#include "tst_workingdata.moc"
