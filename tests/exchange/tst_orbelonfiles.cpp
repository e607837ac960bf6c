// orbelon-files run as a process, as offices and the receiving side run it: its exit codes,
// the exact rows on standard output, the files it writes, and the working database left
// byte for byte as it was.

#include "ActReports.h"
#include "CommonFnc.h"
#include "Exporter.h"
#include "Importer.h"
#include "PdfText.h"
#include "Recalculation.h"
#include "TestDatabase.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The lines of files I, II and III, each split into its fields.
using Statement = std::array<QList<QStringList>, 3>;
/// A change made to the demo statement before the run.
using Edit = std::function<void(Statement&)>;

const QString DemoNames[] = {u"P1_117_122026.TXT"_s, u"P2_117_122026.TXT"_s,
                             u"P3_117_122026.TXT"_s};

struct RunResult
{
    int code = -1;
    QString out;
    QString err;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray sha256(const QString& path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
}

QList<QStringList> readLines(const QString& path)
{
    QList<QStringList> lines;
    for (const QByteArray& raw : readAll(path).split('\n')) {
        if (raw.isEmpty())
            continue;
        lines << CommonFnc::OemToAnsi(raw.endsWith('\r') ? raw.chopped(1) : raw).split(u'\t');
    }
    return lines;
}

Statement demoStatement()
{
    Statement statement;
    for (size_t i = 0; i < statement.size(); ++i)
        statement[i] = readLines(QStringLiteral(ORBELON_SAMPLES_DIR) + u'/' + DemoNames[i]);
    return statement;
}

/// Field `number` (from 1) of a line.
QString& field(QStringList& line, int number)
{
    return line[number - 1];
}

/// Line numbers (from 1) of the charges (file II) or persons (file III) of the payer on
/// line `payerLine` of file I, found by its payer code.
QList<int> linesOfPayer(Statement& statement, int payerLine, int file)
{
    const QString code = field(statement[0][payerLine - 1], 13);
    const int codeField = file == 2 ? 4 : 3;
    QList<int> lines;
    for (qsizetype i = 0; i < statement[size_t(file - 1)].size(); ++i) {
        if (field(statement[size_t(file - 1)][i], codeField) == code)
            lines << int(i + 1);
    }
    return lines;
}

QString rows(std::initializer_list<QString> lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + u'\n';
    return text;
}

QString ddmmyyyy(const QDate& date)
{
    return date.toString(u"ddMMyyyy"_s);
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestOrbelonFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void checkRows_data();
    void checkRows();
    void convertRewritesTheDemoExactly();
    void convertStampsOrganisationPeriodAndToday();
    void convertWritesDespiteFindings();
    void convertRefusesAnEmptyTable();
    void summaryPrintsTheStatementFigures();
    void summaryWritesTheStatementAsPdf();
    void summaryWritesNoPdfAfterFindings();
    void receiptsOfOneHouseAndOfAll();
    void actsWriteTheSixReports();
    void recalcGivesTheWindowsResult();
    void recalcRefusesMissingTariffs();
    void cannotRun_data();
    void cannotRun();
    void help();
    void readsChangesStillInTheLog();
    void leavesNoFilesBesideTheDatabase();

private:
    /// Writes `statement` as files P1.txt, P2.txt, P3.txt into a new folder.
    QStringList writeStatement(const Statement& statement);
    QStringList demoFiles();
    /// The demo statement with the charges of payer 3 taken out: check 5 finds it.
    static Statement demoWithoutChargesOfPayer3();
    /// Runs the tool in `workingDir` (the test database's folder when empty) and notes
    /// whether the database changed, in its file or through a commit.
    RunResult run(const QStringList& arguments, const QString& workingDir = {});
    QString newFolder();

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_work;
    int m_folders = 0;
    bool m_databaseChanged = false;
};

void TestOrbelonFiles::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
    m_databaseChanged = false;
}

void TestOrbelonFiles::cleanup()
{
    QVERIFY2(!m_databaseChanged, "the tool changed the working database");
    m_work.reset();
    m_db.reset();
}

