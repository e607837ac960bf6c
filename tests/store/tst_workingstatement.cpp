#include "TestDatabase.h"
#include "WorkingStatement.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestWorkingStatement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void deletePayerTakesDependants();
    void deletePayerFailureKeepsAll_data();
    void deletePayerFailureKeepsAll();
    void resumTotals();
    void deleteLastPersonCountsOne();
    void failedRecountKeepsPerson();
    void relations();
    void nextNumber();
    void findRecord_data();
    void findRecord();

private:
    int count(const QString& sql) { return m_t->scalar(sql).toInt(); }
    std::unique_ptr<TestDatabase> m_t;
};

void TestWorkingStatement::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    QVERIFY(m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, PplCntReg) VALUES (1, 1, 2), (2, 2, 1)"_s));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, SummaService, SummaServiceWOBenefit,
        SummaServiceReg, SummaServiceWOBenefitReg)
        VALUES (1, 1, 1, 10050, 9000, NULL, 100), (1, 2, 2, 250, NULL, NULL, 1), (2, 3, 3, 700, 700, 700, 700))"_s));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3)
        VALUES (1, 1, 1), (1, 2, 2), (2, 3, 3))"_s));
}

void TestWorkingStatement::cleanup()
{
    m_t.reset();
}

void TestWorkingStatement::deletePayerTakesDependants()
{
    QVERIFY(WorkingStatement::deletePayer(m_t->db(), 1));
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 1);
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2 WHERE T1_ID = 1"_s), 0);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3 WHERE T1_ID = 1"_s), 0);
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2"_s), 1);
    QVERIFY(!m_t->db().inTransaction());
}

void TestWorkingStatement::deletePayerFailureKeepsAll_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("payer") << u"SvedPotreb_T1"_s;
    QTest::newRow("charges") << u"SvedNach_T2"_s;
    QTest::newRow("persons") << u"SvedPotrebRelations_T3"_s;
}

void TestWorkingStatement::deletePayerFailureKeepsAll()
{
    QFETCH(QString, table);
    QVERIFY(m_t->exec(u"CREATE TRIGGER refuse BEFORE DELETE ON %1 BEGIN SELECT RAISE(ABORT, 'refused'); END"_s
                          .arg(table)));
    QVERIFY(!WorkingStatement::deletePayer(m_t->db(), 1));
    QVERIFY(m_t->db().errorString().contains(u"refused"_s));
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1"_s), 2);
    QCOMPARE(count(u"SELECT count(*) FROM SvedNach_T2"_s), 3);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3"_s), 3);
    QVERIFY(!m_t->db().inTransaction());
}

void TestWorkingStatement::resumTotals()
{
    QVERIFY(WorkingStatement::resumPayerTotals(m_t->db(), 1));
    // NULL charges count as 0; a column with only NULLs sums to 0, not NULL.
    QCOMPARE(m_t->scalar(u"SELECT SummaFull || '/' || SummaWOBenefit || '/' || SummaFullReg || '/' || "
                         "SummaWOBenefitReg FROM SvedPotreb_T1 WHERE T1_ID = 1"_s)
                 .toString(),
             u"10300/9000/0/101"_s);
    QVERIFY(WorkingStatement::deleteCharge(m_t->db(), 1, 1));
    QVERIFY(WorkingStatement::deleteCharge(m_t->db(), 1, 2));
    QVERIFY(WorkingStatement::resumPayerTotals(m_t->db(), 1));
    QCOMPARE(count(uR"(SELECT count(*) FROM SvedPotreb_T1 WHERE T1_ID = 1 AND SummaFull = 0
        AND SummaWOBenefit = 0 AND SummaFullReg = 0 AND SummaWOBenefitReg = 0)"_s),
             1);
    // The other payer is untouched.
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotreb_T1 WHERE T1_ID = 2 AND SummaFull IS NULL"_s), 1);
}

