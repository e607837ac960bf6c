// bench_lists: how long the main window's payer list takes to read, sort and re-read on
// a large statement.
//
//   bench_lists [PAYERS]     (default 100000)
//
// Builds a fresh working database in a temporary folder, fills it with generated payers
// (and two charges and a person each), then times the list operations the operator
// waits for, the grid's column fitting (offscreen when there is no display) and the payer
// search among them.
// Prints one line per operation with the best of three runs in milliseconds, and the list's
// SQL alone run by the sqlite3 shell next to the read of the list.

#include "DataGrid.h"
#include "Database.h"
#include "PayerSearch.h"
#include "Query.h"
#include "RecordSet.h"
#include "RecordSetModel.h"
#include "StatementLists.h"
#include "ToolSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList Surnames = {u"Иванов"_s,   u"Смирнова"_s, u"Кузнецов"_s, u"Попова"_s,
                              u"Васильев"_s, u"Петрова"_s,  u"Соколов"_s,  u"Михайлова"_s,
                              u"Новиков"_s,  u"Фёдорова"_s, u"Морозов"_s,  u"Волкова"_s,
                              u"Алексеев"_s, u"Лебедева"_s, u"Семёнов"_s};
const QStringList Names = {u"Анна"_s, u"Иван"_s, u"Мария"_s, u"Пётр"_s, u"Елена"_s, u"Сергей"_s};

bool fill(Database& db, int payers, QTextStream& out)
{
    QRandomGenerator rng(20261209);
    Transaction tx(db);
    Query p(db,
            uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezID, DezVladID, MO, Name1, Name2, Name3,
        StreetID_BTI, HouseNum, FlatNum, ENumlsID, Numls, Mes, TypeOwnID, TypeOccupancyID, PplCntReg,
        SquareTotal, SquareLive, TypeLockID, TypeStoveID, SummaFull, SummaWOBenefit, SummaFullReg,
        SummaWOBenefitReg) VALUES (:ID, :ID, 117, 117, 1, :N1, :N2, 'Иванович',
        (SELECT StreetID_BTI FROM Sprav_Streets WHERE Opt = 1 LIMIT 1 OFFSET :S), :H, :F, NULL, :LS,
        '2026-12-01', 1, 1, 2, :SQ, :SQ, 1, 1, :SUM, :SUM, :SUM, :SUM))"_s);
    Query c(db, uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, PostID, Volume, Tariff,
        SummaService, SummaServiceWOBenefit, SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID)
        VALUES (:ID, :T2, :N, :SV, 1, 1000, 5000, 5000, 5000, 5000, 5000, 1))"_s);
    Query r(db,
            uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople, Name1, Name2,
        Sex, Relation, TypeRegID, PrFactLiveID) VALUES (:ID, :ID, :ID, 1, :N1, :N2, 'М', 'Сам', 1, 1))"_s);
    for (int i = 1; i <= payers; ++i) {
        const QString surname = Surnames[rng.bounded(int(Surnames.size()))];
        const QString name = Names[rng.bounded(int(Names.size()))];
        p.bind(u":ID"_s, i)
            .bind(u":N1"_s, surname)
            .bind(u":N2"_s, name)
            .bind(u":S"_s, rng.bounded(10))
            .bind(u":H"_s, QString::number(rng.bounded(1, 120)))
            .bind(u":F"_s, QString::number(rng.bounded(1, 400)))
            .bind(u":LS"_s, QString::number(100000 + i))
            .bind(u":SQ"_s, rng.bounded(2000, 15000))
            .bind(u":SUM"_s, rng.bounded(100000, 900000));
        if (!p.exec()) {
            out << "payer " << i << ": " << p.errorText() << '\n';
            return false;
        }
        for (int k = 0; k < 2; ++k) {
            c.bind(u":ID"_s, i)
                .bind(u":T2"_s, 2 * i + k)
                .bind(u":N"_s, 2 * i + k)
                .bind(u":SV"_s, k == 0 ? 1 : 2);
            if (!c.exec()) {
                out << "charge " << i << ": " << c.errorText() << '\n';
                return false;
            }
        }
        r.bind(u":ID"_s, i).bind(u":N1"_s, surname).bind(u":N2"_s, name);
        if (!r.exec()) {
            out << "person " << i << ": " << r.errorText() << '\n';
            return false;
        }
    }
    return tx.commit();
}

