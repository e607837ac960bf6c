// bench_import: how long the import of a large statement takes, stage by stage, next to
// the sqlite3 shell's own .import of the same lines.
//
//   bench_import [N] [--org CODE] [--period MMYYYY] [--seed S] [--rounds R]
//   bench_import --statement P1_FILE [--rounds R]           (default N = 100000, R = 3)
//
// Builds a fresh working database in a temporary folder, writes a made-up statement of N
// payers (the generator of gen_statement) or takes the given files I, II and III (P2_ and
// P3_ beside P1_), imports it, and checks that everything arrived: no error rows, every
// line loaded, and none of the export's nine checks (the program's own) finds anything.
// Then writes the same lines as UTF-8 TSV and times `sqlite3 DB` running `.import` of them
// into plain tables with the same columns. The import and the shell run R rounds by turns;
// the run prints their least and median times and the ratios. Ends with the peak memory of this
// process (VmHWM).

#include "CommonFnc.h"
#include "Database.h"
#include "ExchangeFormat.h"
#include "Exporter.h"
#include "Importer.h"
#include "Query.h"
#include "StatementGenerator.h"
#include "ToolSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace {

/// Times the stages of an import as the importer reports them.
class StageClock : public Exchange::ImportListener
{
public:
    explicit StageClock(QTextStream& out) : m_out(out) { m_timer.start(); }

    void linesCounted(qint64 payers, qint64 charges, qint64 persons) override
    {
        lap(u"count lines (%1 + %2 + %3)"_s.arg(payers).arg(charges).arg(persons));
    }
    void linesRead(Exchange::FileKind, qint64) override {}
    void payerLineRead(const QDate&, const QVariant&) override {}
    void errorAdded(int file, qint64 line, const QString& message) override
    {
        if (++m_errors <= 10)
            m_out << "  error row: file " << file << ", line " << line << ": " << message << '\n';
    }
    void stepDone(int step) override
    {
        static const std::array<QString, 7> stages = {
            u"file I into TMP_T1, payers copied"_s,
            u"file II into SvedNach_T2"_s,
            u"file III into SvedPotrebRelations_T3"_s,
            u"checks"_s,
            u"recount persons"_s,
            u"commit"_s,
            u"count loaded, empty scratch tables"_s,
        };
        lap(step >= 1 && step <= 7 ? stages[size_t(step - 1)] : u"step %1"_s.arg(step));
    }
    void failure(const QString& message) override { m_out << "  failure: " << message << '\n'; }

    void lap(const QString& stage)
    {
        const qint64 now = m_timer.elapsed();
        m_out << "  " << qSetFieldWidth(40) << Qt::left << stage << qSetFieldWidth(0) << Qt::right << ' '
              << qSetFieldWidth(7) << (now - m_last) << qSetFieldWidth(0) << " ms\n";
        m_out.flush();
        m_last = now;
    }
    qint64 elapsed() const { return m_timer.elapsed(); }
    qint64 errors() const { return m_errors; }

private:
    QTextStream& m_out;
    QElapsedTimer m_timer;
    qint64 m_last = 0;
    qint64 m_errors = 0;
};

/// Counts what the export's checks find.
class QuietChecks final : public Exchange::ExportListener
{
public:
    void checkFinding(int, qint64, const QString&) override { ++findings; }
    qint64 findings = 0;
};

struct Check
{
    const char16_t* what;
    const char16_t* sql;
};

// Rules the generator keeps beyond the export's checks.
const std::array<Check, 6> GeneratorRules = {{
    {u"persons counted in PplCntReg",
     uR"(SELECT COUNT(*) FROM SvedPotreb_T1 t1 WHERE PplCntReg <> (SELECT COUNT(*)
         FROM SvedPotrebRelations_T3 t3 WHERE t3.T1_ID = t1.T1_ID))"},
    {u"shares add up to the area",
     uR"(SELECT COUNT(*) FROM SvedPotreb_T1 t1 WHERE SquareTotal <> (SELECT SUM(SquareShare)
         FROM SvedPotrebRelations_T3 t3 WHERE t3.T1_ID = t1.T1_ID))"},
    {u"charge sums out of order",
     uR"(SELECT COUNT(*) FROM SvedNach_T2 WHERE SummaServiceWOBenefit > SummaService
         OR SummaServiceReg > SummaService OR SummaServiceWOBenefitReg > SummaServiceReg
         OR SummaServiceWOBenefitReg > SummaServiceWOBenefit OR SummaServiceWOBenefitReg < 0)"},
    {u"first person not \"Сам\"",
     uR"(SELECT COUNT(*) FROM SvedPotrebRelations_T3 WHERE NumberPeople = 1 AND Relation <> 'Сам')"},
    {u"kinship term not in Sprav_Relation",
     uR"(SELECT COUNT(*) FROM SvedPotrebRelations_T3 t3 WHERE NOT EXISTS (SELECT 1 FROM Sprav_Relation r
         WHERE r.RelationName = t3.Relation))"},
    {u"birth or registration after the period",
     uR"(SELECT COUNT(*) FROM SvedPotrebRelations_T3 WHERE BirthDate >= :Period OR DateRegStart >= :Period
         OR DateRegStart < BirthDate)"},
}};

