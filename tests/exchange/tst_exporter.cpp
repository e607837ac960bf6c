#include "CommonFnc.h"
#include "ExchangeFormat.h"
#include "Exporter.h"
#include "Importer.h"
#include "Query.h"
#include "SysFolders.h"
#include "TestDatabase.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <tuple>

using namespace Qt::Literals::StringLiterals;
using Exchange::ExchangeFileNames;
using Exchange::Exporter;
using Exchange::FileKind;
using Exchange::WriteResult;

namespace {

const QDate Today(2024, 4, 2);
const QDate Period(2024, 3, 1);

// One consistent payer (NumT1 1) with one charge and one person, as the working tables
// hold them: decimals in integer units, dates as ISO text.
const QVariantMap BasePayer{{u"T1_ID"_s, 1},
                            {u"NumT1"_s, 1},
                            {u"DateEdit"_s, u"2024-03-15"_s},
                            {u"DezID"_s, 117},
                            {u"DezVladID"_s, 117},
                            {u"MO"_s, 1},
                            {u"Name1"_s, u"Иванов"_s},
                            {u"Name2"_s, u"Иван"_s},
                            {u"Name3"_s, u"Иванович"_s},
                            {u"StreetID_BTI"_s, 2979652},
                            {u"HouseNum"_s, u"5"_s},
                            {u"StroenNum"_s, QVariant()},
                            {u"KorpNum"_s, u"2"_s},
                            {u"FlatNum"_s, u"12"_s},
                            {u"HouseID_BTI"_s, 4321},
                            {u"FlatID_BTI"_s, 98},
                            {u"ENumlsID"_s, 1234567890LL},
                            {u"Numls"_s, u"100-1"_s},
                            {u"Mes"_s, u"2024-03-01"_s},
                            {u"TypeOwnID"_s, 1},
                            {u"TypeOccupancyID"_s, 1},
                            {u"PplCntReg"_s, 1},
                            {u"SquareTotal"_s, 4550},
                            {u"SquareLive"_s, 3000},
                            {u"TypeLockID"_s, 0},
                            {u"TypeStoveID"_s, 1},
                            {u"SummaFull"_s, 7534},
                            {u"SummaWOBenefit"_s, 7000},
                            {u"SummaFullReg"_s, 7534},
                            {u"SummaWOBenefitReg"_s, 7000},
                            {u"ColMesDebts"_s, 15}};

const QVariantMap BaseCharge{{u"T1_ID"_s, 1},
                             {u"T2_ID"_s, 1},
                             {u"NumT2"_s, 1},
                             {u"ServiceID"_s, 1},
                             {u"PostID"_s, 5},
                             {u"Volume"_s, 1250},
                             {u"Tariff"_s, 1390},
                             {u"SummaService"_s, 7534},
                             {u"SummaServiceWOBenefit"_s, 7000},
                             {u"SummaServiceReg"_s, 7534},
                             {u"SummaServiceWOBenefitReg"_s, 7000},
                             {u"TypeNachID"_s, 5}};

const QVariantMap BasePerson{{u"T1_ID"_s, 1},
                             {u"T3_ID"_s, 1},
                             {u"NumT3"_s, 1},
                             {u"NumberPeople"_s, 1},
                             {u"Name1"_s, u"Иванов"_s},
                             {u"Name2"_s, u"Иван"_s},
                             {u"Name3"_s, u"Иванович"_s},
                             {u"SNILS"_s, u"112-233-445 95"_s},
                             {u"BirthDate"_s, u"1970-03-09"_s},
                             {u"Sex"_s, u"М"_s},
                             {u"Relation"_s, u"Сам"_s},
                             {u"RelationOwnID"_s, 1},
                             {u"SquareShare"_s, 4550},
                             {u"TypeRegID"_s, 1},
                             {u"DateRegStart"_s, u"2000-02-01"_s},
                             {u"DateRegEnd"_s, QVariant()},
                             {u"PrFactLiveID"_s, 1}};

// The three records above as the export writes them on 02.04.2024 for organisation 117
// and March 2024.
const QString PayerLine =
    u"02042024\t117\t117\t1\tИванов\tИван\tИванович\t2979652\t5\t \t2\t12\t1234567890\t100-1\t032024\t1\t1\t4550\t1\t3000\t0\t1\t7534\t7000\t7534\t7000\t15\t4321\t98"_s;
const QString ChargeLine =
    u"02042024\t117\t100-1\t1234567890\t032024\t1\t5\t1250\t1390\t7534\t7000\t7534\t7000\t5"_s;
const QString PersonLine =
    u"02042024\t117\t1234567890\t100-1\t032024\t1\tИванов\tИван\tИванович\t09031970\tМ\tСам\t1\t4550\t1\t01022000\t0\t1\t112-233-445 95"_s;

QVariantMap with(QVariantMap row, const QVariantMap& changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

/// Records everything the export tells.
class Recorder final : public Exchange::ExportListener
{
public:
    void checkFinding(int file, qint64 number, const QString& message) override
    {
        findings << u"%1|%2|%3"_s.arg(file).arg(number).arg(message);
    }
    void checkDone(int check, qint64 found) override
    {
        done << check;
        doneFindings += found;
    }
    void writingStarted(qint64 total) override { totals << total; }
    void recordWritten(qint64 written) override
    {
        if (written != lastWritten + 1)
            ++gaps;
        lastWritten = written;
    }

    QStringList findings;
    QList<int> done;
    qint64 doneFindings = 0;
    QList<qint64> totals;
    qint64 lastWritten = 0;
    int gaps = 0;
};

/// Takes what an import tells and keeps only its error rows.
class ImportErrors final : public Exchange::ImportListener
{
public:
    void linesCounted(qint64, qint64, qint64) override {}
    void linesRead(FileKind, qint64) override {}
    void payerLineRead(const QDate&, const QVariant&) override {}
    void errorAdded(int file, qint64 line, const QString& message) override
    {
        rows << u"%1|%2|%3"_s.arg(file).arg(line).arg(message);
    }
    void stepDone(int) override {}
    void failure(const QString& message) override { rows << message; }

    QStringList rows;
};

QString finding(int file, qint64 number, const QString& message)
{
    return u"%1|%2|%3"_s.arg(file).arg(number).arg(message);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// Lines of an exchange file as text, without their CR LF.
QStringList linesOf(const QString& path)
{
    QStringList lines;
    const QByteArray bytes = readAll(path);
    for (const QByteArray& line : bytes.split('\n')) {
        if (!line.isEmpty())
            lines << CommonFnc::OemToAnsi(line.endsWith('\r') ? line.chopped(1) : line);
    }
    return lines;
}

/// Every row of a working table, every column but the ones named, ordered by its keys.
QStringList dump(Database& db, const QString& table, const QString& order)
{
    QStringList rows;
    Query query(db, u"SELECT * FROM "_s + table + u" ORDER BY "_s + order);
    if (!query.exec())
        return {u"query failed: "_s + query.errorText()};
    while (query.next()) {
        const QSqlRecord record = query.raw().record();
        QStringList cells;
        for (int c = 0; c < record.count(); ++c) {
            const QVariant v = query.value(c);
            cells << record.fieldName(c) + u'=' + (v.isNull() ? u"NULL"_s : v.toString());
        }
        rows << cells.join(u' ');
    }
    return rows;
}

/// A device that refuses every write, as a disk that has gone away.
class RefusingDevice final : public QIODevice
{
public:
    RefusingDevice()
    {
        open(QIODevice::WriteOnly);
        setErrorString(u"устройство недоступно"_s);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

/// Keeps file sizes of this process below `bytes` while it lives: a write beyond fails
/// with EFBIG as on a full disk (the signal that would end the process is ignored).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

/// The entries of a folder, hidden ones too, by bare name with their bytes.
using Files = QMap<QString, QByteArray>;

Files folderState(const QString& folder)
{
    Files files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                             QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
        files.insert(entry.fileName(),
                     entry.isDir() ? QByteArray("<folder>") : readAll(entry.filePath()));
    return files;
}

/// Makes `folder` hold exactly `files`: the state a stopped run left, put back.
bool setFolderState(const QString& folder, const Files& files)
{
    if (!QDir(folder).removeRecursively() || !QDir().mkpath(folder))
        return false;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(QDir(folder).filePath(it.key()));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
    }
    return true;
}

/// What sets `actual` apart from `expected`, empty when they are the same; `where` names
/// the moment for the failure message.
QString difference(const Files& actual, const Files& expected, const QString& where = QString())
{
    QStringList parts;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!actual.contains(it.key()))
            parts << u"missing "_s + it.key();
        else if (actual.value(it.key()) != it.value())
            parts << u"other bytes in "_s + it.key() + u": "_s +
                         QString::fromLatin1(actual.value(it.key()).left(40));
    }
    for (auto it = actual.cbegin(); it != actual.cend(); ++it) {
        if (!expected.contains(it.key()))
            parts << u"unexpected "_s + it.key();
    }
    return parts.isEmpty() ? QString() : where + u": "_s + parts.join(u"; "_s);
}

bool systemRename(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool failingRename(const QString&, const QString&)
{
    errno = EIO;
    return false;
}

/// A rename that notes the folder as a stop right before and right after it would leave it.
Exchange::RenameFunction recordingRename(const QString& folder, QList<Files>& stops)
{
    return [folder, &stops](const QString& from, const QString& to) {
        stops << folderState(folder);
        const bool renamed = systemRename(from, to);
        stops << folderState(folder);
        return renamed;
    };
}
} // namespace

class TestExporter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void standardNames_data();
    void standardNames();
    void derivedNames_data();
    void derivedNames();
    void defaultExtension_data();
    void defaultExtension();
    void proposedFolder();
    void counts();

    void checks_data();
    void checks();
    void failingCheckIsNoPass();

    void writesLongLayout();
    void writtenFields_data();
    void writtenFields();
    void recordOrder();
    void bytesOnDisk();
    void progressPerRecord();
    void demoStatementRoundTrip();

    void missingFolderCreatesNothing();
    void fileThatCannotBeCreatedLeavesOthersUntouched();
    void failedWriteLeavesNoPartialFile();
    void failingDeviceStopsTheRun();

    void failedRenameKeepsTheOldSet_data();
    void failedRenameKeepsTheOldSet();
    void stoppedRunIsSettledByTheNext_data();
    void stoppedRunIsSettledByTheNext();
    void leftoversAreSettled_data();
    void leftoversAreSettled();
    void oneFileForTwoNamesIsRefused_data();
    void oneFileForTwoNamesIsRefused();

    void summary();
    void checkSumFormat_data();
    void checkSumFormat();

private:
    QString path(const QString& name) const { return QDir(m_t->directory()).filePath(name); }
    ExchangeFileNames namesIn(const QString& folder) const
    {
        return Exchange::standardFileNames(folder, 117, Period);
    }
    bool insert(const QString& table, const QVariantMap& values);
    bool insertStatement();
    WriteResult write(const ExchangeFileNames& names);
    Exchange::ExportStamp stamp() const;
    /// The three files of an earlier statement under `names`, by bare name.
    static Files oldSet(const ExchangeFileNames& names);
    /// The three files this statement writes, by bare name.
    Files newSet();

    std::unique_ptr<TestDatabase> m_t;
    Recorder m_rec;
};

void TestExporter::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestExporter::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_rec = Recorder();
}

