#include "PersonRecord.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Decimal.h"
#include "Query.h"
#include "Schema.h"
#include "WorkingStatement.h"

#include <QtDebug>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace PersonRecord {

namespace {

using CommonFnc::EmptyDate;
using CommonFnc::MaskedTextToDate;

double toDouble(const Decimal& value)
{
    return value.isNull() ? 0.0 : double(value.units()) / std::pow(10.0, value.scale());
}

/// The columns written by both the insert and the update, converted from the fields.
QList<QPair<QString, QVariant>> columnValues(const PersonFields& f)
{
    using namespace CommonFnc;
    const QString snils = f.snils.trimmed();
    const double share = TextToFloatOrZero(f.squareShare);
    const auto shareUnits = Decimal::parse(FormatFloatLocal(u"0.00"_s, share),
                                           Schema::decimalScale(u"SquareShare"_s));
    return {
        {u":Name1"_s, TextToTextParam(f.name1)},
        {u":Name2"_s, TextToTextParam(f.name2)},
        {u":Name3"_s, TextToTextParam(f.name3)},
        {u":SNILS"_s, snils.isEmpty() || snils == QStringView(UnfilledSnils) ? QVariant() : snils},
        {u":BirthDate"_s, MaskedTextToDateParam(f.birthDate)},
        {u":Sex"_s, VariantToTextParam(f.sex)},
        {u":TypeRegID"_s, f.typeRegId},
        {u":DateRegStart"_s, MaskedTextToDateParam(f.dateRegStart)},
        {u":DateRegEnd"_s, MaskedTextToDateParam(f.dateRegEnd)},
        {u":PrFactLiveID"_s, f.prFactLiveId},
        {u":Relation"_s, TextToTextParam(f.relationName)},
        {u":RelationOwnID"_s, f.relationOwnId},
        {u":SquareShare"_s, shareUnits ? shareUnits->toVariant() : QVariant()},
    };
}

bool exec(Database& db, const QString& sql, const QList<QPair<QString, QVariant>>& values)
{
    Query query(db, sql);
    for (const auto& value : values)
        query.bind(value.first, value.second);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return false;
    }
    return true;
}

} // namespace

QStringList check(const PersonFields& f, const Decimal& squareTotal, const QDate& today)
{
    QStringList messages;
    if (f.name1.trimmed().isEmpty() && f.name2.trimmed().isEmpty())
        messages << u"Не заполнены поля \"Фамилия\" или \"Имя\"."_s;
    if (f.relationId.isNull())
        messages << u"Должно быть заполнено поле \"Родственные отношения\"."_s;
    try {
        if (CommonFnc::TextToFloatOrZero(f.squareShare) > toDouble(squareTotal))
            messages << u"Доля площади не может быть больше общей площади."_s;
    } catch (const CommonFnc::ConversionError& e) {
        messages << e.message();
        return messages;
    }

    // Codes 1 and 4 (empty, or a number too small to carry a check number) pass: an
    // unfilled box reads as zeros.
    const int snilsCode = CommonFnc::CheckSnils(CommonFnc::SnilsMaskToDigits(f.snils));
    if (snilsCode != 0 && snilsCode != 1 && snilsCode != 4)
        messages << u"При заполнении поля СНИЛС произошла следующая ошибка:\r\n"_s +
                        CommonFnc::SnilsMessage(snilsCode);

    // An empty date reads as the empty date 01.01.1900 and so passes the lower bounds.
    const QDate earliest = EmptyDate();
    const QDate birth = MaskedTextToDate(f.birthDate);
    if (birth > today || birth < earliest)
        messages << u"Дата рождения меньше допустимой (01.01.1900г.) или больше текущей даты."_s;
    const QDate regStart = MaskedTextToDate(f.dateRegStart);
    if (regStart > today.addMonths(1) || regStart < earliest)
        messages << u"Дата регистрации меньше допустимой (01.01.1900г.) или более чем на "
                    "месяц превышает текущую дату."_s;
    const QDate regEnd = MaskedTextToDate(f.dateRegEnd);
    if ((regEnd != earliest && regStart > regEnd) || regEnd < earliest)
        messages << u"Дата окончания регистрации меньше допустимой (01.01.1900г.) или меньше "
                    "даты регистрации."_s;

    if (f.name1.size() >= 36)
        messages << u"Длина поля \"Фамилия\" больше 35 знаков."_s;
    if (f.name2.size() > 20)
        messages << u"Длина поля \"Имя\" больше 20 знаков."_s;
    if (f.name3.size() > 20)
        messages << u"Длина поля \"Отчество\" больше 20 знаков."_s;
    if (!CommonFnc::FitsNumberFormat(f.squareShare, 7, 2))
        messages << u"Поле \"Доля площади\" не соответствует формату (7.2)."_s;
    return messages;
}

