#include "CommonFnc.h"
#include "Decimal.h"
#include "PersonRecord.h"
#include "TestDatabase.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Today(2026, 1, 15);
const Decimal FlatArea = Decimal::fromUnits(5420, 2); // 54,20 m2

const QString Msg1 = u"Не заполнены поля \"Фамилия\" или \"Имя\"."_s;
const QString Msg2 = u"Должно быть заполнено поле \"Родственные отношения\"."_s;
const QString Msg3 = u"Доля площади не может быть больше общей площади."_s;
const QString Msg4 = u"При заполнении поля СНИЛС произошла следующая ошибка:\r\n"_s;
const QString Msg5 =
    u"Дата рождения меньше допустимой (01.01.1900г.) или больше текущей даты."_s;
const QString Msg6 = u"Дата регистрации меньше допустимой (01.01.1900г.) или более чем на "
                     "месяц превышает текущую дату."_s;
const QString Msg7 = u"Дата окончания регистрации меньше допустимой (01.01.1900г.) или меньше "
                     "даты регистрации."_s;
const QString Msg8 = u"Длина поля \"Фамилия\" больше 35 знаков."_s;
const QString Msg9 = u"Длина поля \"Имя\" больше 20 знаков."_s;
const QString Msg10 = u"Длина поля \"Отчество\" больше 20 знаков."_s;
const QString Msg11 = u"Поле \"Доля площади\" не соответствует формату (7.2)."_s;

/// A person every check lets through, as an untouched window would collect it.
PersonFields validPerson()
{
    PersonFields f;
    f.name1 = u"Иванов"_s;
    f.name2 = u"Иван"_s;
    f.snils = u"000-000-000 00"_s;
    f.birthDate = f.dateRegStart = f.dateRegEnd = u"  .  .    "_s;
    f.relationId = 4;
    f.relationName = u"Сын"_s;
    return f;
}

/// validPerson() with the fields named in `changes` replaced ("relation" null clears
/// the relation).
PersonFields withChanges(const QVariantMap& changes)
{
    PersonFields f = validPerson();
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const QString v = it.value().toString();
        if (it.key() == u"name1")
            f.name1 = v;
        else if (it.key() == u"name2")
            f.name2 = v;
        else if (it.key() == u"name3")
            f.name3 = v;
        else if (it.key() == u"snils")
            f.snils = v;
        else if (it.key() == u"birth")
            f.birthDate = v;
        else if (it.key() == u"regStart")
            f.dateRegStart = v;
        else if (it.key() == u"regEnd")
            f.dateRegEnd = v;
        else if (it.key() == u"share")
            f.squareShare = v;
        else if (it.key() == u"relation")
            f.relationId = QVariant();
        else
            qFatal("unknown field %s", qPrintable(it.key()));
    }
    return f;
}

} // namespace

class TestPersonRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void checks_data();
    void checks();
    void missingTotalAreaAllowsNoShare();
    void unreadableShareEndsChecks();
    void newPersonsNumbered();
    void storedValues();
    void updateKeepsNumbersAndKey();
    void unreadableDateWritesNothing();
    void failedWriteSkipsRecount_data();
    void failedWriteSkipsRecount();
    void failedRecountKeepsPerson();

private:
    PersonRecord::SaveResult insert(int t1Id, const PersonFields& f)
    {
        return PersonRecord::save(m_t->db(), EditorMode::New, t1Id, 0, 0, f);
    }
    QVariant value(const QString& sql) { return m_t->scalar(sql); }

    std::unique_ptr<TestDatabase> m_t;
};

void TestPersonRecord::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    // Payer 1 has no persons yet; payer 2 has one whose numbers are not the smallest.
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, Name1, Name2, PplCntReg,
        SquareTotal) VALUES (1, 1, '2026-01-01', 'Петров', 'Пётр', 1, 5420),
                            (2, 2, '2026-01-01', 'Андреева', 'Анна', 1, 3000))"_s));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople,
        Name1, Relation) VALUES (2, 5, 7, 3, 'Андреева', 'Сам'))"_s));
}

void TestPersonRecord::cleanup()
{
    m_t.reset();
}

