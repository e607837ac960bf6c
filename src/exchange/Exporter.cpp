#include "Exporter.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Query.h"
#include "Schema.h"
#include "SqliteStatement.h"
#include "SysFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace Exchange {

namespace {

constexpr std::array<FileKind, 3> Kinds = {FileKind::Payers, FileKind::Charges, FileKind::Persons};

// --- The checks ------------------------------------------------------------------------

/// One check: the file its records belong to, the query (the record number in column
/// 0) and the message of each record found; "%1" in it stands for column 1.
struct Check
{
    int file;
    QString sql;
    QString message;
    /// A quicker query that returns a row whenever `sql` may find something; none means
    /// `sql` need not run.
    QString mayFind = {};
};

// Texts count as missing when they hold only blanks too: the export writes them
// trimmed, so such a field leaves the file as empty as an empty one.
const QList<Check>& checks()
{
    static const QList<Check> list = {
        {1, uR"(SELECT DISTINCT t1.NumT1
FROM SvedPotreb_T1 t1
WHERE EXISTS (SELECT  tt1.NumT1
FROM SvedPotreb_T1 tt1
WHERE  tt1.NumT1 <>  t1.NumT1
AND tt1.ENumlsID = t1.ENumlsID
AND tt1.Numls = t1.Numls
)
ORDER BY t1.NumT1)"_s,
         u"Совпадение основных полей у нескольких записей (\"Месяц\", \"Код плательщика\" или \"Лицевой счет\")"_s},
        // An area below 0.001 m2 is below one stored hundredth: anything not positive.
        {1, uR"(SELECT NumT1
FROM SvedPotreb_T1
WHERE Mes IS NULL
OR DezVladID IS NULL OR DezVladID = 0
OR ((ENumlsID IS NULL OR ENumlsID = 0) AND coalesce(trim(Numls), '') = '')
OR coalesce(trim(Name1), '') = '' OR coalesce(trim(Name2), '') = ''
OR MO IS NULL
OR StreetID_BTI IS NULL OR StreetID_BTI = 0
OR (coalesce(trim(HouseNum), '') = '' AND coalesce(trim(KorpNum), '') = ''
    AND coalesce(trim(StroenNum), '') = '')
OR coalesce(trim(FlatNum), '') = ''
OR SquareTotal IS NULL OR SquareTotal < 1
OR SquareLive IS NULL OR SquareLive < 1
OR TypeOwnID IS NULL OR TypeOwnID = 0
OR TypeOccupancyID IS NULL OR TypeOccupancyID = 0
OR TypeStoveID IS NULL OR TypeStoveID = 0
OR TypeLockID IS NULL
OR SummaFull IS NULL OR SummaWOBenefit IS NULL
OR SummaFullReg IS NULL OR SummaWOBenefitReg IS NULL
ORDER BY NumT1)"_s,
         u"Не заполнено одно из обязательных полей в сведениях о потребителе услуг."_s},
        // Here, in the service check and in the persons' checks the records are read in
        // their stored order and the few found are sorted afterwards: the unary plus keeps
        // the planner off the NumT2 (NumT3) index, which would look every record up by its
        // key. The further sort keys give ties the order that index has.
        {2, uR"(SELECT NumT2
FROM SvedNach_T2
WHERE ServiceID IS NULL OR ServiceID = 0
OR Volume IS NULL OR Tariff IS NULL
OR SummaService IS NULL OR SummaServiceWOBenefit IS NULL
OR SummaServiceReg IS NULL OR SummaServiceWOBenefitReg IS NULL
OR TypeNachID IS NULL
ORDER BY +NumT2, T1_ID, T2_ID)"_s,
         u"Не заполнено одно из обязательных полей в сведениях о начислениях."_s},
        {3, uR"(SELECT NumT3
FROM SvedPotrebRelations_T3
WHERE coalesce(trim(Name1), '') = '' OR coalesce(trim(Name2), '') = ''
OR coalesce(trim(Relation), '') = ''
OR SquareShare IS NULL
ORDER BY +NumT3, T1_ID, T3_ID)"_s,
         u"Не заполнено одно из обязательных полей в сведениях о проживающих."_s},
        {1, uR"(SELECT t1.NumT1
FROM SvedPotreb_T1 t1
WHERE NOT EXISTS (SELECT 1 FROM SvedNach_T2 t2 WHERE t2.T1_ID = t1.T1_ID)
ORDER BY t1.NumT1)"_s,
         u"Отсутствуют записи о начислениях для потребителя услуг."_s},
        {1, uR"(SELECT t1.NumT1
FROM SvedPotreb_T1 t1
WHERE NOT EXISTS (SELECT 1 FROM SvedPotrebRelations_T3 t3 WHERE t3.T1_ID = t1.T1_ID)
ORDER BY t1.NumT1)"_s,
         u"Отсутствуют записи о лицах, совместно проживающих с потребителем услуг."_s},
        // A charge without a service code is check 3's; it has no number to name here.
        {2, uR"(SELECT t2.NumT2, t2.ServiceID
FROM SvedNach_T2 t2
WHERE t2.ServiceID IS NOT NULL
AND NOT EXISTS (SELECT 1 FROM Sprav_Services ss WHERE ss.ServiceID = t2.ServiceID)
ORDER BY +t2.NumT2, t2.T1_ID, t2.T2_ID)"_s,
         u"Услуга №%1 отсутствует в справочнике услуг."_s,
         // A statement names few services: each is looked up once before any charge is.
         uR"(SELECT 1
