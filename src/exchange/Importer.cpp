#include "Importer.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Query.h"
#include "SqliteStatement.h"
#include "WorkingStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace Exchange {

namespace {

constexpr qint64 ProgressEvery = 100;

QString openFailedMessage(const QString& path, const QString& reason)
{
    return u"Не удалось открыть файл\r\n"_s + path + u"\r\n"_s + reason;
}

/// A failure of the database itself (a full disk, an I/O error), told once for the run:
/// no line of the files is to blame.
QString databaseFailedMessage(const QString& reason)
{
    return u"Не удалось записать сведения в базу данных: "_s + reason +
           u"\r\nСведения не загружены."_s;
}

QString readFailedMessage(const QString& path, const QString& reason)
{
    return u"Ошибка чтения файла\r\n"_s + path + u"\r\n"_s + reason;
}

QString insertStatement(FileKind kind)
{
    const QStringList& columns = scratchColumns(kind);
    QStringList placeholders;
    placeholders.reserve(columns.size());
    for (qsizetype i = 0; i < columns.size(); ++i)
        placeholders << u"?"_s + QString::number(i + 1);
    // Table and column names come from the fixed layout tables, never from input.
    return u"INSERT INTO "_s + scratchTable(kind) + u" ("_s + columns.join(u", "_s) +
           u")\nVALUES ("_s + placeholders.join(u", "_s) + u")"_s;
}

const QString CheckNullSql = uR"(SELECT NumT1
FROM TMP_T1
WHERE  ENumlsID IS NULL
AND NUMLS IS NULL
ORDER BY NumT1)"_s;

// Lines that share organisation, month, payer code and account with another line. A
// line with any of them NULL shares nothing (NULL equals nothing); the count runs over
// one sort of the lines rather than comparing every line with every group.
const QString CheckDuplicatesSql = uR"(SELECT DISTINCT NumT1
FROM (
SELECT NumT1, COUNT(NumT1) OVER (PARTITION BY DezID, Mes, ENumlsID, Numls) AS C
FROM TMP_T1
WHERE DezID IS NOT NULL AND Mes IS NOT NULL AND ENumlsID IS NOT NULL AND Numls IS NOT NULL
)
WHERE C > 1
ORDER BY NumT1)"_s;

// NULL counts as an organisation of its own, as DISTINCT lists it.
const QString CheckOrganisationsSql = uR"(SELECT COUNT(*)
FROM (SELECT DISTINCT t1.DezID
FROM TMP_T1 t1))"_s;

// Whether any charge line names a service the catalogue lacks (or none): the services of a
// statement are few, so this is known long before every line has been matched.
const QString AnyUnknownServiceSql = uR"(SELECT 1
FROM (SELECT DISTINCT ServiceID FROM SvedNach_T2
UNION
SELECT ServiceID FROM TMP_T2) t2
WHERE NOT EXISTS (SELECT 1 FROM Sprav_Services ss WHERE ss.ServiceID = t2.ServiceID)
LIMIT 1)"_s;

// A charge line is in SvedNach_T2 once for every payer it belongs to, or in TMP_T2 when it
// belongs to none.
const QString CheckServicesSql = uR"(SELECT DISTINCT t2.NumT2, t2.ServiceID
FROM (SELECT NumT2, ServiceID FROM SvedNach_T2
UNION ALL
SELECT NumT2, ServiceID FROM TMP_T2) t2 LEFT JOIN Sprav_Services ss ON (t2.ServiceID = ss.ServiceID)
WHERE ss.ServiceID IS NULL
ORDER BY t2.NumT2)"_s;