qint64 bestOf3(const std::function<void()>& work)
{
    qint64 best = -1;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        const qint64 ms = timer.elapsed();
        if (best < 0 || ms < best)
            best = ms;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int payers = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"Base/Dude.b"_s);
    QString error;
    Database db;
    if (!ToolSupport::openFreshDatabase(file, db, &error)) {
        out << error << '\n';
        return 1;
    }
    QElapsedTimer fillTimer;
    fillTimer.start();
    if (!fill(db, payers, out))
        return 1;
    out << "generated " << payers << " payers in " << fillTimer.elapsed() << " ms\n";

    RecordSet list;
    list.setKeyFields(StatementLists::payerKey());
    out << "read payer list:        "
        << bestOf3([&] { list.open(db, StatementLists::payersSql()); }) << " ms ("
        << list.rowCount() << " rows)\n";
    {
        // The same rows read by the sqlite3 shell, as the reference the list is measured by.
        const QString script = u".output /dev/null\n"_s + StatementLists::payersSql() + u";\n"_s;
        out << "the list's SQL in sqlite3: " << bestOf3([&] {
            QProcess sqlite;
            sqlite.start(u"sqlite3"_s, {u"-batch"_s, file});
            sqlite.waitForStarted();
            sqlite.write(script.toUtf8());
            sqlite.closeWriteChannel();
            sqlite.waitForFinished(-1);
        }) << " ms\n";
    }
    out << "sort by surname (text): " << bestOf3([&] {
        list.setSort(u"NumT1 ASC"_s);
        list.setSort(u"Name1 DESC"_s);
    }) << " ms (includes a sort by number)\n";
    out << "sort by number:         " << bestOf3([&] { list.setSort(u"NumT1 DESC"_s); }) << " ms\n";
    list.setSort(u"Name1 ASC"_s);
    list.moveTo({payers / 2});
    out << "re-read keeping place:  " << bestOf3([&] { list.refresh(); }) << " ms\n";
    out << "locate by key:          " << bestOf3([&] { list.moveTo({payers - 1}); }) << " ms\n";

    // The payer grid as the main window has it: every re-read refits the columns.
    RecordSetModel model(StatementLists::payerColumns());
    model.recordSet().setKeyFields(StatementLists::payerKey());
    DataGrid grid;
    grid.resize(1000, 300);
    grid.setRecordModel(&model);
    model.open(db, StatementLists::payersSql());
    out << "re-read with the grid:  " << bestOf3([&] { model.refresh(); }) << " ms\n";
    out << "fit the grid's columns: " << bestOf3([&] { grid.setRecordModel(&model); }) << " ms\n";
    out << "sort with the grid:     " << bestOf3([&] { model.setSort(u"Name1 DESC"_s); })
        << " ms\n";

    // The search window looks through the list as sorted, in memory: a criterion that
    // matches nothing reads every row; the grid then moves to a match near the end.
    const Bulk::PayerCriteria nobody{u"Як"_s, u"ан"_s, {}, {}, true};
    out << "search, nothing found:  " << bestOf3([&] {
        Bulk::findPayer(model.recordSet(), nobody, 0);
    }) << " ms (every row read)\n";
    const Bulk::PayerCriteria last{{}, {}, {}, QString::number(100000 + payers), false};
    out << "search and show a match at the end: " << bestOf3([&] {
        const int row = Bulk::findPayer(model.recordSet(), last, 0);
        grid.locate(model.recordSet().keyAt(row));
    }) << " ms\n";

    RecordSet charges;
    out << "read one payer's charges: " << bestOf3([&] {
        charges.open(db, StatementLists::chargesSql(), {{u":T1_ID"_s, payers / 2}});
    }) << " ms\n";
    return 0;
}
