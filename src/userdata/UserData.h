#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

class Database;

/// The user data file: the reference data the operator builds up by hand (organisations,
/// the served streets and provided services, the tariff bank, the BTI houses) as lines of
/// fixed-width fields in code page 866, saved from and restored into the working database.
namespace UserData {

/// "userdata_ddmmyyyy.udt".
QString proposedFileName(const QDate& today);

/// The file's lines, in section order, as they will be written. Empty with `error` when a
/// value does not fit its field ("Ошибка кодировки числа." naming the record).
QStringList lines(Database& db, QString* error, const std::function<void()>& tick = {});

struct SaveResult
{
    enum class Outcome
    {
        Saved,
        Refused, ///< a value does not fit its field; nothing written
        Failed,  ///< the file could not be written; an earlier file of that name is intact
    };
    Outcome outcome = Outcome::Failed;
    QString message;
    qint64 lines = 0;
};

/// Writes the file whole or not at all: a failed save leaves an earlier file of the same
/// name as it was. `tick` runs before each record.
SaveResult save(Database& db, const QString& path, const std::function<void()>& tick = {});

struct RestoreResult
{
    enum class Outcome
    {
        Restored,
        CannotRead, ///< the file could not be read; nothing changed
        Failed,     ///< the database failed midway; rolled back, nothing changed
    };
    Outcome outcome = Outcome::Failed;
    QString message;
    qint64 applied = 0; ///< lines applied
    qint64 skipped = 0; ///< lines that did not convert or that the database refused
};

/// Restores the file in one transaction: the tariff bank is replaced by the file's
/// periods, organisations are merged by code, street and service marks added, houses
/// appended. A line that does not convert or that the database refuses is skipped.
RestoreResult restore(Database& db, const QString& path);

/// The closing message of a restore.
QString restoredMessage(const RestoreResult& result);

} // namespace UserData
