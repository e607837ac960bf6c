#include "HouseBook.h"

#include "Database.h"
#include "Query.h"

#include <QRegularExpression>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace RefBooks {

namespace {

QString writeRefused()
{
    return u"Ошибка записи данных.\r\nВожможно вводимый адрес или код БТИ уже существуют."_s;
}

/// The code box read as a number: whether it is a whole number ("-" or "+", digits), and
/// its value when it is one that fits in 64 bits.
struct CodeText
{
    bool whole = false;
    std::optional<qlonglong> value;
};

CodeText readCode(const QString& text)
{
    static const QRegularExpression wholeNumber(u"^[+-]?[0-9]+$"_s);
    const QString trimmed = text.trimmed();
    CodeText code;
    code.whole = wholeNumber.match(trimmed).hasMatch();
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (code.whole && ok)
        code.value = value;
    return code;
}

/// A house, block or structure number as stored: trimmed, and '' when blank. A null text
/// (a box never filled) would be bound as NULL, so it is made an empty one.
QString storedNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? u""_s : trimmed;
}

/// Runs an INSERT or UPDATE of a house: every parameter but :ID is bound here.
BookWrite writeHouse(Query& query, const HouseStreet& street, const HouseFields& fields)
{
    // A code too long to be a number is no code the database could hold either.
    const std::optional<qlonglong> code = readCode(fields.houseIdBti).value;
    if (!code)
        return {false, writeRefused()};
    // A blank number is kept as '', never NULL, as in every house of the book, so that an
    // address compares as the same three texts wherever it is matched.
    query.bind(u":StreetID"_s, street.streetId);
    query.bind(u":StreetID_BTI"_s, street.streetIdBti);
    query.bind(u":HouseNum"_s, storedNumber(fields.houseNum));
    query.bind(u":KorpNum"_s, storedNumber(fields.korpNum));
    query.bind(u":StroenNum"_s, storedNumber(fields.stroenNum));
    query.bind(u":HouseID_BTI"_s, *code);
    if (!query.exec())
        return {false, writeRefused()};
    return {true, {}};
}

} // namespace

QString houseStreetsSql()
{
    return uR"(SELECT DISTINCT ss.StreetID, ss.StreetID_BTI, ss.StreetName
   FROM Sprav_Streets ss
  WHERE   IIF(ss.StreetID_BTI IS NULL, 0, ss.StreetID_BTI) <> 0
        AND ss.Opt = 1 
ORDER BY ss.StreetName)"_s;
}

QString housesSql()
{
    return uR"(SELECT sh.ID, sh.StreetID_BTI, sh.StreetID,
               sh.HouseNum, sh.KorpNum, sh.StroenNum, sh.HouseID_BTI  
   FROM Sprav_HousesBTI sh
WHERE sh.StreetID_BTI = :STREETID_BTI)"_s;
}

QStringList checkHouse(const HouseFields& fields)
{
    QStringList refused;
    if (fields.houseNum.trimmed().isEmpty() && fields.korpNum.trimmed().isEmpty() &&
        fields.stroenNum.trimmed().isEmpty())
        refused << u"Должно быть заполнено хотя бы одно поле адреса."_s;
    if (fields.houseIdBti.trimmed().isEmpty()) {
        refused << u"Должно быть заполнено поле \"Код БТИ\"."_s;
    } else {
        // A code that is not a whole number names no house, as 0 does not. One too long to
        // hold passes here and is refused by the write.
        const CodeText code = readCode(fields.houseIdBti);
        if (!code.whole || (code.value && *code.value == 0))
            refused << u"Код БТИ не может быть нулевым."_s;
    }
    return refused;
}

BookWrite insertHouse(Database& db, const HouseStreet& street, const HouseFields& fields)
{
    Query query(db, uR"(INSERT INTO Sprav_HousesBTI
      (StreetID, StreetID_BTI, HouseNum, KorpNum, StroenNum, HouseID_BTI)
VALUES
      (:StreetID, :StreetID_BTI, :HouseNum, :KorpNum, :StroenNum, :HouseID_BTI))"_s);
    return writeHouse(query, street, fields);
}

BookWrite updateHouse(Database& db, int id, const HouseStreet& street, const HouseFields& fields)
{
    Query query(db, uR"(UPDATE Sprav_HousesBTI
       SET StreetID = :StreetID, 
              StreetID_BTI = :StreetID_BTI, 
              HouseNum = :HouseNum, 
              KorpNum = :KorpNum, 
              StroenNum = :StroenNum,
              HouseID_BTI = :HouseID_BTI
WHERE ID = :ID)"_s);
    query.bind(u":ID"_s, id);
    return writeHouse(query, street, fields);
}

BookWrite deleteHouse(Database& db, int id)
{
    Query query(db, u"DELETE FROM Sprav_HousesBTI\nWHERE ID = :ID"_s);
    query.bind(u":ID"_s, id);
    if (!query.exec())
        return {false, u"Ошибка удаления записи."_s};
    return {true, {}};
}

} // namespace RefBooks