QString TestOrbelonFiles::newFolder()
{
    const QString folder = m_work->filePath(u"set%1"_s.arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

QStringList TestOrbelonFiles::writeStatement(const Statement& statement)
{
    const QString folder = newFolder();
    QStringList paths;
    for (size_t i = 0; i < statement.size(); ++i) {
        const QString path = folder + u"/P%1.txt"_s.arg(i + 1);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        for (const QStringList& line : statement[i])
            file.write(CommonFnc::AnsiToOem(line.join(u'\t')) + "\r\n");
        paths << path;
    }
    return paths;
}

Statement TestOrbelonFiles::demoWithoutChargesOfPayer3()
{
    Statement statement = demoStatement();
    const QList<int> charges = linesOfPayer(statement, 3, 2);
    for (qsizetype i = charges.size() - 1; i >= 0; --i)
        statement[1].removeAt(charges[i] - 1);
    return statement;
}

QStringList TestOrbelonFiles::demoFiles()
{
    QStringList paths;
    for (const QString& name : DemoNames)
        paths << QStringLiteral(ORBELON_SAMPLES_DIR) + u'/' + name;
    return paths;
}

RunResult TestOrbelonFiles::run(const QStringList& arguments, const QString& workingDir)
{
    const QByteArray before = sha256(m_db->filePath());
    // Another connection's commit shows in data_version even while it sits in the log.
    const bool open = m_db->db().isOpen();
    const QVariant version = open ? m_db->scalar(u"PRAGMA data_version"_s) : QVariant();
    QProcess process;
    process.setWorkingDirectory(workingDir.isEmpty() ? m_db->directory() : workingDir);
    process.start(QStringLiteral(ORBELON_FILES_PATH), arguments);
    RunResult result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        result.err = process.errorString();
        process.kill();
        return result;
    }
    result.code = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    if (sha256(m_db->filePath()) != before ||
        (open && m_db->scalar(u"PRAGMA data_version"_s) != version))
        m_databaseChanged = true;
    return result;
}

void TestOrbelonFiles::checkRows_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("rows");

    const QString incomplete =
        u"Не заполнено одно из обязательных полей в сведениях о потребителе услуг."_s;
    QTest::newRow("demo statement") << Edit() << 0 << QString();
    QTest::newRow("area not a number")
        << Edit([](Statement& s) { field(s[0][6], 18) = u"45,5"_s; }) << 1
        << rows({u"1\t7\tОшибка формата поля \"Общая площадь\""_s, u"1\t7\t"_s + incomplete});
    QTest::newRow("payer without charges") << Edit([](Statement& s) {
        const QList<int> charges = linesOfPayer(s, 3, 2);
        for (qsizetype i = charges.size() - 1; i >= 0; --i)
            s[1].removeAt(charges[i] - 1);
    }) << 1 << rows({u"1\t3\tОтсутствуют записи о начислениях для потребителя услуг."_s});
    QTest::newRow("charge a kopeck off its payer's total") << Edit([](Statement& s) {
        QString& sum = field(s[1][linesOfPayer(s, 3, 2).first() - 1], 10);
        sum = QString::number(sum.toLongLong() + 1);
    }) << 1 << rows({u"1\t3\tСумма (суммы) общая не совпадает с суммой по услугам."_s});
    QTest::newRow("registration a month ahead") << Edit([](Statement& s) {
        field(s[2][4], 16) = ddmmyyyy(QDate::currentDate().addMonths(1));
    }) << 0 << QString();
    QTest::newRow("registration a month and a day ahead") << Edit([](Statement& s) {
        field(s[2][4], 16) = ddmmyyyy(QDate::currentDate().addMonths(1).addDays(1));
    }) << 1 << rows({u"3\t5\tДата регистрации превышает текущую дату более чем на месяц."_s});
    // Import rows come first in the import's own order (lines, then its cross-record
    // checks), then the export checks in theirs; a row without a line has an empty cell.
    QTest::newRow("faults in all files")
        << Edit([](Statement& s) {
               field(s[0][6], 18) = u"45,5"_s;
               field(s[0][1], 3) = u"1204"_s;
               field(s[1][0], 6) = u"999"_s;
           })
        << 1
        << rows({u"1\t7\tОшибка формата поля \"Общая площадь\""_s,
                 u"1\t\tФайл содержит сведения по нескольким организациям"_s,
                 u"2\t1\tУслуги №999 нет в справочнике"_s, u"1\t7\t"_s + incomplete,
                 u"2\t1\tУслуга №999 отсутствует в справочнике услуг."_s});
}