void TestExporter::cleanup()
{
    m_t.reset();
}

bool TestExporter::insert(const QString& table, const QVariantMap& values)
{
    QStringList placeholders;
    for (const QString& column : values.keys())
        placeholders << u":"_s + column;
    Query query(m_t->db(), u"INSERT INTO "_s + table + u" ("_s + values.keys().join(u", "_s) +
                               u") VALUES ("_s + placeholders.join(u", "_s) + u")"_s);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        query.bind(u":"_s + it.key(), it.value());
    if (!query.exec()) {
        qWarning("%s: %s", qPrintable(table), qPrintable(query.errorText()));
        return false;
    }
    return true;
}

bool TestExporter::insertStatement()
{
    return insert(u"SvedPotreb_T1"_s, BasePayer) && insert(u"SvedNach_T2"_s, BaseCharge) &&
           insert(u"SvedPotrebRelations_T3"_s, BasePerson);
}

Exchange::ExportStamp TestExporter::stamp() const
{
    Exchange::ExportStamp s;
    s.organisation = 117;
    s.period = Period;
    s.today = Today;
    return s;
}

WriteResult TestExporter::write(const ExchangeFileNames& names)
{
    return Exporter(m_t->db()).write(names, stamp(), m_rec);
}

Files TestExporter::oldSet(const ExchangeFileNames& names)
{
    return {{QFileInfo(names.payers).fileName(), "old I\r\n"},
            {QFileInfo(names.charges).fileName(), "old II\r\n"},
            {QFileInfo(names.persons).fileName(), "old III\r\n"}};
}

Files TestExporter::newSet()
{
    const QString folder = path(u"reference/"_s);
    if (!QDir().mkpath(folder) || write(namesIn(folder)).outcome != WriteResult::Outcome::Written)
        return {{u"reference"_s, "not written"}};
    return folderState(folder);
}

// --- Names -----------------------------------------------------------------------------

void TestExporter::standardNames_data()
{
    QTest::addColumn<QVariant>("organisation");
    QTest::addColumn<QDate>("period");
    QTest::addColumn<QString>("payers");

    QTest::newRow("117, March 2024")
        << QVariant(117) << QDate(2024, 3, 1) << u"P1_117_032024.TXT"_s;
    QTest::newRow("1204, December 2026")
        << QVariant(1204) << QDate(2026, 12, 1) << u"P1_1204_122026.TXT"_s;
    QTest::newRow("code as text with leading zeros")
        << QVariant(u"0117"_s) << QDate(2024, 3, 1) << u"P1_117_032024.TXT"_s;
}

void TestExporter::standardNames()
{
    QFETCH(QVariant, organisation);
    QFETCH(QDate, period);
    QFETCH(QString, payers);

    const ExchangeFileNames names =
        Exchange::standardFileNames(u"/some/folder/"_s, organisation, period);
    QCOMPARE(names.payers, u"/some/folder/"_s + payers);
    QCOMPARE(names.charges, u"/some/folder/P2"_s + payers.mid(2));
    QCOMPARE(names.persons, u"/some/folder/P3"_s + payers.mid(2));
}

void TestExporter::derivedNames_data()
{
    QTest::addColumn<QString>("chosen"); ///< relative to the test's folder
    QTest::addColumn<QString>("rest");   ///< what follows "P1_", "P2_", "P3_"; empty: no change

    QTest::newRow("plain name") << u"abc.txt"_s << u"abc.txt"_s;
    QTest::newRow("lower-case prefix") << u"p1_x.txt"_s << u"x.txt"_s;
    QTest::newRow("upper-case prefix") << u"P1_abc.txt"_s << u"abc.txt"_s;
    QTest::newRow("prefix of file II is kept") << u"P2_abc.txt"_s << u"P2_abc.txt"_s;
    QTest::newRow("prefix only") << u"P1_"_s << u""_s;
    QTest::newRow("subfolder") << u"Base/q.txt"_s << u"q.txt"_s;
    QTest::newRow("missing folder") << u"none/abc.txt"_s << QString();
    QTest::newRow("empty name") << QString() << QString();
}

void TestExporter::derivedNames()
{
    QFETCH(QString, chosen);
    QFETCH(QString, rest);

    const auto names = Exchange::derivedFileNames(chosen.isEmpty() ? chosen : path(chosen));
    if (rest.isNull()) {
        QVERIFY(!names);
        return;
    }
    QVERIFY(names);
    const QString folder = QFileInfo(path(chosen)).absolutePath() + u'/';
    QCOMPARE(names->payers, folder + u"P1_"_s + rest);
    QCOMPARE(names->charges, folder + u"P2_"_s + rest);
    QCOMPARE(names->persons, folder + u"P3_"_s + rest);
}

