#pragma once

#include "Decimal.h"
#include "ExchangeFormat.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>

class Database;
class QIODevice;

namespace Exchange {

/// Paths of the three exchange files of one statement.
struct ExchangeFileNames
{
    QString payers;  ///< file I
    QString charges; ///< file II
    QString persons; ///< file III
};

// --- Names -----------------------------------------------------------------------------

/// The folder the export proposes, ending in "/": the folder of `lastPayersFile` when it
/// is not empty, else the program's files folder (SysFolders::FilesFolder()). A missing
/// folder is created; a failure to create it is not reported here (writing into it then
/// fails with the creation message). Throws SysFolders::FolderError when the documents
/// folder cannot be named.
QString proposedFolder(const QString& lastPayersFile);

/// "P1_<organisation>_<MMYYYY>.TXT" and its sisters "P2_..." and "P3_..." in `folder`
/// (which ends in "/", or is empty for bare names). The organisation code is written in
/// decimal without leading zeros; a period on or before 01.01.1901 gives "000000".
ExchangeFileNames standardFileNames(const QString& folder, const QVariant& organisation,
                                    const QDate& period);

/// A bare file name without a leading "P1_" in any letter case: "p1_x.txt" → "x.txt",
/// "abc.txt" → "abc.txt".
QString withoutP1Prefix(const QString& bareName);

/// The three names that follow from the name chosen for file I: its folder, then "P1_",
/// "P2_", "P3_" before its bare name without a "P1_" prefix, so abc.txt gives P1_abc.txt,
/// P2_abc.txt and P3_abc.txt. Nothing when the name is empty or its folder does not exist.
std::optional<ExchangeFileNames> derivedFileNames(const QString& payersFile);

/// `path` with ".TXT" appended when its bare name has no extension (no "."), as the
/// files are written; otherwise unchanged.
QString withDefaultExtension(const QString& path);

// --- Messages ------------------------------------------------------------------------

/// Refusal when one of the three working tables holds no record.
QString emptyTableMessage();
/// The question before replacing an existing file `path`.
QString overwriteQuestion(const QString& path);
/// The file of `kind` could not be created.
QString creationFailedMessage(FileKind kind);
/// Closing note of a written export.
QString filesWrittenMessage();
/// The working database could not be read; `reason` is the driver's.
QString databaseReadFailedMessage(const QString& reason);
/// Note after an export whose checks found something: no summary statement.
QString summaryLockedMessage();
/// The files an interrupted replacement set aside could not all be put back: `path` is
/// the file that stopped it, `reason` the system's text. Says that the next save under
/// the same names puts them back.
QString restoreFailedMessage(const QString& path, const QString& reason);

// --- Listener --------------------------------------------------------------------------

/// What the checks and the writing tell while they run, from the thread that runs them,
/// in the order things happen. An implementation may let pending window messages run
/// from any call.
class ExportListener
{
public:
    virtual ~ExportListener();

    /// A check found a record: file 1..3, the record's NumT1/NumT2/NumT3 (0 = none) and
    /// the check's message. Called as each row is read, checks in their fixed order.
    virtual void checkFinding(int file, qint64 number, const QString& message) = 0;
    /// Check `check` (1..ExportChecks) has run and found `findings` records.
    virtual void checkDone(int check, qint64 findings);
    /// Writing begins; `total` is the sum of the three tables' record counts.
    virtual void writingStarted(qint64 total);
    /// One more record was written; `written` counts them over the three files.
    virtual void recordWritten(qint64 written);
};

/// Number of checks checkBeforeExport() runs.
inline constexpr int ExportChecks = 9;

/// The query whose rows the file of `kind` is written from, in the order they are
/// written (for tools that measure or compare the export).
QString exportQuery(FileKind kind);

// --- Results ---------------------------------------------------------------------------

/// Records of SvedPotreb_T1, SvedNach_T2 and SvedPotrebRelations_T3.
struct RecordCounts
{
    qint64 payers = 0;
    qint64 charges = 0;
    qint64 persons = 0;

    /// At least one table is empty: no export.
    bool anyEmpty() const { return payers == 0 || charges == 0 || persons == 0; }
    qint64 total() const { return payers + charges + persons; }
};

struct CheckResult
{
    /// Every check ran and none found anything.
    bool passed = true;
    /// Findings reported to the listener.
    qint64 findings = 0;
    /// A check whose query failed, with the driver's reason, for the operator; empty
    /// when every check ran. The checks stop at such a failure.
    QString error;
};

struct WriteResult
{
    enum class Outcome
    {
        /// The three files are complete under their names.
        Written,
        /// A file could not be created (see `file`), two of the names are one file, or
        /// what an interrupted earlier run left could not be settled; nothing was
        /// written or replaced.
        NotCreated,
        /// A query, a write or putting the files in place failed midway; the old files
        /// are back under their names (on the file-name overload; when even that failed,
        /// the message says so and the next run puts them back) and the caller's devices
        /// hold what was written so far.
        Failed,
    };
    Outcome outcome = Outcome::Written;
    /// The file that could not be created or written.
    FileKind file = FileKind::Payers;
    /// The operator's text for NotCreated and Failed; empty when written.
    QString message;
    /// Lines written into files I, II and III.
    std::array<qint64, 3> records{};