const QString CopyPayersSql =
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DateEdit, DezID, DezVladID, MO,
Name1, Name2, Name3, StreetID_BTI, HouseNum, StroenNum, KorpNum, FlatNum, ENumlsID, Numls, Mes,
TypeOwnID, TypeOccupancyID, PplCntReg, SquareTotal, SquareLive, TypeLockID, TypeStoveID,
SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg, ColMesDebts, HouseID_BTI, FlatID_BTI)
SELECT NumT1, NumT1, DateEdit, DezID, DezVladID, MO,
Name1, Name2, Name3, StreetID_BTI, HouseNum, StroenNum, KorpNum, FlatNum, ENumlsID, Numls, Mes,
TypeOwnID, TypeOccupancyID, PplCntReg, SquareTotal, SquareLive, TypeLockID, TypeStoveID,
SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg, ColMesDebts, HouseID_BTI, FlatID_BTI
FROM TMP_T1
WHERE  ENumlsID IS NOT NULL OR Numls IS NOT NULL)"_s;

// A charge or person line goes to every payer row with its key: two payers that share the
// key each get a copy, and a NULL in any key column matches nothing.
const QString PayersOfKeySql = uR"(SELECT T1_ID
FROM SvedPotreb_T1
WHERE ENumlsID = ?1 AND Numls = ?2 AND Mes = ?3 AND DezVladID = ?4)"_s;

/// Where the lines of file II or III go once their payer is known: the working table's
/// columns after T1_ID and the line's own key and number, filled from the scratch columns
/// of the same name.
struct DetailTable
{
    QString table;
    QString idColumn;
    QString numberColumn;
    QStringList columns;
};

const DetailTable& detailTable(FileKind kind)
{
    static const DetailTable charges{u"SvedNach_T2"_s,
                                     u"T2_ID"_s,
                                     u"NumT2"_s,
                                     {u"ServiceID"_s, u"PostID"_s, u"Volume"_s, u"Tariff"_s,
                                      u"SummaService"_s, u"SummaServiceWOBenefit"_s,
                                      u"SummaServiceReg"_s, u"SummaServiceWOBenefitReg"_s,
                                      u"TypeNachID"_s}};
    static const DetailTable persons{u"SvedPotrebRelations_T3"_s,
                                     u"T3_ID"_s,
                                     u"NumT3"_s,
                                     {u"NumberPeople"_s, u"Name1"_s, u"Name2"_s, u"Name3"_s,
                                      u"BirthDate"_s, u"Sex"_s, u"Relation"_s, u"RelationOwnID"_s,
                                      u"SquareShare"_s, u"TypeRegID"_s, u"DateRegStart"_s,
                                      u"DateRegEnd"_s, u"PrFactLiveID"_s, u"SNILS"_s}};
    return kind == FileKind::Charges ? charges : persons;
}

QString detailInsertStatement(const DetailTable& detail)
{
    QStringList placeholders;
    for (qsizetype i = 0; i < detail.columns.size(); ++i)
        placeholders << u"?"_s + QString::number(i + 3);
    // Table and column names come from the fixed tables above, never from input.
    return u"INSERT INTO "_s + detail.table + u" (T1_ID, "_s + detail.idColumn + u", "_s +
           detail.numberColumn + u", "_s + detail.columns.join(u", "_s) +
           u")\nVALUES (?1, ?2, ?2, "_s + placeholders.join(u", "_s) + u")"_s;
}

const QString ClearCountsSql = u"DELETE\nFROM TMP_T1Count"_s;

// One count per payer through the persons' key (T1_ID first); a payer without persons
// counts as one.
const QString SetPersonsSql = uR"(UPDATE SvedPotreb_T1 SET PplCntReg = max(1,
(SELECT COUNT(*) FROM SvedPotrebRelations_T3 t3 WHERE t3.T1_ID = SvedPotreb_T1.T1_ID)))"_s;

const QString StreetSql = uR"(SELECT StreetID_BTI
FROM Sprav_Streets
WHERE StreetID = :StreetID)"_s;

bool runStatement(Database& db, const QString& sql)
{
    Query query(db, sql);
    if (!query.exec()) {
        db.setErrorString(sql.section(u'\n', 0, 1).simplified() + u": "_s + query.errorText());
        return false;
    }
    return true;
}

} // namespace

ImportListener::~ImportListener() = default;

