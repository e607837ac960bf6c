#include "ServiceSelection.h"

#include "Query.h"

using namespace Qt::Literals::StringLiterals;

namespace RefBooks {

QString servicesNotProvidedSql()
{
    return u"SELECT DISTINCT 0 AS Result, ss.ServiceID, ss.ServiceName \n   FROM Sprav_Services ss\nWHERE ss.Opt = 0"_s;
}

QString servicesProvidedSql()
{
    return u"SELECT DISTINCT ss.ServiceID, ss.ServiceName \n   FROM Sprav_Services ss\nWHERE ss.Opt = 1"_s;
}

BookWrite provideService(Database& db, int serviceId, const QString& serviceName)
{
    Query query(db, u"UPDATE Sprav_Services SET Opt = 1\n  WHERE ServiceID = :SERVICEID"_s);
    query.bind(u":SERVICEID"_s, serviceId);
    if (!query.exec())
        return {false, u"Ошибка записи данных в справочник услуг.\r\nВозможно \""_s + serviceName +
                           u"\" уже есть в справочнике."_s};
    return {true, {}};
}

BookWrite withdrawService(Database& db, int serviceId)
{
    Query query(db, u"UPDATE Sprav_Services SET Opt = 0\n  WHERE ServiceID = :SERVICEID"_s);
    query.bind(u":SERVICEID"_s, serviceId);
    if (!query.exec())
        return {false, u"Ошибка удаления данных"_s};
    return {true, {}};
}

} // namespace RefBooks
