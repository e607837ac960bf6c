#include "WorkingCopy.h"

#include "Database.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

namespace {

QAtomicInt connectionCounter;

/// Size and modification time: what a writer changes when it touches the file.
struct FileStamp
{
    qint64 size = -1;
    QDateTime modified;

    static FileStamp of(const QString& path)
    {
        const QFileInfo info(path);
        return {info.exists() ? info.size() : -1, info.lastModified()};
    }
    bool operator==(const FileStamp& other) const
    {
        return size == other.size && modified == other.modified;
    }
};

/// True while the main file alone may not hold the whole database: committed pages in
/// the write-ahead log, or a rollback journal of a write in progress (or interrupted).
bool journalPending(const QString& source)
{
    return QFileInfo(source + u"-wal"_s).size() > 0 || QFileInfo::exists(source + u"-journal"_s);
}

} // namespace

WorkingCopy::Outcome WorkingCopy::make(const QString& source)
{
    m_path.clear();
    m_error.clear();
    if (!QFileInfo(source).isFile()) {
        m_error = u"Не найдена база данных "_s + source;
        return Outcome::Missing;
    }
    if (!m_dir.isValid()) {
        m_error = u"Не удалось создать временную папку: "_s + m_dir.errorString();
        return Outcome::Unusable;
    }
    const QString target = m_dir.filePath(u"Dude.b"_s);
    if (!copyFile(source)) {
        QFile::remove(target);
        if (!copyThroughSqlite(source)) {
            QFile::remove(target);
            m_error = u"Невозможно прочитать базу данных "_s + source + u": "_s + m_error;
            return Outcome::Unusable;
        }
    }
    m_path = target;
    return Outcome::Made;
}

bool WorkingCopy::copyFile(const QString& source)
{
    // Opening the source, even read-only, would leave journal files beside it where
    // there were none; a plain copy leaves the folder as it was. It is only taken when
    // no writer touched the file while it was read.
    if (journalPending(source))
        return false;
    const QString target = m_dir.filePath(u"Dude.b"_s);
    const FileStamp before = FileStamp::of(source);
    if (!QFile::copy(source, target))
        return false;
    if (FileStamp::of(source) == before && !journalPending(source))
        return true;
    QFile::remove(target);
    return false;
}

bool WorkingCopy::copyThroughSqlite(const QString& source)
{
    const QString name = u"orbelon-files-source-"_s + QString::number(connectionCounter.fetchAndAddRelaxed(1));
    const QString target = m_dir.filePath(u"Dude.b"_s);
    bool copied = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(QFileInfo(source).absoluteFilePath());
        // Read-only: the connection can neither change the file nor checkpoint its log
        // into it, yet it sees the committed pages still in the log.
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT="_s +
                             QString::number(Database::BusyTimeoutMs));
        if (!db.open()) {
            m_error = db.lastError().text().trimmed();
        } else {
            QSqlQuery vacuum(db);
            // One read transaction: the copy is the database as of one moment.
            if (vacuum.prepare(u"VACUUM INTO :Target"_s)) {
                vacuum.bindValue(u":Target"_s, target);
                copied = vacuum.exec();
            }
            if (!copied)
                m_error = vacuum.lastError().text().trimmed();
            vacuum = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!copied && m_error.isEmpty())
        m_error = u"неизвестная ошибка"_s;
    return copied;
}