/// One import: the state that lives from the first line to the last statement.
class Importer::Run
{
public:
    Run(Database& db, ImportListener& listener)
        : m_db(db)
        , m_listener(listener)
    {}

    ImportResult execute(const QStringList& paths);

private:
    bool countLines(const QStringList& paths);
    bool parseFile(FileKind kind, const QString& path);
    void insertLine(FileKind kind, SqliteStatement& insert, qint64 n, ParsedRow& parsed);
    void insertDetail(FileKind kind, SqliteStatement& scratch, qint64 n, ParsedRow& parsed);
    /// Runs a bound insert of line `n`; a refusal is listed against the line, any other
    /// failure stops the run. True when the row was stored.
    bool store(SqliteStatement& insert, int file, qint64 n);
    const std::vector<qint64>& payersOf(const ParsedRow& parsed);
    bool copyPayers();
    QVariant streetBtiCode(const QVariant& streetCode);
    void checkScratchTables();
    void recount();
    void countLoaded();
    void finishScratch();
    void renumberTypeOccupancy();

    void addError(int file, qint64 line, const QString& message)
    {
        ++m_result.errorCount;
        m_listener.errorAdded(file, line, message);
    }
    void stepDone()
    {
        ++m_step;
        m_listener.stepDone(std::min(m_step, ImportSteps));
    }

    Database& m_db;
    ImportListener& m_listener;
    ImportResult m_result;
    int m_step = 0;
    std::unique_ptr<Query> m_streetQuery;
    QHash<qint64, QVariant> m_streets;
    /// Lines of file II and III go straight to the working table of their payers.
    std::unique_ptr<SqliteStatement> m_payersOfKey;
    std::unique_ptr<SqliteStatement> m_detailInsert;
    std::vector<int> m_detailSources;  ///< scratch column of each detail column
    std::array<int, 4> m_keySources{}; ///< scratch columns of ENumlsID, Numls, Mes, DezVladID
    /// The payers of the last key looked up: the lines of one payer follow each other.
    std::array<QVariant, 4> m_lastKey;
    std::vector<qint64> m_lastPayers;
    /// Set when the database itself failed: the run stops there.
    QString m_databaseFailure;
};

ImportResult Importer::Run::execute(const QStringList& paths)
{
    // Nothing is touched while a file cannot even be opened.
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_listener.failure(openFailedMessage(path, file.errorString()));
            m_result.outcome = ImportResult::Outcome::FileNotOpened;
            return m_result;
        }
    }

    if (!clearScratchTables(m_db)) {
        m_listener.failure(scratchClearMessage());
        m_result.outcome = ImportResult::Outcome::ScratchNotCleared;
        return m_result;
    }
    if (!WorkingStatement::clearWorkingTables(m_db)) {
        m_listener.failure(u"Ошибка удаления записей."_s);
        m_result.outcome = ImportResult::Outcome::WorkingNotCleared;
        return m_result;
    }

    bool parsed = false;
    try {
        if (countLines(paths)) {
            // One transaction for the whole load: committing each insert would cost a disk
            // sync per line, and a run that stops midway leaves the working tables empty.
            Transaction tx(m_db);
            // The payers go into their working table first, so that each charge and person
            // line can go straight to the payers of its key as it is read.
            parsed = parseFile(FileKind::Payers, paths[0]) && copyPayers() &&
                     parseFile(FileKind::Charges, paths[1]) &&
                     parseFile(FileKind::Persons, paths[2]);
            if (parsed) {
                checkScratchTables();
                stepDone();
                recount();
                stepDone();
                // The lines are only in once they are committed; a full disk may show here.
                if (!tx.commit()) {
                    m_databaseFailure = m_db.errorString();
                    parsed = false;
                }
                stepDone();
            }
        }
    } catch (const CommonFnc::IoError& e) {
        m_listener.failure(e.message());
    }
    if (!m_databaseFailure.isEmpty()) {
        m_listener.failure(databaseFailedMessage(m_databaseFailure));
        m_result.outcome = ImportResult::Outcome::DatabaseFailed;
        clearScratchTables(m_db);
        return m_result;
    }
    if (!parsed) {
        m_result.outcome = ImportResult::Outcome::ReadFailed;
        clearScratchTables(m_db);
        return m_result;
    }

    countLoaded();
    finishScratch();
    renumberTypeOccupancy();
    return m_result;
}

