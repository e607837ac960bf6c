#include "ChargeRecord.h"
#include "Tariffs.h"
#include "CommonFnc.h"
#include "Query.h"
#include "TestDatabase.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Payer 1 has a lock device and an electric stove and two charges; payer 2 has no lock
// device and one charge; payer 3 has no charges and no lock type at all. NumT2 runs over
// the whole table with gaps, as after deletions.
const char16_t* const Fixture[] = {
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, TypeLockID, TypeStoveID)
        VALUES (1, 1, 1, 2), (2, 2, 0, 1), (3, 3, NULL, NULL))",
    uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, PostID, Volume, Tariff,
        SummaService, SummaServiceWOBenefit, SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID)
        VALUES (1, 1, 5, 1, 101, 54200, 3124, 169321, 169321, 169321, 169321, 5),
               (1, 2, 7, 5, NULL, 6000, 5200, 31200, 31200, 31200, 31200, 2),
               (2, 4, 9, 1, NULL, 30000, 3124, 93720, 93720, 93720, 93720, 5))",
};

const QString RuleA = u"Сумма начисленной платы за вычетом льготы не может быть больше\r\n"
                      "суммы начисленной платы за услугу.\r\n\r\n"
                      "При сохранении эти суммы станут равными."_s;
const QString RuleB = u"На постоянно зарегистрированных:\r\n"
                      "Сумма начисленной платы за вычетом льготы не может быть больше\r\n"
                      "суммы начисленной платы за услугу.\r\n\r\n"
                      "При сохранении эти суммы станут равными."_s;
const QString RuleC = u"Сумма начисленной платы за услугу, приходящаяся на\r\n"
                      "постоянно зарегистрированных, не может быть больше\r\n"
                      "общей суммы начисленной платы за услугу.\r\n\r\n"
                      "При сохранении эти суммы станут равными."_s;
const QString RuleD = u"Сумма начисленной платы за вычетом льготы, приходящаяся на\r\n"
                      "постоянно зарегистрированных, не может быть больше\r\n"
                      "общей суммы начисленной платы за вычетом льготы.\r\n\r\n"
                      "При сохранении эти суммы станут равными."_s;

/// A complete charge of service 7 (no variants) for payer 1 that passes every check.
ChargeRecord::Input validInput()
{
    ChargeRecord::Input input;
    input.t1Id = 1;
    input.serviceTotalId = 7;
    input.serviceBank = u"7"_s;
    input.post = u"0"_s;
    input.volume = u"6,000"_s;
    input.tariff = u"41,99"_s;
    input.summaService = u"251,94"_s;
    input.summaServiceWOBenefit = u"251,94"_s;
    input.summaServiceReg = u"251,94"_s;
    input.summaServiceWOBenefitReg = u"251,94"_s;
    input.typeNachId = 2;
    input.payerTypeLockId = 1;
    return input;
}

} // namespace

class TestChargeRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chargeFor_data();
    void chargeFor();
    void init();
    void cleanup();
    void blankFieldsAllReported();
    void validChargePasses();
    void duplicateService_data();
    void duplicateService();
    void lockDevice_data();
    void lockDevice();
    void sumOrder_data();
    void sumOrder();
    void numberFormats_data();
    void numberFormats();
    void exactValues_data();
    void exactValues();
    void codeOfLabel_data();
    void codeOfLabel();
    void numbering_data();
    void numbering();
    void unequalSumsSavedEqual();
    void updateKeepsNumber();
    void serviceVariant_data();
    void serviceVariant();
    void servicesOfTheOrganisation();
    void tariffInForce_data();
    void tariffInForce();
    void typeNachOfService();

private:
    QVariant value(const QString& sql) { return m_t->scalar(sql); }
    std::unique_ptr<TestDatabase> m_t;
};

