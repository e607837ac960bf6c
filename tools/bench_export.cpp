// bench_export: how long the export's nine checks and the writing of the three exchange
// files take for a large statement, next to the sqlite3 shell writing the same rows as TSV.
//
//   bench_export [N] [--org CODE] [--period MMYYYY] [--seed S] [--rounds R]
//                                                     (default N = 100000, R = 3)
//
// Builds a fresh working database in a temporary folder, writes a made-up statement of N
// payers (the generator of gen_statement) and imports it, then times the checks (each of
// the nine, and all together) and the export into a folder of its own. The generator and
// the export write the same long layout with the same date, so the exported files must
// equal the generated ones byte for byte; the run says whether they do. Then times
// `sqlite3 DB` writing the rows of the export's three queries with `.mode tabs` into
// files. The checks run R rounds, the export and the shell R rounds by turns; the run prints
// their least and median times and the ratios. Ends with the peak memory of this process (VmHWM).

#include "Database.h"
#include "Exporter.h"
#include "Importer.h"
#include "StatementGenerator.h"
#include "ToolSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
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

/// Times each check and each file as the export reports them.
class Clock final : public Exchange::ExportListener
{
public:
    Clock(QTextStream& out, const Exchange::RecordCounts& counts)
        : m_out(out)
        , m_ends{counts.payers, counts.payers + counts.charges, counts.total()}
    {
        m_timer.start();
    }

    void checkFinding(int file, qint64 number, const QString& message) override
    {
        if (++m_findings <= 10)
            m_out << "  finding: file " << file << ", record " << number << ": " << message << '\n';
    }
    void checkDone(int check, qint64 findings) override
    {
        lap(u"check %1 (%2 found)"_s.arg(check).arg(findings));
    }
    void writingStarted(qint64) override { lap(u"count records"_s); }
    void recordWritten(qint64 written) override
    {
        static const std::array<QString, 3> files = {u"file I"_s, u"file II"_s, u"file III"_s};
        if (m_file < 3 && written == m_ends[size_t(m_file)])
            lap(u"write "_s + files[size_t(m_file++)]);
    }

    void restart()
    {
        m_timer.restart();
        m_last = 0;
    }
    void lap(const QString& stage)
    {
        const qint64 now = m_timer.elapsed();
        m_out << "  " << qSetFieldWidth(34) << Qt::left << stage << qSetFieldWidth(0) << Qt::right << ' '
              << qSetFieldWidth(7) << (now - m_last) << qSetFieldWidth(0) << " ms\n";
        m_out.flush();
        m_last = now;
    }
    qint64 elapsed() const { return m_timer.elapsed(); }
    qint64 findings() const { return m_findings; }

private:
    QTextStream& m_out;
    std::array<qint64, 3> m_ends;
    int m_file = 0;
    QElapsedTimer m_timer;
    qint64 m_last = 0;
    qint64 m_findings = 0;
};

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