bool Importer::Run::countLines(const QStringList& paths)
{
    for (int i = 0; i < 3; ++i) {
        QFile file(paths[i]);
        if (!file.open(QIODevice::ReadOnly)) {
            m_listener.failure(openFailedMessage(paths[i], file.errorString()));
            return false;
        }
        const qint64 count = LineReader::countLines(&file);
        if (count < 0) {
            m_listener.failure(readFailedMessage(paths[i], file.errorString()));
            return false;
        }
        m_result.lines[size_t(i)] = count;
    }
    m_listener.linesCounted(m_result.lines[0], m_result.lines[1], m_result.lines[2]);
    return true;
}

bool Importer::Run::parseFile(FileKind kind, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_listener.failure(openFailedMessage(path, file.errorString()));
        return false;
    }
    SqliteStatement insert(m_db, insertStatement(kind));
    if (!insert.isValid()) {
        m_databaseFailure = insert.errorText();
        return false;
    }
    if (kind != FileKind::Payers) {
        const DetailTable& detail = detailTable(kind);
        m_detailInsert = std::make_unique<SqliteStatement>(m_db, detailInsertStatement(detail));
        m_payersOfKey = std::make_unique<SqliteStatement>(m_db, PayersOfKeySql);
        for (const auto* statement : {m_detailInsert.get(), m_payersOfKey.get()}) {
            if (!statement->isValid()) {
                m_databaseFailure = statement->errorText();
                return false;
            }
        }
        const QStringList& columns = scratchColumns(kind);
        m_detailSources.clear();
        for (const QString& column : detail.columns)
            m_detailSources.push_back(int(columns.indexOf(column)));
        const QString keyColumns[] = {u"ENumlsID"_s, u"Numls"_s, u"Mes"_s, u"DezVladID"_s};
        for (size_t i = 0; i < m_keySources.size(); ++i)
            m_keySources[i] = int(columns.indexOf(keyColumns[i]));
        m_lastKey = {};
        m_lastPayers.clear();
    }

    ParsedLineReader reader(kind, &file);
    qint64 n = 0;
    qint64& read = m_result.read[size_t(int(kind) - 1)];
    while (ParsedRow* parsed = reader.next()) {
        ++n;
        for (const QString& title : std::as_const(parsed->failedTitles))
            addError(int(kind), n, u"Ошибка формата поля \""_s + title + u"\""_s);
        if (kind == FileKind::Payers)
            insertLine(kind, insert, n, *parsed);
        else
            insertDetail(kind, insert, n, *parsed);
        if (!m_databaseFailure.isEmpty())
            return false;
        read = n;
        if (n % ProgressEvery == 0)
            m_listener.linesRead(kind, n);
    }
    m_listener.linesRead(kind, n);
    if (reader.failed()) {
        m_listener.failure(readFailedMessage(path, reader.errorString()));
        return false;
    }
    stepDone();
    return true;
}

void Importer::Run::insertLine(FileKind kind, SqliteStatement& insert, qint64 n, ParsedRow& parsed)
{
    const int file = int(kind);

    const QStringList& columns = scratchColumns(kind);
    if (kind == FileKind::Payers) {
        static const qsizetype street = columns.indexOf(u"StreetID_BTI"_s);
        if (!parsed.streetCode.isNull())
            parsed.values[street] = streetBtiCode(parsed.streetCode);
        if (!parsed.organisation.isNull())
            m_result.lastOrganisation = parsed.organisation;
        m_listener.payerLineRead(parsed.fileDate.toDate(), parsed.organisation);
    }

    // The line's number is the last column.
    const int count = int(columns.size());
    for (int i = 0; i < count - 1; ++i)
        insert.bindValue(i + 1, parsed.values[i]);
    insert.bindInt64(count, n);
    store(insert, file, n);
}

