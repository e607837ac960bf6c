// gen_statement: writes a made-up monthly statement (files I, II and III, long layout)
// that passes every check of the export, for demonstrations and load tests.
//
//   gen_statement N OUTDIR [--org CODE] [--period MMYYYY] [--seed S] [--db PATH]
//
// N payers (about ten charges and three persons each) go into OUTDIR as
// P1_<org>_<MMYYYY>.TXT, P2_... and P3_.... The streets, houses, services and tariffs
// come from the working database PATH, or from one built from db/ in a temporary folder.
// The same seed gives the same statement (apart from the file date of each line).

#include "Database.h"
#include "DbBuilder.h"
#include "StatementGenerator.h"
#include "ToolSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace {

QString rubles(qint64 kopecks)
{
    return u"%1.%2"_s.arg(kopecks / 100).arg(kopecks % 100, 2, 10, QChar(u'0'));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Writes a consistent made-up statement: files I, II and III."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"N"_s, u"number of payers"_s);
    parser.addPositionalArgument(u"OUTDIR"_s, u"folder for the three files (created when missing)"_s);
    const QCommandLineOption orgOption(u"org"_s, u"organisation code (default 117)"_s, u"CODE"_s, u"117"_s);
    const QCommandLineOption periodOption(u"period"_s, u"accounting month MMYYYY (default: this month)"_s, u"MMYYYY"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"seed of the made-up data (default 1)"_s, u"S"_s, u"1"_s);
    const QCommandLineOption dbOption(u"db"_s, u"working database to take the reference books from"_s, u"PATH"_s);
    parser.addOptions({orgOption, periodOption, seedOption, dbOption});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        err << parser.helpText();
        return 2;
    }
    bool ok = false;
    StatementGenerator::Options options;
    options.payers = args[0].toLongLong(&ok);
    if (!ok || options.payers < 1 || options.payers > 10000000) {
        err << "N must be a number of payers from 1 to 10000000\n";
        return 2;
    }
    options.organisation = parser.value(orgOption).toInt(&ok);
    if (!ok || options.organisation < 1 || options.organisation > 99999) {
        err << "--org must be an organisation code from 1 to 99999\n";
        return 2;
    }
    options.seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok) {
        err << "--seed must be a whole number\n";
        return 2;
    }
    const QDate today = QDate::currentDate();
    options.period = QDate(today.year(), today.month(), 1);
    if (parser.isSet(periodOption)) {
        const QDate period = ToolSupport::periodFromText(parser.value(periodOption));
        if (!period.isValid()) {
            err << "--period must be a month MMYYYY between 1901 and 2100\n";
            return 2;
        }
        options.period = period;
    }

    QTemporaryDir scratch;
    QString dbFile = parser.value(dbOption);
    if (dbFile.isEmpty()) {
        dbFile = scratch.filePath(u"Base/Dude.b"_s);
        QString error;
        if (!DbBuilder::build(DbBuilder::defaultSourceDir(), dbFile, &error)) {
            err << "cannot build the reference database: " << error << '\n';
            return 1;
        }
    }
    Database db;
    if (!db.open(dbFile)) {
        err << db.errorString() << '\n';
        return 1;
    }

    const QString outDir = args[1];
    if (!QDir().mkpath(outDir)) {
        err << "cannot create " << outDir << '\n';
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    StatementGenerator generator(options);
    if (!generator.loadReferences(db)) {
        err << generator.errorString() << '\n';
        return 1;
    }
    for (const QString& warning : generator.warnings())
        err << "warning: " << warning << '\n';
    const StatementGenerator::FileNames files =
        StatementGenerator::standardNames(QFileInfo(outDir).absoluteFilePath(), options.organisation, options.period);
    if (!generator.write(files)) {
        err << generator.errorString() << '\n';
        return 1;
    }
    const StatementGenerator::Totals t = generator.totals();
    out << files.payers << ": " << t.payers << " payers, SummaFull " << rubles(t.summaFull)
        << ", SummaWOBenefit " << rubles(t.summaWOBenefit) << '\n'
        << files.charges << ": " << t.charges << " charges, SummaService " << rubles(t.summaService)
        << ", SummaServiceWOBenefit " << rubles(t.summaServiceWOBenefit) << '\n'
        << files.persons << ": " << t.persons << " persons\n"
        << "written in " << timer.elapsed() << " ms\n";
    return 0;
}