FROM (SELECT DISTINCT ServiceID FROM SvedNach_T2 WHERE ServiceID IS NOT NULL) t2
WHERE NOT EXISTS (SELECT 1 FROM Sprav_Services ss WHERE ss.ServiceID = t2.ServiceID)
LIMIT 1)"_s},
        // Sums are integer kopecks, so the comparison is exact. A payer without charges
        // has no group here: it is check 5's alone. A NULL total is check 2's.
        {1, uR"(SELECT t1.NumT1
FROM SvedPotreb_T1 t1
INNER JOIN (SELECT T1_ID,
SUM(SummaService) AS S1, SUM(SummaServiceWOBenefit) AS S2,
SUM(SummaServiceReg) AS S3, SUM(SummaServiceWOBenefitReg) AS S4
FROM SvedNach_T2
GROUP BY T1_ID) s ON (s.T1_ID = t1.T1_ID)
WHERE t1.SummaFull <> s.S1 OR t1.SummaWOBenefit <> s.S2
OR t1.SummaFullReg <> s.S3 OR t1.SummaWOBenefitReg <> s.S4
ORDER BY t1.NumT1)"_s,
         u"Сумма (суммы) общая не совпадает с суммой по услугам."_s},
        // Dates are ISO text, which orders as the dates do.
        {3, uR"(SELECT t3.NumT3
FROM SvedPotrebRelations_T3 t3
WHERE t3.DateRegStart > :MonthAhead
ORDER BY +t3.NumT3, t3.T1_ID, t3.T3_ID)"_s,
         u"Дата регистрации превышает текущую дату более чем на месяц."_s},
    };
    return list;
}

// --- The writing queries ---------------------------------------------------------------

// A payer's five columns first, as the files are ordered; the keys last only make the
// order of payers that share all five the same from run to run.
const QString PayersSql = uR"(SELECT *
FROM SvedPotreb_T1
ORDER BY DezID, DezVladID, ENumlsID, Numls, Mes, T1_ID)"_s;

const QString ChargesSql = uR"(SELECT t1.DezID, t1.DezVladID, t1.ENumlsID, t1.Numls, t1.Mes,
t2.ServiceID, t2.PostID, t2.Volume, t2.Tariff, t2.SummaService, t2.SummaServiceWOBenefit,
t2.SummaServiceReg, t2.SummaServiceWOBenefitReg, t2.TypeNachID
FROM SvedPotreb_T1 t1 INNER JOIN SvedNach_T2 t2 ON (t1.T1_ID = t2.T1_ID)
ORDER BY t1.DezID, t1.DezVladID, t1.ENumlsID, t1.Numls, t1.Mes, t2.ServiceID, t2.T1_ID, t2.T2_ID)"_s;