void TestExporter::defaultExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");

    QTest::newRow("no extension") << u"/a/P1_abc"_s << u"/a/P1_abc.TXT"_s;
    QTest::newRow("txt") << u"/a/P1_abc.txt"_s << u"/a/P1_abc.txt"_s;
    QTest::newRow("other extension") << u"/a/P1_abc.dat"_s << u"/a/P1_abc.dat"_s;
    QTest::newRow("dot in the folder only") << u"/a.b/P1_abc"_s << u"/a.b/P1_abc.TXT"_s;
}

void TestExporter::defaultExtension()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QCOMPARE(Exchange::withDefaultExtension(name), written);
}

void TestExporter::proposedFolder()
{
    // With no file written or loaded yet: the program's files folder, created.
    const QString files = SysFolders::FilesFolder();
    QDir(files).removeRecursively();
    QCOMPARE(Exchange::proposedFolder(QString()), files);
    QVERIFY(QFileInfo(files).isDir());

    // Otherwise the folder of the last file I, created again when it was removed.
    const QString last = path(u"gone/P1_117_032024.TXT"_s);
    QCOMPARE(Exchange::proposedFolder(last), path(u"gone/"_s));
    QVERIFY(QFileInfo(path(u"gone"_s)).isDir());
}

void TestExporter::counts()
{
    Exporter exporter(m_t->db());
    QVERIFY(exporter.countRecords().anyEmpty());

    // Payers and charges, no persons: still refused.
    QVERIFY(insert(u"SvedPotreb_T1"_s, BasePayer));
    QVERIFY(insert(u"SvedNach_T2"_s, BaseCharge));
    QVERIFY(insert(u"SvedNach_T2"_s, with(BaseCharge, {{u"T2_ID"_s, 2}, {u"NumT2"_s, 2}})));
    Exchange::RecordCounts counts = exporter.countRecords();
    QCOMPARE(counts.payers, 1);
    QCOMPARE(counts.charges, 2);
    QCOMPARE(counts.persons, 0);
    QVERIFY(counts.anyEmpty());

    QVERIFY(insert(u"SvedPotrebRelations_T3"_s, BasePerson));
    counts = exporter.countRecords();
    QVERIFY(!counts.anyEmpty());
    QCOMPARE(counts.total(), 4);
    QCOMPARE(
        Exchange::emptyTableMessage(),
        u"Файлы не могут быть сформированы, так так в каждом из трех файлов должна быть хотя бы одна запись."_s);
}

// --- Checks ----------------------------------------------------------------------------

