#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

/// The commands of orbelon-files: check, convert and summary of the three exchange files
/// of a statement. Each run loads the files with the program's own import into a private
/// copy of the working database, so the database itself is never changed.
class FilesTool
{
public:
    /// The process's exit codes.
    enum Exit
    {
        Clean = 0,    ///< done, no error row
        Findings = 1, ///< done, with error rows
        Failed = 2,   ///< could not run: usage, a file, the database, writing
    };

    /// `out` receives what scripts read (error rows, figures, the usage asked for with
    /// --help); `err` the counts, notes and failures for the operator. Neither is owned.
    FilesTool(QTextStream& out, QTextStream& err);

    /// Runs the command in `arguments` (without the program's name) and returns the exit
    /// code. Without --db the database is `workingDir`/Base/Dude.b.
    int run(const QStringList& arguments, const QString& workingDir);

    /// The usage text, lines ending in "\n".
    static QString usage();

private:
    /// Writes `text` to `err` as one note; CR LF of the program's messages become LF.
    void note(const QString& text);
    /// userdata save|restore FILE on the working database itself.
    int runUserData(bool save, const QString& file, const QString& databasePath);

    QTextStream& m_out;
    QTextStream& m_err;
};
