#include "OrganisationBook.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Query.h"

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace RefBooks {

namespace {

Query& bindNames(Query& query, const OrganisationFields& fields, const QString& prefix)
{
    query.bind(u":"_s + prefix + u"DezName"_s, CommonFnc::TextToTextParam(fields.name));
    query.bind(u":"_s + prefix + u"BName1"_s, CommonFnc::TextToTextParam(fields.accountantSurname));
    query.bind(u":"_s + prefix + u"BName2"_s,
               CommonFnc::TextToTextParam(fields.accountantFirstName));
    query.bind(u":"_s + prefix + u"BName3"_s,
               CommonFnc::TextToTextParam(fields.accountantPatronymic));
    return query;
}

/// The code as the statements take it; nothing for a text that is no code.
std::optional<QVariant> codeParam(const QString& text)
{
    try {
        return CommonFnc::TextToIntParam(text);
    } catch (const CommonFnc::ConversionError&) {
        return std::nullopt;
    }
}

} // namespace

QString organisationListSql()
{
    return uR"(SELECT sd.DezID, sd.DezName,
       sd.BName1, sd.BName2, sd.BName3,
       (IIF(BName1 IS NULL, '', RTRIM(BName1)) || ' ' ||
        substr(IIF(BName2 IS NULL, '', RTRIM(BName2)), 1, 1) || IIF(BName2 IS NULL, '', '. ') ||
        substr(IIF(BName3 IS NULL, '', RTRIM(BName3)), 1, 1) || IIF(BName3 IS NULL, '', '.')) AS BName
  FROM Sprav_Dez sd)"_s;
}

QString checkOrganisation(const OrganisationFields& fields)
{
    if (fields.code.trimmed().isEmpty() || fields.name.trimmed().isEmpty())
        return u"Не заполнено одно из полей."_s;
    if (fields.code.size() > 5)
        return u"Длина поля \"Код организации\" больше 5 знаков."_s;
    return {};
}

BookWrite insertOrganisation(Database& db, const OrganisationFields& fields)
{
    const QString refused =
        u"Ошибка записи данных.\r\nВозможно организация с такими реквизитами уже есть в справочнике."_s;
    const std::optional<QVariant> code = codeParam(fields.code);
    if (!code)
        return {false, refused};
    Query query(db, uR"(INSERT INTO Sprav_Dez (DezID, DezName, BName1, BName2, BName3)
      VALUES (:DezID, :DezName, :BName1, :BName2, :BName3))"_s);
    query.bind(u":DezID"_s, *code);
    bindNames(query, fields, {});
    if (!query.exec())
        return {false, refused};
    return {true, {}};
}

BookWrite updateOrganisation(Database& db, int oldCode, const OrganisationFields& fields)
{
    const QString refused = u"Ошибка обновления данных."_s;
    const std::optional<QVariant> code = codeParam(fields.code);
    if (!code)
        return {false, refused};
    Query query(db, uR"(UPDATE Sprav_Dez  SET
                DezID = :NEWDezID,
                DezName = :NEWDezName,
                BName1 = :NEWBName1,
                BName2 = :NEWBName2,
                BName3 = :NEWBName3
WHERE DezID = :DezID)"_s);
    query.bind(u":DezID"_s, oldCode);
    query.bind(u":NEWDezID"_s, *code);
    bindNames(query, fields, u"NEW"_s);
    if (!query.exec())
        return {false, refused};
    return {true, {}};
}

BookWrite deleteOrganisation(Database& db, int code)
{
    Query query(db, u"DELETE\n  FROM Sprav_Dez \nWHERE DezID = :DezID"_s);
    query.bind(u":DezID"_s, code);
    if (!query.exec())
        return {false, u"Ошибка удаления записи."_s};
    return {true, {}};
}

int payersUsingOrganisation(Database& db, int code)
{
    Query query(db,
                u"SELECT COUNT(*) FROM SvedPotreb_T1 WHERE DezID = :DezID OR DezVladID = :DezID"_s);
    query.bind(u":DezID"_s, code);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
}

QString organisationInUseQuestion(int code, int payers, bool deleting)
{
    const QString what = deleting ? u"Удаление организации"_s : u"Изменение кода организации"_s;
    return u"Код организации %1 указан в записях о плательщиках текущих сведений: %2.\r\n"_s
               .arg(code)
               .arg(payers) +
           what + u" не изменит эти записи, в них останется код %1.\r\nПродолжить?"_s.arg(code);
}

} // namespace RefBooks