const QString PersonsSql = uR"(SELECT t1.DezID, t1.DezVladID, t1.ENumlsID, t1.Numls, t1.Mes,
t3.NumberPeople, t3.Name1, t3.Name2, t3.Name3, t3.BirthDate, t3.Sex, t3.Relation,
t3.RelationOwnID, t3.SquareShare, t3.TypeRegID, t3.DateRegStart, t3.DateRegEnd,
t3.PrFactLiveID, t3.SNILS
FROM SvedPotreb_T1 t1 INNER JOIN SvedPotrebRelations_T3 t3 ON (t1.T1_ID = t3.T1_ID)
ORDER BY t1.DezID, t1.DezVladID, t1.ENumlsID, t1.Numls, t1.Mes, t3.NumberPeople, t3.T1_ID, t3.T3_ID)"_s;

QString readFailedMessage(const QString& reason)
{
    return u"Ошибка чтения сведений из базы данных: "_s + reason;
}

QString writeFailedMessage(const QString& path, const QString& reason)
{
    return u"Ошибка записи в файл\r\n"_s + path + u"\r\n"_s +
           CommonFnc::WriteFailureReason(reason, path) + u"\r\nФайлы не сформированы."_s;
}

/// The error a query met while stepping through its rows, or an empty text.
QString stepError(Query& query)
{
    const QSqlError error = query.raw().lastError();
    return error.type() == QSqlError::NoError ? QString() : error.text().trimmed();
}

// --- Replacing the set -----------------------------------------------------------------
//
// The three files are one statement: the receiving side reads them together, so a new
// file I beside old files II and III is worse than no new files at all. They replace the
// old set as one:
//
//  1. each new file is written completely to "<final>.orbelon-new" and synced;
//  2. a journal "<file I>.orbelon-journal" records which final names held a file and is
//     synced: from here on the old set may be touched;
//  3. each existing final file is moved aside to "<final>.orbelon-old";
//  4. each new file is renamed to its final name;
//  5. the journal is removed: the new set stands from this moment;
//  6. the copies aside are removed.
//
// A failure in 1-5 puts the old set back (restoreOldSet). A run stopped at any point is
// settled the same way by the next one: while the journal exists the old set is put back,
// even when all three new files were already in place, since nobody was told that they
// were written. Without a journal, ".orbelon-new" files are unfinished and ".orbelon-old"
// ones are what a finished replacement did not get to remove: both go.

const QString NewSuffix = u".orbelon-new"_s;
const QString OldSuffix = u".orbelon-old"_s;
const QString JournalSuffix = u".orbelon-journal"_s;

const QByteArray JournalHeading = "orbelon exchange files replacement";
const QByteArray JournalEnd = "end";

QString newFileName(const QString& final)
{
    return final + NewSuffix;
}

QString oldFileName(const QString& final)
{
    return final + OldSuffix;
}

QString journalFileName(const ExchangeFileNames& names)
{
    return names.payers + JournalSuffix;
}

/// One final name of the set being replaced and whether it held a file before.
struct JournalEntry
{
    QString final;
    bool existed = false;
};
using Journal = std::array<JournalEntry, 3>;

/// The file that stopped an operation and the system's reason.
struct FileFailure
{
    QString path;
    QString reason;
};

