// bench_recalc: how long the recalculation by tariffs takes for a large statement, next to
// one set-based UPDATE of every charge's four sums run by the sqlite3 shell on the same
// database: the least any recalculation can cost.
//
//   bench_recalc [N] [--rounds R] [--seed S]     (default N = 100000, R = 3)
//
// Builds a fresh working database in a temporary folder, writes a made-up statement of N
// payers (the generator of gen_statement) and imports it, then runs the recalculation and
// the shell's UPDATE R times each, alternately, and prints every round, the minimum and the
// median of both and their ratio.

#include "Database.h"
#include "Importer.h"
#include "Recalculation.h"
#include "StatementGenerator.h"
#include "ToolSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

/// Notes when the payers' phase begins, so that the two phases are timed apart.
class Quiet final : public Bulk::RecalculationListener
{
public:
    Quiet() { m_timer.start(); }
    void phaseStarted(Phase phase, qint64) override
    {
        if (phase == Phase::Payers)
            chargesMs = m_timer.elapsed();
    }
    void recordDone(qint64) override {}
    qint64 chargesMs = 0;

private:
    QElapsedTimer m_timer;
};

/// The shell's UPDATE of the four sums of every charge, in one transaction; its time in
/// ms, or -1 with `error`.
qint64 shellUpdate(const QString& database, QString* error)
{
    QProcess sqlite;
    QElapsedTimer timer;
    timer.start();
    sqlite.start(u"sqlite3"_s, {u"-batch"_s, u"-bail"_s, database});
    if (!sqlite.waitForStarted()) {
        *error = u"sqlite3: "_s + sqlite.errorString();
        return -1;
    }
    sqlite.write("BEGIN;\n"
                 "UPDATE SvedNach_T2 SET SummaService = (Volume * Tariff + 500) / 1000,\n"
                 " SummaServiceWOBenefit = (Volume * Tariff + 500) / 1000,\n"
                 " SummaServiceReg = (Volume * Tariff + 500) / 1000,\n"
                 " SummaServiceWOBenefitReg = (Volume * Tariff + 500) / 1000;\n"
                 "COMMIT;\n");
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(-1);
    const QString messages = QString::fromUtf8(sqlite.readAllStandardError()).trimmed();
    if (sqlite.exitStatus() != QProcess::NormalExit || sqlite.exitCode() != 0 ||
        !messages.isEmpty()) {
        *error = u"sqlite3: "_s + messages;
        return -1;
    }
    return timer.elapsed();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Times the recalculation by tariffs of a generated statement."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"N"_s, u"number of payers (default 100000)"_s);
    const QCommandLineOption roundsOption(u"rounds"_s, u"rounds of each (default 3)"_s, u"R"_s,
                                          u"3"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"seed of the made-up data (default 1)"_s,
                                        u"S"_s, u"1"_s);
    parser.addOptions({roundsOption, seedOption});
    parser.process(app);

    StatementGenerator::Options options;
    options.payers = parser.positionalArguments().value(0, u"100000"_s).toLongLong();
    options.seed = parser.value(seedOption).toULongLong();
    const int rounds = parser.value(roundsOption).toInt();
    const QDate today = QDate::currentDate();
    options.today = today;
    options.period = QDate(today.year(), today.month(), 1);
    if (options.payers < 1 || rounds < 1) {
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
    const StatementGenerator::FileNames generated = StatementGenerator::standardNames(
        dir.filePath(u"in"_s), options.organisation, options.period);
    QDir().mkpath(dir.filePath(u"in"_s));
    {
        StatementGenerator generator(options);
        if (!generator.loadReferences(db) || !generator.write(generated)) {
            out << generator.errorString() << '\n';
            return 1;
        }
        const StatementGenerator::Totals totals = generator.totals();
        out << "statement: " << totals.payers << " payers, " << totals.charges << " charges\n";
    }
    QuietImport import;
    if (Exchange::Importer(db)
            .run(generated.payers, generated.charges, generated.persons, import)
            .outcome != Exchange::ImportResult::Outcome::Completed) {
        out << "import failed: " << import.failures.join(u"; "_s) << '\n';
        return 1;
    }
    const QStringList missing = Bulk::missingTariffs(db, options.period);
    if (!missing.isEmpty())
        out << "services without a tariff (priced 0): " << missing.join(u", "_s) << '\n';

    QList<qint64> ours;
    QList<qint64> shell;
    for (int round = 1; round <= rounds; ++round) {
        Quiet quiet;
        QElapsedTimer timer;
        timer.start();
        const Bulk::RecalculationResult result = Bulk::recalculate(db, options.period, quiet);
        ours << timer.elapsed();
        if (result.outcome != Bulk::RecalculationResult::Outcome::Done) {
            out << "recalculation failed: " << result.message << '\n';
            return 1;
        }
        // The shell gets the file to itself.
        db.close();
        const qint64 reference = shellUpdate(dbFile, &error);
        if (reference < 0) {
            out << error << '\n';
            return 1;
        }
        shell << reference;
        if (!db.open(dbFile)) {
            out << db.errorString() << '\n';
            return 1;
        }
        out << "round " << round << ": recalculation " << ours.last() << " ms (charges "
            << quiet.chargesMs << " ms, payers " << ours.last() - quiet.chargesMs << " ms; "
            << result.charges << " charges, " << result.payers << " payers), sqlite3 UPDATE "
            << shell.last() << " ms\n";
    }
    const qint64 oursMin = *std::min_element(ours.begin(), ours.end());
    const qint64 shellMin = *std::min_element(shell.begin(), shell.end());
    out << "recalculation: min " << oursMin << " ms, median " << ToolSupport::median(ours)
        << " ms\n";
    out << "sqlite3 UPDATE: min " << shellMin << " ms, median " << ToolSupport::median(shell)
        << " ms\n";
    out << "ratio (min / min): "
        << QString::number(double(oursMin) / double(qMax<qint64>(1, shellMin)), 'f', 2)
        << ", (median / median): "
        << QString::number(double(ToolSupport::median(ours)) /
                               double(qMax<qint64>(1, ToolSupport::median(shell))),
                           'f', 2)
        << '\n';
    return 0;
}