void TestOrbelonFiles::checkRows()
{
    QFETCH(Edit, edit);
    QFETCH(int, code);
    QFETCH(QString, rows);

    Statement statement = demoStatement();
    QCOMPARE(statement[0].size(), 50);
    if (edit)
        edit(statement);
    const QStringList files = writeStatement(statement);
    QCOMPARE(files.size(), 3);

    const RunResult result = run(QStringList{u"check"_s} + files);
    QCOMPARE(result.out, rows);
    QCOMPARE(result.code, code);
    // The counts of the load go to standard error, apart from the rows.
    QVERIFY2(result.err.contains(u"прочитано 50"_s), qPrintable(result.err));
}

void TestOrbelonFiles::convertRewritesTheDemoExactly()
{
    const QString out1 = m_work->filePath(u"out/first"_s);
    const RunResult first =
        run(QStringList{u"convert"_s} + demoFiles() +
            QStringList{out1, u"--org"_s, u"117"_s, u"--period"_s, u"122026"_s});
    QCOMPARE(first.out, QString());
    QCOMPARE(first.code, 0);
    QCOMPARE(QDir(out1).entryList(QDir::Files),
             QStringList(std::begin(DemoNames), std::end(DemoNames)));

    const QString today = ddmmyyyy(QDate::currentDate());
    QStringList written;
    for (size_t i = 0; i < 3; ++i) {
        const QString path = out1 + u'/' + DemoNames[i];
        written << path;
        const QByteArray bytes = readAll(path);
        // CP866 with CR LF: the demo is exactly such a file, so with the date of writing
        // in field 1 every byte must match it.
        QByteArray expected;
        for (QStringList line : readLines(demoFiles().at(qsizetype(i)))) {
            line[0] = today;
            expected += CommonFnc::AnsiToOem(line.join(u'\t')) + "\r\n";
        }
        QCOMPARE(bytes, expected);
        QVERIFY(!bytes.contains("\t\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    }

    // Loading what was written and writing it again changes nothing.
    const QString out2 = m_work->filePath(u"out/second"_s);
    const RunResult second =
        run(QStringList{u"convert"_s} + written +
            QStringList{out2, u"--org"_s, u"117"_s, u"--period"_s, u"122026"_s});
    QCOMPARE(second.code, 0);
    for (const QString& name : DemoNames)
        QCOMPARE(readAll(out2 + u'/' + name), readAll(out1 + u'/' + name));
}

void TestOrbelonFiles::convertStampsOrganisationPeriodAndToday()
{
    const QString out = m_work->filePath(u"stamped"_s);
    const RunResult result = run(QStringList{u"convert"_s} + demoFiles() +
                                 QStringList{out, u"--org=1204"_s, u"--period=032024"_s});
    QCOMPARE(result.code, 0);
    const QStringList names = {u"P1_1204_032024.TXT"_s, u"P2_1204_032024.TXT"_s,
                               u"P3_1204_032024.TXT"_s};
    QCOMPARE(QDir(out).entryList(QDir::Files), names);

    const QString today = ddmmyyyy(QDate::currentDate());
    const int monthField[] = {15, 5, 5};
    for (int i = 0; i < 3; ++i) {
        const QList<QStringList> lines = readLines(out + u'/' + names[i]);
        QCOMPARE(lines.size(), demoStatement()[size_t(i)].size());
        for (const QStringList& line : lines) {
            QCOMPARE(line.at(0), today);
            QCOMPARE(line.at(monthField[i] - 1), u"032024"_s);
            if (i == 0)
                QCOMPARE(line.at(2), u"1204"_s);
        }
    }
}

void TestOrbelonFiles::convertWritesDespiteFindings()
{
    const Statement statement = demoWithoutChargesOfPayer3();
    const QString out = m_work->filePath(u"out"_s);
    const RunResult result =
        run(QStringList{u"convert"_s} + writeStatement(statement) +
            QStringList{out, u"--org"_s, u"117"_s, u"--period"_s, u"122026"_s});
    QCOMPARE(result.out,
             rows({u"1\t3\tОтсутствуют записи о начислениях для потребителя услуг."_s}));
    QCOMPARE(result.code, 1);
    QVERIFY2(result.err.contains(
                 u"Сводная ведомость не может быть сформирована из-за наличия ошибок в файлах."_s),
             qPrintable(result.err));
    QCOMPARE(readLines(out + u"/P1_117_122026.TXT"_s).size(), 50);
    QCOMPARE(readLines(out + u"/P2_117_122026.TXT"_s).size(), statement[1].size());
}

void TestOrbelonFiles::convertRefusesAnEmptyTable()
{
    Statement statement = demoStatement();
    statement[2].clear();
    const QString out = m_work->filePath(u"out"_s);
    const RunResult result =
        run(QStringList{u"convert"_s} + writeStatement(statement) +
            QStringList{out, u"--org"_s, u"117"_s, u"--period"_s, u"122026"_s});
    QCOMPARE(result.code, 2);
    // The refusal is the first row; the checks still list every payer without persons.
    const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 50);
    QCOMPARE(
        lines.first(),
        u"\t\tФайлы не могут быть сформированы, так так в каждом из трех файлов должна быть хотя бы одна запись."_s);
    QCOMPARE(lines.at(1),
             u"1\t1\tОтсутствуют записи о лицах, совместно проживающих с потребителем услуг."_s);
    QVERIFY2(result.err.contains(u"Файлы не сформированы."_s), qPrintable(result.err));
    QVERIFY(QDir(out).entryList(QDir::Files).isEmpty());
}

void TestOrbelonFiles::summaryPrintsTheStatementFigures()
{
    const RunResult result = run(QStringList{u"summary"_s} + demoFiles());
    QCOMPARE(result.code, 0);
    // The demo's payer totals equal the sums of their charges.
    QCOMPARE(result.out, rows({u"P1_117_122026.TXT\t50\t548 083,21\t517 210,91"_s,
                               u"P2_117_122026.TXT\t550\t548 083,21\t517 210,91"_s,
                               u"P3_117_122026.TXT\t134\t\t"_s}));
}

void TestOrbelonFiles::summaryWritesTheStatementAsPdf()
{
    const QString pdf = m_work->filePath(u"Сводная.pdf"_s);
    const RunResult result =
        run(QStringList{u"summary"_s} + demoFiles() + QStringList{u"--pdf"_s, pdf});
    QCOMPARE(result.code, 0);
    const RunResult figures = run(QStringList{u"summary"_s} + demoFiles());
    QCOMPARE(result.out, figures.out);
    QCOMPARE(pdfPages(pdf), 1);

    // The page reads row by row as the figures do, with the organisation that file I
    // names and its month.
    const QString text = squeezed(pdfText(pdf));
    const QString organisation =
        m_db->scalar(u"SELECT DezName FROM Sprav_Dez WHERE DezID = 117"_s).toString();
    QVERIFY(!organisation.isEmpty());
    for (const QString& expected :
         QStringList{u"Сводная ведомость передаваемой информации"_s, u"за Декабрь 2026 года"_s,
                     u"(отчетный период)"_s, u"Организация: "_s + organisation,
                     u"Информацию сдал:"_s, u"Информацию принял:"_s,
                     u"Дата печати сводной ведомости: "_s +
                         QDate::currentDate().toString(u"dd.MM.yyyy"_s)}) {
        QVERIFY2(text.contains(expected), qPrintable(expected + u"\n---\n"_s + text));
    }
    for (const QString& row : figures.out.split(u'\n', Qt::SkipEmptyParts)) {
        const QString cells = squeezed(QString(row).replace(u'\t', u' '));
        QVERIFY2(text.contains(cells), qPrintable(cells + u"\n---\n"_s + text));
    }

    // Organisation and period given on the command line win over file I's.
    const QString other = m_work->filePath(u"other.pdf"_s);
    QCOMPARE(run(QStringList{u"summary"_s} + demoFiles() +
                 QStringList{u"--pdf"_s, other, u"--org"_s, u"99999"_s, u"--period"_s, u"032024"_s})
                 .code,
             0);
    const QString otherText = squeezed(pdfText(other));
    QVERIFY2(otherText.contains(u"за Март 2024 года Организация: 99999"_s) ||
                 (otherText.contains(u"за Март 2024 года"_s) &&
                  otherText.contains(u"Организация: 99999"_s)),
             qPrintable(otherText));
}

void TestOrbelonFiles::summaryWritesNoPdfAfterFindings()
{
    const Statement statement = demoWithoutChargesOfPayer3();
    const QString pdf = m_work->filePath(u"summary.pdf"_s);
    const RunResult result =
        run(QStringList{u"summary"_s} + writeStatement(statement) + QStringList{u"--pdf"_s, pdf});
    QCOMPARE(result.code, 1);
    QVERIFY2(result.err.contains(
                 u"Сводная ведомость не может быть сформирована из-за наличия ошибок в файлах."_s),
             qPrintable(result.err));
    QVERIFY(!QFileInfo::exists(pdf));
}

namespace {

/// Runs the import into `db` with nobody listening: the window's road to a loaded statement.
bool importInto(Database& db, const QStringList& files)
{
    struct Quiet final : Exchange::ImportListener
    {
        void linesCounted(qint64, qint64, qint64) override {}
        void linesRead(Exchange::FileKind, qint64) override {}
        void payerLineRead(const QDate&, const QVariant&) override {}
        void errorAdded(int, qint64, const QString&) override {}
        void stepDone(int) override {}
        void failure(const QString&) override {}
    } quiet;
    return Exchange::Importer(db).run(files[0], files[1], files[2], quiet).outcome ==
           Exchange::ImportResult::Outcome::Completed;
}

} // namespace

void TestOrbelonFiles::receiptsOfOneHouseAndOfAll()
{
    // Five payers moved into house 99 of the first payer's street, flats given out of order.
    Statement statement = demoStatement();
    const QString street = field(statement[0][0], 8);
    const QStringList flats = {u"10"_s, u"2"_s, u"1"_s, u"7"_s, u"5"_s};
    for (int i = 0; i < flats.size(); ++i) {
        QStringList& payer = statement[0][i];
        field(payer, 8) = street;
        field(payer, 9) = u"99"_s;
        field(payer, 10) = QString();
        field(payer, 11) = QString();
        field(payer, 12) = flats[i];
    }
    const QStringList files = writeStatement(statement);
    // The files carry the street's BTI code, by which the house is chosen.
    const QString bti = street;
    const QString house = m_work->filePath(u"house.pdf"_s);
    const RunResult one =
        run(QStringList{u"receipts"_s} + files + QStringList{house, u"--house"_s, bti + u"/99"_s});
    QCOMPARE(one.code, 0);
    QCOMPARE(one.out, QString());
    // Two receipts a sheet: 2 + 2 + 1, flats by their numbers' value.
    QCOMPARE(pdfPages(house), 3);
    QList<int> order;
    const QRegularExpression flat(u"д\\. 99, кв\\.(\\d+)"_s);
    for (auto it = flat.globalMatch(pdfText(house)); it.hasNext();)
        order << it.next().captured(1).toInt();
    QCOMPARE(order, (QList<int>{1, 2, 5, 7, 10}));

    // Every house of the statement, each starting a sheet of its own.
    QHash<QString, int> payersOfHouse;
    for (QStringList line : statement[0]) {
        QStringList address;
        for (int number : {8, 9, 10, 11})
            address << field(line, number).trimmed();
        ++payersOfHouse[address.join(u'/')];
    }
    int sheets = 0;
    for (const int payers : std::as_const(payersOfHouse))
        sheets += (payers + 1) / 2;
    const QString all = m_work->filePath(u"all.pdf"_s);
    const RunResult every = run(QStringList{u"receipts"_s} + files + QStringList{all});
    QCOMPARE(every.code, 0);
    QCOMPARE(pdfPages(all), sheets);
    QVERIFY2(every.err.contains(u"Извещений: "_s + QString::number(statement[0].size()) + u','),
             qPrintable(every.err));
    QVERIFY(pdfText(all).contains(u"Расчет платежей за Декабрь 2026 г."_s));
}

void TestOrbelonFiles::actsWriteTheSixReports()
{
    const QString folder = m_work->filePath(u"acts"_s);
    const RunResult result = run(QStringList{u"acts"_s} + demoFiles() + QStringList{folder});
    QCOMPARE(result.code, 0);
    const QString organisation =
        m_db->scalar(u"SELECT DezName FROM Sprav_Dez WHERE DezID = 117"_s).toString();
    QStringList names;
    for (const Acts::Kind kind :
         {Acts::Kind::Services, Acts::Kind::HousesServices, Acts::Kind::HousesFlatsServices,
          Acts::Kind::EnteredData, Acts::Kind::Payers, Acts::Kind::PayersWithPersons}) {
        names << QDir(folder).entryList({QString::number(int(kind) + 1) + u" *.pdf"_s});
        QCOMPARE(names.size(), int(kind) + 1);
        const QString text = squeezed(pdfText(QDir(folder).filePath(names.last())));
        // Each names what it is, whose it is and which month; their layout is the windows'.
        for (const QString& expected : {squeezed(Acts::title(kind)), organisation})
            QVERIFY2(text.contains(expected), qPrintable(names.last() + u": "_s + expected));
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 6);
    QVERIFY(names.contains(u"5 Список плательщиков.pdf"_s));
}

void TestOrbelonFiles::recalcGivesTheWindowsResult()
{
    // Every tariff of the bank goes up by 1,37: each charge of the demo changes.
    QVERIFY(m_db->exec(u"UPDATE TariffBank SET SummaT = SummaT + 137"_s));
    const QString tool = newFolder();
    const RunResult result =
        run(QStringList{u"recalc"_s} + demoFiles() +
            QStringList{tool, u"--org"_s, u"117"_s, u"--period"_s, u"122026"_s});
    QCOMPARE(result.code, 0);
    QVERIFY2(result.err.contains(u"Перерасчет произведен: начислений 550, плательщиков 50."_s),
             qPrintable(result.err));

    // The window's road on the same bank: load, recalculate, save with the same stamp.
    QVERIFY(importInto(m_db->db(), demoFiles()));
    struct Silent final : Bulk::RecalculationListener
    {
        void phaseStarted(Phase, qint64) override {}
        void recordDone(qint64) override {}
    } silent;
    const QDate december(2026, 12, 1);
    QCOMPARE(int(Bulk::recalculate(m_db->db(), december, silent).outcome),
             int(Bulk::RecalculationResult::Outcome::Done));
    const QString window = newFolder();
    const Exchange::ExchangeFileNames names =
        Exchange::standardFileNames(CommonFnc::WithTrailingBackslash(window), 117, december);
    Exchange::ExportStamp stamp;
    stamp.organisation = 117;
    stamp.period = december;
    stamp.today = QDate::currentDate();
    struct Unheard final : Exchange::ExportListener
    {
        void checkFinding(int, qint64, const QString&) override {}
    } unheard;
    QCOMPARE(int(Exchange::Exporter(m_db->db()).write(names, stamp, unheard).outcome),
             int(Exchange::WriteResult::Outcome::Written));
    for (const QString& name : DemoNames) {
        const QByteArray ours = readAll(QDir(tool).filePath(name));
        QVERIFY(!ours.isEmpty());
        QVERIFY2(ours == readAll(QDir(window).filePath(name)), qPrintable(name));
    }
    QVERIFY(readAll(QDir(tool).filePath(DemoNames[1])) !=
            readAll(QStringLiteral(ORBELON_SAMPLES_DIR) + u'/' + DemoNames[1]));

    // What it wrote passes the nine checks.
    QStringList written;
    for (const QString& name : DemoNames)
        written << QDir(tool).filePath(name);
    const RunResult checked = run(QStringList{u"check"_s} + written);
    QCOMPARE(checked.code, 0);
    QCOMPARE(checked.out, QString());
}

void TestOrbelonFiles::recalcRefusesMissingTariffs()
{
    // The refuse collection (service 8) has no tariff at all.
    QVERIFY(m_db->exec(u"DELETE FROM TariffBank WHERE ServiceTotalID IN "
                       "(SELECT ServiceTotalID FROM Sprav_Services WHERE ServiceID = 8)"_s));
    const QString folder = m_work->filePath(u"out"_s);
    const RunResult result =
        run(QStringList{u"recalc"_s} + demoFiles() +
            QStringList{folder, u"--org"_s, u"117"_s, u"--period"_s, u"122026"_s});
    QCOMPARE(result.code, 1);
    QCOMPARE(result.out, QString());
    QVERIFY2(result.err.contains(u"ставки/тарифы за указанный период"_s), qPrintable(result.err));
    QVERIFY2(result.err.contains(u"\n  Обращение с твердыми коммунальными отходами\n"_s),
             qPrintable(result.err));
    QVERIFY(!QFileInfo::exists(folder));
}

void TestOrbelonFiles::cannotRun_data()
{
    // "@1".."@3" stand for the demo files, "@empty" for a folder without a database,
    // "@text" for a file that is no database, "@bare" for a database without tables.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QStringList demo = {u"@1"_s, u"@2"_s, u"@3"_s};
    QTest::newRow("no arguments") << QStringList() << u"Использование:"_s;
    QTest::newRow("unknown command")
        << QStringList{u"send"_s} + demo << u"неизвестная команда \"send\""_s;
    QTest::newRow("two files") << QStringList{u"check"_s, u"@1"_s, u"@2"_s} << u"нужны три файла"_s;
    QTest::newRow("convert without a folder")
        << QStringList{u"convert"_s} + demo +
               QStringList{u"--org"_s, u"117"_s, u"--period"_s, u"122026"_s}
        << u"нужны три файла и папка"_s;
    QTest::newRow("convert without a period")
        << QStringList{u"convert"_s} + demo + QStringList{u"out"_s, u"--org"_s, u"117"_s}
        << u"--period"_s;
    QTest::newRow("month 13") << QStringList{u"convert"_s} + demo +
                                     QStringList{u"out"_s, u"--org"_s, u"117"_s, u"--period"_s,
                                                 u"132026"_s}
                              << u"неверный отчетный период"_s;
    QTest::newRow("organisation not a number")
        << QStringList{u"convert"_s} + demo +
               QStringList{u"out"_s, u"--org"_s, u"11a"_s, u"--period"_s, u"122026"_s}
        << u"неверный код организации"_s;
    QTest::newRow("option of another command")
        << QStringList{u"check"_s} + demo + QStringList{u"--org"_s, u"117"_s}
        << u"неизвестный параметр \"--org\""_s;
    QTest::newRow("summary period without a PDF")
        << QStringList{u"summary"_s} + demo + QStringList{u"--period"_s, u"122026"_s} << u"--pdf"_s;
    QTest::newRow("PDF into a missing folder")
        << QStringList{u"summary"_s} + demo + QStringList{u"--pdf"_s, u"@empty/нет/сводная.pdf"_s}
        << u"Не удалось записать файл"_s;
    QTest::newRow("receipts without their PDF")
        << QStringList{u"receipts"_s} + demo << u"нужны три файла и файл PDF"_s;
    QTest::newRow("house without its number")
        << QStringList{u"receipts"_s} + demo + QStringList{u"r.pdf"_s, u"--house"_s, u"8500069"_s}
        << u"неверный дом \"8500069\""_s;
    QTest::newRow("house on no street of the statement")
        << QStringList{u"receipts"_s} + demo + QStringList{u"r.pdf"_s, u"--house"_s, u"1/1"_s}
        << u"Дом не найден в сведениях: улица с кодом БТИ 1, дом 1."_s;
    QTest::newRow("receipts of an organisation the book lacks")
        << QStringList{u"receipts"_s} + demo + QStringList{u"r.pdf"_s, u"--org"_s, u"99999"_s}
        << u"Не указана организация."_s;
    QTest::newRow("acts without a folder")
        << QStringList{u"acts"_s} + demo << u"нужны три файла и папка для актов"_s;
    QTest::newRow("recalc without an organisation")
        << QStringList{u"recalc"_s} + demo + QStringList{u"out"_s, u"--period"_s, u"122026"_s}
        << u"команде recalc нужны код организации (--org)"_s;
    QTest::newRow("--db without a value") << QStringList{u"check"_s} + demo + QStringList{u"--db"_s}
                                          << u"после --db нужно значение"_s;
    QTest::newRow("missing file") << QStringList{u"check"_s, u"@1"_s, u"nothere.txt"_s, u"@3"_s}
                                  << u"Файл\nnothere.txt\nне существует."_s;
    // What is there but is no file is told for what it is.
    QTest::newRow("a folder") << QStringList{u"check"_s, u"@1"_s, u"@empty"_s, u"@3"_s}
                              << u"является папкой, а не файлом."_s;
    QTest::newRow("a device")
        << QStringList{u"check"_s, u"@1"_s, u"/dev/null"_s, u"@3"_s}
        << u"/dev/null\nне является обычным файлом (это устройство или канал)."_s;
    QTest::newRow("no database") << QStringList{u"check"_s} + demo +
                                        QStringList{u"--db"_s, u"@empty/Base/Dude.b"_s}
                                 << u"Не найдена база данных"_s;
    QTest::newRow("not a database")
        << QStringList{u"check"_s} + demo + QStringList{u"--db"_s, u"@text"_s}
        << u"Невозможно прочитать базу данных"_s;
    QTest::newRow("database without the tables")
        << QStringList{u"check"_s} + demo + QStringList{u"--db"_s, u"@bare"_s}
        << u"в ней нет таблиц: SvedPotreb_T1"_s;
}

void TestOrbelonFiles::cannotRun()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const QString empty = newFolder();
    const QString text = m_work->filePath(u"text.b"_s);
    {
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a database\n");
    }
    const QString bare = m_work->filePath(u"bare.b"_s);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bare"_s);
        db.setDatabaseName(bare);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(u"CREATE TABLE Other (a INTEGER)"_s));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"bare"_s);

    const QStringList demo = demoFiles();
    for (QString& argument : arguments) {
        argument.replace(u"@1"_s, demo[0]).replace(u"@2"_s, demo[1]).replace(u"@3"_s, demo[2]);
        argument.replace(u"@empty"_s, empty).replace(u"@text"_s, text).replace(u"@bare"_s, bare);
    }
    // Run in the test database's folder, so that only the arguments can be at fault.
    const RunResult result = run(arguments);
    QCOMPARE(result.code, 2);
    QCOMPARE(result.out, QString());
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(readAll(text), QByteArray("not a database\n"));
}

