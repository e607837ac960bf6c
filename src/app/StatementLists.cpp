#include "StatementLists.h"

using namespace Qt::Literals::StringLiterals;

namespace StatementLists {

namespace {
constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;
using D = Format::Display;
} // namespace

QString payersSql()
{
    // Streets without a BTI code (NULL or 0) may share it; they must not match payers,
    // or one payer would be listed once per such street.
    return uR"(SELECT t1.T1_ID, t1.NumT1, t1.DezID, t1.DezVladID, t1.MO, t1.Name1, t1.Name2, t1.Name3,
       t1.StreetID_BTI, t1.HouseNum, t1.KorpNum, t1.StroenNum, t1.FlatNum, t1.HouseID_BTI,
       t1.FlatID_BTI, t1.ENumlsID, t1.Numls, t1.Mes, t1.TypeOwnID, t1.TypeOccupancyID,
       t1.PplCntReg, t1.SquareTotal, t1.SquareLive, t1.TypeLockID, t1.TypeStoveID,
       t1.SummaFull, t1.SummaWOBenefit, t1.SummaFullReg, t1.SummaWOBenefitReg,
       t1.ColMesDebts, t1.DateEdit,
       ss.StreetName, sto.TypeOwnName, stoc.TypeOccupancyName, sts.TypeStoveName, stl.TypeLockName,
       (t1.Name1 || ' ' || t1.Name2 || ' ' || t1.Name3) AS FullName
FROM SvedPotreb_T1 t1
LEFT OUTER JOIN Sprav_Streets ss ON ss.StreetID_BTI = t1.StreetID_BTI AND ss.StreetID_BTI <> 0
LEFT OUTER JOIN Sprav_TypeOwn sto ON sto.TypeOwnID = t1.TypeOwnID
LEFT OUTER JOIN Sprav_TypeOccupancy stoc ON stoc.TypeOccupancyID = t1.TypeOccupancyID
LEFT OUTER JOIN Sprav_TypeStove sts ON sts.TypeStoveID = t1.TypeStoveID
LEFT OUTER JOIN Sprav_TypeLock stl ON stl.TypeLockID = t1.TypeLockID)"_s;
}

QString chargesSql()
{
    // A service has one catalogue row per variant; its name is taken once per code.
    return uR"(SELECT t2.T1_ID, t2.T2_ID, t2.NumT2, t2.ServiceID, t2.PostID, t2.Volume, t2.Tariff,
       t2.SummaService, t2.SummaServiceWOBenefit, t2.SummaServiceReg, t2.SummaServiceWOBenefitReg,
       t2.TypeNachID, ss.ServiceName, sp.PostName, stn.TypeNachName
FROM SvedNach_T2 t2
LEFT OUTER JOIN (SELECT ServiceID, MIN(ServiceName) AS ServiceName
                 FROM Sprav_Services GROUP BY ServiceID) ss ON ss.ServiceID = t2.ServiceID
LEFT OUTER JOIN Sprav_Post sp ON sp.PostID = t2.PostID
LEFT OUTER JOIN Sprav_TypeNach stn ON stn.TypeNachID = t2.TypeNachID
WHERE t2.T1_ID = :T1_ID)"_s;
}

QString personsSql()
{
    return uR"(SELECT t3.T1_ID, t3.T3_ID, t3.NumT3, t3.NumberPeople, t3.Name1, t3.Name2, t3.Name3,
       t3.SNILS, t3.BirthDate, t3.Sex, t3.Relation, t3.RelationOwnID, t3.SquareShare,
       t3.TypeRegID, t3.DateRegStart, t3.DateRegEnd, t3.PrFactLiveID,
       sro.RelationOwnName, str.TypeRegName, spf.PrFactLiveName
FROM SvedPotrebRelations_T3 t3
LEFT OUTER JOIN Sprav_RelationOwn sro ON sro.RelationOwnID = t3.RelationOwnID
LEFT OUTER JOIN Sprav_TypeReg str ON str.TypeRegID = t3.TypeRegID
LEFT OUTER JOIN Sprav_PrFactLive spf ON spf.PrFactLiveID = t3.PrFactLiveID
WHERE t3.T1_ID = :T1_ID)"_s;
}