void TestChargeRecord::chargeFor_data()
{
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("tariff");
    QTest::addColumn<QString>("charge"); // empty: not a number
    QTest::newRow("plain") << u"54,2"_s << u"27,69"_s << u"1500,80"_s;
    QTest::newRow("half goes up") << u"0,5"_s << u"2,01"_s << u"1,01"_s;
    // Products just below a half stay below: a nudge such as +0,00001 must not push them up.
    QTest::newRow("just below a half") << u"1,499"_s << u"10,01"_s << u"15,00"_s;
    QTest::newRow("just below a half, small") << u"0,011"_s << u"94,09"_s << u"1,03"_s;
    QTest::newRow("blank volume counts as 0") << u""_s << u"12,00"_s << u"0,00"_s;
    QTest::newRow("negative, half away from zero") << u"-0,5"_s << u"2,01"_s << u"-1,01"_s;
    QTest::newRow("whole numbers") << u"3"_s << u"7"_s << u"21,00"_s;
    QTest::newRow("lone comma") << u","_s << u"7"_s << QString();
    QTest::newRow("letters") << u"1,5"_s << u"abc"_s << QString();
}

void TestChargeRecord::chargeFor()
{
    QFETCH(QString, volume);
    QFETCH(QString, tariff);
    QFETCH(QString, charge);
    if (charge.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(CommonFnc::ConversionError, ChargeRecord::chargeFor(volume, tariff));
        return;
    }
    QCOMPARE(ChargeRecord::chargeFor(volume, tariff), charge);
}

void TestChargeRecord::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    for (const char16_t* sql : Fixture)
        QVERIFY(m_t->exec(QString::fromUtf16(sql)));
}

void TestChargeRecord::cleanup()
{
    m_t.reset();
}

void TestChargeRecord::blankFieldsAllReported()
{
    ChargeRecord::Input input;
    input.t1Id = 3;
    input.volume = u"  "_s;
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_t->db(), input);
    QVERIFY(result.refused);
    const QStringList expected = {
        u"Не выбрана услуга."_s,
        u"Должно быть заполнено поле \"Объем предоставленной услуги\"."_s,
        u"Должно быть заполнено поле \"Ставка/тариф на услугу\"."_s,
        u"Должно быть заполнено поле \"Сумма начисленной платы за услугу\"."_s,
        u"Должно быть заполнено поле \"Сумма начисленной платы за услугу за вычетом льготы\"."_s,
        u"Должно быть заполнено поле \"Сумма начисленной платы за услугу (на постоянно "
        "зарегистрированных)\"."_s,
        u"Должно быть заполнено поле \"Сумма начисленной платы за услугу за вычетом льготы (на "
        "постоянно зарегистрированных)\"."_s,
        u"Должно быть заполнено поле \"Признак вида начислений\"."_s,
    };
    QCOMPARE(result.texts(ChargeRecord::Message::Kind::Error), expected);
    QVERIFY(result.texts(ChargeRecord::Message::Kind::Warning).isEmpty());
}

void TestChargeRecord::validChargePasses()
{
    ChargeRecord::Input input = validInput();
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_t->db(), input);
    QVERIFY(!result.refused);
    QVERIFY(result.messages.isEmpty());
}

void TestChargeRecord::duplicateService_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<int>("t2Id");
    QTest::addColumn<int>("serviceId");
    QTest::addColumn<bool>("refused");

    QTest::newRow("new, service the payer has") << false << 0 << 5 << true;
    QTest::newRow("new, service of another payer only") << false << 0 << 7 << false;
    QTest::newRow("edit keeping its service") << true << 2 << 5 << false;
    QTest::newRow("edit to a service of the payer's other charge") << true << 1 << 5 << true;
    QTest::newRow("edit to a new service") << true << 1 << 7 << false;
}