bool Importer::Run::store(SqliteStatement& insert, int file, qint64 n)
{
    if (insert.exec())
        return true;
    if (insert.valuesRefused())
        addError(file, n, u"Ошибка записи строки"_s);
    else
        m_databaseFailure = insert.errorText().trimmed();
    return false;
}

void Importer::Run::insertDetail(FileKind kind, SqliteStatement& scratch, qint64 n,
                                 ParsedRow& parsed)
{
    const int file = int(kind);

    const std::vector<qint64>& payers = payersOf(parsed);
    if (!m_databaseFailure.isEmpty())
        return;
    if (payers.empty()) {
        // Kept in the scratch table, where the checks see it and the database still
        // refuses what does not fit.
        insertLine(kind, scratch, n, parsed);
        return;
    }
    // The payer's key columns already passed the same checks in file I, so the working
    // table refuses a line exactly when the scratch table would.
    SqliteStatement& insert = *m_detailInsert;
    insert.bindInt64(2, n);
    for (size_t i = 0; i < m_detailSources.size(); ++i)
        insert.bindValue(int(i) + 3, parsed.values[m_detailSources[i]]);
    for (const qint64 payer : payers) {
        insert.bindInt64(1, payer);
        // Copies of one line are refused alike: the first refusal is its one error row.
        if (!store(insert, file, n))
            return;
    }
}

const std::vector<qint64>& Importer::Run::payersOf(const ParsedRow& parsed)
{
    std::array<QVariant, 4> key;
    bool complete = true;
    for (size_t i = 0; i < key.size(); ++i) {
        key[i] = parsed.values[m_keySources[i]];
        complete = complete && !key[i].isNull();
    }
    if (!complete) {
        // NULL equals nothing: such a line has no payer.
        static const std::vector<qint64> none;
        return none;
    }
    if (key == m_lastKey)
        return m_lastPayers;
    m_lastKey = key;
    m_lastPayers.clear();
    SqliteStatement& query = *m_payersOfKey;
    for (size_t i = 0; i < key.size(); ++i)
        query.bindValue(int(i) + 1, key[i]);
    while (query.next())
        m_lastPayers.push_back(query.int64(0));
    if (!query.errorText().isEmpty()) {
        m_databaseFailure = query.errorText();
        m_lastKey = {};
    }
    query.reset();
    return m_lastPayers;
}

bool Importer::Run::copyPayers()
{
    if (runStatement(m_db, CopyPayersSql))
        return true;
    m_databaseFailure = m_db.errorString();
    return false;
}

QVariant Importer::Run::streetBtiCode(const QVariant& streetCode)
{
    const qint64 code = streetCode.toLongLong();
    const auto cached = m_streets.constFind(code);
    if (cached != m_streets.constEnd())
        return *cached;
    if (!m_streetQuery)
        m_streetQuery = std::make_unique<Query>(m_db, StreetSql);
    QVariant bti = 0;
    m_streetQuery->bind(u":StreetID"_s, code);
    if (m_streetQuery->exec() && m_streetQuery->next() && !m_streetQuery->value(0).isNull())
        bti = m_streetQuery->value(0).toLongLong();
    m_streetQuery->finish();
    m_streets.insert(code, bti);
    return bti;
}

