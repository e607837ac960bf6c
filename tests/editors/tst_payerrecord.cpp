#include "CommonFnc.h"
#include "PayerRecord.h"
#include "TestDatabase.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

/// A ten-digit payer code with a correct check digit for the first nine digits.
QString validPayerCode(const QString& nine)
{
    static const int weights[] = {6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += weights[i] * nine.at(i).digitValue();
    const int check = 11 - sum % 11;
    Q_ASSERT(check < 10); // pick nine digits whose sum leaves a remainder above 1
    return nine + QString::number(check);
}

/// A payer that passes every check.
PayerFields validPayer()
{
    PayerFields f;
    f.dezVladId = 117;
    f.name1 = u"Петров"_s;
    f.name2 = u"Пётр"_s;
    f.name3 = u"Петрович"_s;
    f.eNumlsId = validPayerCode(u"123456789"_s);
    f.numls = u"100-1"_s;
    f.mo = 2;
    f.streetIdBti = 6422456;
    f.houseNum = u"19"_s;
    f.korpNum = u"1"_s;
    f.stroenNum = u"2"_s;
    f.flatNum = u"12а"_s;
    f.houseIdBti = u"6252111"_s;
    f.typeOwnId = 3;
    f.typeOccupancyId = 1;
    f.squareTotal = u"54,20"_s;
    f.squareLive = u"38,10"_s;
    f.typeLockId = 0;
    f.typeStoveId = 1;
    f.colMesDebts = u"1,5"_s;
    f.pplCntReg = 1;
    f.mes = QDate(2026, 12, 1);
    return f;
}

/// Applies "Field=value" changes to a payer; for a lookup key "<null>" means no key.
PayerFields changed(PayerFields f, const QStringList& changes)
{
    const QMap<QString, QString PayerFields::*> texts = {
        {u"Name1"_s, &PayerFields::name1},         {u"Name2"_s, &PayerFields::name2},
        {u"Name3"_s, &PayerFields::name3},         {u"ENumlsID"_s, &PayerFields::eNumlsId},
        {u"Numls"_s, &PayerFields::numls},         {u"HouseNum"_s, &PayerFields::houseNum},
        {u"KorpNum"_s, &PayerFields::korpNum},     {u"StroenNum"_s, &PayerFields::stroenNum},
        {u"FlatNum"_s, &PayerFields::flatNum},     {u"HouseID_BTI"_s, &PayerFields::houseIdBti},
        {u"FlatID_BTI"_s, &PayerFields::flatIdBti}, {u"SquareTotal"_s, &PayerFields::squareTotal},
        {u"SquareLive"_s, &PayerFields::squareLive}, {u"ColMesDebts"_s, &PayerFields::colMesDebts},
    };
    const QMap<QString, QVariant PayerFields::*> keys = {
        {u"DezVladID"_s, &PayerFields::dezVladId},     {u"MO"_s, &PayerFields::mo},
        {u"StreetID_BTI"_s, &PayerFields::streetIdBti}, {u"TypeLockID"_s, &PayerFields::typeLockId},
        {u"TypeStoveID"_s, &PayerFields::typeStoveId},
    };
    for (const QString& change : changes) {
        const QString name = change.section(u'=', 0, 0);
        const QString value = change.section(u'=', 1);
        if (texts.contains(name))
            f.*texts[name] = value;
        else if (keys.contains(name))
            f.*keys[name] = value == u"<null>"_s ? QVariant() : QVariant(value);
        else
            qFatal("unknown field %s", qPrintable(name));
    }
    return f;
}

const QString NoNames = u"Не заполнены поля \"Фамилия\" или \"Имя\"."_s;
const QString NoCodeNorAccount =
    u"Должно быть заполнено или поле \"Код плательщика\" или \"Лицевой счет\"."_s;
const QString NoOwner = u"Должно быть заполнено поле \"Организация - владелец жилого фонда\"."_s;
const QString NoDistrict = u"Должно быть заполнено поле \"Район\"."_s;
const QString NoStreet = u"Должно быть заполнено поле \"Улица\"."_s;
const QString NoHouse =
    u"Должно быть заполнено хотя бы одно из полей \"Дом\", \"Корпус\", \"Строение\"."_s;
const QString NoFlat = u"Должно быть заполнено поле \"Квартира\"."_s;
const QString NoArea = u"Должны быть заполнены данные по площади."_s;
const QString NoLock = u"Должно быть заполнено поле \"Тип запирающего устройства\"."_s;
const QString NoStove = u"Должно быть заполнено поле \"Тип плиты\"."_s;
const QString WrongCode = u"Ошибка в коде плательщика. Контрольный разряд ошибочен."_s;
const QString LiveAboveTotal = u"Общая площадь не может быть меньше жилой площади."_s;

} // namespace

class TestPayerRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void checks_data();
    void checks();
    void duplicate_data();
    void duplicate();
    void firstPayerNumberedOne();
    void numberingContinuesAfterLargest();
    void insertWritesColumns();
    void refusedInsertReportsFailure();
    void updateRewritesRecordIntoPeriod();
    void renameFollowsSurnameCorrection();

private:
    QVariant value(const QString& sql) { return m_t->scalar(sql); }

    std::unique_ptr<TestDatabase> m_t;
};

void TestPayerRecord::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
}

void TestPayerRecord::cleanup()
{
    m_t.reset();
}

void TestPayerRecord::checks_data()
{
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QStringList>("messages");

    const QString wrongDigit = validPayerCode(u"123456789"_s).left(9) + u"0"_s;
    QTest::newRow("valid") << QStringList{} << QStringList{};
    QTest::newRow("first name only") << QStringList{u"Name1="_s} << QStringList{};
    QTest::newRow("surname only") << QStringList{u"Name2="_s} << QStringList{};
    QTest::newRow("neither name") << QStringList{u"Name1= "_s, u"Name2="_s} << QStringList{NoNames};
    QTest::newRow("account only") << QStringList{u"ENumlsID="_s} << QStringList{};
    QTest::newRow("neither code nor account")
        << QStringList{u"ENumlsID="_s, u"Numls="_s} << QStringList{NoCodeNorAccount};
    QTest::newRow("blank owner key") << QStringList{u"DezVladID= "_s} << QStringList{NoOwner};
    QTest::newRow("house by structure only")
        << QStringList{u"HouseNum="_s, u"KorpNum="_s} << QStringList{};
    QTest::newRow("only living area")
        << QStringList{u"SquareTotal="_s} << QStringList{NoArea, LiveAboveTotal};
    QTest::newRow("only total area") << QStringList{u"SquareLive="_s} << QStringList{NoArea};
    QTest::newRow("lock 0 is a key") << QStringList{u"TypeLockID=0"_s} << QStringList{};
    QTest::newRow("code 0") << QStringList{u"ENumlsID=0"_s} << QStringList{};
    QTest::newRow("code of zeros") << QStringList{u"ENumlsID=0000000000"_s} << QStringList{};
    QTest::newRow("wrong check digit") << QStringList{u"ENumlsID="_s + wrongDigit} << QStringList{WrongCode};
    QTest::newRow("short code") << QStringList{u"ENumlsID=12345"_s} << QStringList{WrongCode};
    QTest::newRow("living above total")
        << QStringList{u"SquareLive=54,21"_s} << QStringList{LiveAboveTotal};
    QTest::newRow("living equals total") << QStringList{u"SquareLive=54,2"_s} << QStringList{};
    QTest::newRow("area not a number")
        << QStringList{u"SquareTotal=,"_s} << QStringList{u"Неверное число: «,»"_s};
    QTest::newRow("long account") << QStringList{u"Numls="_s + QString(21, u'1')}
                                  << QStringList{u"Длина поля \"Номер лицевого счета\" больше 20 знаков."_s};
    QTest::newRow("long surname") << QStringList{u"Name1="_s + QString(36, u'А')}
                                  << QStringList{u"Длина поля \"Фамилия\" больше 35 знаков."_s};
    // The block and structure limits are the checks' own, not the columns' widths.
    QTest::newRow("block of 6") << QStringList{u"KorpNum=123456"_s} << QStringList{};
    QTest::newRow("block of 7") << QStringList{u"KorpNum=1234567"_s}
                                << QStringList{u"Длина поля \"Корпус\" больше 6 знаков."_s};
    QTest::newRow("imported structure of 6")
        << QStringList{u"StroenNum=123456"_s}
        << QStringList{u"Длина поля \"Строение\" больше 5 знаков."_s};
    QTest::newRow("total area format")
        << QStringList{u"SquareTotal=12345678"_s, u"SquareLive=1"_s}
        << QStringList{u"Поле \"Общая площадь\" не соответствует формату (7.2)."_s};
    QTest::newRow("living area format")
        << QStringList{u"SquareLive=1,234"_s}
        << QStringList{u"Поле \"Жилая площадь\" не соответствует формату (7.2)."_s};
    QTest::newRow("debts format")
        << QStringList{u"ColMesDebts=100"_s}
        << QStringList{u"Поле \"Количество месяцев задолженности\" не соответствует формату (2.1)."_s};
    QTest::newRow("empty record, every message in order")
        << QStringList{u"Name1="_s, u"Name2="_s, u"Name3="_s, u"ENumlsID="_s, u"Numls="_s,
                       u"DezVladID=<null>"_s, u"MO=<null>"_s, u"StreetID_BTI=<null>"_s,
                       u"HouseNum="_s, u"KorpNum="_s, u"StroenNum="_s, u"FlatNum="_s,
                       u"SquareTotal="_s, u"SquareLive="_s, u"TypeLockID=<null>"_s,
                       u"TypeStoveID=<null>"_s, u"ColMesDebts="_s}
        << QStringList{NoNames, NoCodeNorAccount, NoOwner, NoDistrict, NoStreet,
                       NoHouse, NoFlat, NoArea, NoLock, NoStove};
    QTest::newRow("early and late failures together")
        << QStringList{u"FlatNum="_s, u"ENumlsID=12345"_s, u"ColMesDebts=1,55"_s}
        << QStringList{NoFlat, WrongCode,
                       u"Поле \"Количество месяцев задолженности\" не соответствует формату (2.1)."_s};
}