void TestPersonRecord::checks_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("valid") << QVariantMap{} << QStringList{};
    QTest::newRow("surname only") << QVariantMap{{u"name2"_s, u""_s}} << QStringList{};
    QTest::newRow("first name only") << QVariantMap{{u"name1"_s, u""_s}} << QStringList{};
    QTest::newRow("names blank") << QVariantMap{{u"name1"_s, u"  "_s}, {u"name2"_s, u" "_s}}
                                 << QStringList{Msg1};
    QTest::newRow("no relation") << QVariantMap{{u"relation"_s, {}}} << QStringList{Msg2};

    QTest::newRow("share equal to area") << QVariantMap{{u"share"_s, u"54,20"_s}} << QStringList{};
    QTest::newRow("share above area") << QVariantMap{{u"share"_s, u"54,21"_s}} << QStringList{Msg3};
    QTest::newRow("share with surplus commas")
        << QVariantMap{{u"share"_s, u"1,234"_s}} << QStringList{Msg11};
    QTest::newRow("share of eight digits")
        << QVariantMap{{u"share"_s, u"12345678"_s}} << QStringList{Msg3, Msg11};

    QTest::newRow("snils correct") << QVariantMap{{u"snils"_s, u"112-233-445 95"_s}} << QStringList{};
    QTest::newRow("snils wrong check number")
        << QVariantMap{{u"snils"_s, u"112-233-445 94"_s}}
        << QStringList{Msg4 + u"Ошибочный контрольный разряд."_s};
    QTest::newRow("snils small number not checked")
        << QVariantMap{{u"snils"_s, u"001-001-998 77"_s}} << QStringList{};
    // Unfilled places read as zeros: 112-233-000 needs the check number 70.
    QTest::newRow("snils partly typed")
        << QVariantMap{{u"snils"_s, u"112-233-000 00"_s}}
        << QStringList{Msg4 + u"Ошибочный контрольный разряд."_s};
    QTest::newRow("snils partly typed, its check number")
        << QVariantMap{{u"snils"_s, u"112-233-000 70"_s}} << QStringList{};
    QTest::newRow("snils not 14 characters")
        << QVariantMap{{u"snils"_s, u"112-233-445 9"_s}}
        << QStringList{Msg4 + u"Ошибочный контрольный разряд."_s};

    QTest::newRow("born today") << QVariantMap{{u"birth"_s, u"15.01.2026"_s}} << QStringList{};
    QTest::newRow("born tomorrow") << QVariantMap{{u"birth"_s, u"16.01.2026"_s}} << QStringList{Msg5};
    QTest::newRow("born 1900") << QVariantMap{{u"birth"_s, u"01.01.1900"_s}} << QStringList{};
    QTest::newRow("born 1899") << QVariantMap{{u"birth"_s, u"31.12.1899"_s}} << QStringList{Msg5};

    QTest::newRow("registered 20 days ahead")
        << QVariantMap{{u"regStart"_s, u"04.02.2026"_s}} << QStringList{};
    QTest::newRow("registered a month ahead")
        << QVariantMap{{u"regStart"_s, u"15.02.2026"_s}} << QStringList{};
    QTest::newRow("registered a month and a day ahead")
        << QVariantMap{{u"regStart"_s, u"16.02.2026"_s}} << QStringList{Msg6};
    QTest::newRow("registered 40 days ahead")
        << QVariantMap{{u"regStart"_s, u"24.02.2026"_s}} << QStringList{Msg6};
    QTest::newRow("registered 1899")
        << QVariantMap{{u"regStart"_s, u"31.12.1899"_s}} << QStringList{Msg6};

    QTest::newRow("registration ends the day it starts")
        << QVariantMap{{u"regStart"_s, u"10.03.2020"_s}, {u"regEnd"_s, u"10.03.2020"_s}}
        << QStringList{};
    QTest::newRow("registration ends before it starts")
        << QVariantMap{{u"regStart"_s, u"10.03.2020"_s}, {u"regEnd"_s, u"09.03.2020"_s}}
        << QStringList{Msg7};
    QTest::newRow("registration ends, start unknown")
        << QVariantMap{{u"regEnd"_s, u"09.03.2020"_s}} << QStringList{};
    QTest::newRow("registration ends 1899")
        << QVariantMap{{u"regEnd"_s, u"31.12.1899"_s}} << QStringList{Msg7};

    QTest::newRow("surname of 35") << QVariantMap{{u"name1"_s, QString(35, u'Я')}} << QStringList{};
    QTest::newRow("surname of 36") << QVariantMap{{u"name1"_s, QString(36, u'Я')}} << QStringList{Msg8};
    QTest::newRow("first name of 21") << QVariantMap{{u"name2"_s, QString(21, u'Я')}} << QStringList{Msg9};
    QTest::newRow("patronymic of 20") << QVariantMap{{u"name3"_s, QString(20, u'Я')}} << QStringList{};
    QTest::newRow("patronymic of 21") << QVariantMap{{u"name3"_s, QString(21, u'Я')}} << QStringList{Msg10};

    QTest::newRow("every failure, in order")
        << QVariantMap{{u"name1"_s, u""_s},
                       {u"name2"_s, u""_s},
                       {u"name3"_s, QString(21, u'Я')},
                       {u"relation"_s, {}},
                       {u"share"_s, u"99999999"_s},
                       {u"snils"_s, u"112-233-445 94"_s},
                       {u"birth"_s, u"16.01.2026"_s},
                       {u"regStart"_s, u"24.02.2026"_s},
                       {u"regEnd"_s, u"31.12.1899"_s}}
        << QStringList{Msg1, Msg2, Msg3, Msg4 + u"Ошибочный контрольный разряд."_s,
                       Msg5, Msg6, Msg7, Msg10, Msg11};
}