bool systemRename(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

/// The system's text for the last failed call, for a failure that set no errno a
/// general one.
QString systemReason(int code)
{
    return code != 0 ? qt_error_string(code) : u"Неизвестная ошибка"_s;
}

bool renameFile(const RenameFunction& rename, const QString& from, const QString& to,
                std::optional<FileFailure>& failure)
{
    errno = 0;
    if (rename(from, to))
        return true;
    const int code = errno;
    if (!failure)
        failure = FileFailure{to, systemReason(code)};
    return false;
}

bool removeFile(const QString& path, std::optional<FileFailure>& failure)
{
    QFile file(path);
    if (!file.exists() || file.remove())
        return true;
    if (!failure)
        failure = FileFailure{path, file.errorString()};
    return false;
}

/// Makes the renames and removals in the folders of `paths` durable: on Linux a renamed
/// entry survives a power cut only once its folder is synced. A file system that cannot
/// sync a folder loses nothing that a kill would not.
void syncFolders(const QStringList& paths)
{
    QStringList folders;
    for (const QString& path : paths) {
        const QString folder = QFileInfo(path).absolutePath();
        if (folders.contains(folder))
            continue;
        folders << folder;
        const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}

/// Writes what is still buffered and waits until the disk holds it. QFile::close() alone
/// reports no failure of its final flush.
bool finishFile(QFile& file, QString& reason)
{
    if (!file.flush()) {
        reason = file.errorString();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        reason = systemReason(errno);
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return false;
    }
    return true;
}

/// The journal's lines: the heading, one line per final name ("+" held a file, "-" did
/// not, then the absolute path percent-encoded so that any name fits on one line), and
/// the end mark, which tells a complete journal from one cut short by a stop.
QByteArray journalText(const Journal& journal)
{
    QByteArray text = JournalHeading + '\n';
    for (const JournalEntry& entry : journal)
        text += (entry.existed ? '+' : '-') + QUrl::toPercentEncoding(entry.final, "/") + '\n';
    return text + JournalEnd + '\n';
}

std::optional<Journal> parseJournal(const QByteArray& text)
{
    const QList<QByteArray> lines = text.split('\n');
    // The heading, three entries, the end mark and the empty rest after its line feed.
    if (lines.size() != 6 || lines[0] != JournalHeading || lines[4] != JournalEnd ||
        !lines[5].isEmpty())
        return std::nullopt;
    Journal journal;
    for (size_t i = 0; i < journal.size(); ++i) {
        const QByteArray& line = lines[qsizetype(i) + 1];
        if (line.size() < 2 || (line[0] != '+' && line[0] != '-'))
            return std::nullopt;
        journal[i] = {QUrl::fromPercentEncoding(line.mid(1)), line[0] == '+'};
    }
    return journal;
}

bool writeJournal(const QString& path, const Journal& journal, QString& reason)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        reason = file.errorString();
        return false;
    }
    const QByteArray text = journalText(journal);
    if (file.write(text) != text.size()) {
        reason = file.errorString();
        return false;
    }
    return finishFile(file, reason);
}

/// Puts the set the journal describes back as it was before the replacement began. Each
/// step is decided from what is on disk, so a run stopped here is finished by the next
/// call: a copy aside goes back over the final name (rename replaces, so no moment
/// without a file); a final name that held no file loses what it holds now (only a new
/// file can be there); the new files go. The journal is removed last, and only when all
/// of that succeeded.
std::optional<FileFailure> restoreOldSet(const QString& journalPath, const Journal& journal,
                                         const RenameFunction& rename)
{
    std::optional<FileFailure> failure;
    QStringList touched{journalPath};
    for (const JournalEntry& entry : journal) {
        touched << entry.final;
        const QString old = oldFileName(entry.final);
        if (QFileInfo::exists(old))
            renameFile(rename, old, entry.final, failure);
        else if (!entry.existed)
            removeFile(entry.final, failure);
        removeFile(newFileName(entry.final), failure);
    }
    syncFolders(touched);
    if (failure)
        return failure;
    removeFile(journalPath, failure);
    syncFolders(touched);
    return failure;
}