void TestChargeRecord::duplicateService()
{
    QFETCH(bool, edit);
    QFETCH(int, t2Id);
    QFETCH(int, serviceId);
    QFETCH(bool, refused);

    ChargeRecord::Input input = validInput();
    input.mode = edit ? EditorMode::Edit : EditorMode::New;
    input.t2Id = t2Id;
    input.serviceBank = QString::number(serviceId);
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_t->db(), input);
    QCOMPARE(result.refused, refused);
    const QStringList expected =
        refused
            ? QStringList{u"Запись по услуге № %1 для данного потребителя услуг уже существует."_s
                              .arg(serviceId)}
            : QStringList();
    QCOMPARE(result.texts(ChargeRecord::Message::Kind::Error), expected);
}

void TestChargeRecord::lockDevice_data()
{
    QTest::addColumn<QVariant>("typeLockId");
    QTest::addColumn<QString>("serviceBank");
    QTest::addColumn<bool>("refused");

    QTest::newRow("lock device, payer without one") << QVariant(0) << u"10"_s << true;
    QTest::newRow("lock device, payer's lock type null") << QVariant() << u"10"_s << true;
    QTest::newRow("lock device, payer with an intercom") << QVariant(1) << u"10"_s << false;
    QTest::newRow("lock device, payer with a video intercom") << QVariant(3) << u"10"_s << false;
    QTest::newRow("other service, payer without a lock") << QVariant(0) << u"7"_s << false;
}

void TestChargeRecord::lockDevice()
{
    QFETCH(QVariant, typeLockId);
    QFETCH(QString, serviceBank);
    QFETCH(bool, refused);

    ChargeRecord::Input input = validInput();
    input.t1Id = 3;
    input.payerTypeLockId = typeLockId;
    input.serviceBank = serviceBank;
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_t->db(), input);
    QCOMPARE(result.refused, refused);
    if (refused) {
        QCOMPARE(
            result.texts(ChargeRecord::Message::Kind::Error),
            QStringList{u"Выбрана услуга \"Запирающее устройство\", а в сведениях о "
                        "потребителе услуг\r\nуказано, что запирающее устройство отсутствует."_s});
    }
}

void TestChargeRecord::sumOrder_data()
{
    // The four sums as typed, the sums after the rules, and the warnings in order.
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("adjusted");
    QTest::addColumn<QStringList>("warnings");

    QTest::newRow("in order; registered 0 with a charge")
        << QStringList{u"50,00"_s, u"40,00"_s, u"0,00"_s, u"0,00"_s}
        << QStringList{u"50,00"_s, u"40,00"_s, u"0,00"_s, u"0,00"_s} << QStringList();
    QTest::newRow("a: less benefit above the charge")
        << QStringList{u"100,00"_s, u"120,00"_s, u"100,00"_s, u"100,00"_s}
        << QStringList{u"100,00"_s, u"100,00"_s, u"100,00"_s, u"100,00"_s} << QStringList{RuleA};
    QTest::newRow("b: registered less benefit above registered")
        << QStringList{u"100,00"_s, u"90,00"_s, u"80,00"_s, u"85,00"_s}
        << QStringList{u"100,00"_s, u"90,00"_s, u"80,00"_s, u"80,00"_s} << QStringList{RuleB};
    QTest::newRow("c: registered above the charge")
        << QStringList{u"100,00"_s, u"100,00"_s, u"150,00"_s, u"100,00"_s}
        << QStringList{u"100,00"_s, u"100,00"_s, u"100,00"_s, u"100,00"_s} << QStringList{RuleC};
    QTest::newRow("d: registered less benefit above less benefit")
        << QStringList{u"100,00"_s, u"50,00"_s, u"100,00"_s, u"80,00"_s}
        << QStringList{u"100,00"_s, u"50,00"_s, u"100,00"_s, u"50,00"_s} << QStringList{RuleD};
    // Rule d compares with the charge less benefit as rule a left it (100, not 120).
    QTest::newRow("d after a evened the less-benefit sum")
        << QStringList{u"100,00"_s, u"120,00"_s, u"200,00"_s, u"110,00"_s}
        << QStringList{u"100,00"_s, u"100,00"_s, u"100,00"_s, u"100,00"_s}
        << QStringList{RuleA, RuleC, RuleD};
    QTest::newRow("a box without a number skips its rules")
        << QStringList{u"100,00"_s, u","_s, u"100,00"_s, u"100,00"_s}
        << QStringList{u"100,00"_s, u","_s, u"100,00"_s, u"100,00"_s} << QStringList();
    QTest::newRow("compared as numbers, not texts")
        << QStringList{u"9,00"_s, u"10,00"_s, u"9,00"_s, u"9"_s}
        << QStringList{u"9,00"_s, u"9,00"_s, u"9,00"_s, u"9"_s} << QStringList{RuleA};
}

