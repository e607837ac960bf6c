#include "CommonFnc.h"
#include "FakeDialogs.h"
#include "Query.h"
#include "TestDatabase.h"
#include "UserData.h"
#include "UserDataWindows.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

/// A database whose hand-kept data are only what `fill` puts in.
std::unique_ptr<TestDatabase> emptied()
{
    auto t = std::make_unique<TestDatabase>();
    for (const char* sql :
         {"DELETE FROM Sprav_Dez", "DELETE FROM TariffBank", "DELETE FROM Sprav_HousesBTI",
          "UPDATE Sprav_Streets SET Opt = 0", "UPDATE Sprav_Services SET Opt = 0"})
        t->exec(QString::fromLatin1(sql));
    return t;
}

bool fill(TestDatabase& t)
{
    return t.exec(uR"(INSERT INTO Sprav_Dez (DezID, DezName, BName1, BName2, BName3)
                      VALUES (117, '  ООО "Ромашка" ', 'Иванова', 'Анна', NULL))"_s) &&
           t.exec(u"UPDATE Sprav_Streets SET Opt = 1 WHERE StreetID = 233"_s) &&
           t.exec(u"UPDATE Sprav_Services SET Opt = 1 WHERE ServiceID = 1"_s) &&
           t.exec(uR"(INSERT INTO TariffBank (ServiceTotalID, SummaT, DateStart, DateEnd, DateEdit)
                      VALUES (1, 50, '2026-01-01', NULL, '2026-01-05'),
                             (1, 1550, '2025-01-01', '2025-12-31', NULL))"_s) &&
           t.exec(uR"(INSERT INTO Sprav_HousesBTI (StreetID, StreetID_BTI, HouseID_BTI, HouseNum,
                      KorpNum, StroenNum) VALUES (233, 1223119, 12345, '5', '', '2'))"_s);
}

/// What a restore must reproduce, one text per kind of data.
QStringList snapshot(TestDatabase& t)
{
    QStringList out;
    const auto rows = [&](const QString& sql) {
        QStringList values;
        Query query(t.db(), sql);
        if (!query.exec())
            return QStringList{query.errorText()};
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < query.raw().record().count(); ++i)
                row << (query.value(i).isNull() ? u"NULL"_s : query.value(i).toString());
            values << row.join(u'|');
        }
        return values;
    };
    out << rows(u"SELECT DezID, DezName, BName1, BName2, IFNULL(BName3, '') FROM Sprav_Dez "
                "ORDER BY DezID"_s)
        << rows(u"SELECT StreetID FROM Sprav_Streets WHERE Opt = 1 ORDER BY 1"_s)
        << rows(u"SELECT ServiceTotalID FROM Sprav_Services WHERE Opt = 1 ORDER BY 1"_s)
        << rows(
               u"SELECT ServiceTotalID, SummaT, DateStart, DateEnd FROM TariffBank ORDER BY 1, 3"_s)
        << rows(u"SELECT StreetID, StreetID_BTI, HouseID_BTI, HouseNum, KorpNum, StroenNum "
                "FROM Sprav_HousesBTI ORDER BY 3"_s);
    return out;
}

bool writeFile(const QString& path, const QStringList& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString& line : lines)
        CommonFnc::WriteOemLine(file, line);
    return true;
}

} // namespace

class TestUserData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savedFileHoldsTheFixedWidthLines();
    void restoreReproducesWhatWasSaved();
    void restoreReadsShortAndForeignLines();
    void failuresChangeNothing();
    void tooLongANumberWritesNothing();
    void windows();

private:
    QTemporaryDir m_dir;
};

void TestUserData::savedFileHoldsTheFixedWidthLines()
{
    std::unique_ptr<TestDatabase> t = emptied();
    QVERIFY(fill(*t));
    const QString path = m_dir.filePath(u"saved.udt"_s);
    const UserData::SaveResult result = UserData::save(t->db(), path);
    QCOMPARE(result.outcome, UserData::SaveResult::Outcome::Saved);
    QCOMPARE(result.message, u"Файл сформирован."_s);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Code page 866 and CR LF: "Иванова" is 88 A2 A0 AD AE A2 A0.
    QVERIFY(bytes.contains(QByteArray::fromHex("88a2a0adaea2a0")));
    QVERIFY(bytes.endsWith("\r\n"));
    const QStringList lines = CommonFnc::OemToAnsi(bytes).split(u"\r\n"_s, Qt::SkipEmptyParts);
    const QString dez = u"Dez----0000117"_s + u"ООО \"Ромашка\""_s.leftJustified(240) +
                        u"Иванова"_s.leftJustified(50) + u"Анна"_s.leftJustified(50) +
                        QString(50, u' ');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(0), dez);
    QCOMPARE(lines.at(0).size(), 404);
    QCOMPARE(lines.at(1), u"Street-0000233"_s);
    QCOMPARE(lines.at(2), u"Serv---0000001"_s);
    // 0,50 in thousandths; an open period ends in eight zeros; no edit date.
    QCOMPARE(lines.at(3), u"Tariff-0000001000000050001012026"
                          "00000000"_s);
    QCOMPARE(lines.at(4), u"Tariff-00000010000015500010120253112"
                          "2025"_s);
    QCOMPARE(lines.at(5), u"HoBTI--000023312231190012345"
                          "5"_s +
                              QString(9, u' ') + QString(10, u' ') + u"2"_s + QString(9, u' '));
    QCOMPARE(UserData::proposedFileName(QDate(2026, 12, 9)), u"userdata_09122026.udt"_s);
}