QByteArray digest(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
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

/// Listens to a round that is timed as a whole.
class QuietExport final : public Exchange::ExportListener
{
public:
    void checkFinding(int, qint64, const QString&) override {}
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Times the checks and the export of a generated statement."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"N"_s, u"number of payers (default 100000)"_s);
    const QCommandLineOption orgOption(u"org"_s, u"organisation code (default 117)"_s, u"CODE"_s, u"117"_s);
    const QCommandLineOption periodOption(u"period"_s, u"accounting month MMYYYY (default: this month)"_s, u"MMYYYY"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"seed of the made-up data (default 1)"_s, u"S"_s, u"1"_s);
    const QCommandLineOption roundsOption(u"rounds"_s, u"rounds of the checks, the export and the shell (default 3)"_s,
                                          u"R"_s, u"3"_s);
    parser.addOptions({orgOption, periodOption, seedOption, roundsOption});
    parser.process(app);
    const int rounds = parser.value(roundsOption).toInt();

    StatementGenerator::Options options;
    options.payers = parser.positionalArguments().value(0, u"100000"_s).toLongLong();
    options.organisation = parser.value(orgOption).toInt();
    options.seed = parser.value(seedOption).toULongLong();
    const QDate today = QDate::currentDate();
    options.today = today;
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

    // --- The statement, loaded as the operator would load it ---------------------------
    QElapsedTimer timer;
    timer.start();
    const StatementGenerator::FileNames generated =
        StatementGenerator::standardNames(dir.filePath(u"in"_s), options.organisation, options.period);
    QDir().mkpath(dir.filePath(u"in"_s));
    {
        StatementGenerator generator(options);
        if (!generator.loadReferences(db) || !generator.write(generated)) {
            out << generator.errorString() << '\n';
            return 1;
        }
        const StatementGenerator::Totals totals = generator.totals();
        out << "generate " << totals.payers << " payers, " << totals.charges << " charges, " << totals.persons
            << " persons: " << timer.elapsed() << " ms\n";
    }
    timer.restart();
    QuietImport importErrors;
    const Exchange::ImportResult imported =
        Exchange::Importer(db).run(generated.payers, generated.charges, generated.persons, importErrors);
    out << "import: " << timer.elapsed() << " ms, " << importErrors.errors << " error rows\n";
    if (imported.outcome != Exchange::ImportResult::Outcome::Completed || !importErrors.failures.isEmpty()) {
        out << "import failed: " << importErrors.failures.join(u"; "_s) << '\n';
        return 1;
    }

    // --- The export -----------------------------------------------------------------------
    Exchange::Exporter exporter(db);
    const Exchange::RecordCounts counts = exporter.countRecords();
    out << "records: " << counts.payers << " / " << counts.charges << " / " << counts.persons << '\n';

    out << "nine checks:\n";
    Clock clock(out, counts);
    const Exchange::CheckResult checked = exporter.checkBeforeExport(clock, today);
    QList<qint64> checksMs{clock.elapsed()};
    out << "  " << qSetFieldWidth(34) << Qt::left << u"all nine"_s << qSetFieldWidth(0) << Qt::right << ' '
        << qSetFieldWidth(7) << checksMs.first() << qSetFieldWidth(0) << " ms, "
        << (checked.passed ? "nothing found" : "FOUND SOMETHING") << '\n';
    if (!checked.error.isEmpty())
        out << "  " << checked.error << '\n';
    for (int round = 2; round <= rounds; ++round) {
        QuietExport quiet;
        timer.restart();
        exporter.checkBeforeExport(quiet, today);
        checksMs << timer.elapsed();
    }

    // --- sqlite3 writing the same rows as TSV, timed by turns with the export -------------
    QString script = u".mode tabs\n.headers off\n"_s;
    const std::array<Exchange::FileKind, 3> kinds = {Exchange::FileKind::Payers, Exchange::FileKind::Charges,
                                                     Exchange::FileKind::Persons};
    qint64 tsvBytes = 0;
    std::array<QString, 3> tsv;
    for (size_t i = 0; i < kinds.size(); ++i) {
        tsv[i] = dir.filePath(u"F%1.tsv"_s.arg(i + 1));
        script += u".output '"_s + tsv[i] + u"'\n"_s + Exchange::exportQuery(kinds[i]) + u";\n"_s;
    }
    script += u".output stdout\n"_s;
    QList<qint64> shellMs;
    const auto shellRound = [&]() {
        QElapsedTimer shellTimer;
        shellTimer.start();
        if (!runSqlite(dbFile, script, &error))
            return false;
        shellMs << shellTimer.elapsed();
        return true;
    };

    out << "export:\n";
    const QString outFolder = dir.filePath(u"out"_s);
    QDir().mkpath(outFolder);
    Exchange::ExportStamp stamp;
    stamp.organisation = options.organisation;
    stamp.period = options.period;
    stamp.today = today;
    const Exchange::ExchangeFileNames names =
        Exchange::standardFileNames(outFolder + u'/', options.organisation, options.period);
    clock.restart();
    const Exchange::WriteResult written = exporter.write(names, stamp, clock);
    clock.lap(u"put files in place"_s);
    QList<qint64> exportMs{clock.elapsed()};
    if (written.outcome != Exchange::WriteResult::Outcome::Written) {
        out << "export failed: " << written.message << '\n';
        return 1;
    }
    // The machine's load drifts: each round of the export is followed by one of the shell.
    if (!shellRound()) {
        out << error << '\n';
        return 1;
    }
    for (int round = 2; round <= rounds; ++round) {
        QuietExport quiet;
        timer.restart();
        if (exporter.write(names, stamp, quiet).outcome != Exchange::WriteResult::Outcome::Written) {
            out << "export failed in round " << round << '\n';
            return 1;
        }
        exportMs << timer.elapsed();
        if (!shellRound()) {
            out << error << '\n';
            return 1;
        }
    }
    const qint64 lines = written.records[0] + written.records[1] + written.records[2];
    qint64 bytes = 0;
    for (const QString& name : {names.payers, names.charges, names.persons})
        bytes += QFileInfo(name).size();
    out << "  " << qSetFieldWidth(34) << Qt::left << u"total"_s << qSetFieldWidth(0) << Qt::right << ' '
        << qSetFieldWidth(7) << exportMs.first() << qSetFieldWidth(0) << " ms  (" << lines << " lines, "
        << bytes / 1024 << " KiB, " << (exportMs.first() > 0 ? lines * 1000 / exportMs.first() : 0)
        << " lines/s)\n";

    const bool same = digest(names.payers) == digest(generated.payers)
        && digest(names.charges) == digest(generated.charges) && digest(names.persons) == digest(generated.persons);
    out << (same ? "exported files equal the generated ones byte for byte\n"
                 : "EXPORTED FILES DIFFER FROM THE GENERATED ONES\n");
    out.flush();
    db.close();

    for (const QString& file : tsv)
        tsvBytes += QFileInfo(file).size();
    using ToolSupport::least;
    out << "over " << rounds << " rounds, least / median:\n";
    out << "  the nine checks: " << least(checksMs) << " / " << ToolSupport::median(checksMs) << " ms\n";
    out << "  export: " << least(exportMs) << " / " << ToolSupport::median(exportMs) << " ms\n";
    out << "  sqlite3 .mode tabs of the same three queries (" << tsvBytes / 1024 << " KiB): " << least(shellMs)
        << " / " << ToolSupport::median(shellMs) << " ms\n";
    out << "export / sqlite3: " << ToolSupport::ratios(exportMs, shellMs) << '\n';
    out << "peak memory (VmHWM): " << peakMemoryKb() / 1024 << " MiB\n";
    return checked.passed && same ? 0 : 1;
}
