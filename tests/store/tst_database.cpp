#include "Database.h"
#include "Query.h"
#include "TestDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDatabaseStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openRefusesWhatIsNotADatabase_data();
    void openRefusesWhatIsNotADatabase();
    void openUsesWal();
    void transactionRollsBackUnlessCommitted();
    void namedParameterUsedTwice();
    void schemaRefusesWhatDoesNotFit_data();
    void schemaRefusesWhatDoesNotFit();
};

void TestDatabaseStore::openRefusesWhatIsNotADatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("text file") << QByteArray("Это не база данных, а просто текст.\r\n") << true;
    QTest::newRow("damaged header") << QByteArray("SQLite format 3\0garbage", 23) << true;
}

void TestDatabaseStore::openRefusesWhatIsNotADatabase()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Dude.b"_s);
    if (create) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content.repeated(200));
    }
    Database db;
    QVERIFY(!db.open(path));
    QVERIFY(!db.isOpen());
    QVERIFY(!db.errorString().isEmpty());
    // Opening must never create a file that was not there.
    QCOMPARE(QFile::exists(path), create);
}

void TestDatabaseStore::openUsesWal()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    QCOMPARE(t.scalar(u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
}

void TestDatabaseStore::transactionRollsBackUnlessCommitted()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    {
        Transaction tx(t.db());
        QVERIFY(tx.isActive());
        QVERIFY(t.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (1, 1)"_s));
        // No commit: leaving the scope must undo the insert.
    }
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedPotreb_T1"_s).toInt(), 0);
    QVERIFY(!t.db().inTransaction());
    {
        Transaction tx(t.db());
        QVERIFY(t.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (1, 1)"_s));
        QVERIFY(tx.commit());
    }
    QCOMPARE(t.scalar(u"SELECT count(*) FROM SvedPotreb_T1"_s).toInt(), 1);
}

void TestDatabaseStore::namedParameterUsedTwice()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    Query insert(t.db(), u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1) VALUES (:ID, :ID, :Name)"_s);
    insert.bind(u":ID"_s, 7).bind(u":Name"_s, QVariant());
    QVERIFY2(insert.exec(), qPrintable(insert.errorText()));
    QCOMPARE(t.scalar(u"SELECT NumT1 FROM SvedPotreb_T1 WHERE T1_ID = 7"_s).toInt(), 7);
    // A null QVariant is stored as NULL, not as an empty text.
    QCOMPARE(t.scalar(u"SELECT Name1 IS NULL FROM SvedPotreb_T1"_s).toInt(), 1);
}

void TestDatabaseStore::schemaRefusesWhatDoesNotFit_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("surname over 35") << u"INSERT INTO SvedPotreb_T1 (T1_ID, Name1) VALUES (1, '%1')"_s
                                                .arg(QString(36, u'Я'));
    QTest::newRow("small integer over 16 bits")
        << u"INSERT INTO SvedPotreb_T1 (T1_ID, MO) VALUES (1, 40000)"_s;
    QTest::newRow("area over decimal(9,2)")
        << u"INSERT INTO SvedPotreb_T1 (T1_ID, SquareTotal) VALUES (1, 1000000000)"_s;
    QTest::newRow("date that is not a date")
        << u"INSERT INTO SvedPotreb_T1 (T1_ID, Mes) VALUES (1, '2026-13-01')"_s;
    QTest::newRow("text in a number column")
        << u"INSERT INTO SvedPotreb_T1 (T1_ID, PplCntReg) VALUES (1, 'два')"_s;
    QTest::newRow("charge key twice")
        << u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID) VALUES (1, 1), (1, 1)"_s;
}

void TestDatabaseStore::schemaRefusesWhatDoesNotFit()
{
    QFETCH(QString, sql);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    Query query(t.db(), sql);
    QVERIFY(!query.exec());
    QVERIFY(!query.errorText().isEmpty());
}

QTEST_GUILESS_MAIN(TestDatabaseStore)
#include "tst_database.moc"