void TestExporter::checks_data()
{
    QTest::addColumn<QStringList>("changes"); ///< statements run on the consistent statement
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("findings");

    const QString duplicate =
        u"Совпадение основных полей у нескольких записей (\"Месяц\", \"Код плательщика\" или \"Лицевой счет\")"_s;
    const QString payerField =
        u"Не заполнено одно из обязательных полей в сведениях о потребителе услуг."_s;
    const QString chargeField =
        u"Не заполнено одно из обязательных полей в сведениях о начислениях."_s;
    const QString personField =
        u"Не заполнено одно из обязательных полей в сведениях о проживающих."_s;
    const QString noCharges = u"Отсутствуют записи о начислениях для потребителя услуг."_s;
    const QString noPersons =
        u"Отсутствуют записи о лицах, совместно проживающих с потребителем услуг."_s;
    const QString sums = u"Сумма (суммы) общая не совпадает с суммой по услугам."_s;
    const QString registration = u"Дата регистрации превышает текущую дату более чем на месяц."_s;

    // A second payer (NumT1 7) with its own charge and person, otherwise like the first.
    const QString second =
        u"INSERT INTO SvedPotreb_T1 SELECT 2, 7, DezID, DezVladID, MO, Name1, Name2, Name3, "
        u"StreetID_BTI, HouseNum, "
        "KorpNum, StroenNum, FlatNum, HouseID_BTI, FlatID_BTI, ENumlsID, Numls, '2024-02-01', "
        "TypeOwnID, "
        "TypeOccupancyID, PplCntReg, SquareTotal, SquareLive, TypeLockID, TypeStoveID, SummaFull, "
        "SummaWOBenefit, "
        "SummaFullReg, SummaWOBenefitReg, ColMesDebts, DateEdit FROM SvedPotreb_T1 WHERE T1_ID = 1"_s;
    const QString secondDetails =
        u"INSERT INTO SvedNach_T2 SELECT 2, 1, 8, ServiceID, PostID, Volume, Tariff, SummaService, "
        "SummaServiceWOBenefit, SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID FROM "
        "SvedNach_T2;"
        "INSERT INTO SvedPotrebRelations_T3 SELECT 2, 1, 9, NumberPeople, Name1, Name2, Name3, "
        "SNILS, BirthDate, "
        "Sex, Relation, RelationOwnID, SquareShare, TypeRegID, DateRegStart, DateRegEnd, "
        "PrFactLiveID "
        "FROM SvedPotrebRelations_T3"_s;
    const auto payer = [](const QString& set) {
        return QStringList{u"UPDATE SvedPotreb_T1 SET "_s + set};
    };
    const auto charge = [](const QString& set) {
        return QStringList{u"UPDATE SvedNach_T2 SET "_s + set};
    };
    const auto person = [](const QString& set) {
        return QStringList{u"UPDATE SvedPotrebRelations_T3 SET "_s + set};
    };

    QTest::newRow("consistent") << QStringList() << Today << QStringList();

    // 1: payer code and account, whatever the month.
    QTest::newRow("1 same code and account")
        << QStringList{second, secondDetails} << Today
        << QStringList{finding(1, 1, duplicate), finding(1, 7, duplicate)};
    QTest::newRow("1 same code, other account")
        << QStringList{second, secondDetails,
                       u"UPDATE SvedPotreb_T1 SET Numls = '100-2' WHERE T1_ID = 2"_s}
        << Today << QStringList();
    QTest::newRow("1 NULL account is never a duplicate")
        << QStringList{second, secondDetails, u"UPDATE SvedPotreb_T1 SET Numls = NULL"_s} << Today
        << QStringList();

    // 2: each missing field alone.
    const QList<QPair<const char*, QString>> missingPayerFields{
        {"2 Mes NULL", u"Mes = NULL"_s},
        {"2 DezVladID 0", u"DezVladID = 0"_s},
        {"2 DezVladID NULL", u"DezVladID = NULL"_s},
        {"2 neither code nor account", u"ENumlsID = 0, Numls = ''"_s},
        {"2 no code, blank account", u"ENumlsID = NULL, Numls = ' '"_s},
        {"2 Name1 empty", u"Name1 = ''"_s},
        {"2 Name2 NULL", u"Name2 = NULL"_s},
        {"2 MO NULL", u"MO = NULL"_s},
        {"2 street 0", u"StreetID_BTI = 0"_s},
        {"2 no house, building or block", u"HouseNum = '', KorpNum = NULL, StroenNum = '  '"_s},
        {"2 FlatNum NULL", u"FlatNum = NULL"_s},
        {"2 SquareTotal 0", u"SquareTotal = 0"_s},
        {"2 SquareLive NULL", u"SquareLive = NULL"_s},
        {"2 TypeOwnID 0", u"TypeOwnID = 0"_s},
        {"2 TypeOccupancyID NULL", u"TypeOccupancyID = NULL"_s},
        {"2 TypeStoveID 0", u"TypeStoveID = 0"_s},
        {"2 TypeLockID NULL", u"TypeLockID = NULL"_s},
        {"2 SummaWOBenefitReg NULL", u"SummaWOBenefitReg = NULL"_s},
    };
    for (const auto& [name, set] : missingPayerFields)
        QTest::newRow(name) << payer(set) << Today << QStringList{finding(1, 1, payerField)};
    QTest::newRow("2 lock 0, code without account, block only, 0,01 m2")
        << payer(
               u"TypeLockID = 0, Numls = NULL, HouseNum = NULL, StroenNum = NULL, SquareTotal = 1, SquareLive = 1"_s)
        << Today << QStringList();
    QTest::newRow("2 account without code")
        << payer(u"ENumlsID = NULL"_s) << Today << QStringList();

    // 3 and 4.
    QTest::newRow("3 ServiceID 0")
        << charge(u"ServiceID = 0"_s) << Today
        << QStringList{finding(2, 1, chargeField),
                       finding(2, 1, u"Услуга №0 отсутствует в справочнике услуг."_s)};
    QTest::newRow("3 ServiceID NULL")
        << charge(u"ServiceID = NULL"_s) << Today << QStringList{finding(2, 1, chargeField)};
    QTest::newRow("3 Volume NULL")
        << charge(u"Volume = NULL"_s) << Today << QStringList{finding(2, 1, chargeField)};
    QTest::newRow("3 TypeNachID NULL")
        << charge(u"TypeNachID = NULL"_s) << Today << QStringList{finding(2, 1, chargeField)};
    QTest::newRow("3 PostID NULL is allowed")
        << charge(u"PostID = NULL"_s) << Today << QStringList();
    QTest::newRow("4 Relation empty")
        << person(u"Relation = ''"_s) << Today << QStringList{finding(3, 1, personField)};
    QTest::newRow("4 Name2 blank")
        << person(u"Name2 = ' '"_s) << Today << QStringList{finding(3, 1, personField)};
    QTest::newRow("4 SquareShare NULL")
        << person(u"SquareShare = NULL"_s) << Today << QStringList{finding(3, 1, personField)};
    QTest::newRow("4 Name3 and SNILS empty are allowed")
        << person(u"Name3 = '', SNILS = NULL"_s) << Today << QStringList();

    // 5 and 6: the payer's sums no longer compare with anything, so check 8 stays quiet.
    QTest::newRow("5 payer without charges") << QStringList{u"DELETE FROM SvedNach_T2"_s} << Today
                                             << QStringList{finding(1, 1, noCharges)};
    QTest::newRow("6 payer without persons") << QStringList{u"DELETE FROM SvedPotrebRelations_T3"_s}
                                             << Today << QStringList{finding(1, 1, noPersons)};

    // 7.
    QTest::newRow("7 service not in the catalogue")
        << charge(u"ServiceID = 9999"_s) << Today
        << QStringList{finding(2, 1, u"Услуга №9999 отсутствует в справочнике услуг."_s)};
    QTest::newRow("3 and 7 charges of one number in the order of their keys")
        << QStringList{u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, TypeNachID) "
                       "VALUES (1, 2, 1, 9001, 5), (1, 3, 1, 9000, 5)"_s}
        << Today
        << QStringList{finding(2, 1, chargeField), finding(2, 1, chargeField),
                       finding(2, 1, u"Услуга №9001 отсутствует в справочнике услуг."_s),
                       finding(2, 1, u"Услуга №9000 отсутствует в справочнике услуг."_s)};

    // 8: exact to the kopeck, each of the four sums.
    QTest::newRow("8 SummaFull 0,01 more")
        << payer(u"SummaFull = 7535"_s) << Today << QStringList{finding(1, 1, sums)};
    QTest::newRow("8 one charge's SummaServiceWOBenefitReg 0,01 less")
        << charge(u"SummaServiceWOBenefitReg = 6999"_s) << Today
        << QStringList{finding(1, 1, sums)};
    QTest::newRow("8 two charges add up")
        << QStringList{u"UPDATE SvedNach_T2 SET SummaService = 7000, SummaServiceReg = 7000"_s,
                       u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, PostID, Volume, "
                       u"Tariff, "
                       "SummaService, SummaServiceWOBenefit, SummaServiceReg, "
                       "SummaServiceWOBenefitReg, TypeNachID) "
                       "VALUES (1, 2, 2, 2, 0, 1000, 534, 534, 0, 534, 0, 5)"_s}
        << Today << QStringList();
    QTest::newRow("8 NULL total is check 2's")
        << payer(u"SummaFull = NULL"_s) << Today << QStringList{finding(1, 1, payerField)};

    // 9: today plus one calendar month, clamped to the month's end.
    QTest::newRow("9 exactly a month ahead")
        << person(u"DateRegStart = '2024-05-02'"_s) << Today << QStringList();
    QTest::newRow("9 a month and a day ahead") << person(u"DateRegStart = '2024-05-03'"_s) << Today
                                               << QStringList{finding(3, 1, registration)};
    QTest::newRow("9 from 31 January: 29 February passes")
        << person(u"DateRegStart = '2024-02-29'"_s) << QDate(2024, 1, 31) << QStringList();
    QTest::newRow("9 from 31 January: 1 March is reported")
        << person(u"DateRegStart = '2024-03-01'"_s) << QDate(2024, 1, 31)
        << QStringList{finding(3, 1, registration)};

    // Several at once come in the checks' order, whatever the records' order.
    QTest::newRow("order of the checks")
        << QStringList{u"UPDATE SvedPotrebRelations_T3 SET DateRegStart = '2030-01-01', Relation = NULL"_s,
                       u"UPDATE SvedNach_T2 SET ServiceID = 9999, Tariff = NULL"_s,
                       u"UPDATE SvedPotreb_T1 SET FlatNum = '', SummaFull = 1"_s}
        << Today << QStringList{finding(1, 1, payerField),
                                finding(2, 1, chargeField),
                                finding(3, 1, personField),
                                finding(2, 1, u"Услуга №9999 отсутствует в справочнике услуг."_s),
                                finding(1, 1, sums),
                                finding(3, 1, registration)};
}