void TestUserData::restoreReproducesWhatWasSaved()
{
    std::unique_ptr<TestDatabase> source = emptied();
    QVERIFY(fill(*source));
    const QString path = m_dir.filePath(u"round.udt"_s);
    QCOMPARE(UserData::save(source->db(), path).outcome, UserData::SaveResult::Outcome::Saved);

    std::unique_ptr<TestDatabase> target = emptied();
    // An organisation the file does not name stays; the bank is replaced.
    QVERIFY(target->exec(u"INSERT INTO Sprav_Dez (DezID, DezName) VALUES (5, 'ТСЖ')"_s));
    QVERIFY(target->exec(u"INSERT INTO TariffBank (ServiceTotalID, SummaT) VALUES (9, 100)"_s));
    QString error;
    UserData::RestoreResult result = UserData::restore(target->db(), path);
    QCOMPARE(result.outcome, UserData::RestoreResult::Outcome::Restored);
    QCOMPARE(result.message, u"Данные пользователя восстановлены."_s);
    QCOMPARE(result.applied, 6);
    QStringList expected = snapshot(*source);
    expected.prepend(u"5|ТСЖ|NULL|NULL|"_s);
    // Names come back trimmed.
    expected[1] = u"117|ООО \"Ромашка\"|Иванова|Анна|"_s;
    QCOMPARE(snapshot(*target), expected);
    QVERIFY(
        target->scalar(u"SELECT COUNT(*) FROM TariffBank WHERE DateEdit IS NOT NULL"_s).toInt() ==
        0);

    // Negative codes and tariffs keep their sign within the field and come back whole.
    QVERIFY(source->exec(
        u"INSERT INTO Sprav_Dez (DezID, DezName, BName1, BName2, BName3) VALUES (-12, 'Минус', '', '', '')"_s));
    QVERIFY(source->exec(u"INSERT INTO TariffBank (ServiceTotalID, SummaT) VALUES (-3, -125)"_s));
    const QStringList negative = UserData::lines(source->db(), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(negative.contains(u"Tariff-"_s + u"-000003"_s + u"-000001250"_s + u"00000000"_s +
                              u"00000000"_s));
    QVERIFY(negative.first().startsWith(u"Dez-----000012Минус"_s) ||
            negative.at(1).startsWith(u"Dez-----000012Минус"_s));
    const QString negativePath = m_dir.filePath(u"negative.udt"_s);
    QCOMPARE(UserData::save(source->db(), negativePath).outcome,
             UserData::SaveResult::Outcome::Saved);
    std::unique_ptr<TestDatabase> again = emptied();
    QCOMPARE(UserData::restore(again->db(), negativePath).skipped, 0);
    QCOMPARE(again->scalar(u"SELECT DezName FROM Sprav_Dez WHERE DezID = -12"_s).toString(),
             u"Минус"_s);
    QCOMPARE(again->scalar(u"SELECT SummaT FROM TariffBank WHERE ServiceTotalID = -3"_s).toInt(),
             -125);
    // A second restore changes nothing; its house is refused as a duplicate and counted.
    result = UserData::restore(target->db(), path);
    QCOMPARE(snapshot(*target), expected);
    QCOMPARE(result.skipped, 1);
    QVERIFY(result.message.endsWith(u": 1."_s));
}

void TestUserData::restoreReadsShortAndForeignLines()
{
    std::unique_ptr<TestDatabase> t = emptied();
    const QString path = m_dir.filePath(u"short.udt"_s);
    // An editor took the trailing blanks off the first line: the name it still holds comes
    // back.
    QVERIFY(writeFile(path, {u"Dez----0000555ТСЖ Тест"_s, u""_s, u"Abc"_s, u"Other--0000001"_s,
                             u"Dez----0000556"_s, u"Tariff-00000010000000500xx012026"_s,
                             u"Street-abcdefg"_s}));
    const UserData::RestoreResult result = UserData::restore(t->db(), path);
    QCOMPARE(result.outcome, UserData::RestoreResult::Outcome::Restored);
    QCOMPARE(result.applied, 2);
    // The short line, the foreign tag, the bad date and the bad code.
    QCOMPARE(result.skipped, 4);
    QCOMPARE(t->scalar(u"SELECT DezName || '|' || BName1 || '|' || BName2 || '|' || BName3 "
                       "FROM Sprav_Dez WHERE DezID = 555"_s)
                 .toString(),
             u"ТСЖ Тест|||"_s);
    QCOMPARE(t->scalar(u"SELECT DezName FROM Sprav_Dez WHERE DezID = 556"_s).toString(), QString());
    QVERIFY(!t->scalar(u"SELECT DezName FROM Sprav_Dez WHERE DezID = 556"_s).isNull());
    QCOMPARE(t->scalar(u"SELECT COUNT(*) FROM TariffBank"_s).toInt(), 0);
}

void TestUserData::failuresChangeNothing()
{
    std::unique_ptr<TestDatabase> t = emptied();
    QVERIFY(fill(*t));
    const QStringList before = snapshot(*t);
    QCOMPARE(UserData::restore(t->db(), m_dir.filePath(u"missing.udt"_s)).message,
             u"Ошибка чтения файла, содержащего данные пользователя."_s);
    QCOMPARE(UserData::restore(t->db(), m_dir.path()).outcome,
             UserData::RestoreResult::Outcome::CannotRead);

    // The database fails at the house line, after the bank was emptied and tariffs put in:
    // all of it is taken back.
    const QString path = m_dir.filePath(u"fails.udt"_s);
    QVERIFY(writeFile(path, {u"Dez----0000777Новая"_s,
                             u"Tariff-0000002000000100001012026"
                             "00000000"_s,
                             u"HoBTI--000023301223119007777"
                             "9"_s}));
    QVERIFY(t->exec(u"CREATE TRIGGER broken BEFORE INSERT ON Sprav_HousesBTI "
                    "BEGIN SELECT * FROM no_such_table; END"_s));
    const UserData::RestoreResult result = UserData::restore(t->db(), path);
    QCOMPARE(result.outcome, UserData::RestoreResult::Outcome::Failed);
    QVERIFY(result.message.startsWith(u"Ошибка восстановления данных пользователя."_s));
    QCOMPARE(snapshot(*t), before);
    QVERIFY(!t->db().inTransaction());
}

void TestUserData::tooLongANumberWritesNothing()
{
    std::unique_ptr<TestDatabase> t = emptied();
    QVERIFY(fill(*t));
    const QString path = m_dir.filePath(u"kept.udt"_s);
    QCOMPARE(UserData::save(t->db(), path).outcome, UserData::SaveResult::Outcome::Saved);
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    const QByteArray kept = earlier.readAll();
    earlier.close();
    QVERIFY(t->exec(uR"(INSERT INTO Sprav_Streets (StreetID, StreetID_BTI, StreetName, Opt)
                        VALUES (12345678, NULL, 'ул. Длинная', 1))"_s));
    const UserData::SaveResult result = UserData::save(t->db(), path);
    QCOMPARE(result.outcome, UserData::SaveResult::Outcome::Refused);
    QCOMPARE(result.message, u"Ошибка кодировки числа.\r\nКод улицы: 12345678"_s);
    // The earlier backup of that name is as it was.
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), kept);
}

