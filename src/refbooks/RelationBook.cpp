#include "RelationBook.h"

#include "Query.h"

using namespace Qt::Literals::StringLiterals;

namespace RefBooks {

namespace {

const QString WriteFailed = u"Ошибка записи данных."_s;

RelationBook::Result refused(const QString& message)
{
    return {RelationBook::Result::Outcome::Refused, message, {}};
}

RelationBook::Result failed(const QString& message, const QString& detail)
{
    return {RelationBook::Result::Outcome::Failed, message, detail};
}

} // namespace

RelationBook::RelationBook(Database& db)
    : m_db(db)
{}

QString RelationBook::listSql()
{
    return u"SELECT sr.RelationID, sr.RelationName\n  FROM Sprav_Relation sr\n"
           "ORDER BY sr.RelationName"_s;
}

QString RelationBook::deleteQuestion(const QString& name)
{
    return u"Вы действительно хотите удалить запись:\r\n\""_s + name + u"\"\r\nиз справочника?"_s;
}

RelationBook::Result RelationBook::check(const QString& trimmed)
{
    if (trimmed.isEmpty())
        return refused(u"Нельзя внести в справочник пустую запись."_s);
    if (trimmed.size() > MaxNameLength)
        return refused(u"Нельзя внести в справочник запись более 30 знаков."_s);

    Query present(m_db, u"SELECT RelationID\n  FROM Sprav_Relation\n"
                        "WHERE RelationName = :RelationName"_s);
    present.bind(u":RelationName"_s, trimmed);
    if (!present.exec())
        return failed(WriteFailed, present.errorText());
    if (present.next())
        return refused(u"Такая запись уже есть в справочнике."_s);
    return {};
}

RelationBook::Result RelationBook::save(int relationId, const QString& name)
{
    const QString trimmed = name.trimmed();
    if (Result checked = check(trimmed); !checked.done())
        return checked;

    const bool adding = relationId == 0;
    Query write(m_db, adding ? u"INSERT INTO Sprav_Relation (RelationName)\n"
                               "  VALUES (:RelationName) "_s
                             : u"UPDATE Sprav_Relation SET RelationName = :RelationName\n"
                               "   WHERE  RelationID = :RelationID "_s);
    write.bind(u":RelationName"_s, trimmed);
    if (!adding)
        write.bind(u":RelationID"_s, relationId);
    if (!write.exec())
        return failed(WriteFailed, write.errorText());
    if (write.rowsAffected() < 1)
        return failed(WriteFailed, u"в справочнике нет записи с кодом %1"_s.arg(relationId));
    return {};
}

RelationBook::Result RelationBook::remove(int relationId)
{
    Query remove(m_db, u"DELETE\n  FROM Sprav_Relation\nWHERE RelationID = :RelationID"_s);
    remove.bind(u":RelationID"_s, relationId);
    if (!remove.exec())
        return failed(u"Ошибка удаления записи."_s, remove.errorText());
    return {};
}

} // namespace RefBooks