void TestPayerRecord::checks()
{
    QFETCH(QStringList, changes);
    QFETCH(QStringList, messages);
    QCOMPARE(PayerRecord::checkFields(changed(validPayer(), changes)), messages);
}

void TestPayerRecord::duplicate_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("numls");
    QTest::addColumn<bool>("duplicate");

    // Payer 1 has the code 1111 and account A-1; payer 2 the code 2222 and account B-2.
    QTest::newRow("new: same code and account") << false << u"1111"_s << u"A-1"_s << true;
    QTest::newRow("new: same code, other account") << false << u"1111"_s << u"A-9"_s << false;
    QTest::newRow("new: same code, account of the same code") << false << u"1111"_s << u"D-5"_s << true;
    QTest::newRow("new: other code, same account") << false << u"9999"_s << u"A-1"_s << false;
    QTest::newRow("new: no code matches code 0") << false << u""_s << u"C-3"_s << true;
    QTest::newRow("new: empty account never matches") << false << u"4444"_s << u""_s << false;
    QTest::newRow("edit: unchanged") << true << u"1111"_s << u"A-1"_s << false;
    QTest::newRow("edit: both changed to another payer's") << true << u"2222"_s << u"B-2"_s << true;
    // Payer 5 shares payer 1's code: keeping the code and taking payer 5's account makes
    // two payers with the same code and account.
    QTest::newRow("edit: only account changed to another payer's")
        << true << u"1111"_s << u"D-5"_s << true;
    QTest::newRow("edit: only code changed to another payer's")
        << true << u"0"_s << u"C-3"_s << true;
    QTest::newRow("edit: own code, new account") << true << u"1111"_s << u"A-7"_s << false;
}

void TestPayerRecord::duplicate()
{
    QFETCH(bool, editMode);
    QFETCH(QString, code);
    QFETCH(QString, numls);
    QFETCH(bool, duplicate);
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, ENumlsID, Numls)
        VALUES (1, 1, 1111, 'A-1'), (2, 2, 2222, 'B-2'), (3, 3, 0, 'C-3'), (4, 4, 4444, NULL),
               (5, 5, 1111, 'D-5'))"_s));
    PayerFields f = validPayer();
    f.eNumlsId = code;
    f.numls = numls;
    // The edited record is payer 1.
    QCOMPARE(PayerRecord::isDuplicate(m_t->db(), f, editMode ? EditorMode::Edit : EditorMode::New,
                                      editMode ? 1 : 0),
             duplicate);
}

void TestPayerRecord::firstPayerNumberedOne()
{
    QCOMPARE(PayerRecord::insert(m_t->db(), validPayer()), 1);
    QCOMPARE(value(u"SELECT NumT1 FROM SvedPotreb_T1 WHERE T1_ID = 1"_s).toInt(), 1);
}