void TestExporter::checks()
{
    QFETCH(QStringList, changes);
    QFETCH(QDate, today);
    QFETCH(QStringList, findings);
    QVERIFY(insertStatement());
    for (const QString& statements : changes) {
        for (const QString& sql : statements.split(u';'))
            QVERIFY(m_t->exec(sql));
    }

    const Exchange::CheckResult result = Exporter(m_t->db()).checkBeforeExport(m_rec, today);
    QCOMPARE(m_rec.findings, findings);
    QCOMPARE(result.passed, findings.isEmpty());
    QCOMPARE(result.findings, findings.size());
    QCOMPARE(result.error, QString());
    QCOMPARE(m_rec.done, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(m_rec.doneFindings, findings.size());
}

void TestExporter::failingCheckIsNoPass()
{
    // Guards against a check that cannot run being taken for a check that found nothing.
    QVERIFY(insertStatement());
    QVERIFY(m_t->exec(u"UPDATE SvedPotrebRelations_T3 SET DateRegStart = '2030-01-01'"_s));
    QVERIFY(m_t->exec(u"DROP TABLE Sprav_Services"_s));

    const Exchange::CheckResult result = Exporter(m_t->db()).checkBeforeExport(m_rec, Today);
    QVERIFY(!result.passed);
    QVERIFY2(result.error.contains(u"(проверка 7)"_s), qPrintable(result.error));
    QVERIFY2(result.error.contains(u"Sprav_Services"_s), qPrintable(result.error));
    // The checks after the failure do not run.
    QCOMPARE(m_rec.findings, QStringList());
    QCOMPARE(m_rec.done, (QList<int>{1, 2, 3, 4, 5, 6}));
}

// --- Writing ---------------------------------------------------------------------------

void TestExporter::writesLongLayout()
{
    QVERIFY(insertStatement());
    const ExchangeFileNames names = namesIn(path(QString()) + u'/');
    const WriteResult result = write(names);

    QCOMPARE(result.outcome, WriteResult::Outcome::Written);
    QCOMPARE(result.message, QString());
    QCOMPARE(result.records, (std::array<qint64, 3>{1, 1, 1}));
    QCOMPARE(linesOf(names.payers), QStringList{PayerLine});
    QCOMPARE(linesOf(names.charges), QStringList{ChargeLine});
    QCOMPARE(linesOf(names.persons), QStringList{PersonLine});
}

void TestExporter::writtenFields_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("file");
    QTest::addColumn<int>("field"); ///< from 1, as the layouts count
    QTest::addColumn<QString>("text");

    const QString t1 = u"UPDATE SvedPotreb_T1 SET "_s;
    const QString t2 = u"UPDATE SvedNach_T2 SET "_s;
    const QString t3 = u"UPDATE SvedPotrebRelations_T3 SET "_s;

    // What every line carries instead of the stored values.
    QTest::newRow("other DezID: the current organisation")
        << t1 + u"DezID = 1204"_s << 1 << 3 << u"117"_s;
    QTest::newRow("stored month: the period, file I")
        << t1 + u"Mes = '2023-01-01'"_s << 1 << 15 << u"032024"_s;
    QTest::newRow("stored month: the period, file II")
        << t1 + u"Mes = '2023-01-01'"_s << 2 << 5 << u"032024"_s;
    QTest::newRow("stored month: the period, file III")
        << t1 + u"Mes = NULL"_s << 3 << 5 << u"032024"_s;
    QTest::newRow("stored file date: today")
        << t1 + u"DateEdit = NULL"_s << 1 << 1 << u"02042024"_s;

    // Texts: trimmed, an empty one as one blank.
    QTest::newRow("empty text") << t1 + u"Name3 = ''"_s << 1 << 7 << u" "_s;
    QTest::newRow("NULL text") << t1 + u"Name3 = NULL"_s << 1 << 7 << u" "_s;
    QTest::newRow("text with blanks around")
        << t1 + u"Name1 = '  Петров '"_s << 1 << 5 << u"Петров"_s;
    QTest::newRow("empty account, file I") << t1 + u"Numls = ''"_s << 1 << 14 << u" "_s;
    QTest::newRow("empty account, file II") << t1 + u"Numls = ''"_s << 2 << 3 << u" "_s;
    QTest::newRow("empty account, file III") << t1 + u"Numls = NULL"_s << 3 << 4 << u" "_s;
    QTest::newRow("TAB inside a text")
        << t3 + u"Name3 = 'Иван' || char(9) || 'ович'"_s << 3 << 9 << u"Иван ович"_s;
    QTest::newRow("empty sex") << t3 + u"Sex = ''"_s << 3 << 11 << u" "_s;
    QTest::newRow("relation with blanks around")
        << t3 + u"Relation = ' Сам '"_s << 3 << 12 << u"Сам"_s;
    QTest::newRow("SNILS of zeros") << t3 + u"SNILS = '000-000-000 00'"_s << 3 << 19 << u" "_s;
    QTest::newRow("SNILS NULL") << t3 + u"SNILS = NULL"_s << 3 << 19 << u" "_s;

    // Codes and numbers.
    QTest::newRow("no payer code, file I") << t1 + u"ENumlsID = NULL"_s << 1 << 13 << u"0"_s;
    QTest::newRow("no payer code, file II") << t1 + u"ENumlsID = NULL"_s << 2 << 4 << u"0"_s;
    QTest::newRow("NULL integer") << t1 + u"MO = NULL"_s << 1 << 4 << u"0"_s;
    QTest::newRow("NULL sum") << t1 + u"SummaFull = NULL"_s << 1 << 23 << u"0"_s;
    QTest::newRow("area 45,5") << t1 + u"SquareTotal = 4550"_s << 1 << 18 << u"4550"_s;
    QTest::newRow("area 0,05") << t1 + u"SquareLive = 5"_s << 1 << 20 << u"5"_s;
    QTest::newRow("negative sum") << t1 + u"SummaWOBenefit = -50"_s << 1 << 24 << u"-50"_s;
    QTest::newRow("months of arrears 1,5") << t1 + u"ColMesDebts = 15"_s << 1 << 27 << u"15"_s;
    QTest::newRow("persons counted") << t1 + u"PplCntReg = 4"_s << 1 << 19 << u"4"_s;
    QTest::newRow("volume 1,25") << t2 + u"Volume = 1250"_s << 2 << 8 << u"1250"_s;
    QTest::newRow("volume 0,001") << t2 + u"Volume = 1"_s << 2 << 8 << u"1"_s;
    QTest::newRow("NULL supplier") << t2 + u"PostID = NULL"_s << 2 << 7 << u"0"_s;
    QTest::newRow("share 22,75") << t3 + u"SquareShare = 2275"_s << 3 << 14 << u"2275"_s;

    // Dates.
    QTest::newRow("no birth date") << t3 + u"BirthDate = NULL"_s << 3 << 10 << u"0"_s;
    QTest::newRow("birth date 01.01.1901 counts as none")
        << t3 + u"BirthDate = '1901-01-01'"_s << 3 << 10 << u"0"_s;
    QTest::newRow("birth date 02.01.1901")
        << t3 + u"BirthDate = '1901-01-02'"_s << 3 << 10 << u"02011901"_s;
    QTest::newRow("end of registration")
        << t3 + u"DateRegEnd = '2025-01-31'"_s << 3 << 17 << u"31012025"_s;
}

void TestExporter::writtenFields()
{
    QFETCH(QString, change);
    QFETCH(int, file);
    QFETCH(int, field);
    QFETCH(QString, text);
    QVERIFY(insertStatement());
    QVERIFY(m_t->exec(change));

    const ExchangeFileNames names = namesIn(path(QString()) + u'/');
    QCOMPARE(write(names).outcome, WriteResult::Outcome::Written);
    const QString written = file == 1 ? names.payers : file == 2 ? names.charges : names.persons;
    const QStringList lines = linesOf(written);
    QCOMPARE(lines.size(), 1);
    const QStringList fields = lines.first().split(u'\t');
    QCOMPARE(fields.size(), file == 1 ? 29 : file == 2 ? 14 : 19);
    QCOMPARE(fields.value(field - 1), text);
}

void TestExporter::recordOrder()
{
    // Payers inserted out of order; the files follow DezID, DezVladID, ENumlsID, Numls, Mes.
    const QList<std::tuple<int, int, int, qint64, QString>> payers{{1, 1204, 117, 5, u"e1"_s},
                                                                   {2, 117, 200, 1, u"e2"_s},
                                                                   {3, 117, 117, 9, u"e3"_s},
                                                                   {4, 117, 117, 2, u"e4x"_s},
                                                                   {5, 117, 117, 2, u"e4a"_s}};
    for (const auto& [id, dez, owner, code, account] : payers) {
        QVERIFY(insert(u"SvedPotreb_T1"_s, with(BasePayer, {{u"T1_ID"_s, id},
                                                            {u"NumT1"_s, id},
                                                            {u"DezID"_s, dez},
                                                            {u"DezVladID"_s, owner},
                                                            {u"ENumlsID"_s, code},
                                                            {u"Numls"_s, account}})));
        // Services 3 then 1, persons 2 then 1: written the other way round.
        QVERIFY(insert(u"SvedNach_T2"_s,
                       with(BaseCharge, {{u"T1_ID"_s, id}, {u"T2_ID"_s, 1}, {u"ServiceID"_s, 3}})));
        QVERIFY(insert(u"SvedNach_T2"_s,
                       with(BaseCharge, {{u"T1_ID"_s, id}, {u"T2_ID"_s, 2}, {u"ServiceID"_s, 1}})));
        QVERIFY(
            insert(u"SvedPotrebRelations_T3"_s,
                   with(BasePerson, {{u"T1_ID"_s, id}, {u"T3_ID"_s, 1}, {u"NumberPeople"_s, 2}})));
        QVERIFY(
            insert(u"SvedPotrebRelations_T3"_s,
                   with(BasePerson, {{u"T1_ID"_s, id}, {u"T3_ID"_s, 2}, {u"NumberPeople"_s, 1}})));
    }
    // A charge and a person whose payer is gone are not written.
    QVERIFY(insert(u"SvedNach_T2"_s, with(BaseCharge, {{u"T1_ID"_s, 99}, {u"Volume"_s, 777}})));
    QVERIFY(insert(u"SvedPotrebRelations_T3"_s,
                   with(BasePerson, {{u"T1_ID"_s, 99}, {u"Name2"_s, u"Сирота"_s}})));

    const ExchangeFileNames names = namesIn(path(QString()) + u'/');
    const WriteResult result = write(names);
    QCOMPARE(result.outcome, WriteResult::Outcome::Written);
    QCOMPARE(result.records, (std::array<qint64, 3>{5, 10, 10}));

    const auto fieldsOf = [](const QStringList& lines, QList<int> numbers) {
        QStringList picked;
        for (const QString& line : lines) {
            const QStringList fields = line.split(u'\t');
            QStringList parts;
            for (int n : numbers)
                parts << fields.value(n - 1);
            picked << parts.join(u' ');
        }
        return picked;
    };
    QCOMPARE(fieldsOf(linesOf(names.payers), {14, 3}),
             (QStringList{u"e4a 117"_s, u"e4x 117"_s, u"e3 117"_s, u"e2 117"_s, u"e1 117"_s}));
    QCOMPARE(fieldsOf(linesOf(names.charges), {3, 6}),
             (QStringList{u"e4a 1"_s, u"e4a 3"_s, u"e4x 1"_s, u"e4x 3"_s, u"e3 1"_s, u"e3 3"_s,
                          u"e2 1"_s, u"e2 3"_s, u"e1 1"_s, u"e1 3"_s}));
    QCOMPARE(fieldsOf(linesOf(names.persons), {4, 6}).mid(0, 4),
             (QStringList{u"e4a 1"_s, u"e4a 2"_s, u"e4x 1"_s, u"e4x 2"_s}));
}