void TestChargeRecord::sumOrder()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, adjusted);
    QFETCH(QStringList, warnings);

    ChargeRecord::Input input = validInput();
    input.summaService = typed[0];
    input.summaServiceWOBenefit = typed[1];
    input.summaServiceReg = typed[2];
    input.summaServiceWOBenefitReg = typed[3];
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_t->db(), input);
    QVERIFY(!result.refused);
    QCOMPARE(result.texts(ChargeRecord::Message::Kind::Warning), warnings);
    const QStringList after = {input.summaService, input.summaServiceWOBenefit,
                               input.summaServiceReg, input.summaServiceWOBenefitReg};
    QCOMPARE(after, adjusted);
}

void TestChargeRecord::numberFormats_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error"); // empty: accepted

    const QString volume =
        u"Поле \"Объем предоставленной услуги\" не соответствует формату (6.3)."_s;
    const QString tariff = u"Поле \"Ставка/тариф на услугу\" не соответствует формату (7.2)."_s;
    const QString charge =
        u"Поле \"Сумма начисленной платы за услугу\" не соответствует формату (7.2)."_s;
    const QString lessBenefit = u"Поле \"Сумма начисленной платы за услугу за вычетом льготы\" не "
                                "соответствует формату (7.2)."_s;
    QTest::newRow("volume 6 digits, 3 decimals") << u"volume"_s << u"123456,789"_s << QString();
    QTest::newRow("volume 7 digits") << u"volume"_s << u"1234567"_s << volume;
    QTest::newRow("volume 4 decimals") << u"volume"_s << u"1,2345"_s << volume;
    QTest::newRow("tariff 7 digits, 2 decimals") << u"tariff"_s << u"1234567,89"_s << QString();
    QTest::newRow("tariff 8 digits") << u"tariff"_s << u"12345678"_s << tariff;
    QTest::newRow("charge 8 digits") << u"charge"_s << u"12345678,00"_s << charge;
    QTest::newRow("less benefit 3 decimals") << u"lessBenefit"_s << u"1,234"_s << lessBenefit;
    QTest::newRow("registered sums are not checked") << u"registered"_s << u"1,2345"_s << QString();
}

void TestChargeRecord::numberFormats()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, error);

    ChargeRecord::Input input = validInput();
    QHash<QString, QString*> boxes = {
        {u"volume"_s, &input.volume},
        {u"tariff"_s, &input.tariff},
        {u"charge"_s, &input.summaService},
        {u"lessBenefit"_s, &input.summaServiceWOBenefit},
        {u"registered"_s, &input.summaServiceReg},
    };
    *boxes.value(field) = text;
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_t->db(), input);
    QCOMPARE(result.refused, !error.isEmpty());
    QCOMPARE(result.texts(ChargeRecord::Message::Kind::Error),
             error.isEmpty() ? QStringList() : QStringList{error});
}

