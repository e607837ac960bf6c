#include "WorkingCopy.h"

#include "Database.h"
#include "Schema.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QAtomicInt connectionCounter;

// A copy's folder in the temporary folder, and the file naming the process it serves.
const QString FolderPrefix = u"orbelon-files-copy-"_s;
const QString OwnerFile = u"owner.pid"_s;

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

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

int WorkingCopy::removeStaleCopies()
{
    int removed = 0;
    QDir temp(QDir::tempPath());
    const QStringList folders =
        temp.entryList({FolderPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : folders) {
        QFile owner(temp.filePath(name) + u'/' + OwnerFile);
        // A folder without its owner's number may be one being made this moment.
        if (!owner.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const qint64 pid = owner.readAll().trimmed().toLongLong(&ok);
        owner.close();
        if (!ok || processAlive(pid))
            continue;
        if (QDir(temp.filePath(name)).removeRecursively())
            ++removed;
    }
    return removed;
}

WorkingCopy::Outcome WorkingCopy::make(const QString& source)
{
    m_path.clear();
    m_error.clear();
    const QFileInfo info(source);
    if (!info.exists()) {
        m_error = u"Не найдена база данных "_s + source;
        return Outcome::Missing;
    }
    if (!info.isFile()) {
        m_error = u"База данных "_s + source + u" - не файл."_s;
        return Outcome::Unusable;
    }
    removeStaleCopies();
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + u'/' + FolderPrefix + u"XXXXXX"_s);
    if (!m_dir->isValid()) {
        m_error = u"Не удалось создать временную папку: "_s + m_dir->errorString();
        return Outcome::Unusable;
    }
    {
        QFile owner(m_dir->filePath(OwnerFile));
        if (!owner.open(QIODevice::WriteOnly) ||
            owner.write(QByteArray::number(qint64(::getpid()))) < 0 || !owner.flush()) {
            m_error = u"Не удалось записать во временную папку "_s + m_dir->path() + u": "_s +
                      owner.errorString();
            return Outcome::Unusable;
        }
    }
    const QString target = m_dir->filePath(u"Dude.b"_s);
    if (!copyFile(source)) {
        QFile::remove(target);
        if (!copyThroughSqlite(source)) {
            QFile::remove(target);
            explainFailure(source);
            return Outcome::Unusable;
        }
    }
    // A read-only original must not make a read-only copy: the work writes into it.
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!shrink()) {
        QFile::remove(target);
        explainFailure(source);
        return Outcome::Unusable;
    }
    m_path = target;
    return Outcome::Made;
}

void WorkingCopy::explainFailure(const QString& source)
{
    if (!m_damaged.isEmpty() || m_error.contains(u"malformed"_s, Qt::CaseInsensitive)) {
        m_error = u"База данных "_s + source + u" повреждена ("_s +
                  (m_damaged.isEmpty() ? m_error : m_damaged) + u")."_s;
        return;
    }
    // A full temporary folder is no fault of the database.
    if (m_error.isEmpty())
        m_error = u"неизвестная ошибка"_s;
    if (m_error.contains(u"full"_s, Qt::CaseInsensitive))
        m_error = u"Нет места во временной папке "_s + QDir::tempPath() +
                  u" для копии базы данных: "_s + m_error;
    else
        m_error = u"Невозможно прочитать базу данных "_s + source + u": "_s + m_error;
}

bool WorkingCopy::shrink()
{
    const QString name =
        u"orbelon-files-copy-"_s + QString::number(connectionCounter.fetchAndAddRelaxed(1));
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(m_dir->filePath(u"Dude.b"_s));
        if (db.open()) {
            QSqlQuery query(db);
            done = true;
            // A damaged file would read as missing rows and blame the files for them.
            if (query.exec(u"PRAGMA quick_check(1)"_s) && query.next() &&
                query.value(0).toString().compare(u"ok"_s, Qt::CaseInsensitive) != 0) {
                m_damaged = query.value(0).toString();
                done = false;
            }
            query.finish();
            for (const QString& table : Schema::workingTables()) {
                // A database without the table is told about once it is opened.
                if (!db.tables().contains(table, Qt::CaseInsensitive))
                    continue;
                done = done && query.exec(u"DELETE FROM "_s + table);
            }
            done = done && query.exec(u"VACUUM"_s);
            if (!done && m_damaged.isEmpty())
                m_error = query.lastError().text().trimmed();
            query = QSqlQuery();
            db.close();
        } else {
            m_error = db.lastError().text().trimmed();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

bool WorkingCopy::copyFile(const QString& source)
{
    // Opening the source, even read-only, would leave journal files beside it where
    // there were none; a plain copy leaves the folder as it was. It is only taken when
    // no writer touched the file while it was read.
    if (journalPending(source))
        return false;
    const QString target = m_dir->filePath(u"Dude.b"_s);
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
    const QString name =
        u"orbelon-files-source-"_s + QString::number(connectionCounter.fetchAndAddRelaxed(1));
    const QString target = m_dir->filePath(u"Dude.b"_s);
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
