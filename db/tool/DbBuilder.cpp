#include "DbBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace DbBuilder {

namespace {

bool execScript(sqlite3* db, const QByteArray& sql, QString* message)
{
    char* raw = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &raw) == SQLITE_OK)
        return true;
    *message = raw ? QString::fromUtf8(raw) : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_free(raw);
    return false;
}

} // namespace

QString defaultSourceDir()
{
    return QStringLiteral(ORBELON_DB_SOURCE_DIR);
}

QStringList sourceFiles(const QString& sourceDir)
{
    const QDir dir(sourceDir);
    if (!dir.exists(u"schema.sql"_s))
        return {};
    QStringList files{dir.filePath(u"schema.sql"_s)};
    const QDir seed(dir.filePath(u"seed"_s));
    const QStringList seeds = seed.entryList({u"*.sql"_s}, QDir::Files, QDir::Name);
    for (const QString& name : seeds)
        files << seed.filePath(name);
    return files;
}

bool build(const QString& sourceDir, const QString& targetFile, QString* error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    const QFileInfo target(targetFile);
    if (target.exists()) {
        *error = u"Файл уже существует и не будет перезаписан: "_s + target.absoluteFilePath();
        return false;
    }
    const QStringList files = sourceFiles(sourceDir);
    if (files.isEmpty()) {
        *error = u"Не найден файл schema.sql в папке "_s + sourceDir;
        return false;
    }
    if (!QDir().mkpath(target.absolutePath())) {
        *error = u"Не удалось создать папку "_s + target.absolutePath();
        return false;
    }

    const QString partial = target.absoluteFilePath() + u".building"_s;
    QFile::remove(partial);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(partial).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        *error = u"Не удалось создать файл "_s + partial + u": "_s +
                 QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        QFile::remove(partial);
        return false;
    }
    // Owner-only from the start: the database holds personal data of residents.
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner);

    QString message;
    bool ok = execScript(db, "PRAGMA journal_mode = DELETE; BEGIN;", &message);
    QString failedFile;
    for (const QString& path : files) {
        if (!ok)
            break;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            ok = false;
            failedFile = path;
            message = file.errorString();
            break;
        }
        if (!execScript(db, file.readAll(), &message)) {
            ok = false;
            failedFile = path;
        }
    }
    if (ok)
        ok = execScript(db, "COMMIT; PRAGMA journal_mode = WAL;", &message);
    sqlite3_close(db);

    if (!ok) {
        *error = failedFile.isEmpty() ? message
                                      : QFileInfo(failedFile).fileName() + u": "_s + message;
        QFile::remove(partial);
        return false;
    }
    if (!QFile::rename(partial, target.absoluteFilePath())) {
        *error = u"Не удалось переименовать "_s + partial + u" в "_s + target.absoluteFilePath();
        QFile::remove(partial);
        return false;
    }
    return true;
}

} // namespace DbBuilder