void TestChargeRecord::exactValues_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("units"); // null: Null; invalid: conversion error

    QTest::newRow("charge in kopecks") << u"SummaService"_s << u"1234,56"_s << QVariant(123456LL);
    QTest::newRow("tariff with blanks around") << u"Tariff"_s << u" 31,24 "_s << QVariant(3124LL);
    QTest::newRow("volume in thousandths") << u"Volume"_s << u"1,5"_s << QVariant(1500LL);
    QTest::newRow("whole number") << u"SummaServiceReg"_s << u"7"_s << QVariant(700LL);
    QTest::newRow("extra decimal rounded half up")
        << u"SummaServiceReg"_s << u"1,005"_s << QVariant(101LL);
    QTest::newRow("blank is Null")
        << u"SummaServiceWOBenefitReg"_s << u""_s << QVariant(QMetaType::fromType<qlonglong>());
    QTest::newRow("lone comma") << u"Tariff"_s << u","_s << QVariant();
    QTest::newRow("two commas") << u"Volume"_s << u"1,2,3"_s << QVariant();
}

void TestChargeRecord::exactValues()
{
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QVariant, units);

    ChargeRecord::Input input = validInput();
    QHash<QString, QString*> boxes = {
        {u"Volume"_s, &input.volume},
        {u"Tariff"_s, &input.tariff},
        {u"SummaService"_s, &input.summaService},
        {u"SummaServiceReg"_s, &input.summaServiceReg},
        {u"SummaServiceWOBenefitReg"_s, &input.summaServiceWOBenefitReg},
    };
    *boxes.value(column) = text;
    if (!units.isValid()) {
        try {
            ChargeRecord::values(input);
            QFAIL("no conversion error");
        } catch (const CommonFnc::ConversionError& e) {
            // The operator learns which box holds the faulty text.
            QVERIFY2(e.message().contains(u"«"_s + text + u"»"_s), qPrintable(e.message()));
        }
        return;
    }
    const ChargeRecord::Values v = ChargeRecord::values(input);
    const QHash<QString, Decimal> decimals = {
        {u"Volume"_s, v.volume},
        {u"Tariff"_s, v.tariff},
        {u"SummaService"_s, v.summaService},
        {u"SummaServiceReg"_s, v.summaServiceReg},
        {u"SummaServiceWOBenefitReg"_s, v.summaServiceWOBenefitReg},
    };
    const Decimal d = decimals.value(column);
    if (units.isNull()) {
        QVERIFY(d.isNull());
    } else {
        QVERIFY(!d.isNull());
        QCOMPARE(d.units(), units.toLongLong());
    }
}

void TestChargeRecord::codeOfLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");

    QTest::newRow("number") << u"154"_s << 154;
    QTest::newRow("empty") << u""_s << 0;
    QTest::newRow("not a number") << u"10а"_s << 0;
}

void TestChargeRecord::codeOfLabel()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(ChargeRecord::codeOfLabel(text), code);
}

void TestChargeRecord::numbering_data()
{
    QTest::addColumn<int>("t1Id");
    QTest::addColumn<bool>("emptyTable");
    QTest::addColumn<int>("t2Id");
    QTest::addColumn<int>("numT2");

    // T2_ID counts within the payer; NumT2 continues the whole table.
    QTest::newRow("payer with charges") << 1 << false << 3 << 10;
    QTest::newRow("payer without charges") << 3 << false << 1 << 10;
    QTest::newRow("empty table") << 1 << true << 1 << 1;
}

void TestChargeRecord::numbering()
{
    QFETCH(int, t1Id);
    QFETCH(bool, emptyTable);
    QFETCH(int, t2Id);
    QFETCH(int, numT2);

    if (emptyTable)
        QVERIFY(m_t->exec(u"DELETE FROM SvedNach_T2"_s));
    ChargeRecord::Input input = validInput();
    input.t1Id = t1Id;
    QCOMPARE(ChargeRecord::insert(m_t->db(), t1Id, ChargeRecord::values(input)), t2Id);
    QCOMPARE(value(u"SELECT NumT2 FROM SvedNach_T2 WHERE T1_ID = %1 AND T2_ID = %2"_s.arg(t1Id).arg(
                       t2Id))
                 .toInt(),
             numT2);
}