bool hasPersons(Database& db, int t1Id)
{
    Query query(db, u"SELECT 1\nFROM SvedPotrebRelations_T3\nWHERE T1_ID = :T1_ID\nLIMIT 1"_s);
    query.bind(u":T1_ID"_s, t1Id);
    return query.exec() && query.next();
}

SaveResult save(Database& db, EditorMode mode, int t1Id, int t3Id, int numberPeople,
                const PersonFields& fields)
{
    SaveResult result;
    result.t3Id = t3Id;
    // Converted first: a text that cannot be read stops the save before any write.
    QList<QPair<QString, QVariant>> values = columnValues(fields);
    values.append({u":T1_ID"_s, t1Id});

    if (mode == EditorMode::Edit) {
        values.append({{u":T3_ID"_s, t3Id}, {u":NumberPeople"_s, numberPeople}});
        result.written = exec(db, uR"(UPDATE SvedPotrebRelations_T3
SET NumberPeople = :NumberPeople, Name1 = :Name1, Name2 = :Name2, Name3 = :Name3,
    SNILS = :SNILS, BirthDate = :BirthDate, Sex = :Sex, Relation = :Relation,
    RelationOwnID = :RelationOwnID, SquareShare = :SquareShare, TypeRegID = :TypeRegID,
    DateRegStart = :DateRegStart, DateRegEnd = :DateRegEnd, PrFactLiveID = :PrFactLiveID
WHERE T1_ID = :T1_ID
AND T3_ID = :T3_ID)"_s,
                              values);
        if (!result.written) {
            result.error = u"Ошибка редактирования данных"_s;
            qWarning().noquote() << "UpdateT3:" << db.errorString();
            return result;
        }
    } else {
        const QString table = u"SvedPotrebRelations_T3"_s;
        const int newT3Id = WorkingStatement::nextNumber(db, table, u"T3_ID"_s, t1Id);
        values.append({{u":T3_ID"_s, newT3Id},
                       {u":NumT3"_s, WorkingStatement::nextNumber(db, table, u"NumT3"_s)},
                       {u":NumberPeople"_s,
                        WorkingStatement::nextNumber(db, table, u"NumberPeople"_s, t1Id)}});
        result.written = exec(db, uR"(INSERT INTO SvedPotrebRelations_T3
(T1_ID, T3_ID, NumT3, NumberPeople, Name1, Name2, Name3, SNILS, BirthDate, Sex, Relation,
 RelationOwnID, SquareShare, TypeRegID, DateRegStart, DateRegEnd, PrFactLiveID)
VALUES (:T1_ID, :T3_ID, :NumT3, :NumberPeople, :Name1, :Name2, :Name3, :SNILS, :BirthDate,
        :Sex, :Relation, :RelationOwnID, :SquareShare, :TypeRegID, :DateRegStart,
        :DateRegEnd, :PrFactLiveID))"_s,
                              values);
        if (!result.written) {
            result.error = u"Ошибка записи данных"_s;
            qWarning().noquote() << "InsertT3:" << db.errorString();
            return result;
        }
        result.t3Id = newT3Id;
    }

    if (!WorkingStatement::RecountPersons(db, t1Id)) {
        result.error = u"Ошибка редактирования данных о количестве человек."_s;
        qWarning().noquote() << db.errorString();
    }
    return result;
}

} // namespace PersonRecord
