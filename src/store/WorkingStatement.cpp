#include "WorkingStatement.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"

using namespace Qt::Literals::StringLiterals;

namespace WorkingStatement {

namespace {

bool run(Database& db, const QString& sql, const QList<QPair<QString, QVariant>>& params)
{
    Query query(db, sql);
    for (const auto& p : params)
        query.bind(p.first, p.second);
    if (!query.exec()) {
        db.setErrorString(sql.section(u'\n', 0, 1).simplified() + u": "_s + query.errorText());
        return false;
    }
    return true;
}

} // namespace

bool clearWorkingTables(Database& db)
{
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    for (const QString& table : Schema::workingTables()) {
        // Table names come from a fixed list, never from input.
        Query del(db, u"DELETE FROM "_s + table);
        if (!del.exec()) {
            db.setErrorString(table + u": "_s + del.errorText());
            return false;
        }
    }
    return tx.commit();
}

bool deletePayer(Database& db, int t1Id)
{
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    const QList<QPair<QString, QVariant>> key{{u":T1_ID"_s, t1Id}};
    if (!run(db, u"DELETE\nFROM SvedPotreb_T1\nWHERE T1_ID = :T1_ID"_s, key) ||
        !run(db, u"DELETE\nFROM SvedNach_T2\nWHERE T1_ID = :T1_ID"_s, key) ||
        !run(db, u"DELETE\nFROM SvedPotrebRelations_T3\nWHERE T1_ID = :T1_ID"_s, key))
        return false;
    return tx.commit();
}

bool deleteCharge(Database& db, int t1Id, int t2Id)
{
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    if (!run(db, u"DELETE\nFROM SvedNach_T2\nWHERE T1_ID = :T1_ID\nAND T2_ID = :T2_ID"_s,
             {{u":T1_ID"_s, t1Id}, {u":T2_ID"_s, t2Id}}))
        return false;
    return tx.commit();
}

bool resumPayerTotals(Database& db, int t1Id)
{
    // One statement: the sums are read and written together, so a failure leaves the
    // totals as they were.
    return run(db, uR"(UPDATE SvedPotreb_T1
SET SummaFull = (SELECT COALESCE(SUM(t2.SummaService), 0) FROM SvedNach_T2 t2 WHERE t2.T1_ID = :T1_ID),
    SummaWOBenefit = (SELECT COALESCE(SUM(t2.SummaServiceWOBenefit), 0) FROM SvedNach_T2 t2 WHERE t2.T1_ID = :T1_ID),
    SummaFullReg = (SELECT COALESCE(SUM(t2.SummaServiceReg), 0) FROM SvedNach_T2 t2 WHERE t2.T1_ID = :T1_ID),
    SummaWOBenefitReg = (SELECT COALESCE(SUM(t2.SummaServiceWOBenefitReg), 0) FROM SvedNach_T2 t2 WHERE t2.T1_ID = :T1_ID)
WHERE T1_ID = :T1_ID)"_s,
               {{u":T1_ID"_s, t1Id}});
}

bool deletePerson(Database& db, int t1Id, int t3Id, bool* recountFailed)
{
    if (recountFailed)
        *recountFailed = false;
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    if (!run(db, u"DELETE\nFROM SvedPotrebRelations_T3\nWHERE T1_ID = :T1_ID\nAND T3_ID = :T3_ID"_s,
             {{u":T1_ID"_s, t1Id}, {u":T3_ID"_s, t3Id}}))
        return false;
    if (!RecountPersons(db, t1Id)) {
        if (recountFailed)
            *recountFailed = true;
        return false;
    }
    return tx.commit();
}

bool RecountPersons(Database& db, int t1Id)
{
    Query count(db, uR"(SELECT IIF(COUNT(t3.T3_ID) = 0, 1, COUNT(t3.T3_ID)) AS PCR
FROM SvedPotrebRelations_T3 t3
WHERE t3.T1_ID = :T1_ID)"_s);
    count.bind(u":T1_ID"_s, t1Id);
    if (!count.exec() || !count.next()) {
        db.setErrorString(u"RecountPersons: "_s + count.errorText());
        return false;
    }
    const QVariant pcr = count.value(0);
    count.finish();
    return run(db, u"UPDATE SvedPotreb_T1 SET PplCntReg = :PCR\nWHERE T1_ID = :T1_ID"_s,
               {{u":PCR"_s, pcr}, {u":T1_ID"_s, t1Id}});
}

int findRelation(Database& db, const QString& name)
{
    Query query(db, u"SELECT RelationID\nFROM Sprav_Relation\nWHERE RelationName = :RelationName"_s);
    query.bind(u":RelationName"_s, name);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return -1;
    }
    return query.next() ? query.value(0).toInt() : 0;
}

bool addRelation(Database& db, const QString& name)
{
    return run(db, u"INSERT INTO Sprav_Relation (RelationName)\nVALUES (:RelationName)"_s,
               {{u":RelationName"_s, name}});
}

int nextNumber(Database& db, const QString& table, const QString& column,
               const QVariant& scopeT1Id)
{
    // Table and column come from the program's own constants, never from input.
    QString sql = u"SELECT COALESCE(MAX("_s + column + u"), 0) + 1 FROM "_s + table;
    if (scopeT1Id.isValid())
        sql += u" WHERE T1_ID = :T1_ID"_s;
    Query query(db, sql);
    if (scopeT1Id.isValid())
        query.bind(u":T1_ID"_s, scopeT1Id);
    if (!query.exec() || !query.next()) {
        db.setErrorString(query.errorText());
        return 1;
    }
    return query.value(0).toInt();
}

std::optional<RecordPlace> findRecord(Database& db, int file, qint64 number)
{
    // A detail row only counts with its payer: the lists show it under that payer.
    static const QString sql[] = {
        u"SELECT T1_ID, 0\nFROM SvedPotreb_T1\nWHERE NumT1 = :Num\nORDER BY T1_ID\nLIMIT 1"_s,
        u"SELECT t2.T1_ID, t2.T2_ID\nFROM SvedNach_T2 t2\n"
        "JOIN SvedPotreb_T1 t1 ON t1.T1_ID = t2.T1_ID\n"
        "WHERE t2.NumT2 = :Num\nORDER BY t2.T1_ID, t2.T2_ID\nLIMIT 1"_s,
        u"SELECT t3.T1_ID, t3.T3_ID\nFROM SvedPotrebRelations_T3 t3\n"
        "JOIN SvedPotreb_T1 t1 ON t1.T1_ID = t3.T1_ID\n"
        "WHERE t3.NumT3 = :Num\nORDER BY t3.T1_ID, t3.T3_ID\nLIMIT 1"_s,
    };
    if (file < 1 || file > 3 || number <= 0)
        return std::nullopt;
    Query query(db, sql[file - 1]);
    query.bind(u":Num"_s, number);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return RecordPlace{query.value(0).toInt(), query.value(1).toInt()};
}

} // namespace WorkingStatement
