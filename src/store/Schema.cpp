#include "Schema.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace Schema {

const QStringList& requiredTables()
{
    static const QStringList tables = {
        u"SvedPotreb_T1"_s,     u"SvedNach_T2"_s,         u"SvedPotrebRelations_T3"_s,
        u"TMP_T1"_s,            u"TMP_T2"_s,              u"TMP_T3"_s,
        u"TMP_T1Count"_s,       u"Sprav_Dez"_s,           u"Sprav_Post"_s,
        u"Sprav_Services"_s,    u"Sprav_Dimension"_s,     u"Sprav_TypeNach"_s,
        u"TariffBank"_s,        u"Sprav_Streets"_s,       u"Sprav_HousesBTI"_s,
        u"Sprav_MO"_s,          u"Sprav_TypeOwn"_s,       u"Sprav_TypeOccupancy"_s,
        u"Sprav_TypeLock"_s,    u"Sprav_TypeStove"_s,     u"Sprav_Relation"_s,
        u"Sprav_RelationOwn"_s, u"Sprav_TypeReg"_s,       u"Sprav_PrFactLive"_s,
        u"Sprav_Sex"_s,
    };
    return tables;
}

const QStringList& workingTables()
{
    static const QStringList tables = {u"SvedPotrebRelations_T3"_s, u"SvedNach_T2"_s,
                                       u"SvedPotreb_T1"_s};
    return tables;
}

int decimalScale(QStringView column)
{
    static const QHash<QString, int> scales = {
        {u"squaretotal"_s, 2},
        {u"squarelive"_s, 2},
        {u"squareshare"_s, 2},
        {u"summafull"_s, 2},
        {u"summawobenefit"_s, 2},
        {u"summafullreg"_s, 2},
        {u"summawobenefitreg"_s, 2},
        {u"summaservice"_s, 2},
        {u"summaservicewobenefit"_s, 2},
        {u"summaservicereg"_s, 2},
        {u"summaservicewobenefitreg"_s, 2},
        {u"tariff"_s, 2},
        {u"summat"_s, 2},
        {u"volume"_s, 3},
        {u"colmesdebts"_s, 1},
    };
    return scales.value(column.toString().toLower(), 0);
}

} // namespace Schema
