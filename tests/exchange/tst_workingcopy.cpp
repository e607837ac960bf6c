#include "TestDatabase.h"
#include "WorkingCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestWorkingCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copyHoldsTheReferenceDataOnlyAndIsWritable();
    void copiesOfRunsThatAreGoneAreRemoved();
    void missingAndWrongSources();
};

void TestWorkingCopy::copyHoldsTheReferenceDataOnlyAndIsWritable()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    // A statement's worth of rows, which the work replaces by its own.
    QVERIFY(
        t.exec(uR"(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000)
        INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1, Name2, Name3, Numls)
        SELECT i, i, printf('%035d', i), printf('%020d', i), printf('%020d', i), CAST(i AS TEXT) FROM n)"_s));
    const qint64 streets = t.scalar(u"SELECT COUNT(*) FROM Sprav_Streets"_s).toLongLong();
    t.db().close();
    QFile::setPermissions(t.filePath(),
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    WorkingCopy copy;
    QCOMPARE(copy.make(t.filePath()), WorkingCopy::Outcome::Made);
    QVERIFY(QFileInfo(copy.filePath()).permissions() & QFileDevice::WriteOwner);
    QVERIFY(QFileInfo(copy.filePath()).size() < QFileInfo(t.filePath()).size() / 2);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"copy"_s);
        db.setDatabaseName(copy.filePath());
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(u"SELECT (SELECT COUNT(*) FROM SvedPotreb_T1), "
                           "(SELECT COUNT(*) FROM Sprav_Streets)"_s));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toLongLong(), 0);
        QCOMPARE(query.value(1).toLongLong(), streets);
        // The copy takes writes.
        QVERIFY(query.exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (1, 1)"_s));
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(u"copy"_s);
    QFile::setPermissions(t.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestWorkingCopy::copiesOfRunsThatAreGoneAreRemoved()
{
    // The number of a process that has ended.
    QProcess gone;
    gone.start(u"true"_s, {});
    QVERIFY(gone.waitForFinished());
    const qint64 deadPid = gone.processId() > 0 ? gone.processId() : 999999;
    const auto leftover = [](const QString& name, const QByteArray& pid) {
        const QString folder = QDir::tempPath() + u"/orbelon-files-copy-"_s + name;
        QDir().mkpath(folder);
        QFile owner(folder + u"/owner.pid"_s);
        owner.open(QIODevice::WriteOnly);
        owner.write(pid);
        QFile copy(folder + u"/Dude.b"_s);
        copy.open(QIODevice::WriteOnly);
        copy.write(QByteArray(1024, 'x'));
        return folder;
    };
    const QString dead = leftover(u"testdead"_s, QByteArray::number(deadPid));
    const QString alive = leftover(u"testlive"_s, QByteArray::number(qint64(::getpid())));
    const QString unknown = QDir::tempPath() + u"/orbelon-files-copy-testnew"_s;
    QDir().mkpath(unknown);
    WorkingCopy::removeStaleCopies();
    QVERIFY(!QFileInfo::exists(dead));
    // A copy still in use and one whose owner has not written its number yet stay.
    QVERIFY(QFileInfo::exists(alive));
    QVERIFY(QFileInfo::exists(unknown));
    QDir(alive).removeRecursively();
    QDir(unknown).removeRecursively();
}

void TestWorkingCopy::missingAndWrongSources()
{
    WorkingCopy copy;
    QCOMPARE(copy.make(u"/nonexistent/Dude.b"_s), WorkingCopy::Outcome::Missing);
    QCOMPARE(copy.make(QDir::tempPath()), WorkingCopy::Outcome::Unusable);
    QVERIFY2(copy.errorString().contains(u"не файл"_s), qPrintable(copy.errorString()));
    // A database whose last bytes are lost, and one damaged inside with its size intact.
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.error()));
    t.db().close();
    QFile file(t.filePath());
    const qint64 size = file.size();
    QVERIFY(file.resize(size - 1000));
    QCOMPARE(copy.make(t.filePath()), WorkingCopy::Outcome::Unusable);
    QVERIFY2(copy.errorString().contains(u"повреждена"_s), qPrintable(copy.errorString()));
    QVERIFY(file.resize(size - 4096));
    QCOMPARE(copy.make(t.filePath()), WorkingCopy::Outcome::Unusable);
    QVERIFY2(copy.errorString().contains(u"повреждена"_s), qPrintable(copy.errorString()));
}

QTEST_MAIN(TestWorkingCopy)
#include "tst_workingcopy.moc"
