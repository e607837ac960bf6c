#include "StreetSelection.h"

#include "Query.h"

using namespace Qt::Literals::StringLiterals;

namespace RefBooks {

QString streetsNotServedSql()
{
    return uR"(SELECT 0 AS Result, ss.StreetName, ss.StreetID, ss.StreetID_BTI
   FROM Sprav_Streets ss
WHERE ss.Opt = 0
       AND FOLD(ss.StreetName) LIKE FOLD(:SEARCH) ESCAPE '\'
ORDER BY ss.StreetName
)"_s;
}

QString streetsServedSql()
{
    return u"SELECT  ss.StreetName, ss.StreetID, ss.StreetID_BTI\n   FROM Sprav_Streets ss\nWHERE ss.Opt = 1\nORDER BY ss.StreetName"_s;
}

QString streetSearchPattern(const QString& typed)
{
    QString escaped;
    for (const QChar ch : typed.trimmed()) {
        if (ch == u'%' || ch == u'_' || ch == u'\\')
            escaped += u'\\';
        escaped += ch;
    }
    return u'%' + escaped + u'%';
}

BookWrite serveStreet(Database& db, int streetId, const QString& streetName)
{
    Query query(db, u"UPDATE Sprav_Streets  SET Opt = 1\n  WHERE StreetID = :StreetID"_s);
    query.bind(u":StreetID"_s, streetId);
    if (!query.exec())
        return {false, u"Ошибка записи данных в справочник улиц.\r\nВозможно \""_s + streetName +
                           u"\" уже есть в справочнике."_s};
    return {true, {}};
}

BookWrite stopServingStreet(Database& db, int streetId)
{
    Query query(db, u"UPDATE Sprav_Streets  SET Opt = 0\n  WHERE StreetID = :StreetID"_s);
    query.bind(u":StreetID"_s, streetId);
    if (!query.exec())
        return {false, u"Ошибка удаления данных"_s};
    return {true, {}};
}

BookWrite stopServingAllStreets(Database& db)
{
    Query query(db, u"UPDATE Sprav_Streets  SET Opt = 0"_s);
    if (!query.exec())
        return {false, u"Ошибка удаления данных"_s};
    return {true, {}};
}

} // namespace RefBooks