/// The absolute, cleaned path, to tell whether two names are one file.
QString samePathKey(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

// --- Queries -------------------------------------------------------------------------

QString exportQuery(FileKind kind)
{
    switch (kind) {
    case FileKind::Payers:
        return PayersSql;
    case FileKind::Charges:
        return ChargesSql;
    case FileKind::Persons:
        break;
    }
    return PersonsSql;
}

// --- Names -----------------------------------------------------------------------------

QString proposedFolder(const QString& lastPayersFile)
{
    const QString folder =
        lastPayersFile.isEmpty()
            ? SysFolders::FilesFolder()
            : CommonFnc::WithTrailingBackslash(QFileInfo(lastPayersFile).absolutePath());
    // The whole path, not only its last level: on a fresh system the program's own
    // folder above "Файлы" does not exist yet either.
    QDir().mkpath(folder);
    return folder;
}

ExchangeFileNames standardFileNames(const QString& folder, const QVariant& organisation,
                                    const QDate& period)
{
    const QString code =
        organisation.isNull() ? QString() : QString::number(organisation.toLongLong());
    const QString rest = u"_"_s + code + u"_"_s + CommonFnc::DateToMmyyyy(period) + u".TXT"_s;
    return {folder + u"P1"_s + rest, folder + u"P2"_s + rest, folder + u"P3"_s + rest};
}

QString databaseReadFailedMessage(const QString& reason)
{
    return readFailedMessage(reason);
}

QString withoutP1Prefix(const QString& bareName)
{
    return bareName.toUpper().startsWith(u"P1_"_s) ? bareName.mid(3) : bareName;
}

std::optional<ExchangeFileNames> derivedFileNames(const QString& payersFile)
{
    if (payersFile.isEmpty())
        return std::nullopt;
    const QFileInfo info(payersFile);
    const QString folder = info.absolutePath();
    if (!QDir(folder).exists())
        return std::nullopt;
    const QString base = CommonFnc::WithTrailingBackslash(folder);
    const QString rest = withoutP1Prefix(info.fileName());
    return ExchangeFileNames{base + u"P1_"_s + rest, base + u"P2_"_s + rest,
                             base + u"P3_"_s + rest};
}

QString withDefaultExtension(const QString& path)
{
    return QFileInfo(path).fileName().contains(u'.') ? path : path + u".TXT"_s;
}

// --- Messages ------------------------------------------------------------------------

QString emptyTableMessage()
{
    return u"Файлы не могут быть сформированы, так так в каждом из трех файлов должна быть хотя бы одна запись."_s;
}

QString overwriteQuestion(const QString& path)
{
    return u"Файл с именем:\r\n"_s + path + u"\r\n"_s +
           u"уже существует, он будет удален и создан заново."_s + u"\r\n"_s + u"Продолжить?"_s;
}

QString creationFailedMessage(FileKind kind)
{
    switch (kind) {
    case FileKind::Payers:
        return u"Ошибка создания файла, содержащего сведения о плательщике за услуги."_s;
    case FileKind::Charges:
        return u"Ошибка создания файла, содержащего сведения о начислениях за услуги."_s;
    case FileKind::Persons:
        break;
    }
    return u"Ошибка создания файла, содержащего сведения о лицах, которые учитываются при расчете."_s;
}

QString filesWrittenMessage()
{
    return u"Файлы сформированы."_s;
}

QString summaryLockedMessage()
{
    return u"Сводная ведомость не может быть сформирована из-за наличия ошибок в файлах."_s;
}

QString restoreFailedMessage(const QString& path, const QString& reason)
{
    return u"Не удалось вернуть на место прежние файлы обмена:\r\n"_s + path + u"\r\n"_s + reason +
           u"\r\nОни будут возвращены при следующем сохранении файлов с этими именами."_s;
}

QString formatCheckSum(const Decimal& sum)
{
    const qint64 units = sum.isNull() ? 0 : sum.rescaled(2).units();
    const quint64 magnitude = units < 0 ? quint64(0) - quint64(units) : quint64(units);
    const QString whole = QString::number(magnitude / 100);
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += u' ';
        grouped += whole.at(i);
    }
    return (units < 0 ? u"-"_s : QString()) + grouped + u',' +
           u"%1"_s.arg(magnitude % 100, 2, 10, QChar(u'0'));
}

// --- Listener --------------------------------------------------------------------------

ExportListener::~ExportListener() = default;

void ExportListener::checkDone(int, qint64) {}

void ExportListener::writingStarted(qint64) {}

void ExportListener::recordWritten(qint64) {}

// --- Exporter --------------------------------------------------------------------------

Exporter::Exporter(Database& db)
    : m_db(db)
{}

RecordCounts Exporter::countRecords()
{
    RecordCounts counts;
    const std::array<std::pair<QString, qint64*>, 3> tables = {{
        {u"SvedPotreb_T1"_s, &counts.payers},
        {u"SvedNach_T2"_s, &counts.charges},
        {u"SvedPotrebRelations_T3"_s, &counts.persons},
    }};
    for (const auto& [table, count] : tables) {
        // Table names come from the list above, never from input.
        Query query(m_db, u"SELECT COUNT(*)\nFROM "_s + table);
        if (!query.exec() || !query.next())
            break;
        *count = query.value(0).toLongLong();
    }
    return counts;
}