void TestExporter::bytesOnDisk()
{
    QVERIFY(insertStatement());
    const ExchangeFileNames names = namesIn(path(QString()) + u'/');
    QCOMPARE(write(names).outcome, WriteResult::Outcome::Written);

    const QByteArray payers = readAll(names.payers);
    // "Иванов" in code page 866, the line ending in CR LF without a TAB before it.
    QVERIFY(payers.contains("\t\x88\xA2\xA0\xAD\xAE\xA2\t"));
    QVERIFY(payers.endsWith("\t98\r\n"));
    for (const QString& name : {names.payers, names.charges, names.persons}) {
        const QByteArray bytes = readAll(name);
        QCOMPARE(bytes.count("\r\n"), 1);
        QCOMPARE(bytes.count('\n'), 1);
        QVERIFY(!bytes.contains("\t\r"));
    }
}

void TestExporter::progressPerRecord()
{
    QVERIFY(insertStatement());
    QVERIFY(insert(u"SvedNach_T2"_s, with(BaseCharge, {{u"T2_ID"_s, 2}, {u"ServiceID"_s, 2}})));
    QCOMPARE(write(namesIn(path(QString()) + u'/')).outcome, WriteResult::Outcome::Written);
    QCOMPARE(m_rec.totals, QList<qint64>{4});
    QCOMPARE(m_rec.lastWritten, 4);
    QCOMPARE(m_rec.gaps, 0);
}

void TestExporter::demoStatementRoundTrip()
{
    const QString demo = QFINDTESTDATA("../../samples/P1_117_122026.TXT");
    QVERIFY2(!demo.isEmpty(), "the demo statement is missing");
    const QDir samples = QFileInfo(demo).dir();
    ImportErrors importErrors;
    Exchange::ImportResult imported =
        Exchange::Importer(m_t->db()).run(demo, samples.filePath(u"P2_117_122026.TXT"_s),
                                          samples.filePath(u"P3_117_122026.TXT"_s), importErrors);
    QCOMPARE(imported.outcome, Exchange::ImportResult::Outcome::Completed);
    QCOMPARE(importErrors.rows, QStringList());

    // The demo statement is consistent: nothing to find.
    QVERIFY(Exporter(m_t->db()).checkBeforeExport(m_rec, QDate(2026, 12, 9)).passed);

    // Written on the demo's own file date, the files are the demo's, byte for byte.
    const QString out = path(u"out/"_s);
    QVERIFY(QDir().mkpath(out));
    Exchange::ExportStamp s;
    s.organisation = 117;
    s.period = QDate(2026, 12, 1);
    s.today = QDate(2026, 12, 9);
    const ExchangeFileNames names = Exchange::standardFileNames(out, 117, s.period);
    const WriteResult result = Exporter(m_t->db()).write(names, s, m_rec);
    QCOMPARE(result.outcome, WriteResult::Outcome::Written);
    QCOMPARE(result.records, (std::array<qint64, 3>{50, 550, 134}));
    QCOMPARE(readAll(names.payers), readAll(demo));
    QCOMPARE(readAll(names.charges), readAll(samples.filePath(u"P2_117_122026.TXT"_s)));
    QCOMPARE(readAll(names.persons), readAll(samples.filePath(u"P3_117_122026.TXT"_s)));

    // And they load back into the same records.
    TestDatabase again;
    QVERIFY2(again.isValid(), qPrintable(again.error()));
    imported = Exchange::Importer(again.db())
                   .run(names.payers, names.charges, names.persons, importErrors);
    QCOMPARE(imported.outcome, Exchange::ImportResult::Outcome::Completed);
    QCOMPARE(importErrors.rows, QStringList());
    QCOMPARE(dump(again.db(), u"SvedPotreb_T1"_s, u"T1_ID"_s),
             dump(m_t->db(), u"SvedPotreb_T1"_s, u"T1_ID"_s));
    QCOMPARE(dump(again.db(), u"SvedNach_T2"_s, u"T1_ID, T2_ID"_s),
             dump(m_t->db(), u"SvedNach_T2"_s, u"T1_ID, T2_ID"_s));
    QCOMPARE(dump(again.db(), u"SvedPotrebRelations_T3"_s, u"T1_ID, T3_ID"_s),
             dump(m_t->db(), u"SvedPotrebRelations_T3"_s, u"T1_ID, T3_ID"_s));
}

// --- Failures --------------------------------------------------------------------------

void TestExporter::missingFolderCreatesNothing()
{
    QVERIFY(insertStatement());
    const WriteResult result = write(namesIn(path(u"none/"_s)));
    QCOMPARE(result.outcome, WriteResult::Outcome::NotCreated);
    QVERIFY(!result.created());
    QCOMPARE(result.file, FileKind::Payers);
    QCOMPARE(result.message,
             u"Ошибка создания файла, содержащего сведения о плательщике за услуги."_s);
    QVERIFY(!QFileInfo::exists(path(u"none"_s)));
}

void TestExporter::fileThatCannotBeCreatedLeavesOthersUntouched()
{
    QVERIFY(insertStatement());
    const QString folder = path(u"out/"_s);
    QVERIFY(QDir().mkpath(folder));
    const ExchangeFileNames names = namesIn(folder);
    QFile old(names.payers);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old statement\r\n");
    old.close();
    // A folder where file III should go.
    QVERIFY(QDir().mkpath(names.persons));

    const WriteResult result = write(names);
    QCOMPARE(result.outcome, WriteResult::Outcome::NotCreated);
    QCOMPARE(result.file, FileKind::Persons);
    QCOMPARE(
        result.message,
        u"Ошибка создания файла, содержащего сведения о лицах, которые учитываются при расчете."_s);
    QCOMPARE(readAll(names.payers), QByteArray("old statement\r\n"));
    QVERIFY(!QFileInfo::exists(names.charges));
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QFileInfo(names.payers).fileName()});

    const QStringList creation{Exchange::creationFailedMessage(FileKind::Payers),
                               Exchange::creationFailedMessage(FileKind::Charges)};
    QCOMPARE(
        creation,
        (QStringList{u"Ошибка создания файла, содержащего сведения о плательщике за услуги."_s,
                     u"Ошибка создания файла, содержащего сведения о начислениях за услуги."_s}));
}

