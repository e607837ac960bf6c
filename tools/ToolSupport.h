#pragma once

#include <QDate>
#include <QList>
#include <QString>

class Database;

/// What the tools share: a fresh working database and the period they are given.
namespace ToolSupport {

/// Builds a fresh working database at `file` from db/ and opens it. False with `error`
/// when either fails.
bool openFreshDatabase(const QString& file, Database& db, QString* error);

/// A period written "MMYYYY" (1901 to 2100); an invalid date for any other text.
QDate periodFromText(const QString& text);

/// The middle one of a benchmark's rounds (the upper middle of an even count); 0 for none.
qint64 median(QList<qint64> values);
/// The quickest of a benchmark's rounds; 0 for none.
qint64 least(const QList<qint64>& values);
/// "1.48x median, 1.41x least": the program's rounds over the reference's.
QString ratios(const QList<qint64>& program, const QList<qint64>& reference);

} // namespace ToolSupport