    /// The three files were created (the run went beyond creating them).
    bool created() const { return outcome != Outcome::NotCreated; }
};

/// What every line carries instead of the stored values.
struct ExportStamp
{
    /// DezID of every line of file I: the current organisation.
    QVariant organisation;
    /// The month field of every line of the three files: the accounting period.
    QDate period;
    /// The first field of every line: the day of writing.
    QDate today = QDate::currentDate();
};

/// One row of the summary statement that goes with the files.
struct FileSummary
{
    QString name; ///< bare file name
    qint64 records = 0;
    Decimal sum1; ///< check sum I: SummaFull (file I), SummaService (file II); null for file III
    Decimal sum2; ///< check sum II: SummaWOBenefit, SummaServiceWOBenefit; null for file III
};

struct StatementSummary
{
    std::array<FileSummary, 3> files;
    /// A query that failed, with the driver's reason; empty on success.
    QString error;
};

/// A check sum as the summary statement prints it, "### ### ##0.00": digit groups of
/// three separated by blanks, two decimals after a comma ("1 234 567,89"); null prints
/// as "0,00" (the sum over no record).
QString formatCheckSum(const Decimal& sum);

/// Renames `from` to `to`, replacing a file `to`, as rename(2) does; false on failure,
/// with errno telling why when it can.
using RenameFunction = std::function<bool(const QString& from, const QString& to)>;

/// What recoverInterruptedWrite() found and did.
struct RecoveryResult
{
    enum class Outcome
    {
        /// No run had left anything behind.
        Nothing,
        /// Leftovers were settled: the names hold one whole set again.
        Recovered,
        /// A leftover could not be put back or removed (see `message`); the record of the
        /// interrupted replacement is kept, so a later call finishes the job.
        Failed,
    };
    Outcome outcome = Outcome::Nothing;
    /// The file that stopped a failed recovery.
    QString path;
    /// The operator's text for Failed.
    QString message;
};

// --- The export ------------------------------------------------------------------------

/// Writes the statement held in the working tables into the three exchange files in the
/// long layout, and checks it first for what the receiving side would reject. The checks
/// never stop the writing; they decide whether the summary statement may be printed.
///
/// Queries stream their rows, so memory does not grow with the statement.
class Exporter
{
public:
    explicit Exporter(Database& db);

    /// Records of the three working tables. A failing count leaves it and the counts
    /// after it at 0 (which then refuses the export).
    RecordCounts countRecords();

    /// The nine checks, in order, each as one set query; every record a check finds goes
    /// to `listener` as it is read. `today` is the day the registration dates are
    /// measured from (a registration may start at most one calendar month later).
    CheckResult checkBeforeExport(ExportListener& listener,
                                  const QDate& today = QDate::currentDate());

    /// Writes the three files under temporary names beside the final ones and replaces
    /// the set under the final names as one: afterwards the names hold either the three
    /// new files or, on any failure, the three old ones (none, where there were none);
    /// never a partial file nor a mix of old and new. A run stopped midway (a crash, a
    /// kill) is settled by the next write under the same names, see
    /// recoverInterruptedWrite(). Existing files are replaced without asking: the caller
    /// asks first. Payers are ordered by DezID, DezVladID, ENumlsID, Numls, Mes; charges
    /// and persons by their payer's same columns, then ServiceID or NumberPeople; charges
    /// and persons without a payer are not written.
    WriteResult write(const ExchangeFileNames& names, const ExportStamp& stamp,
                      ExportListener& listener);
    /// The same into open devices (opened without QIODevice::Text). Never NotCreated.
    WriteResult write(QIODevice& payers, QIODevice& charges, QIODevice& persons,
                      const ExportStamp& stamp, ExportListener& listener);

    /// Figures of the summary statement: per file the bare name from `names`, the number
    /// of records of its working table and the check sums.
    StatementSummary summary(const ExchangeFileNames& names);

    /// Settles what a write() under `names` that was stopped midway left behind, so that
    /// the names hold one whole set again: the new files of an unfinished run are
    /// removed, and when the run had begun to replace the set, the old files are put
    /// back (nobody was told that the new set was written, so the set known before
    /// stands). Copies of old files that a finished replacement left are removed.
    /// write() calls it first; a tool may call it on its own. `rename` replaces rename(2)
    /// when given.
    static RecoveryResult recoverInterruptedWrite(const ExchangeFileNames& names,
                                                  const RenameFunction& rename = {});

    /// Every rename of write() goes through `rename` instead of rename(2): tests inject
    /// failures and stops with it. An empty function restores rename(2).
    void setRenameFunction(RenameFunction rename);

private:
    Database& m_db;
    RenameFunction m_rename;
};

} // namespace Exchange