void TestPersonRecord::checks()
{
    QFETCH(QVariantMap, changes);
    QFETCH(QStringList, expected);
    QCOMPARE(PersonRecord::check(withChanges(changes), FlatArea, Today), expected);
}

void TestPersonRecord::missingTotalAreaAllowsNoShare()
{
    // A payer without a total area has 0 m2 to share out.
    QCOMPARE(PersonRecord::check(withChanges({{u"share"_s, u"0,01"_s}}), Decimal(), Today),
             QStringList{Msg3});
    QCOMPARE(PersonRecord::check(withChanges({{u"share"_s, u"0"_s}}), Decimal(), Today),
             QStringList{});
}

void TestPersonRecord::unreadableShareEndsChecks()
{
    const PersonFields f = withChanges({{u"name1"_s, u""_s}, {u"name2"_s, u""_s},
                                        {u"share"_s, u",,"_s}, {u"birth"_s, u"16.01.2026"_s}});
    const QStringList messages = PersonRecord::check(f, FlatArea, Today);
    // The checks before the share are told, then why the share cannot be read.
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.at(0), Msg1);
    QVERIFY2(messages.at(1).contains(u",,"_s), qPrintable(messages.at(1)));
}

void TestPersonRecord::newPersonsNumbered()
{
    // T3_ID and NumberPeople count within the payer, NumT3 in the whole table.
    const auto first = insert(1, validPerson());
    QVERIFY(first.written);
    QCOMPARE(first.error, QString());
    QCOMPARE(first.t3Id, 1);
    QCOMPARE(value(u"SELECT NumT3 || '/' || NumberPeople FROM SvedPotrebRelations_T3 "
                   "WHERE T1_ID = 1 AND T3_ID = 1"_s).toString(), u"8/1"_s);
    QCOMPARE(value(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 1"_s).toInt(), 1);

    const auto second = insert(1, validPerson());
    QCOMPARE(second.t3Id, 2);
    QCOMPARE(value(u"SELECT NumT3 || '/' || NumberPeople FROM SvedPotrebRelations_T3 "
                   "WHERE T1_ID = 1 AND T3_ID = 2"_s).toString(), u"9/2"_s);
    QCOMPARE(value(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 1"_s).toInt(), 2);

    const auto other = insert(2, validPerson());
    QCOMPARE(other.t3Id, 6);
    QCOMPARE(value(u"SELECT NumT3 || '/' || NumberPeople FROM SvedPotrebRelations_T3 "
                   "WHERE T1_ID = 2 AND T3_ID = 6"_s).toString(), u"10/4"_s);
    QCOMPARE(value(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 2"_s).toInt(), 2);
}

void TestPersonRecord::storedValues()
{
    PersonFields f = validPerson();
    f.name1 = u"  Петрова "_s;
    f.name3 = u" "_s;
    f.snils = u"112-233-445 95"_s;
    f.birthDate = u"09.03.1970"_s;
    f.dateRegStart = u"1 .2 .1990"_s;
    f.sex = u"Ж"_s;
    f.typeRegId = 1;
    f.prFactLiveId = 2;
    f.relationOwnId = 2;
    f.squareShare = u"12,5"_s;
    QVERIFY(insert(1, f).written);
    QCOMPARE(value(uR"(SELECT Name1 || '|' || Name2 || '|' || IFNULL(Name3, 'NULL') || '|' ||
        SNILS || '|' || BirthDate || '|' || DateRegStart || '|' || IFNULL(DateRegEnd, 'NULL') ||
        '|' || Sex || '|' || Relation || '|' || RelationOwnID || '|' || SquareShare || '|' ||
        TypeRegID || '|' || PrFactLiveID FROM SvedPotrebRelations_T3 WHERE T1_ID = 1)"_s)
                 .toString(),
             u"Петрова|Иван|NULL|112-233-445 95|1970-03-09|1990-02-01|NULL|Ж|Сын|2|1250|1|2"_s);

    // An unfilled СНИЛС and an empty share: no number, and no share of the property.
    QVERIFY(insert(1, validPerson()).written);
    QCOMPARE(value(u"SELECT IFNULL(SNILS, 'NULL') || '|' || SquareShare "
                   "FROM SvedPotrebRelations_T3 WHERE T1_ID = 1 AND T3_ID = 2"_s).toString(),
             u"NULL|0"_s);
}

void TestPersonRecord::updateKeepsNumbersAndKey()
{
    PersonFields f = validPerson();
    f.name1 = u"Андреева-Смирнова"_s;
    f.squareShare = u"7,25"_s;
    const auto result = PersonRecord::save(m_t->db(), EditorMode::Edit, 2, 5, 3, f);
    QVERIFY(result.written);
    QCOMPARE(result.t3Id, 5);
    QCOMPARE(value(uR"(SELECT T3_ID || '/' || NumT3 || '/' || NumberPeople || '/' || Name1 || '/' ||
        SquareShare || '/' || Relation FROM SvedPotrebRelations_T3 WHERE T1_ID = 2)"_s).toString(),
             u"5/7/3/Андреева-Смирнова/725/Сын"_s);
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedPotrebRelations_T3"_s).toInt(), 1);
}

void TestPersonRecord::unreadableDateWritesNothing()
{
    // 31.02 is no date: the checks count it as empty, the conversion refuses it.
    const PersonFields f = withChanges({{u"birth"_s, u"31.02.2020"_s}});
    QCOMPARE(PersonRecord::check(f, FlatArea, Today), QStringList{});
    QVERIFY_THROWS_EXCEPTION(CommonFnc::ConversionError, insert(1, f));
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedPotrebRelations_T3 WHERE T1_ID = 1"_s).toInt(), 0);
}

void TestPersonRecord::failedWriteSkipsRecount_data()
{
    QTest::addColumn<EditorMode>("mode");
    QTest::addColumn<QString>("message");
    QTest::newRow("insert") << EditorMode::New << u"Ошибка записи данных"_s;
    QTest::newRow("update") << EditorMode::Edit << u"Ошибка редактирования данных"_s;
}

void TestPersonRecord::failedWriteSkipsRecount()
{
    QFETCH(EditorMode, mode);
    QFETCH(QString, message);
    // The table refuses a surname longer than its column.
    QVERIFY(m_t->exec(u"UPDATE SvedPotreb_T1 SET PplCntReg = 9 WHERE T1_ID = 2"_s));
    const PersonFields f = withChanges({{u"name1"_s, QString(36, u'Я')}});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"CHECK constraint failed"_s));
    const auto result = PersonRecord::save(m_t->db(), mode, 2, 5, 3, f);
    QVERIFY(!result.written);
    QCOMPARE(result.error, message);
    QCOMPARE(value(u"SELECT Name1 FROM SvedPotrebRelations_T3 WHERE T1_ID = 2"_s).toString(),
             u"Андреева"_s);
    QCOMPARE(value(u"SELECT PplCntReg FROM SvedPotreb_T1 WHERE T1_ID = 2"_s).toInt(), 9);
}

void TestPersonRecord::failedRecountKeepsPerson()
{
    QVERIFY(m_t->exec(u"DROP TABLE SvedPotreb_T1"_s));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no such table"_s));
    const auto result = insert(1, validPerson());
    QVERIFY(result.written);
    QCOMPARE(result.t3Id, 1);
    QCOMPARE(result.error, u"Ошибка редактирования данных о количестве человек."_s);
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedPotrebRelations_T3 WHERE T1_ID = 1"_s).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestPersonRecord)
#include "tst_personrecord.moc"