void TestUserData::windows()
{
    std::unique_ptr<TestDatabase> t = emptied();
    QVERIFY(fill(*t));
    FakeDialogs dialogs;
    const QString path = m_dir.filePath(u"window"_s);
    {
        TUserDataSave_Form save(t->db());
        QVERIFY(save.findChild<QLabel*>(u"Label1"_s)->text().startsWith(u"Сохранение:\n"_s));
        dialogs.fileNames = {QString(), path};
        dialogs.answers = {true};
        // Cancelled, nothing happens; then a name without an extension gets ".txt".
        save.UserDataSave_BBtnClick();
        QVERIFY(dialogs.texts(FakeDialogs::Kind::Question).isEmpty());
        save.UserDataSave_BBtnClick();
        QCOMPARE(dialogs.texts(FakeDialogs::Kind::Notice), QStringList{u"Файл сформирован."_s});
        QCOMPARE(save.result(), int(QDialog::Accepted));
        QVERIFY(QFile::exists(path + u".txt"_s));
    }
    dialogs.clear();
    {
        TUserDataRestore_Form restore(t->db());
        dialogs.fileNames = {path + u".txt"_s};
        restore.UserDataRestore_BBtnClick();
        QCOMPARE(dialogs.texts(FakeDialogs::Kind::Notice),
                 QStringList{u"Данные пользователя восстановлены.\r\nПропущено строк файла, "
                             "которые не удалось прочитать или записать: 1."_s});
        QCOMPARE(restore.result(), int(QDialog::Accepted));
    }
}

QTEST_MAIN(TestUserData)
#include "tst_userdata.moc"