qint64 peakMemoryKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

/// The file's lines in UTF-8 with LF, for the sqlite3 shell. False when a file fails.
bool writeTsv(const QString& from, const QString& to, QString* error)
{
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        *error = in.isOpen() ? out.errorString() : in.errorString();
        return false;
    }
    Exchange::LineReader reader(&in);
    QByteArray raw;
    while (reader.next(raw)) {
        QByteArray utf8 = CommonFnc::OemToAnsi(raw).toUtf8();
        utf8.append('\n');
        if (out.write(utf8) != utf8.size()) {
            *error = out.errorString();
            return false;
        }
    }
    if (reader.failed()) {
        *error = reader.errorString();
        return false;
    }
    return true;
}

/// CREATE TABLE of plain columns named as the long layout's fields.
QString plainTable(Exchange::FileKind kind, const QString& name)
{
    QStringList columns;
    for (const Exchange::FieldSpec& spec : Exchange::fields(kind, Exchange::Layout::Long))
        columns << (spec.column.isEmpty() ? u"PplCntReg"_s : spec.column);
    return u"CREATE TABLE "_s + name + u" ("_s + columns.join(u", "_s) + u");\n"_s;
}

bool runSqlite(const QString& database, const QString& script, QString* error)
{
    QProcess sqlite;
    sqlite.start(u"sqlite3"_s, {u"-batch"_s, u"-bail"_s, database});
    if (!sqlite.waitForStarted()) {
        *error = u"sqlite3: "_s + sqlite.errorString();
        return false;
    }
    sqlite.write(script.toUtf8());
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(-1);
    const QString messages = QString::fromUtf8(sqlite.readAllStandardError()).trimmed();
    if (sqlite.exitStatus() != QProcess::NormalExit || sqlite.exitCode() != 0 || !messages.isEmpty()) {
        *error = u"sqlite3: "_s + messages;
        return false;
    }
    return true;
}