CheckResult Exporter::checkBeforeExport(ExportListener& listener, const QDate& today)
{
    CheckResult result;
    const QList<Check>& list = checks();
    Q_ASSERT(list.size() == ExportChecks);
    const auto fail = [&result](qsizetype index, const QString& reason) {
        result.passed = false;
        result.error = u"Ошибка проверки сведений (проверка %1): %2"_s.arg(index + 1).arg(reason);
        return result;
    };
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Check& check = list.at(i);
        if (!check.mayFind.isEmpty()) {
            Query first(m_db, check.mayFind);
            if (!first.exec())
                return fail(i, first.errorText());
            if (!first.next()) {
                const QString error = stepError(first);
                if (!error.isEmpty())
                    return fail(i, error);
                listener.checkDone(int(i + 1), 0);
                continue;
            }
        }
        Query query(m_db, check.sql);
        if (check.sql.contains(u":MonthAhead"_s))
            query.bind(u":MonthAhead"_s, today.addMonths(1));
        if (!query.exec())
            return fail(i, query.errorText());
        qint64 found = 0;
        while (query.next()) {
            result.passed = false;
            ++result.findings;
            ++found;
            const QString message = check.message.contains(u"%1"_s)
                                        ? check.message.arg(query.value(1).toString())
                                        : check.message;
            listener.checkFinding(check.file, query.value(0).toLongLong(), message);
        }
        const QString error = stepError(query);
        if (!error.isEmpty())
            return fail(i, error);
        listener.checkDone(int(i + 1), found);
    }
    return result;
}

WriteResult Exporter::write(QIODevice& payers, QIODevice& charges, QIODevice& persons,
                            const ExportStamp& stamp, ExportListener& listener)
{
    WriteResult result;
    listener.writingStarted(countRecords().total());
    const std::array<QIODevice*, 3> devices = {&payers, &charges, &persons};
    const QVariant today = stamp.today;
    const QVariant period = stamp.period;
    const QString dateEdit = u"DateEdit"_s;
    const QString month = u"Mes"_s;
    const QString organisation = u"DezID"_s;
    qint64 written = 0;

    for (size_t i = 0; i < Kinds.size(); ++i) {
        const FileKind kind = Kinds[i];
        result.file = kind;
        // Every record of the statement passes here: read straight through SQLite, with
        // the values Qt's driver would give.
        SqliteStatement query(m_db, exportQuery(kind));
        if (!query.isValid()) {
            result.outcome = WriteResult::Outcome::Failed;
            result.message = readFailedMessage(query.errorText());
            return result;
        }
        QStringList queryColumns;
        for (int c = 0; c < query.columnCount(); ++c)
            queryColumns << query.columnName(c);
        // One row of values for every record, in the order of the line's fields: the
        // stamped values are put in once, and each query column knows the field it fills.
        const QList<FieldSpec>& specs = fields(kind, Layout::Long);
        QList<QVariant> row(specs.size());
        std::vector<std::pair<int, qsizetype>> places;
        for (qsizetype f = 0; f < specs.size(); ++f) {
            const QString column =
                specs[f].kind == FieldKind::Skip ? u"PplCntReg"_s : specs[f].column;
            if (column == dateEdit)
                row[f] = today;
            else if (column == month)
                row[f] = period;
            else if (kind == FileKind::Payers && column == organisation)
                row[f] = stamp.organisation;
            else if (const qsizetype c = queryColumns.indexOf(column); c >= 0)
                places.emplace_back(int(c), f);
        }

        while (query.next()) {
            for (const auto& [column, place] : places)
                row[place] = query.value(column);
            try {
                writeLine(*devices[i], composeLine(kind, row));
            } catch (const CommonFnc::IoError& e) {
                result.outcome = WriteResult::Outcome::Failed;
                result.message = e.message();
                return result;
            }
            ++result.records[i];
            listener.recordWritten(++written);
        }
        const QString error = query.errorText();
        if (!error.isEmpty()) {
            result.outcome = WriteResult::Outcome::Failed;
            result.message = readFailedMessage(error);
            return result;
        }
    }
    return result;
}

