#include "InstanceGuard.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

class TestInstanceGuard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondCopyRefusedWhileFirstRuns();
    void lockOfCrashedCopyIsTakenOver();
    void releaseLetsTheNextStart();

private:
    static bool startHolder(QProcess& holder, const QString& dir);
};

bool TestInstanceGuard::startHolder(QProcess& holder, const QString& dir)
{
    holder.start(QStringLiteral(LOCKHOLDER_PATH), {dir});
    if (!holder.waitForStarted(10000) || !holder.waitForReadyRead(10000))
        return false;
    return holder.readAll().trimmed() == "locked";
}

void TestInstanceGuard::secondCopyRefusedWhileFirstRuns()
{
    QTemporaryDir dir;
    QProcess first;
    QVERIFY(startHolder(first, dir.path()));
    InstanceGuard second(u"ORBELON_memfile"_s, dir.path());
    QVERIFY(!second.tryAcquire());
    // The refusal must not disturb the first copy's marker.
    QVERIFY(QFile::exists(second.lockFilePath()));
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}

void TestInstanceGuard::lockOfCrashedCopyIsTakenOver()
{
    QTemporaryDir dir;
    QProcess crashed;
    QVERIFY(startHolder(crashed, dir.path()));
    // SIGKILL: the copy dies without removing its lock file, as in a crash.
    crashed.kill();
    QVERIFY(crashed.waitForFinished());
    InstanceGuard next(u"ORBELON_memfile"_s, dir.path());
    QVERIFY(QFile::exists(next.lockFilePath()));
    QVERIFY(next.tryAcquire());
}

void TestInstanceGuard::releaseLetsTheNextStart()
{
    QTemporaryDir dir;
    {
        InstanceGuard first(u"ORBELON_memfile"_s, dir.path());
        QVERIFY(first.tryAcquire());
        InstanceGuard second(u"ORBELON_memfile"_s, dir.path());
        QVERIFY(!second.tryAcquire());
    }
    InstanceGuard later(u"ORBELON_memfile"_s, dir.path());
    QVERIFY(later.tryAcquire());
}

QTEST_GUILESS_MAIN(TestInstanceGuard)
#include "tst_instanceguard.moc"
