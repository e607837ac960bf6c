#pragma once

#include "ExchangeFormat.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <array>

class Database;

namespace Exchange {

/// What an import tells while it runs. Every call comes from the thread that runs the
/// import, in the order things happen; an implementation may let pending window
/// messages run from any of them.
class ImportListener
{
public:
    virtual ~ImportListener();

    /// Lines counted in files I, II and III, before any is parsed.
    virtual void linesCounted(qint64 payers, qint64 charges, qint64 persons) = 0;
    /// `lines` lines of the file of `kind` parsed so far: after every 100th line and
    /// once at the end of the file.
    virtual void linesRead(FileKind kind, qint64 lines) = 0;
    /// A line of file I was parsed: its date field as decoded, and its organisation
    /// field (DezID) when it converted, else null.
    virtual void payerLineRead(const QDate& fileDate, const QVariant& organisation) = 0;
    /// A finding for the error list: file 1..3 and line number (0 = none for either).
    virtual void errorAdded(int file, qint64 line, const QString& message) = 0;
    /// One more stage is done; `step` counts them from 1 (ImportSteps in all).
    virtual void stepDone(int step) = 0;
    /// A failure the operator must be told in a message box (error icon). Whether the
    /// run goes on is told by ImportResult; emptying the scratch tables at the end of
    /// a run may fail without stopping it.
    virtual void failure(const QString& message) = 0;
};

/// Stages of a complete run, as the progress bar shows them.
inline constexpr int ImportSteps = 7;

struct ImportResult
{
    enum class Outcome
    {
        Completed,
        /// A file could not be opened before anything was changed.
        FileNotOpened,
        /// The scratch tables could not be emptied; nothing was loaded.
        ScratchNotCleared,
        /// The working tables could not be emptied; nothing was loaded.
        WorkingNotCleared,
        /// A file could not be opened or read midway; nothing was copied, so the
        /// working tables stay empty.
        ReadFailed,
        /// The database itself failed (a full disk, an I/O error); nothing was loaded,
        /// and no line is blamed.
        DatabaseFailed,
    };
    Outcome outcome = Outcome::Completed;

    /// Lines in files I, II, III ("всего"), lines parsed ("прочитано") and records in the
    /// three working tables afterwards ("загружено"; -1 when a count could not be read).
    std::array<qint64, 3> lines{};
    std::array<qint64, 3> read{};
    std::array<qint64, 3> loaded{-1, -1, -1};
    /// Rows added to the error list.
    qint64 errorCount = 0;
    /// DezID of the last line of file I whose organisation field converted; null when none.
    QVariant lastOrganisation;
};

/// Loads a statement from the three exchange files into the working tables, replacing
/// what they held: every line is parsed into the scratch tables (a field that does not
/// convert is listed and stored with its fallback, a line the database refuses is
/// listed and skipped), cross-record checks list what does not fit together, then
/// payers, charges and persons are copied, charges and persons tied to their payer by
/// (ENumlsID, Numls, Mes, DezVladID), and each payer's number of persons is recounted.
/// Bad input never stops a run; only files that cannot be opened or read, and a
/// database that refuses to empty its tables, do (see ImportResult::Outcome).
///
/// Files are read line by line, so memory does not grow with their size.
class Importer
{
public:
    explicit Importer(Database& db);

    /// Runs the import of files I, II and III named by the paths. `listener` is not
    /// owned and must outlive the call.
    ImportResult run(const QString& payersPath, const QString& chargesPath,
                     const QString& personsPath, ImportListener& listener);

    /// Empties TMP_T1, TMP_T2 and TMP_T3. False on failure (the driver's reason in
    /// Database::errorString()).
    static bool clearScratchTables(Database& db);

    /// The database itself failed (`reason`, the system's words); nothing was loaded.
    static QString databaseFailedMessage(const QString& reason);
    /// "Ошибка при копировании файлов.": emptying the scratch tables failed.
    static QString scratchClearMessage();
    /// Why `path` cannot be read as an exchange file: it does not exist, it is a folder, or
    /// it is a device or a pipe; empty for a regular file.
    static QString notAFileMessage(const QString& path);

private:
    class Run;
    Database& m_db;
};

} // namespace Exchange
