#include "TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestUserDataTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saveAndRestoreByCommand();

private:
    static int run(const QStringList& arguments, const QString& workingDir, QString* err = nullptr)
    {
        QProcess process;
        process.setWorkingDirectory(workingDir);
        process.start(QStringLiteral(ORBELON_FILES_PATH), arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        if (err)
            *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }
};

void TestUserDataTool::saveAndRestoreByCommand()
{
    TestDatabase source;
    QVERIFY2(source.isValid(), qPrintable(source.error()));
    QVERIFY(
        source.exec(u"INSERT INTO Sprav_Dez (DezID, DezName) VALUES (4242, 'ТСЖ \"Восток\"')"_s));
    QTemporaryDir dir;
    const QString file = dir.filePath(u"backup.udt"_s);
    QString err;
    // The working database of the current folder by default.
    QCOMPARE(run({u"userdata"_s, u"save"_s, file}, source.directory(), &err), 0);
    QVERIFY2(err.contains(u"Файл сформирован."_s), qPrintable(err));
    QVERIFY(QFile::exists(file));

    TestDatabase target;
    QVERIFY(target.exec(u"DELETE FROM Sprav_HousesBTI"_s));
    QVERIFY(target.exec(u"DELETE FROM Sprav_Dez"_s));
    QCOMPARE(
        run({u"userdata"_s, u"restore"_s, file, u"--db"_s, target.filePath()}, dir.path(), &err),
        0);
    QVERIFY2(err.contains(u"Данные пользователя восстановлены."_s), qPrintable(err));
    QCOMPARE(target.scalar(u"SELECT DezName FROM Sprav_Dez WHERE DezID = 4242"_s).toString(),
             u"ТСЖ \"Восток\""_s);
    // Again: the houses are there already, their lines are skipped.
    QCOMPARE(run({u"userdata"_s, u"restore"_s, file, u"--db"_s, target.filePath()}, dir.path()), 1);

    // Not done: no such file, no database, a wrong command line.
    const QVariant dez = target.scalar(u"SELECT COUNT(*) FROM Sprav_Dez"_s);
    QCOMPARE(run({u"userdata"_s, u"restore"_s, dir.filePath(u"none.udt"_s), u"--db"_s,
                  target.filePath()},
                 dir.path(), &err),
             2);
    QVERIFY(err.contains(u"Ошибка чтения файла, содержащего данные пользователя."_s));
    QCOMPARE(target.scalar(u"SELECT COUNT(*) FROM Sprav_Dez"_s), dez);
    QCOMPARE(run({u"userdata"_s, u"save"_s, file}, dir.path(), &err), 2);
    QVERIFY(!QFile::exists(dir.filePath(u"Base/Dude.b"_s)));
    QCOMPARE(run({u"userdata"_s, u"copy"_s, file}, dir.path()), 2);
}

QTEST_MAIN(TestUserDataTool)
#include "tst_userdatatool.moc"
