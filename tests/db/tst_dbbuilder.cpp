#include "DbBuilder.h"
#include "Query.h"
#include "Schema.h"
#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestDbBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsEveryTable();
    void neverOverwrites();
    void failedBuildLeavesNoFile();
    void fixedCodes_data();
    void fixedCodes();
    void serviceVariants();
    void oneTariffInForce();
};

void TestDbBuilder::buildsEveryTable()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    QCOMPARE(t.db().missingTables(Schema::requiredTables()), QStringList());
    QCOMPARE(QFile::permissions(t.filePath()) & (QFile::ReadGroup | QFile::ReadOther |
                                                 QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
    QCOMPARE(t.scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
    // The working tables ship empty.
    for (const QString& table : Schema::workingTables())
        QCOMPARE(t.scalar(u"SELECT count(*) FROM "_s + table).toInt(), 0);
}

void TestDbBuilder::neverOverwrites()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"Base/Dude.b"_s);
    QString error;
    QVERIFY2(DbBuilder::build(DbBuilder::defaultSourceDir(), target, &error), qPrintable(error));
    QFile file(target);
    QVERIFY(file.open(QIODevice::Append));
    file.write("operator's data");
    file.close();
    const qint64 size = QFileInfo(target).size();
    QVERIFY(!DbBuilder::build(DbBuilder::defaultSourceDir(), target, &error));
    QVERIFY(error.contains(target.section(u'/', -1)));
    QCOMPARE(QFileInfo(target).size(), size);
}

void TestDbBuilder::failedBuildLeavesNoFile()
{
    QTemporaryDir source;
    QVERIFY(QDir(source.path()).mkdir(u"seed"_s));
    QFile schema(source.filePath(u"schema.sql"_s));
    QVERIFY(schema.open(QIODevice::WriteOnly));
    schema.write("CREATE TABLE A (x INTEGER);\n");
    schema.close();
    QFile seed(source.filePath(u"seed/10_bad.sql"_s));
    QVERIFY(seed.open(QIODevice::WriteOnly));
    seed.write("INSERT INTO A VALUES (1);\nINSERT INTO NoSuchTable VALUES (2);\n");
    seed.close();

    QTemporaryDir target;
    const QString file = target.filePath(u"Base/Dude.b"_s);
    QString error;
    QVERIFY(!DbBuilder::build(source.path(), file, &error));
    QVERIFY2(error.startsWith(u"10_bad.sql: "_s), qPrintable(error));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(QDir(target.filePath(u"Base"_s)).entryList(QDir::Files), QStringList());
}

void TestDbBuilder::fixedCodes_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("minimum");
    QTest::newRow("permanent registration") << u"SELECT count(*) FROM Sprav_TypeReg WHERE TypeRegID = 1"_s << 1;
    QTest::newRow("no registration") << u"SELECT count(*) FROM Sprav_TypeReg WHERE TypeRegID = 0"_s << 1;
    QTest::newRow("no share in property") << u"SELECT count(*) FROM Sprav_RelationOwn WHERE RelationOwnID = 0"_s << 1;
    QTest::newRow("no lock") << u"SELECT count(*) FROM Sprav_TypeLock WHERE TypeLockID = 0"_s << 1;
    QTest::newRow("lock types") << u"SELECT count(*) FROM Sprav_TypeLock WHERE TypeLockID > 0"_s << 2;
    QTest::newRow("stove types") << u"SELECT count(*) FROM Sprav_TypeStove"_s << 2;
    QTest::newRow("occupancy 1-5") << u"SELECT count(*) FROM Sprav_TypeOccupancy WHERE TypeOccupancyID BETWEEN 1 AND 5"_s << 5;
    QTest::newRow("sexes") << u"SELECT count(*) FROM Sprav_Sex WHERE SexNameShort IN ('М', 'Ж')"_s << 2;
    QTest::newRow("kinship other") << u"SELECT count(*) FROM Sprav_Relation WHERE RelationName = 'Другое'"_s << 1;
    QTest::newRow("services") << u"SELECT count(*) FROM Sprav_Services"_s << 30;
    QTest::newRow("working services") << u"SELECT count(*) FROM Sprav_Services WHERE Opt = 1"_s << 5;
    QTest::newRow("streets") << u"SELECT count(*) FROM Sprav_Streets"_s << 200;
    QTest::newRow("unmatched streets") << u"SELECT count(*) FROM Sprav_Streets WHERE StreetID_BTI IS NULL OR StreetID_BTI = 0"_s << 1;
    QTest::newRow("houses") << u"SELECT count(*) FROM Sprav_HousesBTI"_s << 1;
    QTest::newRow("suppliers") << u"SELECT count(*) FROM Sprav_Post"_s << 5;
    QTest::newRow("districts") << u"SELECT count(*) FROM Sprav_MO"_s << 10;
    QTest::newRow("organisations") << u"SELECT count(*) FROM Sprav_Dez"_s << 1;
}

