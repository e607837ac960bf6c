#pragma once

#include <QString>
#include <QStringList>

/// Builds a new working database from the SQL sources: schema.sql, then every
/// seed/*.sql in file-name order, in one transaction.
namespace DbBuilder {

/// The db/ folder of the source tree this program was built from.
QString defaultSourceDir();

/// The SQL files, in the order they are applied; empty when schema.sql is missing.
QStringList sourceFiles(const QString& sourceDir);

/// Creates `targetFile` (and its folder). Never overwrites: fails when the file
/// exists. The database is written beside the target and renamed into place only
/// when complete, so a failure leaves no half-built file. The new file is readable
/// and writable by its owner only. On failure returns false with `error` naming the
/// SQL file and the engine's message.
bool build(const QString& sourceDir, const QString& targetFile, QString* error);

} // namespace DbBuilder