void TestExporter::failedWriteLeavesNoPartialFile()
{
    // Guards against a write failure leaving a truncated file under the name the office
    // hands in, also when it shows only in the last flush, which QSaveFile::commit() does
    // not report: the old files stay as they were, no temporary file is left behind.
    QVERIFY(insertStatement());
    for (int id = 2; id <= 200; ++id) {
        QVERIFY(insert(u"SvedNach_T2"_s, with(BaseCharge, {{u"T2_ID"_s, id}, {u"NumT2"_s, id}})));
    }
    const QString folder = path(u"out/"_s);
    QVERIFY(QDir().mkpath(folder));
    const ExchangeFileNames names = namesIn(folder);
    for (const QString& name : {names.payers, names.charges}) {
        QFile old(name);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old\r\n");
    }

    WriteResult result;
    {
        // File II needs some 14 KB; 4 KB let file I through and stop file II midway.
        FileSizeLimit limit(4096);
        if (!limit.isActive())
            QSKIP("the file size limit cannot be set here");
        result = write(names);
    }
    QCOMPARE(result.outcome, WriteResult::Outcome::Failed);
    QVERIFY(result.created());
    QCOMPARE(result.file, FileKind::Charges);
    QVERIFY2(result.message.startsWith(u"Ошибка записи в файл\r\n"_s + names.charges + u"\r\n"_s),
             qPrintable(result.message));
    QVERIFY2(result.message.endsWith(u"\r\nФайлы не сформированы."_s), qPrintable(result.message));
    QCOMPARE(readAll(names.payers), QByteArray("old\r\n"));
    QCOMPARE(readAll(names.charges), QByteArray("old\r\n"));
    QVERIFY(!QFileInfo::exists(names.persons));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);

    // With room again the same run replaces them.
    QCOMPARE(write(names).outcome, WriteResult::Outcome::Written);
    QCOMPARE(linesOf(names.charges).size(), 200);
}

void TestExporter::failingDeviceStopsTheRun()
{
    QVERIFY(insertStatement());
    QBuffer payers, persons;
    RefusingDevice charges;
    QVERIFY(payers.open(QIODevice::WriteOnly));
    QVERIFY(persons.open(QIODevice::WriteOnly));

    const WriteResult result = Exporter(m_t->db()).write(payers, charges, persons, stamp(), m_rec);
    QCOMPARE(result.outcome, WriteResult::Outcome::Failed);
    QCOMPARE(result.file, FileKind::Charges);
    QCOMPARE(result.message, u"Ошибка записи в файл: устройство недоступно"_s);
    QCOMPARE(result.records, (std::array<qint64, 3>{1, 0, 0}));
    QCOMPARE(payers.data(), CommonFnc::AnsiToOem(PayerLine) + "\r\n");
    QVERIFY(persons.data().isEmpty());
}

// --- Replacing the set -----------------------------------------------------------------

void TestExporter::failedRenameKeepsTheOldSet_data()
{
    QTest::addColumn<bool>("olds");       ///< the folder holds an earlier set
    QTest::addColumn<int>("failAt");      ///< the rename that fails, from 1
    QTest::addColumn<bool>("persistent"); ///< every rename after it fails too

    // With an earlier set the three old files go aside first, then the three new ones
    // take their names; without one only the three new ones are renamed.
    for (const bool olds : {true, false}) {
        for (int failAt = 1; failAt <= (olds ? 6 : 3); ++failAt) {
            for (const bool persistent : {false, true}) {
                const QString name =
                    u"%1, rename %2 fails %3"_s.arg(olds ? u"old set"_s : u"no files"_s)
                        .arg(failAt)
                        .arg(persistent ? u"from then on"_s : u"once"_s);
                QTest::newRow(qPrintable(name)) << olds << failAt << persistent;
            }
        }
    }
}

void TestExporter::failedRenameKeepsTheOldSet()
{
    QFETCH(bool, olds);
    QFETCH(int, failAt);
    QFETCH(bool, persistent);
    QVERIFY(insertStatement());
    const Files after = newSet();
    const QString folder = path(u"out/"_s);
    const ExchangeFileNames names = namesIn(folder);
    const Files before = olds ? oldSet(names) : Files();
    QVERIFY(setFolderState(folder, before));

    Exporter exporter(m_t->db());
    int calls = 0;
    exporter.setRenameFunction(
        [&calls, failAt, persistent](const QString& from, const QString& to) {
            ++calls;
            return calls == failAt || (persistent && calls > failAt) ? failingRename(from, to)
                                                                     : systemRename(from, to);
        });
    const WriteResult result = exporter.write(names, stamp(), m_rec);

    QCOMPARE(result.outcome, WriteResult::Outcome::Failed);
    QVERIFY(result.created());
    QCOMPARE(result.records, (std::array<qint64, 3>{1, 1, 1}));
    const std::array<QString, 3> finals = {names.payers, names.charges, names.persons};
    const int kind = (failAt - 1) % 3;
    QCOMPARE(int(result.file), kind + 1);
    // The system's reason in the operator's words.
    QVERIFY2(result.message.startsWith(u"Ошибка записи в файл\r\n"_s + finals[kind] + u"\r\n"_s +
                                       u"ошибка ввода-вывода диска"_s +
                                       u"\r\nФайлы не сформированы."_s),
             qPrintable(result.message));
    // An old file already set aside cannot go back while renames keep failing: the
    // operator is told, and the folder keeps the record that puts it back.
    const bool restoreFails = persistent && olds && failAt >= 2;
    QCOMPARE(
        result.message.contains(u"\r\nНе удалось вернуть на место прежние файлы обмена:\r\n"_s),
        restoreFails);
    if (restoreFails) {
        QVERIFY(!difference(folderState(folder), before).isEmpty());
        // Neither is anything written while that record cannot be settled.
        Exporter blocked(m_t->db());
        blocked.setRenameFunction(failingRename);
        const WriteResult refused = blocked.write(names, stamp(), m_rec);
        QCOMPARE(refused.outcome, WriteResult::Outcome::NotCreated);
        QVERIFY2(
            refused.message.startsWith(u"Не удалось вернуть на место прежние файлы обмена:\r\n"_s),
            qPrintable(refused.message));
        QVERIFY2(
            refused.message.endsWith(
                u"\r\nОни будут возвращены при следующем сохранении файлов с этими именами."_s),
            qPrintable(refused.message));
        QCOMPARE(Exporter::recoverInterruptedWrite(names).outcome,
                 Exchange::RecoveryResult::Outcome::Recovered);
    }
    QCOMPARE(difference(folderState(folder), before), QString());

    // The next run with working renames replaces the set whole.
    QCOMPARE(write(names).outcome, WriteResult::Outcome::Written);
    QCOMPARE(difference(folderState(folder), after), QString());
}

void TestExporter::stoppedRunIsSettledByTheNext_data()
{
    QTest::addColumn<bool>("olds");
    QTest::newRow("over an earlier set") << true;
    QTest::newRow("into an empty folder") << false;
}