void TestWorkingStatement::deleteLastPersonCountsOne()
{
    QVERIFY(WorkingStatement::deletePerson(m_t->db(), 1, 1));
    QCOMPARE(count(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 1"_s), 1);
    QVERIFY(m_t->exec(u"UPDATE SvedPotreb_T1 SET PplCntReg = 5 WHERE T1_ID = 1"_s));
    QVERIFY(WorkingStatement::deletePerson(m_t->db(), 1, 2));
    // No persons left: still one person, the payer.
    QCOMPARE(count(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 1"_s), 1);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3"_s), 1);
}

void TestWorkingStatement::failedRecountKeepsPerson()
{
    QVERIFY(m_t->exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON SvedPotreb_T1 BEGIN SELECT RAISE(ABORT, 'no'); END"_s));
    bool recountFailed = false;
    QVERIFY(!WorkingStatement::deletePerson(m_t->db(), 1, 1, &recountFailed));
    QVERIFY(recountFailed);
    QCOMPARE(count(u"SELECT count(*) FROM SvedPotrebRelations_T3 WHERE T1_ID = 1"_s), 2);
    QVERIFY(!m_t->db().inTransaction());
}

void TestWorkingStatement::relations()
{
    QVERIFY(WorkingStatement::findRelation(m_t->db(), u"Другое"_s) > 0);
    QCOMPARE(WorkingStatement::findRelation(m_t->db(), u"Троюродный племянник"_s), 0);
    QVERIFY(WorkingStatement::addRelation(m_t->db(), u"Троюродный племянник"_s));
    QVERIFY(WorkingStatement::findRelation(m_t->db(), u"Троюродный племянник"_s) > 0);
}

void TestWorkingStatement::nextNumber()
{
    QCOMPARE(WorkingStatement::nextNumber(m_t->db(), u"SvedPotreb_T1"_s, u"NumT1"_s), 3);
    QCOMPARE(WorkingStatement::nextNumber(m_t->db(), u"SvedNach_T2"_s, u"T2_ID"_s, 1), 3);
    QCOMPARE(WorkingStatement::nextNumber(m_t->db(), u"SvedNach_T2"_s, u"T2_ID"_s, 9), 1);
    QVERIFY(m_t->exec(u"DELETE FROM SvedPotreb_T1"_s));
    QCOMPARE(WorkingStatement::nextNumber(m_t->db(), u"SvedPotreb_T1"_s, u"NumT1"_s), 1);
}

QTEST_GUILESS_MAIN(TestWorkingStatement)

void TestWorkingStatement::findRecord_data()
{
    QTest::addColumn<int>("file");
    QTest::addColumn<qint64>("number");
    QTest::addColumn<int>("t1Id");
    QTest::addColumn<int>("id");

    QTest::newRow("payer by its number, not its key") << 1 << qint64(9) << 5 << 0;
    QTest::newRow("payer") << 1 << qint64(2) << 2 << 0;
    QTest::newRow("charge") << 2 << qint64(3) << 2 << 3;
    QTest::newRow("person") << 3 << qint64(2) << 1 << 2;
    QTest::newRow("charge of two payers: the first") << 2 << qint64(40) << 5 << 7;
    QTest::newRow("deleted payer") << 1 << qint64(7) << 0 << 0;
    QTest::newRow("charge without its payer") << 2 << qint64(50) << 0 << 0;
    QTest::newRow("person without its payer") << 3 << qint64(60) << 0 << 0;
    QTest::newRow("no line") << 2 << qint64(0) << 0 << 0;
    QTest::newRow("no file") << 0 << qint64(1) << 0 << 0;
    QTest::newRow("file out of range") << 4 << qint64(1) << 0 << 0;
}

void TestWorkingStatement::findRecord()
{
    QFETCH(int, file);
    QFETCH(qint64, number);
    QFETCH(int, t1Id);
    QFETCH(int, id);
    // Payer 5 is numbered 9; charge line 40 went to payers 5 and 6, who share a key; charge
    // 50 and person 60 belong to payer 8, which is gone.
    QVERIFY(m_t->exec(
        u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, PplCntReg) VALUES (6, 9, 1), (5, 9, 1)"_s));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2)
        VALUES (6, 7, 40), (5, 7, 40), (8, 8, 50))"_s));
    QVERIFY(
        m_t->exec(u"INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3) VALUES (8, 9, 60)"_s));

    const auto place = WorkingStatement::findRecord(m_t->db(), file, number);
    QCOMPARE(place.has_value(), t1Id != 0);
    if (place) {
        QCOMPARE(place->t1Id, t1Id);
        QCOMPARE(place->id, id);
    }
}

#include "tst_workingstatement.moc"