void TestChargeRecord::unequalSumsSavedEqual()
{
    // 100,00 with 120,00 less benefit: the rule evens them and the save goes on.
    ChargeRecord::Input input = validInput();
    input.t1Id = 3;
    input.post = QString();
    input.volume = u"1234,5"_s;
    input.tariff = u"1234,56"_s;
    input.summaService = u"100,00"_s;
    input.summaServiceWOBenefit = u"120,00"_s;
    input.summaServiceReg = u"100,00"_s;
    input.summaServiceWOBenefitReg = u"100,00"_s;
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_t->db(), input);
    QVERIFY(!result.refused);
    QCOMPARE(ChargeRecord::insert(m_t->db(), 3, ChargeRecord::values(input)), 1);

    Query row(m_t->db(),
              u"SELECT ServiceID, PostID, Volume, Tariff, SummaService, SummaServiceWOBenefit,"
              " SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID"
              " FROM SvedNach_T2 WHERE T1_ID = 3 AND T2_ID = 1"_s);
    QVERIFY(row.exec() && row.next());
    const QList<qlonglong> stored = {
        row.value(0).toLongLong(), row.value(1).toLongLong(), row.value(2).toLongLong(),
        row.value(3).toLongLong(), row.value(4).toLongLong(), row.value(5).toLongLong(),
        row.value(6).toLongLong(), row.value(7).toLongLong(), row.value(8).toLongLong()};
    // A supplier code label left empty is stored as 0.
    const QList<qlonglong> expected = {7, 0, 1234500, 123456, 10000, 10000, 10000, 10000, 2};
    QCOMPARE(stored, expected);
    QVERIFY(!row.value(1).isNull());
}

void TestChargeRecord::updateKeepsNumber()
{
    ChargeRecord::Input input = validInput();
    input.mode = EditorMode::Edit;
    input.t2Id = 2;
    input.serviceBank = u"5"_s;
    input.post = u"201"_s;
    input.summaServiceWOBenefitReg = QString();
    QVERIFY(ChargeRecord::update(m_t->db(), 1, 2, ChargeRecord::values(input)));
    QCOMPARE(value(u"SELECT NumT2 FROM SvedNach_T2 WHERE T1_ID = 1 AND T2_ID = 2"_s).toInt(), 7);
    QCOMPARE(value(u"SELECT PostID FROM SvedNach_T2 WHERE T1_ID = 1 AND T2_ID = 2"_s).toInt(), 201);
    QCOMPARE(value(u"SELECT Tariff FROM SvedNach_T2 WHERE T1_ID = 1 AND T2_ID = 2"_s).toInt(),
             4199);
    QVERIFY(
        value(u"SELECT SummaServiceWOBenefitReg FROM SvedNach_T2 WHERE T1_ID = 1 AND T2_ID = 2"_s)
            .isNull());
    // The other charges are untouched.
    QCOMPARE(value(u"SELECT SummaService FROM SvedNach_T2 WHERE T1_ID = 1 AND T2_ID = 1"_s).toInt(),
             169321);
}

void TestChargeRecord::serviceVariant_data()
{
    QTest::addColumn<int>("serviceId");
    QTest::addColumn<QVariant>("typeLockId");
    QTest::addColumn<QVariant>("typeStoveId");
    QTest::addColumn<QVariant>("serviceTotalId"); // null: no catalogue row

    QTest::newRow("lock device by lock type") << 10 << QVariant(2) << QVariant(1) << QVariant(11);
    QTest::newRow("lock device without a lock: variant 0, none")
        << 10 << QVariant(0) << QVariant(1) << QVariant();
    QTest::newRow("lock device, lock type null") << 10 << QVariant() << QVariant(1) << QVariant();
    QTest::newRow("gas by stove type") << 20 << QVariant(1) << QVariant(3) << QVariant(24);
    QTest::newRow("electricity by stove type") << 27 << QVariant(0) << QVariant(1) << QVariant(31);
    QTest::newRow("night zone by stove type") << 155 << QVariant(0) << QVariant(2) << QVariant(49);
    QTest::newRow("last zoned service by stove type")
        << 158 << QVariant(0) << QVariant(1) << QVariant(57);
    QTest::newRow("service without variants ignores the payer")
        << 1 << QVariant(3) << QVariant(2) << QVariant(1);
}