void TestExporter::stoppedRunIsSettledByTheNext()
{
    // A kill is a stop between two steps: each state a run passes through is put into
    // the folder as it was left, and a fresh exporter settles it.
    QFETCH(bool, olds);
    QVERIFY(insertStatement());
    const Files after = newSet();
    const QString folder = path(u"out/"_s);
    const ExchangeFileNames names = namesIn(folder);
    const Files before = olds ? oldSet(names) : Files();
    QVERIFY(setFolderState(folder, before));

    QList<Files> stops;
    Exporter exporter(m_t->db());
    exporter.setRenameFunction(recordingRename(folder, stops));
    QCOMPARE(exporter.write(names, stamp(), m_rec).outcome, WriteResult::Outcome::Written);
    QCOMPARE(difference(folderState(folder), after), QString());
    QCOMPARE(stops.size(), 2 * (olds ? 6 : 3));

    // A stop while the record of the replacement was being written: a record cut
    // anywhere leaves the old set, as no old file was touched yet.
    const Files beforeRenames = stops.first();
    QCOMPARE(beforeRenames.size(), before.size() + 4);
    QString journalName;
    for (auto it = beforeRenames.cbegin(); it != beforeRenames.cend(); ++it) {
        if (!before.contains(it.key()) && !it.key().endsWith(u".orbelon-new"_s))
            journalName = it.key();
    }
    QVERIFY(!journalName.isEmpty());
    const QByteArray record = beforeRenames.value(journalName);
    for (qsizetype cut = 0; cut < record.size(); ++cut) {
        Files cutShort = beforeRenames;
        cutShort.insert(journalName, record.left(cut));
        QVERIFY(setFolderState(folder, cutShort));
        QCOMPARE(Exporter::recoverInterruptedWrite(names).outcome,
                 Exchange::RecoveryResult::Outcome::Recovered);
        QCOMPARE(difference(folderState(folder), before, u"record cut at %1"_s.arg(cut)),
                 QString());
    }

    for (qsizetype s = 0; s < stops.size(); ++s) {
        const QString where = u"stop %1"_s.arg(s);
        // Settled on its own, as a tool may: the old set, since the new one was never
        // reported written.
        QVERIFY(setFolderState(folder, stops[s]));
        QList<Files> recoveryStops;
        QCOMPARE(Exporter::recoverInterruptedWrite(names, recordingRename(folder, recoveryStops))
                     .outcome,
                 Exchange::RecoveryResult::Outcome::Recovered);
        QCOMPARE(difference(folderState(folder), before, where), QString());
        // A stop while settling is settled the same way.
        for (qsizetype r = 0; r < recoveryStops.size(); ++r) {
            QVERIFY(setFolderState(folder, recoveryStops[r]));
            QCOMPARE(Exporter::recoverInterruptedWrite(names).outcome,
                     Exchange::RecoveryResult::Outcome::Recovered);
            QCOMPARE(
                difference(folderState(folder), before, where + u", recovery stop %1"_s.arg(r)),
                QString());
        }
        // The next export into the folder: the new set and nothing else.
        QVERIFY(setFolderState(folder, stops[s]));
        QCOMPARE(write(names).outcome, WriteResult::Outcome::Written);
        QCOMPARE(difference(folderState(folder), after, where), QString());
    }
}

void TestExporter::leftoversAreSettled_data()
{
    QTest::addColumn<bool>("newFinals");        ///< the final names hold the new set, else the old
    QTest::addColumn<QStringList>("leftovers"); ///< further files, each holding "leftover"
    QTest::addColumn<bool>("recovered");        ///< something had to be settled

    const ExchangeFileNames names = namesIn(QString());
    const QStringList finals{names.payers, names.charges, names.persons};
    QStringList unfinished, copies;
    for (const QString& final : finals) {
        unfinished << final + u".orbelon-new"_s;
        copies << final + u".orbelon-old"_s;
    }
    QTest::newRow("nothing left") << false << QStringList() << false;
    QTest::newRow("new files of a run stopped while writing")
        << false << QStringList{unfinished[0], unfinished[1]} << true;
    QTest::newRow("copies a finished replacement left") << true << copies << true;
    QTest::newRow("one copy a finished replacement left") << true << QStringList{copies[2]} << true;
}

void TestExporter::leftoversAreSettled()
{
    QFETCH(bool, newFinals);
    QFETCH(QStringList, leftovers);
    QFETCH(bool, recovered);
    QVERIFY(insertStatement());
    const QString folder = path(u"out/"_s);
    const ExchangeFileNames names = namesIn(folder);
    const Files expected = newFinals ? newSet() : oldSet(names);
    Files files = expected;
    for (const QString& name : leftovers)
        files.insert(name, "leftover");
    QVERIFY(setFolderState(folder, files));

    const Exchange::RecoveryResult result = Exporter::recoverInterruptedWrite(names);
    QCOMPARE(result.outcome, recovered ? Exchange::RecoveryResult::Outcome::Recovered
                                       : Exchange::RecoveryResult::Outcome::Nothing);
    QCOMPARE(result.message, QString());
    QCOMPARE(difference(folderState(folder), expected), QString());
}

void TestExporter::oneFileForTwoNamesIsRefused_data()
{
    QTest::addColumn<int>("kind");     ///< the file whose name repeats an earlier one
    QTest::addColumn<QString>("name"); ///< relative to the output folder
    QTest::newRow("file II under the name of file I") << 2 << u"P1_117_032024.TXT"_s;
    QTest::newRow("file III under the name of file II, spelled otherwise")
        << 3 << u"../out/./P2_117_032024.TXT"_s;
}

void TestExporter::oneFileForTwoNamesIsRefused()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QVERIFY(insertStatement());
    const QString folder = path(u"out/"_s);
    ExchangeFileNames names = namesIn(folder);
    const Files before = oldSet(names);
    QVERIFY(setFolderState(folder, before));
    (kind == 2 ? names.charges : names.persons) = folder + name;

    const WriteResult result = write(names);
    QCOMPARE(result.outcome, WriteResult::Outcome::NotCreated);
    QCOMPARE(int(result.file), kind);
    QCOMPARE(result.message, Exchange::creationFailedMessage(FileKind(kind)));
    QCOMPARE(difference(folderState(folder), before), QString());
}

// --- Summary ---------------------------------------------------------------------------

void TestExporter::summary()
{
    QVERIFY(insertStatement());
    QVERIFY(insert(u"SvedPotreb_T1"_s, with(BasePayer, {{u"T1_ID"_s, 2},
                                                        {u"SummaFull"_s, 123456789},
                                                        {u"SummaWOBenefit"_s, QVariant()}})));
    QVERIFY(
        insert(u"SvedNach_T2"_s, with(BaseCharge, {{u"T2_ID"_s, 2}, {u"SummaService"_s, -34}})));

    const Exchange::StatementSummary summary = Exporter(m_t->db()).summary(
        {u"/a/P1_117_032024.TXT"_s, u"/a/P2_117_032024.TXT"_s, u"P3_117_032024.TXT"_s});
    QCOMPARE(summary.error, QString());
    QCOMPARE(summary.files[0].name, u"P1_117_032024.TXT"_s);
    QCOMPARE(summary.files[0].records, 2);
    QCOMPARE(Exchange::formatCheckSum(summary.files[0].sum1), u"1 234 643,23"_s);
    QCOMPARE(Exchange::formatCheckSum(summary.files[0].sum2), u"70,00"_s);
    QCOMPARE(summary.files[1].name, u"P2_117_032024.TXT"_s);
    QCOMPARE(summary.files[1].records, 2);
    QCOMPARE(Exchange::formatCheckSum(summary.files[1].sum1), u"75,00"_s);
    QCOMPARE(Exchange::formatCheckSum(summary.files[1].sum2), u"140,00"_s);
    QCOMPARE(summary.files[2].name, u"P3_117_032024.TXT"_s);
    QCOMPARE(summary.files[2].records, 1);
    QVERIFY(summary.files[2].sum1.isNull());
}

void TestExporter::checkSumFormat_data()
{
    QTest::addColumn<qint64>("kopecks"); ///< -1 stands for null
    QTest::addColumn<QString>("text");

    QTest::newRow("null") << qint64(-1) << u"0,00"_s;
    QTest::newRow("zero") << qint64(0) << u"0,00"_s;
    QTest::newRow("kopecks") << qint64(5) << u"0,05"_s;
    QTest::newRow("three digits") << qint64(99999) << u"999,99"_s;
    QTest::newRow("four digits") << qint64(100000) << u"1 000,00"_s;
    QTest::newRow("millions") << qint64(123456789) << u"1 234 567,89"_s;
    QTest::newRow("beyond the pattern") << qint64(123456789012) << u"1 234 567 890,12"_s;
    QTest::newRow("negative") << qint64(-123456) << u"-1 234,56"_s;
}

void TestExporter::checkSumFormat()
{
    QFETCH(qint64, kopecks);
    QFETCH(QString, text);
    QCOMPARE(Exchange::formatCheckSum(kopecks == -1 ? Decimal() : Decimal::fromUnits(kopecks, 2)),
             text);
}

QTEST_GUILESS_MAIN(TestExporter)
#include "tst_exporter.moc"
