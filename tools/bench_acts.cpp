// bench_acts: how long each act and list takes to prepare for a large statement, next to
// the time the sqlite3 shell takes to run the same report's query on the same database.
//
//   bench_acts [N] [--rounds R] [--seed S] [--keep] [--report K]
//                                                    (default N = 100000 payers, R = 3)
//
// Builds a fresh working database in a temporary folder, writes a made-up statement of N
// payers (the generator of gen_statement) and imports it, then prepares each of the six
// reports R times and prints, per report, its pages, the minimum and median times, when its
// first page was ready (what the preview waits for) and the shell's time for the query the
// report reads.

#include "ActReports.h"
#include "Database.h"
#include "Importer.h"
#include "StatementGenerator.h"
#include "ToolSupport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The report's query as the shell can run it: the program's case folding is its own.
QString shellSql(Acts::Kind kind)
{
    QString sql;
    switch (kind) {
    case Acts::Kind::Services:
    case Acts::Kind::HousesServices:
    case Acts::Kind::HousesFlatsServices:
        sql = Acts::servicesSql(kind);
        break;
    case Acts::Kind::EnteredData:
        return u"SELECT COUNT(*) FROM (SELECT DISTINCT StreetID_BTI, HouseNum, KorpNum, "
               "StroenNum, FlatNum FROM SvedPotreb_T1); SELECT SUM(SummaService) FROM "
               "SvedNach_T2;"_s;
    case Acts::Kind::Payers:
        sql = Acts::payersSql(false);
        break;
    case Acts::Kind::PayersWithPersons:
        sql = Acts::payersSql(true) + u";\n"_s + Acts::personsSql();
        break;
    }
    return sql.replace(u"FOLD("_s, u"lower("_s) + u";\n"_s;
}

qint64 shellRun(const QString& database, const QString& sql, QString* error)
{
    QProcess sqlite;
    QElapsedTimer timer;
    timer.start();
    sqlite.start(u"sqlite3"_s, {u"-batch"_s, u"-bail"_s, database});
    if (!sqlite.waitForStarted()) {
        *error = u"sqlite3: "_s + sqlite.errorString();
        return -1;
    }
    sqlite.write(sql.toUtf8());
    sqlite.closeWriteChannel();
    while (sqlite.state() != QProcess::NotRunning) {
        sqlite.waitForReadyRead(100);
        sqlite.readAllStandardOutput();
    }
    const QString messages = QString::fromUtf8(sqlite.readAllStandardError()).trimmed();
    if (sqlite.exitCode() != 0 || !messages.isEmpty()) {
        *error = u"sqlite3: "_s + messages;
        return -1;
    }
    return timer.elapsed();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Times the acts and lists of a generated statement."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"N"_s, u"number of payers (default 100000)"_s);
    const QCommandLineOption roundsOption(u"rounds"_s, u"rounds of each (default 3)"_s, u"R"_s,
                                          u"3"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"seed of the made-up data (default 1)"_s,
                                        u"S"_s, u"1"_s);
    const QCommandLineOption keepOption(u"keep"_s,
                                        u"leave the working database for a look afterwards"_s);
    const QCommandLineOption reportOption(
        u"report"_s, u"only the report of that number, 1 to 6 in the windows' order"_s, u"K"_s);
    parser.addOptions({roundsOption, seedOption, keepOption, reportOption});
    parser.process(app);

    StatementGenerator::Options options;
    options.payers = parser.positionalArguments().value(0, u"100000"_s).toLongLong();
    options.seed = parser.value(seedOption).toULongLong();
    const int rounds = parser.value(roundsOption).toInt();
    const QDate today = QDate::currentDate();
    options.today = today;
    options.period = QDate(today.year(), today.month(), 1);
    const int only = parser.isSet(reportOption) ? parser.value(reportOption).toInt() : 0;
    if (options.payers < 1 || rounds < 1 || only < 0 ||
        only > int(Acts::Kind::PayersWithPersons) + 1) {
        out << parser.helpText();
        return 2;
    }

    QTemporaryDir dir;
    dir.setAutoRemove(!parser.isSet(keepOption));
    const QString dbFile = dir.filePath(u"Base/Dude.b"_s);
    if (parser.isSet(keepOption))
        out << "database: " << dbFile << '\n';
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

    const Acts::Heading heading{u"Организация"_s, options.organisation, options.period};
    for (int kind = 0; kind <= int(Acts::Kind::PayersWithPersons); ++kind) {
        if (only > 0 && kind != only - 1)
            continue;
        QList<qint64> ours;
        QList<qint64> first;
        QList<qint64> shell;
        qsizetype pages = 0;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            // When the preview can show its first page.
            qint64 firstPage = -1;
            Report::PrepareOptions prepareOptions;
            prepareOptions.pageReady = [&](const Report::Page&) {
                if (firstPage < 0)
                    firstPage = timer.elapsed();
            };
            const std::optional<Report::Prepared> report =
                Acts::prepareReport(db, Acts::Kind(kind), heading, &error, prepareOptions);
            ours << timer.elapsed();
            first << firstPage;
            if (!report) {
                out << error << '\n';
                return 1;
            }
            pages = report->pages.size();
            db.close();
            const qint64 reference = shellRun(dbFile, shellSql(Acts::Kind(kind)), &error);
            if (reference < 0 || !db.open(dbFile)) {
                out << error << db.errorString() << '\n';
                return 1;
            }
            shell << reference;
        }
        out << Acts::title(Acts::Kind(kind)) << ": " << pages << " pages, min "
            << *std::min_element(ours.begin(), ours.end()) << " ms, median "
            << ToolSupport::median(ours) << " ms, first page after " << ToolSupport::median(first)
            << " ms (median); sqlite3 query min " << *std::min_element(shell.begin(), shell.end())
            << " ms, median " << ToolSupport::median(shell) << " ms\n";
    }
    return 0;
}