const QList<ListColumn>& payerColumns()
{
    static const QList<ListColumn> columns = {
        {u"NumT1"_s, u"№"_s, D::Plain, Right},
        {u"Mes"_s, u"Месяц в файле"_s, D::MonthYear, Left},
        {u"ENumlsID"_s, u"Код плательщика"_s, D::PayerCode, Right},
        {u"Numls"_s, u"Лицевой счет"_s, D::Plain, Left},
        {u"Name1"_s, u"Фамилия"_s, D::Plain, Left},
        {u"Name2"_s, u"Имя"_s, D::Plain, Left},
        {u"Name3"_s, u"Отчество"_s, D::Plain, Left},
        {u"StreetName"_s, u"Улица"_s, D::Plain, Left},
        {u"HouseNum"_s, u"Дом"_s, D::Plain, Left},
        {u"KorpNum"_s, u"Корпус"_s, D::Plain, Left},
        {u"StroenNum"_s, u"Строение"_s, D::Plain, Left},
        {u"FlatNum"_s, u"Квартира"_s, D::Plain, Left},
        {u"SummaFull"_s, u"Сумма начисленной платы (общая)"_s, D::Fixed2, Right},
        {u"SummaWOBenefit"_s, u"Сумма за вычетом льготы (общая)"_s, D::Fixed2, Right},
        {u"SummaFullReg"_s, u"Сумма начисленной платы (на постоянно зарегистрированных)"_s,
         D::Fixed2, Right},
        {u"SummaWOBenefitReg"_s, u"Сумма за вычетом льготы (на постоянно зарегистрированных)"_s,
         D::Fixed2, Right},
        {u"TypeOwnName"_s, u"Форма собственности"_s, D::Plain, Left},
        {u"TypeOccupancyName"_s, u"Тип заселения"_s, D::Plain, Left},
        {u"PplCntReg"_s, u"Количество человек"_s, D::Plain, Right},
        {u"SquareTotal"_s, u"Общая площадь"_s, D::Fixed2, Right},
        {u"SquareLive"_s, u"Жилая площадь"_s, D::Fixed2, Right},
        {u"TypeLockName"_s, u"Тип запирающего устройства"_s, D::Plain, Left},
        {u"TypeStoveName"_s, u"Тип плиты"_s, D::Plain, Left},
        {u"ColMesDebts"_s, u"Задолженность (количество месяцев)"_s, D::Fixed1, Right},
        {u"HouseID_BTI"_s, u"Код дома БТИ"_s, D::Plain, Right},
        {u"FlatID_BTI"_s, u"Код квартиры БТИ"_s, D::Plain, Right},
        {u"DezVladID"_s, u"Код организации - владельца жилого фонда"_s, D::Plain, Right},
    };
    return columns;
}

const QList<ListColumn>& chargeColumns()
{
    static const QList<ListColumn> columns = {
        {u"NumT2"_s, u"№"_s, D::Plain, Right},
        {u"ServiceID"_s, u"Код услуги"_s, D::Plain, Right},
        {u"ServiceName"_s, u"Наименование услуги"_s, D::Plain, Left},
        {u"Volume"_s, u"Объем предоставленной услуги"_s, D::Fixed3, Right},
        {u"Tariff"_s, u"Ставка/Тариф"_s, D::Fixed2, Right},
        {u"SummaService"_s, u"Общая сумма платы"_s, D::Fixed2, Right},
        {u"SummaServiceWOBenefit"_s, u"Сумма платы за вычетом льготы"_s, D::Fixed2, Right},
        // The first letter of this title is the Latin C, as the operators know it.
        {u"SummaServiceReg"_s, u"Cумма платы на постоянно зарегистрированных"_s, D::Fixed2, Right},
        {u"SummaServiceWOBenefitReg"_s,
         u"Сумма платы за вычетом льготы на постоянно зарегистрированных"_s, D::Fixed2, Right},
        {u"TypeNachName"_s, u"Признак вида начислений"_s, D::Plain, Left},
        {u"PostID"_s, u"Код поставщика услуги"_s, D::Plain, Right},
        {u"PostName"_s, u"Наименование поставщика услуги"_s, D::Plain, Left},
    };
    return columns;
}

const QList<ListColumn>& personColumns()
{
    static const QList<ListColumn> columns = {
        {u"NumT3"_s, u"№"_s, D::Plain, Right},
        {u"NumberPeople"_s, u"Номер жильца по порядку"_s, D::Plain, Right},
        {u"Name1"_s, u"Фамилия"_s, D::Plain, Left},
        {u"Name2"_s, u"Имя"_s, D::Plain, Left},
        {u"Name3"_s, u"Отчество"_s, D::Plain, Left},
        {u"SNILS"_s, u"СНИЛС"_s, D::Plain, Left},
        {u"BirthDate"_s, u"Дата рождения"_s, D::Date, Left},
        {u"Sex"_s, u"Пол"_s, D::Plain, Left},
        {u"Relation"_s, u"Родственные отношения"_s, D::Plain, Left},
        {u"RelationOwnName"_s, u"Отношение к собственности"_s, D::Plain, Left},
        {u"SquareShare"_s, u"Доля площади"_s, D::Fixed2, Right},
        {u"TypeRegName"_s, u"Вид регистрации"_s, D::Plain, Left},
        {u"DateRegStart"_s, u"Дата регистрации"_s, D::Date, Left},
        {u"DateRegEnd"_s, u"Дата окончания регистрации"_s, D::Date, Left},
        {u"PrFactLiveName"_s, u"Признак фактического проживания"_s, D::Plain, Left},
    };
    return columns;
}

const QStringList& payerKey()
{
    static const QStringList key{u"T1_ID"_s};
    return key;
}

const QStringList& chargeKey()
{
    static const QStringList key{u"T1_ID"_s, u"T2_ID"_s};
    return key;
}

const QStringList& personKey()
{
    static const QStringList key{u"T1_ID"_s, u"T3_ID"_s};
    return key;
}

} // namespace StatementLists
