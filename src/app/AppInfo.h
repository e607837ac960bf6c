#pragma once

#include <QDate>
#include <QString>

/// Fixed constants of the program.
namespace AppInfo {

inline QString appTitle()
{
    return QStringLiteral("Начисления за жилищно-коммунальные и прочие услуги");
}
inline QString version()
{
    return QStringLiteral("2.13");
}
inline QString releaseDateText()
{
    return QStringLiteral("15.07.2025");
}
inline QDate releaseDate()
{
    return QDate(2025, 7, 15);
}
/// Name of the single-instance marker.
inline QString instanceName()
{
    return QStringLiteral("ORBELON_memfile");
}
/// The working database, relative to the current directory.
inline QString databaseRelativePath()
{
    return QStringLiteral("Base/Dude.b");
}

} // namespace AppInfo