void TestDbBuilder::fixedCodes()
{
    QFETCH(QString, sql);
    QFETCH(int, minimum);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    const int count = t.scalar(sql).toInt();
    QVERIFY2(count >= minimum, qPrintable(u"%1 < %2"_s.arg(count).arg(minimum)));
}

void TestDbBuilder::serviceVariants()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    // Service 10 has a variant for every lock type above 0, keyed by the lock type.
    QCOMPARE(t.scalar(uR"(SELECT count(*) FROM Sprav_TypeLock tl WHERE tl.TypeLockID > 0
        AND NOT EXISTS (SELECT 1 FROM Sprav_Services ss
                        WHERE ss.ServiceID = 10 AND ss.ServiceWideID = tl.TypeLockID))"_s)
                 .toInt(),
             0);
    // Stove-dependent services have a variant for every stove type.
    QCOMPARE(t.scalar(uR"(SELECT count(*) FROM Sprav_TypeStove ts, (SELECT DISTINCT ServiceID
        FROM Sprav_Services WHERE ServiceID IN (20, 27, 154, 155, 156, 157, 158)) s
        WHERE NOT EXISTS (SELECT 1 FROM Sprav_Services ss
                          WHERE ss.ServiceID = s.ServiceID AND ss.ServiceWideID = ts.TypeStoveID))"_s)
                 .toInt(),
             0);
    QVERIFY(t.scalar(u"SELECT count(DISTINCT ServiceID) FROM Sprav_Services WHERE ServiceID IN (20, 27)"_s)
                .toInt() == 2);
    QVERIFY(t.scalar(u"SELECT count(DISTINCT ServiceID) FROM Sprav_Services WHERE ServiceID BETWEEN 154 AND 158"_s)
                .toInt() >= 2);
    // Every other service has exactly its variant 0.
    QCOMPARE(t.scalar(uR"(SELECT count(*) FROM Sprav_Services
        WHERE ServiceID NOT IN (10, 20, 27, 154, 155, 156, 157, 158) AND ServiceWideID <> 0)"_s)
                 .toInt(),
             0);
}

void TestDbBuilder::oneTariffInForce()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    // Every working service variant has exactly one tariff in force in each month of 2024-2026.
    for (int year = 2024; year <= 2026; ++year) {
        for (int month = 1; month <= 12; ++month) {
            Query q(t.db(), uR"(SELECT ss.ServiceTotalID,
                (SELECT count(*) FROM TariffBank tb WHERE tb.ServiceTotalID = ss.ServiceTotalID
                   AND tb.DateStart <= :D AND (tb.DateEnd > :D OR tb.DateEnd IS NULL)) AS n
                FROM Sprav_Services ss WHERE ss.Opt = 1)"_s);
            q.bind(u":D"_s, QDate(year, month, 1).toString(Qt::ISODate));
            QVERIFY2(q.exec(), qPrintable(q.errorText()));
            while (q.next()) {
                QVERIFY2(q.value(1).toInt() == 1,
                         qPrintable(u"ServiceTotalID %1 in %2-%3: %4 tariffs"_s
                                        .arg(q.value(0).toString())
                                        .arg(year)
                                        .arg(month)
                                        .arg(q.value(1).toInt())));
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestDbBuilder)
#include "tst_dbbuilder.moc"