WriteResult Exporter::write(const ExchangeFileNames& names, const ExportStamp& stamp,
                            ExportListener& listener)
{
    const std::array<QString, 3> paths = {names.payers, names.charges, names.persons};
    const RenameFunction rename = m_rename ? m_rename : RenameFunction(systemRename);
    const auto notCreated = [](size_t i, const QString& message) {
        WriteResult result;
        result.outcome = WriteResult::Outcome::NotCreated;
        result.file = Kinds[i];
        result.message = message;
        return result;
    };
    // Two kinds under one name would leave a set of two files, one of them the wrong one.
    for (size_t i = 1; i < paths.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (samePathKey(paths[i]) == samePathKey(paths[j]))
                return notCreated(i, creationFailedMessage(Kinds[i]));
        }
    }
    // What an earlier run stopped midway left is settled first: its journal and temporary
    // names would otherwise be taken for this run's.
    const RecoveryResult recovered = recoverInterruptedWrite(names, rename);
    if (recovered.outcome == RecoveryResult::Outcome::Failed) {
        const auto it = std::find(paths.begin(), paths.end(), recovered.path);
        return notCreated(it == paths.end() ? 0 : size_t(it - paths.begin()), recovered.message);
    }

    // All three are opened before a line is written, so a file that cannot be created
    // stops the run before anything is spent on the others.
    std::array<std::unique_ptr<QFile>, 3> files;
    const auto discardNewFiles = [&files] {
        for (const std::unique_ptr<QFile>& file : files) {
            if (file) {
                file->close();
                file->remove();
            }
        }
    };
    for (size_t i = 0; i < files.size(); ++i) {
        const QFileInfo final(paths[i]);
        files[i] = std::make_unique<QFile>(newFileName(paths[i]));
        // What is under a final name and cannot be replaced by a file refuses the run
        // here rather than when the set is half replaced.
        if (final.isDir() || (final.exists() && !final.isWritable()) ||
            !files[i]->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            discardNewFiles();
            return notCreated(i, creationFailedMessage(Kinds[i]));
        }
        // A replaced file keeps who may read it.
        if (final.exists())
            files[i]->setPermissions(final.permissions());
    }

    WriteResult result = write(*files[0], *files[1], *files[2], stamp, listener);
    if (result.outcome != WriteResult::Outcome::Written) {
        const size_t failed = size_t(result.file) - 1;
        if (files[failed]->error() != QFileDevice::NoError)
            result.message = writeFailedMessage(paths[failed], files[failed]->errorString());
        discardNewFiles();
        return result;
    }
    const auto fail = [&result](size_t i, const QString& message) {
        result.outcome = WriteResult::Outcome::Failed;
        result.file = Kinds[i];
        result.message = message;
        return result;
    };
    // The last buffered lines reach the disk here, so a full disk may show only now. All
    // three are on disk before the first old file is touched.
    for (size_t i = 0; i < files.size(); ++i) {
        QString reason;
        if (!finishFile(*files[i], reason)) {
            discardNewFiles();
            return fail(i, writeFailedMessage(paths[i], reason));
        }
    }

    const QString journalPath = journalFileName(names);
    Journal journal;
    for (size_t i = 0; i < paths.size(); ++i)
        journal[i] = {QFileInfo(paths[i]).absoluteFilePath(), QFileInfo::exists(paths[i])};
    {
        QString reason;
        if (!writeJournal(journalPath, journal, reason)) {
            QFile::remove(journalPath);
            discardNewFiles();
            return fail(0, writeFailedMessage(journalPath, reason));
        }
    }
    syncFolders({journalPath, paths[0], paths[1], paths[2]});

    std::optional<FileFailure> failure;
    size_t failed = 0;
    for (size_t i = 0; i < paths.size() && !failure; ++i) {
        if (journal[i].existed && !renameFile(rename, paths[i], oldFileName(paths[i]), failure))
            failed = i;
    }
    for (size_t i = 0; i < paths.size() && !failure; ++i) {
        if (!renameFile(rename, newFileName(paths[i]), paths[i], failure))
            failed = i;
    }
    QString failedPath = paths[failed];
    syncFolders({journalPath, paths[0], paths[1], paths[2]});
    // Removing the journal is what makes the new set stand.
    if (!failure && !removeFile(journalPath, failure))
        failedPath = journalPath;
    if (failure) {
        fail(failed, writeFailedMessage(failedPath, failure->reason));
        if (const std::optional<FileFailure> restore = restoreOldSet(journalPath, journal, rename))
            result.message += u"\r\n"_s + restoreFailedMessage(restore->path, restore->reason);
        return result;
    }
    syncFolders({journalPath});
    // A copy that cannot be removed now is removed by the next run.
    for (size_t i = 0; i < paths.size(); ++i) {
        if (journal[i].existed)
            QFile::remove(oldFileName(paths[i]));
    }
    return result;
}