void TestOrbelonFiles::help()
{
    for (const QStringList& arguments :
         {QStringList{u"--help"_s}, QStringList{u"check"_s, u"-h"_s}}) {
        const RunResult result = run(arguments);
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.startsWith(u"Использование:"_s));
        QVERIFY(result.out.contains(
            u"orbelon-files convert ФАЙЛ_I ФАЙЛ_II ФАЙЛ_III ПАПКА --org КОД --period ММГГГГ"_s));
        QCOMPARE(result.err, QString());
    }
    // Without --db the database is ./Base/Dude.b; elsewhere the tool cannot run.
    const RunResult elsewhere = run(QStringList{u"check"_s} + demoFiles(), newFolder());
    QCOMPARE(elsewhere.code, 2);
    QVERIFY2(elsewhere.err.contains(u"Base/Dude.b"_s), qPrintable(elsewhere.err));
}

void TestOrbelonFiles::readsChangesStillInTheLog()
{
    // Regression guard: a copy of the main file alone misses what the program committed
    // into the write-ahead log and has not yet moved into the file.
    QVERIFY(m_db->exec(
        u"INSERT INTO Sprav_Services (ServiceID, ServiceName) VALUES (999, 'Новая услуга')"_s));
    if (QFileInfo(m_db->filePath() + u"-wal"_s).size() == 0)
        QSKIP("the insert went straight into the database file");

    Statement statement = demoStatement();
    field(statement[1][0], 6) = u"999"_s;
    const RunResult result = run(QStringList{u"check"_s} + writeStatement(statement));
    QCOMPARE(result.out, QString());
    QCOMPARE(result.code, 0);
}

void TestOrbelonFiles::leavesNoFilesBesideTheDatabase()
{
    // With the program closed, the tool must not leave journal files in its folder.
    m_db->db().close();
    const QDir base(QFileInfo(m_db->filePath()).absolutePath());
    const QStringList before = base.entryList(QDir::Files);
    const RunResult result = run(QStringList{u"check"_s} + demoFiles());
    QCOMPARE(result.code, 0);
    QCOMPARE(base.entryList(QDir::Files), before);
}

QTEST_GUILESS_MAIN(TestOrbelonFiles)
#include "tst_orbelonfiles.moc"
