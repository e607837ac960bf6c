// bench_receipts: how long the payment notices of one large house take to prepare, two to
// a sheet, next to the time the sqlite3 shell takes to read the same payers and charges.
//
//   bench_receipts [FLATS] [--rounds R]     (default 500 flats, 3 rounds)
//
// Builds a fresh working database in a temporary folder with one house of FLATS flats, 12
// charges each, then prepares every notice of the house R times (the pages kept, as for a
// PDF without a printer) and writes them into one PDF once. Prints every round, the
// minimum and median, and the shell's read of the same rows as the reference.

#include "Database.h"
#include "Query.h"
#include "Receipts.h"
#include "ReportPainter.h"
#include "ToolSupport.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 Street = 1223119;

bool fill(Database& db, int flats, QString* error)
{
    Transaction transaction(db);
    Query payers(db,
                 uR"(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < :N)
INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, Name1, Name2, Name3, Numls, ENumlsID, StreetID_BTI,
    HouseNum, FlatNum, SquareTotal, SquareLive, PplCntReg, ColMesDebts)
SELECT i, i, '2026-12-01', 'Плательщиков', 'Иван', 'Петрович', '100-' || i, 1000000000 + i, :S,
    '5', CAST(i AS TEXT), 5420, 3000, 2, i % 3 * 10 FROM n)"_s);
    payers.bind(u":N"_s, flats).bind(u":S"_s, Street);
    Query charges(db,
                  uR"(WITH RECURSIVE s(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM s WHERE k < 12)
INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, Volume, Tariff, SummaService,
    SummaServiceWOBenefit)
SELECT t1.T1_ID, t1.T1_ID * 12 + k, t1.T1_ID * 12 + k, k, 54200, 1390, 7534, 5000
FROM SvedPotreb_T1 t1, s)"_s);
    if (!payers.exec() || !charges.exec()) {
        *error = payers.errorText() + charges.errorText();
        return false;
    }
    return transaction.commit();
}

qint64 shellRead(const QString& database, QString* error)
{
    QProcess sqlite;
    QElapsedTimer timer;
    timer.start();
    sqlite.start(u"sqlite3"_s, {u"-batch"_s, u"-bail"_s, database});
    if (!sqlite.waitForStarted()) {
        *error = u"sqlite3: "_s + sqlite.errorString();
        return -1;
    }
    sqlite.write("SELECT t1.*, ss.StreetName FROM SvedPotreb_T1 t1 LEFT JOIN Sprav_Streets ss "
                 "ON ss.StreetID_BTI = t1.StreetID_BTI;\n"
                 "SELECT t2.*, ss.ServiceName FROM SvedNach_T2 t2 LEFT JOIN (SELECT ServiceID, "
                 "MIN(ServiceName) AS ServiceName FROM Sprav_Services GROUP BY ServiceID) ss "
                 "ON ss.ServiceID = t2.ServiceID;\n");
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(-1);
    sqlite.readAllStandardOutput();
    if (sqlite.exitStatus() != QProcess::NormalExit || sqlite.exitCode() != 0) {
        *error = u"sqlite3: "_s + QString::fromUtf8(sqlite.readAllStandardError());
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
    parser.setApplicationDescription(u"Times the payment notices of one large house."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"FLATS"_s, u"flats of the house (default 500)"_s);
    const QCommandLineOption roundsOption(u"rounds"_s, u"rounds (default 3)"_s, u"R"_s, u"3"_s);
    parser.addOption(roundsOption);
    parser.process(app);
    const int flats = parser.positionalArguments().value(0, u"500"_s).toInt();
    const int rounds = parser.value(roundsOption).toInt();
    if (flats < 1 || rounds < 1) {
        out << parser.helpText();
        return 2;
    }

    QTemporaryDir dir;
    const QString file = dir.filePath(u"Base/Dude.b"_s);
    QString error;
    Database db;
    if (!ToolSupport::openFreshDatabase(file, db, &error) || !fill(db, flats, &error)) {
        out << error << '\n';
        return 1;
    }
    const Receipts::Organisation organisation = Receipts::organisation(db, 117);
    const QList<Receipts::House> houses = Receipts::houses(db, Street);
    if (houses.isEmpty()) {
        out << "no house\n";
        return 1;
    }

    QList<qint64> ours;
    QList<qint64> shell;
    Report::Prepared document;
    for (int round = 1; round <= rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        document = Report::Prepared();
        int jobs = 0;
        Receipts::ReceiptJobs receipts(db, organisation, QDate(2026, 12, 1),
                                       [&](const Report::Prepared& job) {
                                           document.pages += job.pages;
                                           ++jobs;
                                           return true;
                                       });
        for (const Receipts::Flat& flat : Receipts::flats(db, Street, houses.first())) {
            if (!receipts.add(flat.t1Id)) {
                out << receipts.error() << '\n';
                return 1;
            }
        }
        if (const std::optional<Report::Prepared> last = receipts.takeWaiting()) {
            document.pages += last->pages;
            ++jobs;
        }
        ours << timer.elapsed();
        db.close();
        const qint64 reference = shellRead(file, &error);
        if (reference < 0 || !db.open(file)) {
            out << error << db.errorString() << '\n';
            return 1;
        }
        shell << reference;
        out << "round " << round << ": " << receipts.filled() << " notices, " << jobs << " jobs, "
            << document.pages.size() << " sheets in " << ours.last() << " ms; sqlite3 read "
            << shell.last() << " ms\n";
    }
    QElapsedTimer pdf;
    pdf.start();
    if (!Report::writePdf(document, dir.filePath(u"notices.pdf"_s), &error)) {
        out << error << '\n';
        return 1;
    }
    out << "one PDF of every sheet: " << pdf.elapsed() << " ms\n";
    out << "notices: min " << *std::min_element(ours.begin(), ours.end()) << " ms, median "
        << ToolSupport::median(ours) << " ms\n";
    out << "sqlite3 read of the same rows: min " << *std::min_element(shell.begin(), shell.end())
        << " ms, median " << ToolSupport::median(shell) << " ms\n";
    return 0;
}