RecoveryResult Exporter::recoverInterruptedWrite(const ExchangeFileNames& names,
                                                 const RenameFunction& rename)
{
    RecoveryResult result;
    const RenameFunction renameFunction = rename ? rename : RenameFunction(systemRename);
    std::optional<FileFailure> failure;
    const QString journalPath = journalFileName(names);
    QFile journalFile(journalPath);
    if (journalFile.exists()) {
        result.outcome = RecoveryResult::Outcome::Recovered;
        if (!journalFile.open(QIODevice::ReadOnly)) {
            // Without it nobody can tell which set to restore: touch nothing.
            result.outcome = RecoveryResult::Outcome::Failed;
            result.path = journalPath;
            result.message = restoreFailedMessage(journalPath, journalFile.errorString());
            return result;
        }
        const std::optional<Journal> journal = parseJournal(journalFile.readAll());
        journalFile.close();
        if (journal) {
            failure = restoreOldSet(journalPath, *journal, renameFunction);
        } else {
            // Cut short while it was being written: no old file had been touched yet.
            removeFile(journalPath, failure);
        }
    }
    if (!failure) {
        for (const QString& final : {names.payers, names.charges, names.persons}) {
            for (const QString& leftover : {newFileName(final), oldFileName(final)}) {
                if (QFileInfo::exists(leftover)) {
                    result.outcome = RecoveryResult::Outcome::Recovered;
                    removeFile(leftover, failure);
                }
            }
        }
    }
    if (failure) {
        result.outcome = RecoveryResult::Outcome::Failed;
        result.path = failure->path;
        result.message = restoreFailedMessage(failure->path, failure->reason);
    }
    return result;
}

void Exporter::setRenameFunction(RenameFunction rename)
{
    m_rename = std::move(rename);
}

StatementSummary Exporter::summary(const ExchangeFileNames& names)
{
    StatementSummary summary;
    const std::array<QString, 3> paths = {names.payers, names.charges, names.persons};
    const std::array<QString, 3> sql = {
        uR"(SELECT COUNT(*) AS Col,
SUM(SummaFull) AS S1,
SUM(SummaWOBenefit) AS S2
FROM SvedPotreb_T1)"_s,
        uR"(SELECT COUNT(*) AS Col,
SUM(SummaService) AS S1,
SUM(SummaServiceWOBenefit) AS S2
FROM SvedNach_T2)"_s,
        uR"(SELECT COUNT(*) AS Col
FROM SvedPotrebRelations_T3)"_s,
    };
    for (size_t i = 0; i < sql.size(); ++i) {
        FileSummary& file = summary.files[i];
        file.name = QFileInfo(paths[i]).fileName();
        Query query(m_db, sql[i]);
        if (!query.exec() || !query.next()) {
            const QString reason =
                query.errorText().isEmpty() ? stepError(query) : query.errorText();
            summary.error = readFailedMessage(reason);
            return summary;
        }
        file.records = query.value(0).toLongLong();
        if (i < 2) {
            // An empty table sums to nothing, which the statement shows as zero.
            const int scale = Schema::decimalScale(i == 0 ? u"SummaFull" : u"SummaService");
            file.sum1 = Decimal::fromVariant(query.value(1), scale);
            file.sum2 = Decimal::fromVariant(query.value(2), scale);
            if (file.sum1.isNull())
                file.sum1 = Decimal::fromUnits(0, scale);
            if (file.sum2.isNull())
                file.sum2 = Decimal::fromUnits(0, scale);
        }
    }
    return summary;
}

} // namespace Exchange
