#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

/// A private copy of a working database in a temporary folder that lives as long as this
/// object, for work that must leave the original exactly as it is. The original is only
/// ever read: copied as a file when nothing is pending in its journal, otherwise read
/// through a read-only connection that writes a consistent snapshot of it. The copy holds
/// the reference data only, since the work loads its own statement, and it is always the
/// owner's to write. Copies left behind by runs that were killed are removed by the next.
class WorkingCopy
{
public:
    enum class Outcome
    {
        Made,
        Missing,  ///< no file at the source path
        Unusable, ///< the source cannot be read as a database (see errorString())
    };

    WorkingCopy() = default;
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;

    /// Copies the database at `source`. On Made, filePath() names the copy; it may still
    /// lack tables, which the caller checks once it has opened it.
    Outcome make(const QString& source);

    QString filePath() const { return m_path; }
    QString errorString() const { return m_error; }

    /// The folders of copies whose run is gone: removed. Returns how many.
    static int removeStaleCopies();

private:
    bool copyFile(const QString& source);
    bool copyThroughSqlite(const QString& source);
    /// Empties the statement tables of the copy and gives their room back.
    bool shrink();
    /// m_error, the database's reason, told as the operator needs it.
    void explainFailure(const QString& source);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QString m_error;
    QString m_damaged; ///< what the integrity check of the copy found
};
