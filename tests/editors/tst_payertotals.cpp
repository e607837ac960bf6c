#include "FakeDialogs.h"
#include "PayerTotals.h"
#include "Query.h"
#include "T1_TotalSumContext.h"
#include "TestDatabase.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSqlRecord>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestPayerTotals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void payerWithoutCharges();
    void payerWithChargesAndPersons();
    void emptyRow();
    void windowHidesOnClose();

private:
    QVariantMap payer(int t1Id);
    std::unique_ptr<TestDatabase> m_t;
};

void TestPayerTotals::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, ENumlsID, Numls, Name1, Name2, Name3,
        SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg, PplCntReg)
        VALUES (1, 1, NULL, NULL, 'Орлов', 'Олег', 'Олегович', NULL, NULL, NULL, NULL, NULL),
               (2, 2, 1234567890, '77-1', 'Белова', 'Вера', 'Ивановна', 150075, 140000, 150075, 0, 3))"_s));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, SummaService, SummaServiceWOBenefit,
        SummaServiceReg, SummaServiceWOBenefitReg)
        VALUES (2, 1, 1, 100000, 90000, 100000, NULL), (2, 2, 2, 50075, 50000, 50075, NULL))"_s));
    QVERIFY(m_t->exec(uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, TypeRegID)
        VALUES (2, 1, 1, 1), (2, 2, 2, 1), (2, 3, 3, 2))"_s));
}

void TestPayerTotals::cleanup()
{
    m_t.reset();
}

QVariantMap TestPayerTotals::payer(int t1Id)
{
    QVariantMap row;
    Query q(m_t->db(), u"SELECT *, (Name1 || ' ' || Name2 || ' ' || Name3) AS FullName FROM SvedPotreb_T1 WHERE T1_ID = :ID"_s);
    q.bind(u":ID"_s, t1Id);
    if (q.exec() && q.next()) {
        const QSqlRecord rec = q.raw().record();
        for (int i = 0; i < rec.count(); ++i)
            row.insert(rec.fieldName(i), q.value(i));
    }
    return row;
}

void TestPayerTotals::payerWithoutCharges()
{
    const PayerTotals t = PayerTotals::of(m_t->db(), payer(1));
    QCOMPARE(t.fullName, u"Орлов Олег Олегович"_s);
    QCOMPARE(t.payerCode, u"0000000000"_s);
    QCOMPARE(t.account, u"---"_s);
    for (const QString& sum : t.payerSums)
        QCOMPARE(sum, u"0,00"_s);
    for (const QString& sum : t.chargeSums)
        QCOMPARE(sum, QString());
    QCOMPARE(t.persons, u"0"_s);
    QCOMPARE(t.registered, u"0"_s);
}

void TestPayerTotals::payerWithChargesAndPersons()
{
    const PayerTotals t = PayerTotals::of(m_t->db(), payer(2));
    QCOMPARE(t.payerCode, u"1234567890"_s);
    QCOMPARE(t.account, u"77-1"_s);
    QCOMPARE(t.payerSums, (std::array<QString, 4>{u"1500,75"_s, u"1400,00"_s, u"1500,75"_s, u"0,00"_s}));
    // A column whose charges are all NULL sums to nothing, shown empty.
    QCOMPARE(t.chargeSums, (std::array<QString, 4>{u"1500,75"_s, u"1400,00"_s, u"1500,75"_s, QString()}));
    QCOMPARE(t.persons, u"3"_s);
    QCOMPARE(t.registered, u"2"_s);
}

void TestPayerTotals::emptyRow()
{
    const PayerTotals t = PayerTotals::of(m_t->db(), {});
    QVERIFY(t.fullName.isEmpty() && t.payerCode.isEmpty() && t.persons.isEmpty());
}

void TestPayerTotals::windowHidesOnClose()
{
    TT1_TotalSumContext_Form form(m_t->db());
    QCOMPARE(form.windowTitle(), u"Общие суммы на лицевой счет"_s);
    form.showPayer(payer(2));
    form.show();
    QVERIFY(form.isVisible());
    QCOMPARE(form.findChild<QLabel*>(u"Code_Label"_s)->text(), u"1234567890 / 77-1"_s);
    QCOMPARE(form.findChild<QLabel*>(u"CntReg_Label"_s)->text(), u"2"_s);
    QVERIFY(!form.close());
    QVERIFY(!form.isVisible());
    // Hidden, it still follows the payer list.
    form.showPayer(payer(1));
    QCOMPARE(form.findChild<QLabel*>(u"PayerSum1_Label"_s)->text(), u"0,00"_s);
}

QTEST_MAIN(TestPayerTotals)
#include "tst_payertotals.moc"
