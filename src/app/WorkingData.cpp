#include "WorkingData.h"

#include "AppInfo.h"
#include "Database.h"
#include "Query.h"
#include "Schema.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace WorkingData {

QString databasePath(const QString& directory)
{
    return QDir(directory).filePath(AppInfo::databaseRelativePath());
}

OpenResult open(Database& db, const QString& directory)
{
    const QString path = databasePath(directory);
    if (!QFileInfo(path).isFile())
        return OpenResult::Missing;
    if (!db.open(path))
        return OpenResult::Unusable;
    const QStringList missing = db.missingTables(Schema::requiredTables());
    if (!missing.isEmpty()) {
        db.close();
        db.setErrorString(u"В базе данных нет таблиц: "_s + missing.join(u", "_s));
        return OpenResult::Unusable;
    }
    // A damaged file would read as missing rows and blame the statement for them.
    QString problem;
    if (!db.checkIntegrity(&problem)) {
        db.close();
        db.setErrorString(problem);
        return OpenResult::Damaged;
    }
    return OpenResult::Opened;
}

QList<QPair<QVariant, QString>> organisations(Database& db)
{
    QList<QPair<QVariant, QString>> rows;
    Query query(db, u"SELECT sd.DezID, sd.DezName\nFROM Sprav_Dez sd"_s);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return rows;
    }
    while (query.next())
        rows.append({query.value(0), query.value(1).toString()});
    return rows;
}

int currentDezId(Database& db)
{
    Query query(db, u"SELECT DISTINCT sp.DezID\nFROM SvedPotreb_T1 sp"_s);
    if (!query.exec() || !query.next())
        return 0;
    return query.value(0).toInt();
}

bool setOrganisation(Database& db, const QVariant& dezId)
{
    if (!dezId.isValid() || dezId.isNull())
        return true;
    Query update(db, u"UPDATE  SvedPotreb_T1  SET DezID = :DezID"_s);
    update.bind(u":DezID"_s, dezId);
    if (!update.exec()) {
        db.setErrorString(update.errorText());
        return false;
    }
    return true;
}

QDate accountingPeriod(int monthIndex, int year)
{
    return QDate(year, qBound(0, monthIndex, 11) + 1, 1);
}

} // namespace WorkingData
