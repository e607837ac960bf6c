#include "PayerRecord.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Decimal.h"
#include "Query.h"
#include "Schema.h"
#include "WorkingStatement.h"

using namespace Qt::Literals::StringLiterals;

namespace PayerRecord {

namespace {

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

bool hasNoKey(const QVariant& key)
{
    return key.isNull() || key.toString().trimmed().isEmpty();
}

/// The payer code as a number for comparisons; 0 when the box holds no number.
qlonglong codeNumber(const QString& text)
{
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    return ok ? number : 0;
}

/// A number box as the exact decimal of its column; null for an empty box.
Decimal decimalParam(const QString& text, const QString& column)
{
    // Reading it as a float first gives the operator the usual message for a non-number.
    CommonFnc::TextToFloatParam(text);
    const std::optional<Decimal> value = Decimal::parse(text, Schema::decimalScale(column));
    if (!value)
        throw CommonFnc::ConversionError(u"Неверное число: «%1»"_s.arg(text.trimmed()));
    return *value;
}

/// A text bound as text even when empty: a null QString would bind NULL, and the old
/// values are compared as the texts the record was opened with.
QVariant plainText(const QString& text)
{
    return text.isNull() ? QVariant(u""_s) : QVariant(text);
}

QString withoutBlanks(QString text)
{
    return text.remove(u' ');
}

/// Binds every column the editor writes (the same set for insert and update).
void bindColumns(Query& query, const PayerFields& f)
{
    const QVariant code = CommonFnc::TextToInt64Param(f.eNumlsId);
    query.bind(u":DezVladID"_s, f.dezVladId)
        .bind(u":Name1"_s, CommonFnc::TextToTextParam(f.name1))
        .bind(u":Name2"_s, CommonFnc::TextToTextParam(f.name2))
        .bind(u":Name3"_s, CommonFnc::TextToTextParam(f.name3))
        .bind(u":ENumlsID"_s, code.isNull() ? QVariant(qlonglong(0)) : code)
        .bind(u":Numls"_s, CommonFnc::TextToTextParam(f.numls))
        .bind(u":MO"_s, f.mo)
        .bind(u":StreetID_BTI"_s, f.streetIdBti)
        .bind(u":HouseNum"_s, CommonFnc::TextToTextParam(f.houseNum))
        .bind(u":KorpNum"_s, CommonFnc::TextToTextParam(f.korpNum))
        .bind(u":StroenNum"_s, CommonFnc::TextToTextParam(f.stroenNum))
        .bind(u":FlatNum"_s, CommonFnc::TextToTextParam(f.flatNum))
        .bind(u":HouseID_BTI"_s, CommonFnc::TextToIntParam(withoutBlanks(f.houseIdBti)))
        .bind(u":FlatID_BTI"_s, CommonFnc::TextToIntParam(withoutBlanks(f.flatIdBti)))
        .bind(u":TypeOwnID"_s, f.typeOwnId)
        .bind(u":TypeOccupancyID"_s, f.typeOccupancyId)
        .bind(u":SquareTotal"_s, decimalParam(f.squareTotal, u"SquareTotal"_s))
        .bind(u":SquareLive"_s, decimalParam(f.squareLive, u"SquareLive"_s))
        .bind(u":TypeLockID"_s, f.typeLockId)
        .bind(u":TypeStoveID"_s, f.typeStoveId)
        .bind(u":ColMesDebts"_s, decimalParam(f.colMesDebts, u"ColMesDebts"_s))
        .bind(u":Mes"_s, f.mes)
        .bind(u":PplCntReg"_s, f.pplCntReg);
}

} // namespace

QStringList checkFields(const PayerFields& f)
{
    QStringList failed;
    if (isBlank(f.name1) && isBlank(f.name2))
        failed << u"Не заполнены поля \"Фамилия\" или \"Имя\"."_s;
    if (isBlank(f.eNumlsId) && isBlank(f.numls))
        failed << u"Должно быть заполнено или поле \"Код плательщика\" или \"Лицевой счет\"."_s;
    if (hasNoKey(f.dezVladId))
        failed << u"Должно быть заполнено поле \"Организация - владелец жилого фонда\"."_s;
    if (hasNoKey(f.mo))
        failed << u"Должно быть заполнено поле \"Район\"."_s;
    if (hasNoKey(f.streetIdBti))
        failed << u"Должно быть заполнено поле \"Улица\"."_s;
    if (isBlank(f.houseNum) && isBlank(f.korpNum) && isBlank(f.stroenNum))
        failed << u"Должно быть заполнено хотя бы одно из полей \"Дом\", \"Корпус\", \"Строение\"."_s;
    if (isBlank(f.flatNum))
        failed << u"Должно быть заполнено поле \"Квартира\"."_s;
    if (isBlank(f.squareTotal) || isBlank(f.squareLive))
        failed << u"Должны быть заполнены данные по площади."_s;
    if (f.typeLockId.isNull())
        failed << u"Должно быть заполнено поле \"Тип запирающего устройства\"."_s;
    if (f.typeStoveId.isNull())
        failed << u"Должно быть заполнено поле \"Тип плиты\"."_s;
    // No code given at all ("0", "00000") is not a wrong code.
    if (!CommonFnc::IsPayerCodeValid(f.eNumlsId) && codeNumber(f.eNumlsId) != 0)
        failed << u"Ошибка в коде плательщика. Контрольный разряд ошибочен."_s;
    try {
        if (CommonFnc::TextToFloatOrZero(f.squareLive) > CommonFnc::TextToFloatOrZero(f.squareTotal))
            failed << u"Общая площадь не может быть меньше жилой площади."_s;
    } catch (const CommonFnc::ConversionError& e) {
        failed << e.message();
    }
    const struct
    {
        const QString& text;
        int limit;
        QString message;
    } lengths[] = {
        {f.eNumlsId, 10, u"Длина поля \"Код плательщика\" больше 10 знаков."_s},
        {f.numls, 20, u"Длина поля \"Номер лицевого счета\" больше 20 знаков."_s},
        {f.name1, 35, u"Длина поля \"Фамилия\" больше 35 знаков."_s},
        {f.name2, 20, u"Длина поля \"Имя\" больше 20 знаков."_s},
        {f.name3, 20, u"Длина поля \"Отчество\" больше 20 знаков."_s},
        {f.houseNum, 8, u"Длина поля \"Дом\" больше 8 знаков."_s},
        {f.korpNum, 6, u"Длина поля \"Корпус\" больше 6 знаков."_s},
        {f.stroenNum, 5, u"Длина поля \"Строение\" больше 5 знаков."_s},
        {f.flatNum, 10, u"Длина поля \"Квартира\" больше 10 знаков."_s},
    };
    for (const auto& field : lengths) {
        if (field.text.size() > field.limit)
            failed << field.message;
    }
    if (!CommonFnc::FitsNumberFormat(f.squareTotal, 7, 2))
        failed << u"Поле \"Общая площадь\" не соответствует формату (7.2)."_s;
    if (!CommonFnc::FitsNumberFormat(f.squareLive, 7, 2))
        failed << u"Поле \"Жилая площадь\" не соответствует формату (7.2)."_s;
    if (!CommonFnc::FitsNumberFormat(f.colMesDebts, 2, 1))
        failed << u"Поле \"Количество месяцев задолженности\" не соответствует формату (2.1)."_s;
    return failed;
}

bool isDuplicate(Database& db, const PayerFields& fields, EditorMode mode, int t1Id)
{
    Query query(db, u"SELECT sp.EnumlsID, sp.Numls\nFROM SvedPotreb_T1 sp\n"
                    "WHERE sp.EnumlsID = :ENumlsID\nAND sp.Numls = :Numls\n"
                    "AND sp.T1_ID <> :T1_ID"_s);
    // A new record is not in the table yet: no key excludes anything.
    query.bind(u":ENumlsID"_s, codeNumber(fields.eNumlsId))
        .bind(u":Numls"_s, CommonFnc::TextToTextParam(fields.numls))
        .bind(u":T1_ID"_s, mode == EditorMode::Edit ? t1Id : 0);
    return query.exec() && query.next();
}

int insert(Database& db, const PayerFields& fields)
{
    const int t1Id = WorkingStatement::nextNumber(db, u"SvedPotreb_T1"_s, u"T1_ID"_s);
    const int numT1 = WorkingStatement::nextNumber(db, u"SvedPotreb_T1"_s, u"NumT1"_s);
    Query query(db, u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, DezVladID, Name1, Name2, Name3, "
                    "ENumlsID, Numls, MO, StreetID_BTI, HouseNum, KorpNum, StroenNum, FlatNum, "
                    "HouseID_BTI, FlatID_BTI, TypeOwnID, TypeOccupancyID, SquareTotal, SquareLive, "
                    "TypeLockID, TypeStoveID, ColMesDebts, Mes, PplCntReg)\n"
                    "VALUES (:T1_ID, :NumT1, :DezVladID, :Name1, :Name2, :Name3, "
                    ":ENumlsID, :Numls, :MO, :StreetID_BTI, :HouseNum, :KorpNum, :StroenNum, :FlatNum, "
                    ":HouseID_BTI, :FlatID_BTI, :TypeOwnID, :TypeOccupancyID, :SquareTotal, :SquareLive, "
                    ":TypeLockID, :TypeStoveID, :ColMesDebts, :Mes, :PplCntReg)"_s);
    query.bind(u":T1_ID"_s, t1Id).bind(u":NumT1"_s, numT1);
    bindColumns(query, fields);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return 0;
    }
    return t1Id;
}