void TestChargeRecord::serviceVariant()
{
    QFETCH(int, serviceId);
    QFETCH(QVariant, typeLockId);
    QFETCH(QVariant, typeStoveId);
    QFETCH(QVariant, serviceTotalId);

    const QVariant found =
        ChargeRecord::findServiceTotalId(m_t->db(), serviceId, typeLockId, typeStoveId);
    QCOMPARE(found.isNull(), serviceTotalId.isNull());
    if (!serviceTotalId.isNull())
        QCOMPARE(found.toInt(), serviceTotalId.toInt());
}

void TestChargeRecord::servicesOfTheOrganisation()
{
    const QList<ChargeRecord::ServiceChoice> list = ChargeRecord::services(m_t->db());
    QCOMPARE(list.size(), value(u"SELECT COUNT(*) FROM Sprav_Services WHERE Opt = 1"_s).toInt());
    QHash<int, ChargeRecord::ServiceChoice> byKey;
    for (const ChargeRecord::ServiceChoice& s : list)
        byKey.insert(s.serviceTotalId, s);
    QVERIFY(!byKey.contains(15)); // Opt = 0
    QCOMPARE(byKey.value(11).serviceId, 10);
    QCOMPARE(byKey.value(11).name, u"Запирающее устройство (Кодовый замок)"_s);
    QCOMPARE(byKey.value(7).name, u"Водоотведение"_s);
    // Ordered by service name; the variants of a service follow each other by variant.
    QCOMPARE(list.first().name, u"Взнос на капитальный ремонт"_s);
    QList<int> lockVariants;
    for (const ChargeRecord::ServiceChoice& s : list) {
        if (s.serviceId == 10)
            lockVariants << s.serviceTotalId;
    }
    QCOMPARE(lockVariants, (QList<int>{10, 11, 12}));
}

void TestChargeRecord::tariffInForce_data()
{
    QTest::addColumn<int>("serviceTotalId");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QVariant>("kopecks"); // null: no tariff in force

    QTest::newRow("first month of the chain") << 1 << QDate(2024, 1, 1) << QVariant(2845);
    QTest::newRow("last month of a period") << 1 << QDate(2024, 6, 1) << QVariant(2845);
    QTest::newRow("first month of the next period") << 1 << QDate(2024, 7, 1) << QVariant(3124);
    QTest::newRow("open latest period") << 1 << QDate(2027, 3, 1) << QVariant(3555);
    QTest::newRow("variant of a service") << 11 << QDate(2025, 12, 1) << QVariant(3072);
    QTest::newRow("before the chain") << 1 << QDate(2023, 12, 1) << QVariant();
    QTest::newRow("variant without tariffs") << 15 << QDate(2025, 1, 1) << QVariant();
}

void TestChargeRecord::tariffInForce()
{
    QFETCH(int, serviceTotalId);
    QFETCH(QDate, day);
    QFETCH(QVariant, kopecks);

    const Decimal tariff = Tariffs::inForce(m_t->db(), serviceTotalId, day);
    QCOMPARE(tariff.isNull(), kopecks.isNull());
    if (!kopecks.isNull()) {
        QCOMPARE(tariff.units(), kopecks.toLongLong());
        QCOMPARE(tariff.scale(), 2);
    }
}

void TestChargeRecord::typeNachOfService()
{
    QCOMPARE(ChargeRecord::typeNachOfService(m_t->db(), 10).toInt(), 6);
    QCOMPARE(ChargeRecord::typeNachOfService(m_t->db(), 4).toInt(), 3);
    QVERIFY(ChargeRecord::typeNachOfService(m_t->db(), 999).isNull());
}

QTEST_GUILESS_MAIN(TestChargeRecord)
#include "tst_chargerecord.moc"