qint64 count(Database& db, const QString& sql, const QVariantMap& params = {})
{
    Query q(db, sql);
    for (auto it = params.begin(); it != params.end(); ++it) {
        if (sql.contains(it.key()))
            q.bind(it.key(), it.value());
    }
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Times the import of a generated statement."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"N"_s, u"number of payers (default 100000)"_s);
    const QCommandLineOption orgOption(u"org"_s, u"organisation code (default 117)"_s, u"CODE"_s, u"117"_s);
    const QCommandLineOption periodOption(u"period"_s, u"accounting month MMYYYY (default: this month)"_s, u"MMYYYY"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"seed of the made-up data (default 1)"_s, u"S"_s, u"1"_s);
    const QCommandLineOption statementOption(u"statement"_s, u"import these files instead of generating"_s,
                                             u"P1_FILE"_s);
    const QCommandLineOption roundsOption(u"rounds"_s, u"rounds of the import and of the shell (default 3)"_s,
                                          u"R"_s, u"3"_s);
    parser.addOptions({orgOption, periodOption, seedOption, statementOption, roundsOption});
    parser.process(app);
    const int rounds = parser.value(roundsOption).toInt();

    StatementGenerator::Options options;
    options.payers = parser.positionalArguments().value(0, u"100000"_s).toLongLong();
    options.organisation = parser.value(orgOption).toInt();
    options.seed = parser.value(seedOption).toULongLong();
    const QDate today = QDate::currentDate();
    options.period = QDate(today.year(), today.month(), 1);
    if (parser.isSet(periodOption))
        options.period = ToolSupport::periodFromText(parser.value(periodOption));
    if (options.payers < 1 || options.organisation < 1 || !options.period.isValid() || rounds < 1) {
        out << parser.helpText();
        return 2;
    }

    QTemporaryDir dir;
    const QString dbFile = dir.filePath(u"Base/Dude.b"_s);
    QString error;
    Database db;
    if (!ToolSupport::openFreshDatabase(dbFile, db, &error)) {
        out << error << '\n';
        return 1;
    }

    // --- The statement ---------------------------------------------------------------
    QElapsedTimer timer;
    timer.start();
    StatementGenerator::FileNames files;
    StatementGenerator::Totals totals;
    const bool generated = !parser.isSet(statementOption);
    if (generated) {
        StatementGenerator generator(options);
        files = StatementGenerator::standardNames(dir.path(), options.organisation, options.period);
        if (!generator.loadReferences(db) || !generator.write(files)) {
            out << generator.errorString() << '\n';
            return 1;
        }
        totals = generator.totals();
        out << "generate " << totals.payers << " payers, " << totals.charges << " charges, " << totals.persons
            << " persons: " << timer.elapsed() << " ms\n";
    } else {
        const QFileInfo first(parser.value(statementOption));
        const QString rest = first.fileName().mid(first.fileName().startsWith(u"P1_"_s, Qt::CaseInsensitive) ? 3 : 0);
        files = {first.filePath(), first.dir().filePath(u"P2_"_s + rest), first.dir().filePath(u"P3_"_s + rest)};
        const std::array<QString, 3> paths = {files.payers, files.charges, files.persons};
        std::array<qint64, 3> lines{};
        for (size_t i = 0; i < 3; ++i) {
            QFile file(paths[i]);
            lines[i] = file.open(QIODevice::ReadOnly) ? Exchange::LineReader::countLines(&file) : -1;
            if (lines[i] < 0) {
                out << paths[i] << ": " << file.errorString() << '\n';
                return 1;
            }
        }
        totals.payers = lines[0];
        totals.charges = lines[1];
        totals.persons = lines[2];
    }
    for (const QString& path : {files.payers, files.charges, files.persons})
        out << "  " << QFileInfo(path).fileName() << ": " << QFileInfo(path).size() / 1024 << " KiB\n";
    out.flush();

    // --- The same lines for sqlite3 .import, timed by turns with the import -----------------
    const std::array<Exchange::FileKind, 3> kinds = {Exchange::FileKind::Payers, Exchange::FileKind::Charges,
                                                     Exchange::FileKind::Persons};
    const std::array<QString, 3> sources = {files.payers, files.charges, files.persons};
    const QString plainDb = dir.filePath(u"plain.db"_s);
    QString create, import = u".mode tabs\n"_s;
    for (size_t i = 0; i < 3; ++i) {
        const QString table = u"F%1"_s.arg(i + 1);
        const QString tsv = dir.filePath(table + u".tsv"_s);
        if (!writeTsv(sources[i], tsv, &error)) {
            out << error << '\n';
            return 1;
        }
        create += plainTable(kinds[i], table);
        import += u".import '"_s + tsv + u"' "_s + table + u'\n';
    }
    QList<qint64> shellMs;
    const auto shellRound = [&]() {
        QFile::remove(plainDb);
        if (!runSqlite(plainDb, create, &error))
            return false;
        QElapsedTimer shellTimer;
        shellTimer.start();
        if (!runSqlite(plainDb, import, &error))
            return false;
        shellMs << shellTimer.elapsed();
        return true;
    };

    // --- The import ------------------------------------------------------------------
    out << "import, round 1:\n";
    StageClock clock(out);
    Exchange::Importer importer(db);
    Exchange::ImportResult result = importer.run(files.payers, files.charges, files.persons, clock);
    clock.lap(u"rest of the run"_s);
    QList<qint64> importMs{clock.elapsed()};
    const qint64 lineCount = totals.payers + totals.charges + totals.persons;
    out << "  " << qSetFieldWidth(40) << Qt::left << u"total"_s << qSetFieldWidth(0) << Qt::right << ' '
        << qSetFieldWidth(7) << importMs.first() << qSetFieldWidth(0) << " ms  ("
        << (importMs.first() > 0 ? lineCount * 1000 / importMs.first() : 0) << " lines/s)\n";
    out.flush();
    qint64 errorRows = clock.errors();
    // The machine's load drifts: each round of the import is followed by one of the shell.
    if (!shellRound()) {
        out << error << '\n';
        return 1;
    }
    for (int round = 2; round <= rounds; ++round) {
        QuietImport quiet;
        timer.restart();
        result = importer.run(files.payers, files.charges, files.persons, quiet);
        importMs << timer.elapsed();
        errorRows += quiet.errors + quiet.failures.size();
        if (!shellRound()) {
            out << error << '\n';
            return 1;
        }
        out << "import, round " << round << ": " << importMs.last() << " ms; sqlite3 " << shellMs.last()
            << " ms\n";
        out.flush();
    }

    // --- Did everything arrive? --------------------------------------------------------
    bool consistent = result.outcome == Exchange::ImportResult::Outcome::Completed && errorRows == 0
        && result.loaded[0] == totals.payers && result.loaded[1] == totals.charges
        && result.loaded[2] == totals.persons;
    out << "loaded " << result.loaded[0] << " / " << result.loaded[1] << " / " << result.loaded[2]
        << " records, " << errorRows << " error rows\n";
    const QVariantMap params = {{u":Period"_s, QDate(options.period.year(), options.period.month(), 1)}};
    QStringList findings;
    {
        QuietChecks checks;
        timer.restart();
        const Exchange::CheckResult checked = Exchange::Exporter(db).checkBeforeExport(checks, today);
        const qint64 checksMs = timer.elapsed();
        if (!checked.passed)
            findings << u"export checks: %1 findings %2"_s.arg(checks.findings).arg(checked.error);
        out << "export's nine checks: " << checksMs << " ms\n";
    }
    for (const Check& rule : GeneratorRules) {
        const qint64 n = count(db, QString::fromUtf16(rule.sql), params);
        if (n != 0)
            findings << u"%1: %2"_s.arg(QString::fromUtf16(rule.what)).arg(n);
    }
    {
        // Check digits through the program's own routines.
        qint64 badCodes = 0, badSnils = 0;
        Query codes(db, u"SELECT ENumlsID FROM SvedPotreb_T1"_s);
        if (codes.exec()) {
            while (codes.next()) {
                const QString code = u"%1"_s.arg(codes.value(0).toLongLong(), 10, 10, QChar(u'0'));
                badCodes += CommonFnc::IsPayerCodeValid(code) && code != u"0000000000"_s ? 0 : 1;
            }
        }
        Query snils(db, u"SELECT SNILS FROM SvedPotrebRelations_T3 WHERE trim(SNILS) <> ''"_s);
        if (snils.exec()) {
            while (snils.next())
                badSnils += CommonFnc::CheckSnils(CommonFnc::SnilsMaskToDigits(snils.value(0).toString())) == 0 ? 0 : 1;
        }
        if (badCodes != 0)
            findings << u"invalid payer codes: %1"_s.arg(badCodes);
        if (badSnils != 0)
            findings << u"invalid СНИЛС: %1"_s.arg(badSnils);
    }
    {
        Query sums(db, u"SELECT SUM(SummaFull), SUM(SummaWOBenefit) FROM SvedPotreb_T1"_s);
        if (generated && (!sums.exec() || !sums.next() || sums.value(0).toLongLong() != totals.summaFull
                          || sums.value(1).toLongLong() != totals.summaWOBenefit))
            findings << u"loaded totals differ from the generated ones"_s;
    }
    consistent = consistent && findings.isEmpty();
    out << (findings.isEmpty() ? u"nothing found"_s : findings.join(u"; "_s)) << '\n';
    out << (consistent ? "statement consistent\n" : "STATEMENT NOT CONSISTENT\n");
    out.flush();
    db.close();

    using ToolSupport::least;
    out << "import over " << rounds << " rounds: least " << least(importMs) << " ms, median "
        << ToolSupport::median(importMs) << " ms\n";
    out << "sqlite3 .import of the same lines (UTF-8 TSV): least " << least(shellMs) << " ms, median "
        << ToolSupport::median(shellMs) << " ms\n";
    out << "import / sqlite3: " << ToolSupport::ratios(importMs, shellMs) << '\n';
    out << "peak memory (VmHWM): " << peakMemoryKb() / 1024 << " MiB\n";
    return consistent ? 0 : 1;
}