void TestPayerRecord::numberingContinuesAfterLargest()
{
    // As after an import: keys are line numbers, not necessarily dense.
    QVERIFY(m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (7, 7), (250, 250), (31, 31)"_s));
    QCOMPARE(PayerRecord::insert(m_t->db(), validPayer()), 251);
    QCOMPARE(value(u"SELECT NumT1 FROM SvedPotreb_T1 WHERE T1_ID = 251"_s).toInt(), 251);
}

void TestPayerRecord::insertWritesColumns()
{
    PayerFields f = validPayer();
    f.eNumlsId = u""_s;
    f.name3 = u"  "_s;
    f.flatNum = u" 12а "_s;
    f.houseIdBti = u" 625 2111"_s;
    f.flatIdBti = u""_s;
    f.squareTotal = u"54,2"_s;
    f.typeOwnId = QVariant();
    QCOMPARE(PayerRecord::insert(m_t->db(), f), 1);
    const QString columns = u"SELECT quote(ENumlsID) || '|' || quote(Name3) || '|' || FlatNum || '|' || "
                            "HouseID_BTI || '|' || quote(FlatID_BTI) || '|' || SquareTotal || '|' || "
                            "SquareLive || '|' || ColMesDebts || '|' || Mes || '|' || PplCntReg || '|' || "
                            "quote(TypeOwnID) || '|' || DezVladID || '|' || StreetID_BTI || '|' || "
                            "quote(SummaFull) FROM SvedPotreb_T1"_s;
    QCOMPARE(value(columns).toString(),
             u"0|NULL|12а|6252111|NULL|5420|3810|15|2026-12-01|1|NULL|117|6422456|NULL"_s);
}

void TestPayerRecord::refusedInsertReportsFailure()
{
    // Six characters pass the block check but not the column: the write reports it.
    PayerFields f = validPayer();
    f.korpNum = u"123456"_s;
    QVERIFY(PayerRecord::checkFields(f).isEmpty());
    QCOMPARE(PayerRecord::insert(m_t->db(), f), 0);
    QVERIFY(!m_t->db().errorString().isEmpty());
    QCOMPARE(value(u"SELECT count(*) FROM SvedPotreb_T1"_s).toInt(), 0);
}

void TestPayerRecord::updateRewritesRecordIntoPeriod()
{
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, Name1, SummaFull, PplCntReg)
        VALUES (5, 9, '2025-03-01', 'Старов', 15075, 3), (6, 10, '2025-03-01', 'Другой', 1, 1))"_s));
    PayerFields f = validPayer();
    f.pplCntReg = 3;
    QVERIFY(PayerRecord::update(m_t->db(), 5, f));
    QCOMPARE(value(u"SELECT Mes || '|' || NumT1 || '|' || Name1 || '|' || SummaFull || '|' || PplCntReg "
                   "FROM SvedPotreb_T1 WHERE T1_ID = 5"_s).toString(),
             u"2026-12-01|9|Петров|15075|3"_s);
    QCOMPARE(value(u"SELECT Name1 || Mes FROM SvedPotreb_T1 WHERE T1_ID = 6"_s).toString(),
             u"Другой2025-03-01"_s);
}

void TestPayerRecord::renameFollowsSurnameCorrection()
{
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, Name1, Name2, Name3)
        VALUES (1, 1, 1, 'Петрав', 'Пётр', 'Петрович'),
               (1, 2, 2, 'Петрава', 'Мария', 'Ивановна'),
               (1, 3, 3, 'Петрав', 'Пётр', NULL),
               (2, 4, 4, 'Петрав', 'Пётр', 'Петрович'))"_s));
    QVERIFY(PayerRecord::renamePersons(m_t->db(), 1, {u"Петрав"_s, u"Пётр"_s, u"Петрович"_s},
                                       {u"Петров"_s, u"Пётр"_s, u"Петрович"_s}));
    QCOMPARE(value(u"SELECT group_concat(T3_ID || Name1, ',') FROM "
                   "(SELECT T3_ID, Name1 FROM SvedPotrebRelations_T3 ORDER BY T3_ID)"_s).toString(),
             u"1Петров,2Петрава,3Петрав,4Петрав"_s);

    // An empty old name is the empty text: it matches no person without that name.
    QVERIFY(PayerRecord::renamePersons(m_t->db(), 1, {u"Петрав"_s, u"Пётр"_s, QString()},
                                       {u"Сидоров"_s, u"Пётр"_s, QString()}));
    QCOMPARE(value(u"SELECT Name1 FROM SvedPotrebRelations_T3 WHERE T3_ID = 3"_s).toString(),
             u"Петрав"_s);
}

QTEST_GUILESS_MAIN(TestPayerRecord)
#include "tst_payerrecord.moc"