void Importer::Run::checkScratchTables()
{
    {
        Query query(m_db, CheckNullSql);
        if (query.exec()) {
            while (query.next())
                addError(1, query.value(0).toLongLong(),
                         u"Не заполнены оба поля: \"Код плательщика\" и \"Лицевой счет\" "_s);
        }
    }
    {
        Query query(m_db, CheckDuplicatesSql);
        if (query.exec()) {
            while (query.next())
                addError(1, query.value(0).toLongLong(),
                         u"Совпадение основных полей у нескольких записей: \"Организация\", "
                         u"\"Месяц\", \"Код плательщика\" или \"Лицевой счет\""_s);
        }
    }
    {
        Query query(m_db, CheckOrganisationsSql);
        if (query.exec() && query.next() && query.value(0).toLongLong() > 1)
            addError(1, 0, u"Файл содержит сведения по нескольким организациям"_s);
    }
    Query unknown(m_db, AnyUnknownServiceSql);
    if (unknown.exec() && !unknown.next())
        return;
    unknown.finish();
    {
        Query query(m_db, CheckServicesSql);
        if (query.exec()) {
            while (query.next()) {
                const QVariant service = query.value(1);
                addError(2, query.value(0).toLongLong(),
                         u"Услуги №"_s + (service.isNull() ? QString() : service.toString()) +
                             u" нет в справочнике"_s);
            }
        }
    }
}

void Importer::Run::recount()
{
    // Each payer's number of persons comes from file III, never from file I. A failure
    // here shows in the commit that follows.
    runStatement(m_db, SetPersonsSql);
}

void Importer::Run::countLoaded()
{
    static const QString tables[] = {u"SvedPotreb_T1"_s, u"SvedNach_T2"_s,
                                     u"SvedPotrebRelations_T3"_s};
    for (size_t i = 0; i < 3; ++i) {
        Query count(m_db, u"SELECT COUNT(*) FROM "_s + tables[i]);
        if (count.exec() && count.next())
            m_result.loaded[i] = count.value(0).toLongLong();
    }
}

void Importer::Run::finishScratch()
{
    bool cleared = clearScratchTables(m_db);
    runStatement(m_db, ClearCountsSql);
    stepDone();
    // A second attempt before telling the operator: the scratch tables must not carry
    // this run's rows into the next one.
    if (!cleared && !clearScratchTables(m_db))
        m_listener.failure(scratchClearMessage());
}

void Importer::Run::renumberTypeOccupancy()
{
    // Files made before occupancy code 3 existed use 3 and 4 for what are now 4 and 5;
    // 4 moves first so that no code moves twice.
    Query check(m_db, u"SELECT 1\nFROM SvedPotreb_T1 t1\nWHERE t1.TypeOccupancyID = 3\nLIMIT 1"_s);
    if (!check.exec() || !check.next())
        return;
    check.finish();
    Transaction tx(m_db);
    if (runStatement(
            m_db, u"UPDATE SvedPotreb_T1 SET TypeOccupancyID = 5\nWHERE TypeOccupancyID = 4"_s) &&
        runStatement(m_db,
                     u"UPDATE SvedPotreb_T1 SET TypeOccupancyID = 4\nWHERE TypeOccupancyID = 3"_s))
        tx.commit();
}

QString Importer::notAFileMessage(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return {};
    QString why = u"не существует."_s;
    if (info.isDir())
        why = u"является папкой, а не файлом."_s;
    else if (info.exists())
        why = u"не является обычным файлом (это устройство или канал)."_s;
    return u"Файл\r\n"_s + path + u"\r\n"_s + why;
}

Importer::Importer(Database& db)
    : m_db(db)
{}

ImportResult Importer::run(const QString& payersPath, const QString& chargesPath,
                           const QString& personsPath, ImportListener& listener)
{
    Run run(m_db, listener);
    return run.execute({payersPath, chargesPath, personsPath});
}

bool Importer::clearScratchTables(Database& db)
{
    return runStatement(db, u"DELETE\nFROM TMP_T1"_s) &&
           runStatement(db, u"DELETE\nFROM TMP_T2"_s) && runStatement(db, u"DELETE\nFROM TMP_T3"_s);
}

QString Importer::databaseFailedMessage(const QString& reason)
{
    return Exchange::databaseFailedMessage(reason);
}

QString Importer::scratchClearMessage()
{
    return u"Ошибка при копировании файлов."_s;
}

} // namespace Exchange