bool update(Database& db, int t1Id, const PayerFields& fields)
{
    Query query(db, u"UPDATE SvedPotreb_T1 SET DezVladID = :DezVladID, Name1 = :Name1, "
                    "Name2 = :Name2, Name3 = :Name3, ENumlsID = :ENumlsID, Numls = :Numls, MO = :MO, "
                    "StreetID_BTI = :StreetID_BTI, HouseNum = :HouseNum, KorpNum = :KorpNum, "
                    "StroenNum = :StroenNum, FlatNum = :FlatNum, HouseID_BTI = :HouseID_BTI, "
                    "FlatID_BTI = :FlatID_BTI, TypeOwnID = :TypeOwnID, "
                    "TypeOccupancyID = :TypeOccupancyID, SquareTotal = :SquareTotal, "
                    "SquareLive = :SquareLive, TypeLockID = :TypeLockID, TypeStoveID = :TypeStoveID, "
                    "ColMesDebts = :ColMesDebts, Mes = :Mes, PplCntReg = :PplCntReg\n"
                    "WHERE T1_ID = :T1_ID"_s);
    query.bind(u":T1_ID"_s, t1Id);
    bindColumns(query, fields);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return false;
    }
    return true;
}

bool renamePersons(Database& db, int t1Id, const PayerNames& oldNames, const PayerNames& newNames)
{
    Query query(db, u"UPDATE SvedPotrebRelations_T3 SET Name1 = :Name1, Name2 = :Name2, Name3 = :Name3\n"
                    "WHERE T1_ID = :T1_ID\nAND Name1 = :Old_Name1\nAND Name2 = :Old_Name2\n"
                    "AND Name3 = :Old_Name3"_s);
    query.bind(u":Name1"_s, CommonFnc::TextToTextParam(newNames.name1))
        .bind(u":Name2"_s, CommonFnc::TextToTextParam(newNames.name2))
        .bind(u":Name3"_s, CommonFnc::TextToTextParam(newNames.name3))
        .bind(u":T1_ID"_s, t1Id)
        .bind(u":Old_Name1"_s, plainText(oldNames.name1))
        .bind(u":Old_Name2"_s, plainText(oldNames.name2))
        .bind(u":Old_Name3"_s, plainText(oldNames.name3));
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return false;
    }
    return true;
}

} // namespace PayerRecord
