#include "FakeDialogs.h"
#include "LookupComboBox.h"
#include "Recalculation.h"
#include "Replacement.h"
#include "TestDatabase.h"
#include "Zamena.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace Bulk;

namespace {

const QDate Period(2026, 12, 1);

class Silent final : public RecalculationListener
{
public:
    void phaseStarted(Phase, qint64) override {}
    void recordDone(qint64) override {}
};

QString sqlValue(const QVariant& value)
{
    if (value.isNull())
        return u"NULL"_s;
    if (value.typeId() == QMetaType::QString)
        return u'\'' + value.toString() + u'\'';
    return value.toString();
}

} // namespace

class TestReplacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void ownerOrganisation_data();
    void ownerOrganisation();
    void houseCode_data();
    void houseCode();
    void payerTotalsLeaveChargelessPayers();
    void addServiceNumbersAfterTheHighest();
    void addServiceWhenEveryPayerHasIt();
    void replaceKeepsOldWhereNewIsPresent();
    void deleteRecountsEveryPayer();
    void calculateOneService_data();
    void calculateOneService();
    void calculateWithoutChargesClosesWindow();
    void chargeType_data();
    void chargeType();
    void failureKeepsWhatWasDone_data();
    void failureKeepsWhatWasDone();
    void windowState();
    void confirmationDefaultsToNo_data();
    void confirmationDefaultsToNo();
    void serviceMustBeChosen_data();
    void serviceMustBeChosen();
    void nothingWithoutPayers();
    void windowRunsAnOperation();

private:
    bool payer(int t1);
    bool charge(int t1, int t2, int numT2, int serviceId, qint64 volume = 1000, qint64 summa = 100,
                qint64 woBenefit = 100, qint64 tariff = 100);
    QString charges();
    QString totals(int t1);

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
};

void TestReplacement::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
}

void TestReplacement::cleanup()
{
    m_dialogs.reset();
    m_t.reset();
}

bool TestReplacement::payer(int t1)
{
    return m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, TypeLockID, TypeStoveID, Mes, "
                     "SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg) "
                     "VALUES (%1, %1, 0, 1, '2020-01-01', 99999, 88888, 77777, 66666)"_s.arg(t1));
}

bool TestReplacement::charge(int t1, int t2, int numT2, int serviceId, qint64 volume, qint64 summa,
                             qint64 woBenefit, qint64 tariff)
{
    return m_t->exec(
        u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, Volume, Tariff, "
        "SummaService, SummaServiceWOBenefit, SummaServiceReg, "
        "SummaServiceWOBenefitReg) VALUES (%1, %2, %3, %4, %5, %6, %7, %8, %7, %8)"_s.arg(t1)
            .arg(t2)
            .arg(numT2)
            .arg(serviceId)
            .arg(volume)
            .arg(tariff)
            .arg(summa)
            .arg(woBenefit));
}

/// Every charge as "T1/T2/NumT2/ServiceID/Volume/Tariff/Summa/WOBenefit/TypeNach", in key order.
QString TestReplacement::charges()
{
    return m_t
        ->scalar(
            u"SELECT group_concat(c, ' ') FROM (SELECT T1_ID || '/' || T2_ID || '/' || "
            "IFNULL(NumT2, '-') || '/' || IFNULL(ServiceID, '-') || '/' || IFNULL(Volume, '-') "
            "|| '/' || IFNULL(Tariff, '-') || '/' || IFNULL(SummaService, '-') || '/' || "
            "IFNULL(SummaServiceWOBenefit, '-') || '/' || IFNULL(TypeNachID, '-') AS c "
            "FROM SvedNach_T2 ORDER BY T1_ID, T2_ID)"_s)
        .toString();
}

/// A payer's "SummaFull SummaWOBenefit SummaFullReg SummaWOBenefitReg Mes".
QString TestReplacement::totals(int t1)
{
    return m_t
        ->scalar(u"SELECT SummaFull || ' ' || SummaWOBenefit || ' ' || SummaFullReg || ' ' || "
                 "SummaWOBenefitReg || ' ' || Mes FROM SvedPotreb_T1 WHERE T1_ID = %1"_s.arg(t1))
        .toString();
}

void TestReplacement::ownerOrganisation_data()
{
    QTest::addColumn<bool>("onlyEmpty");
    QTest::addColumn<QString>("owners"); // of payers 1 (had 7) and 2 (had none)
    QTest::newRow("only empty") << true << u"7 3"_s;
    QTest::newRow("all") << false << u"3 3"_s;
}

void TestReplacement::ownerOrganisation()
{
    QFETCH(bool, onlyEmpty);
    QFETCH(QString, owners);
    QVERIFY(payer(1));
    QVERIFY(payer(2));
    QVERIFY(m_t->exec(u"UPDATE SvedPotreb_T1 SET DezVladID = 7 WHERE T1_ID = 1"_s));
    const ReplacementResult result = setOwnerOrganisation(m_t->db(), 3, onlyEmpty);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(m_t->scalar(u"SELECT group_concat(DezVladID, ' ') FROM (SELECT DezVladID FROM "
                         "SvedPotreb_T1 ORDER BY T1_ID)"_s)
                 .toString(),
             owners);
}

void TestReplacement::houseCode_data()
{
    QTest::addColumn<QVariant>("payerHouse");
    QTest::addColumn<QVariant>("bookHouse");
    QTest::addColumn<QVariant>("oldCode");
    QTest::addColumn<bool>("onlyEmpty");
    QTest::addColumn<QVariant>("newCode");
    const QVariant null;
    QTest::newRow("null matches null") << null << null << null << true << QVariant(9000001);
    QTest::newRow("null matches empty")
        << null << QVariant(u""_s) << null << true << QVariant(9000001);
    QTest::newRow("empty matches null")
        << QVariant(u""_s) << null << QVariant(0) << true << QVariant(9000001);
    QTest::newRow("other number keeps its code")
        << QVariant(u"5"_s) << null << QVariant(55) << false << QVariant(55);
    QTest::newRow("filled code kept")
        << QVariant(u"5"_s) << QVariant(u"5"_s) << QVariant(55) << true << QVariant(55);
    QTest::newRow("filled code replaced")
        << QVariant(u"5"_s) << QVariant(u"5"_s) << QVariant(55) << false << QVariant(9000001);
}

void TestReplacement::houseCode()
{
    QFETCH(QVariant, payerHouse);
    QFETCH(QVariant, bookHouse);
    QFETCH(QVariant, oldCode);
    QFETCH(bool, onlyEmpty);
    QFETCH(QVariant, newCode);
    QVERIFY(payer(1));
    QVERIFY(m_t->exec(
        u"UPDATE SvedPotreb_T1 SET StreetID_BTI = 990001, HouseNum = %1, KorpNum = "
        "'', StroenNum = NULL, HouseID_BTI = %2"_s.arg(sqlValue(payerHouse), sqlValue(oldCode))));
    QVERIFY(m_t->exec(u"INSERT INTO Sprav_HousesBTI (StreetID_BTI, HouseNum, KorpNum, StroenNum, "
                      "HouseID_BTI) VALUES (990001, %1, NULL, '', 9000001), "
                      "(990002, %1, NULL, '', 9000002)"_s.arg(sqlValue(bookHouse))));
    const ReplacementResult result = setHouseCodes(m_t->db(), onlyEmpty);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(m_t->scalar(u"SELECT HouseID_BTI FROM SvedPotreb_T1"_s).toString(),
             newCode.toString());
}

void TestReplacement::payerTotalsLeaveChargelessPayers()
{
    QVERIFY(payer(1));
    QVERIFY(payer(2));
    QVERIFY(charge(1, 1, 1, 1, 1000, 1050, 1000));
    QVERIFY(charge(1, 2, 2, 2, 1000, 207, 7));
    QVERIFY(m_t->exec(u"UPDATE SvedNach_T2 SET SummaServiceReg = NULL WHERE T2_ID = 2"_s));
    const ReplacementResult result = setPayerTotals(m_t->db());
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(totals(1), u"1257 1007 1050 1007 2020-01-01"_s);
    QCOMPARE(totals(2), u"99999 88888 77777 66666 2020-01-01"_s);
}

void TestReplacement::addServiceNumbersAfterTheHighest()
{
    for (int t1 : {4, 1, 2, 3})
        QVERIFY(payer(t1));
    QVERIFY(charge(1, 1, 10, 1));
    QVERIFY(charge(1, 2, 11, 2));
    QVERIFY(charge(2, 1, 12, 3)); // already has the service
    QVERIFY(charge(4, 5, 3, 1));  // payer 3 has no charges
    const ReplacementResult result = addService(m_t->db(), 3);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(charges(), u"1/1/10/1/1000/100/100/100/- 1/2/11/2/1000/100/100/100/- "
                        "1/3/13/3/-/-/-/-/- "
                        "2/1/12/3/1000/100/100/100/- "
                        "3/1/14/3/-/-/-/-/- "
                        "4/5/3/1/1000/100/100/100/- 4/6/15/3/-/-/-/-/-"_s);
}

void TestReplacement::addServiceWhenEveryPayerHasIt()
{
    QVERIFY(payer(1));
    QVERIFY(payer(2));
    QVERIFY(charge(1, 1, 1, 3));
    QVERIFY(charge(2, 1, 2, 3));
    const QString before = charges();
    const ReplacementResult result = addService(m_t->db(), 3);
    QVERIFY(result.ok);
    QVERIFY(result.message.isEmpty());
    QCOMPARE(charges(), before);
}

void TestReplacement::replaceKeepsOldWhereNewIsPresent()
{
    QVERIFY(payer(1));
    QVERIFY(payer(2));
    QVERIFY(charge(1, 1, 1, 1, 1234, 500, 400, 321));
    QVERIFY(charge(2, 1, 2, 1));
    QVERIFY(charge(2, 2, 3, 2));
    QVERIFY(m_t->exec(u"UPDATE SvedNach_T2 SET TypeNachID = 4, PostID = 8 WHERE T1_ID = 1"_s));
    const ReplacementResult result = replaceService(m_t->db(), 1, 2);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(charges(), u"1/1/1/2/1234/321/500/400/4 2/1/2/1/1000/100/100/100/- "
                        "2/2/3/2/1000/100/100/100/-"_s);
    QCOMPARE(m_t->scalar(u"SELECT PostID FROM SvedNach_T2 WHERE T1_ID = 1"_s).toInt(), 8);
}

void TestReplacement::deleteRecountsEveryPayer()
{
    for (int t1 : {1, 2, 3})
        QVERIFY(payer(t1));
    QVERIFY(charge(1, 1, 1, 1, 1000, 500, 400));
    QVERIFY(charge(1, 2, 2, 2, 1000, 300, 200));
    QVERIFY(charge(2, 1, 3, 2, 1000, 70, 60)); // no charge of the deleted service
    Silent silent;
    const ReplacementResult result = deleteService(m_t->db(), 1, Period, silent);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(m_t->scalar(u"SELECT COUNT(*) FROM SvedNach_T2 WHERE ServiceID = 1"_s).toInt(), 0);
    QCOMPARE(
        m_t->scalar(u"SELECT T2_ID || '/' || NumT2 FROM SvedNach_T2 WHERE T1_ID = 1"_s).toString(),
        u"2/2"_s);
    QCOMPARE(totals(1), u"300 200 300 200 2026-12-01"_s);
    QCOMPARE(totals(2), u"70 60 70 60 2026-12-01"_s);
    QCOMPARE(totals(3), u"0 0 0 0 2026-12-01"_s);
}

void TestReplacement::calculateOneService_data()
{
    QTest::addColumn<bool>("tariffInForce");
    QTest::newRow("own tariff") << false;
    QTest::newRow("tariff in force") << true;
}

void TestReplacement::calculateOneService()
{
    QFETCH(bool, tariffInForce);
    QVERIFY(payer(1));
    QVERIFY(payer(2));
    QVERIFY(charge(1, 1, 1, 1, 12345, 20000, 15000, 1234));
    QVERIFY(charge(1, 2, 2, 2, 1000, 777, 700, 5));
    QVERIFY(charge(2, 1, 3, 1, 2500, 0, 0, 333));
    const qint64 inForce =
        m_t->scalar(u"SELECT tb.SummaT FROM TariffBank tb JOIN Sprav_Services ss ON "
                    "ss.ServiceTotalID = tb.ServiceTotalID WHERE ss.ServiceID = 1 AND "
                    "ss.ServiceWideID = 0 AND tb.DateStart <= '2026-12-01' AND (tb.DateEnd IS "
                    "NULL OR tb.DateEnd > '2026-12-01')"_s)
            .toLongLong();
    QVERIFY(inForce != 1234 && inForce != 333);
    Silent silent;
    const ReplacementResult result = calculateService(m_t->db(), 1, Period, tariffInForce, silent);
    QVERIFY2(result.ok, qPrintable(result.message));
    const auto expected = [&](qint64 ownTariff, qint64 volume, qint64 s0, qint64 b0) {
        const qint64 t = tariffInForce ? inForce : ownTariff;
        const ChargeSums sums =
            recalculatedSums(Decimal::fromUnits(t, 2), Decimal::fromUnits(volume, 3),
                             Decimal::fromUnits(s0, 2), Decimal::fromUnits(b0, 2));
        return std::pair{t, sums};
    };
    const auto [t11, s11] = expected(1234, 12345, 20000, 15000);
    const auto [t21, s21] = expected(333, 2500, 0, 0);
    QCOMPARE(charges(), u"1/1/1/1/12345/%1/%2/%3/- 1/2/2/2/1000/5/777/700/- "
                        "2/1/3/1/2500/%4/%5/%6/-"_s.arg(t11)
                            .arg(s11.summa.units())
                            .arg(s11.summaWoBenefit.units())
                            .arg(t21)
                            .arg(s21.summa.units())
                            .arg(s21.summaWoBenefit.units()));
    QCOMPARE(m_t->scalar(u"SELECT SummaServiceReg || ' ' || SummaServiceWOBenefitReg FROM "
                         "SvedNach_T2 WHERE T1_ID = 1 AND T2_ID = 1"_s)
                 .toString(),
             u"%1 %2"_s.arg(s11.summa.units()).arg(s11.summaWoBenefit.units()));
    const qint64 s1 = s11.summa.units() + 777;
    const qint64 b1 = s11.summaWoBenefit.units() + 700;
    QCOMPARE(totals(1), u"%1 %2 %1 %2 2026-12-01"_s.arg(s1).arg(b1));
    QCOMPARE(totals(2),
             u"%1 %2 %1 %2 2026-12-01"_s.arg(s21.summa.units()).arg(s21.summaWoBenefit.units()));
}

void TestReplacement::calculateWithoutChargesClosesWindow()
{
    QVERIFY(payer(1));
    QVERIFY(charge(1, 1, 1, 2));
    Silent silent;
    const ReplacementResult result = calculateService(m_t->db(), 1, Period, true, silent);
    QVERIFY(result.nothingToDo);
    QCOMPARE(result.message, u"Отсутствуют сведения о начислениях."_s);
    QCOMPARE(totals(1), u"99999 88888 77777 66666 2020-01-01"_s);

    TZamena_Form window(m_t->db(), Period);
    window.show();
    window.findChild<LookupComboBox*>(u"SumService_RxDBLC"_s)->setKeyValue(2);
    QVERIFY(m_t->exec(u"DELETE FROM SvedNach_T2"_s));
    window.findChild<QPushButton*>(u"T2SumService_BBtn"_s)->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Warning),
             QStringList{u"Отсутствуют сведения о начислениях."_s});
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

void TestReplacement::chargeType_data()
{
    QTest::addColumn<bool>("onlyEmpty");
    QTest::addColumn<QString>("types"); // of the charges of services 1 (had 9), 4 and 99
    QTest::newRow("only empty") << true << u"9 3 -"_s;
    QTest::newRow("all") << false << u"5 3 -"_s;
}

void TestReplacement::chargeType()
{
    QFETCH(bool, onlyEmpty);
    QFETCH(QString, types);
    QVERIFY(payer(1));
    QVERIFY(charge(1, 1, 1, 1));
    QVERIFY(charge(1, 2, 2, 4));
    QVERIFY(charge(1, 3, 3, 99)); // not in the catalogue
    QVERIFY(m_t->exec(u"UPDATE SvedNach_T2 SET TypeNachID = 9 WHERE T2_ID = 1"_s));
    Silent silent;
    const ReplacementResult result = setChargeTypes(m_t->db(), onlyEmpty, silent);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(m_t->scalar(u"SELECT group_concat(t, ' ') FROM (SELECT IFNULL(TypeNachID, '-') AS t "
                         "FROM SvedNach_T2 ORDER BY T2_ID)"_s)
                 .toString(),
             types);
}

void TestReplacement::failureKeepsWhatWasDone_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("message");
    QTest::newRow("calculate one service")
        << 0 << u"Ошибка изменения данных.\r\nНомер строки файла со сведениями о начислениях 12"_s;
    QTest::newRow("charge type") << 1
                                 << u"Ошибка постановки признака начислений.\r\nНомер строки файла "
                                    "со сведениями о начислениях 12"_s;
}

void TestReplacement::failureKeepsWhatWasDone()
{
    QFETCH(int, operation);
    QFETCH(QString, message);
    QVERIFY(payer(1));
    QVERIFY(charge(1, 1, 11, 1, 2000, 100, 100, 100));
    QVERIFY(charge(1, 2, 12, 1, 2000, 100, 100, 100));
    QVERIFY(charge(1, 3, 13, 1, 2000, 100, 100, 100));
    QVERIFY(m_t->exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON SvedNach_T2 WHEN OLD.T2_ID = 2 "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s));
    Silent silent;
    const ReplacementResult result = operation == 0
                                         ? calculateService(m_t->db(), 1, Period, false, silent)
                                         : setChargeTypes(m_t->db(), false, silent);
    QVERIFY(!result.ok);
    QCOMPARE(result.message, message);
    const QString untouched = u"1000/100/100/100/- "_s;
    const QString first =
        operation == 0 ? u"1/1/11/1/2000/100/200/200/-"_s : u"1/1/11/1/2000/100/100/100/5"_s;
    QCOMPARE(charges(), first + u" 1/2/12/1/2000/100/100/100/- 1/3/13/1/2000/100/100/100/-"_s);
    // The payer recount does not run after a refused charge, and nothing stays open.
    QCOMPARE(totals(1), u"99999 88888 77777 66666 2020-01-01"_s);
    QVERIFY(!m_t->db().inTransaction());
}

void TestReplacement::windowState()
{
    QVERIFY(payer(1));
    QVERIFY(charge(1, 1, 1, 13));
    TZamena_Form window(m_t->db(), Period);
    QCOMPARE(window.windowTitle(), u"Замена / Добавление / Удаление данных"_s);
    QVERIFY(window.minimumSize() == window.maximumSize());
    QVERIFY(window.width() <= 1270 && window.height() <= 640);
    QVERIFY(window.sizeHint().width() <= window.width());
    QVERIFY(window.sizeHint().height() <= window.height());

    auto* dez = window.findChild<LookupComboBox*>(u"DezVlad_RxDBLC"_s);
    QVERIFY(dez);
    QCOMPARE(dez->currentIndex(), 0);
    QCOMPARE(dez->keyValue().toString(),
             m_t->scalar(u"SELECT DezID FROM Sprav_Dez LIMIT 1"_s).toString());
    auto* inUse = window.findChild<LookupComboBox*>(u"ServiceDel_RxDBLC"_s);
    QVERIFY(inUse);
    QCOMPARE(inUse->count(), 1);
    QCOMPARE(inUse->itemText(0), u" 13.  Содержание мусоропровода"_s);
    auto* switchedOn = window.findChild<LookupComboBox*>(u"ServiceAdd_RxDBLC"_s);
    QCOMPARE(switchedOn->itemText(0), u" 1.  Содержание и ремонт жилого помещения"_s);
    QCOMPARE(switchedOn->count(),
             m_t->scalar(u"SELECT COUNT(DISTINCT ServiceID) FROM Sprav_Services WHERE Opt = 1"_s)
                 .toInt());

    for (const char* name : {"DezVlad_CB", "HouseBTI_CB", "Tariff_CB"})
        QVERIFY2(window.findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked(), name);
    auto* summa = window.findChild<QCheckBox*>(u"Summa_CB"_s);
    QVERIFY(summa->isChecked() && !summa->isEnabled());
    auto* onlyEmpty = window.findChild<QCheckBox*>(u"TypeNachNULL_CB"_s);
    auto* all = window.findChild<QCheckBox*>(u"TypeNach_CB"_s);
    QVERIFY(!onlyEmpty->isChecked() && !all->isChecked());
    onlyEmpty->click();
    QVERIFY(onlyEmpty->isChecked() && !all->isChecked());
    all->click();
    QVERIFY(!onlyEmpty->isChecked() && all->isChecked());
    all->click();
    QVERIFY(onlyEmpty->isChecked() && !all->isChecked());
    for (const char* name :
         {"T1DezVlad_BBtn", "T1HouseBTI_BBtn", "T1TotalSum_BBtn", "T2ServiceAdd_BBtn",
          "T2ServiceChange_BBtn", "T2ServiceDel_BBtn", "T2SumService_BBtn", "T2TypeNach_BBtn"})
        QCOMPARE(window.findChild<QPushButton*>(QString::fromLatin1(name))->text(),
                 u" Выполнить"_s);
}

void TestReplacement::confirmationDefaultsToNo_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("question");
    QTest::newRow("owner")
        << u"T1DezVlad_BBtn"_s
        << u"Будет изменена организация - владелец жилого фонда.\r\nВы уверены?"_s;
    QTest::newRow("house code")
        << u"T1HouseBTI_BBtn"_s
        << u"Будет поставлен код БТИ дома в соответствии с информацией,\r\nсодержащейся в "
           "справочнике домов.\r\nВы уверены?"_s;
    QTest::newRow("totals")
        << u"T1TotalSum_BBtn"_s
        << u"Будут поставлены общие суммы в соответствии\r\nс суммами по услугам.\r\nВы уверены?"_s;
    QTest::newRow("add") << u"T2ServiceAdd_BBtn"_s
                         << u"Будет добавлена выбранная услуга.\r\nПродолжить?"_s;
    QTest::newRow("replace") << u"T2ServiceChange_BBtn"_s
                             << u"Будет заменена услуга.\r\nПродолжить?"_s;
    QTest::newRow("delete") << u"T2ServiceDel_BBtn"_s
                            << u"Будет удалена выбранная услуга.\r\nВы уверены?"_s;
    QTest::newRow("charge type") << u"T2TypeNach_BBtn"_s
                                 << u"Будет поставлен признак вида начислений.\r\nВы уверены?"_s;
}

void TestReplacement::confirmationDefaultsToNo()
{
    QFETCH(QString, button);
    QFETCH(QString, question);
    QVERIFY(payer(1));
    QVERIFY(charge(1, 1, 1, 1, 1000, 500, 400));
    TZamena_Form window(m_t->db(), Period);
    // Every operation has what it needs, so that only the answer stops it.
    const QList<QPair<QString, int>> chosen{{u"ServiceAdd_RxDBLC"_s, 3},
                                            {u"ServiceChangeIN_RxDBLC"_s, 1},
                                            {u"ServiceChangeOUT_RxDBLC"_s, 2},
                                            {u"ServiceDel_RxDBLC"_s, 1}};
    for (const auto& [name, service] : chosen)
        window.findChild<LookupComboBox*>(name)->setKeyValue(service);
    window.findChild<QCheckBox*>(u"TypeNach_CB"_s)->click();
    const QString payersBefore =
        m_t->scalar(u"SELECT DezVladID || HouseID_BTI || SummaFull FROM SvedPotreb_T1"_s)
            .toString();
    const QString chargesBefore = charges();
    m_dialogs->answers << false;
    window.findChild<QPushButton*>(button)->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList{question});
    QCOMPARE(m_dialogs->questionDefaults, QList<Dialogs::Button>{Dialogs::Button::No});
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(charges(), chargesBefore);
    QCOMPARE(m_t->scalar(u"SELECT DezVladID || HouseID_BTI || SummaFull FROM SvedPotreb_T1"_s)
                 .toString(),
             payersBefore);
    QCOMPARE(totals(1), u"99999 88888 77777 66666 2020-01-01"_s);
}

void TestReplacement::serviceMustBeChosen_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("chosen"); // a lookup given a service, the others left empty
    QTest::newRow("add") << u"T2ServiceAdd_BBtn"_s << QString();
    QTest::newRow("replace, nothing chosen") << u"T2ServiceChange_BBtn"_s << QString();
    QTest::newRow("replace, only old") << u"T2ServiceChange_BBtn"_s << u"ServiceChangeIN_RxDBLC"_s;
    QTest::newRow("replace, only new") << u"T2ServiceChange_BBtn"_s << u"ServiceChangeOUT_RxDBLC"_s;
    QTest::newRow("delete") << u"T2ServiceDel_BBtn"_s << QString();
    QTest::newRow("calculate") << u"T2SumService_BBtn"_s << QString();
}

void TestReplacement::serviceMustBeChosen()
{
    QFETCH(QString, button);
    QFETCH(QString, chosen);
    QVERIFY(payer(1));
    QVERIFY(charge(1, 1, 1, 1));
    const QString before = charges();
    TZamena_Form window(m_t->db(), Period);
    if (!chosen.isEmpty())
        window.findChild<LookupComboBox*>(chosen)->setKeyValue(1);
    window.findChild<QPushButton*>(button)->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{u"Выберите услугу."_s});
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(charges(), before);
}

void TestReplacement::nothingWithoutPayers()
{
    TZamena_Form window(m_t->db(), Period);
    window.findChild<QCheckBox*>(u"TypeNach_CB"_s)->click();
    for (QPushButton* button : window.findChildren<QPushButton*>())
        button->click();
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestReplacement::windowRunsAnOperation()
{
    QVERIFY(payer(1));
    QVERIFY(payer(2));
    QVERIFY(charge(1, 1, 1, 1));
    TZamena_Form window(m_t->db(), Period);
    auto* add = window.findChild<LookupComboBox*>(u"ServiceAdd_RxDBLC"_s);
    add->setKeyValue(2);
    m_dialogs->answers << true;
    window.findChild<QPushButton*>(u"T2ServiceAdd_BBtn"_s)->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice),
             QStringList{u"Добавление услуги произведено."_s});
    QCOMPARE(m_t->scalar(u"SELECT COUNT(*) FROM SvedNach_T2 WHERE ServiceID = 2"_s).toInt(), 2);
    QVERIFY(window.findChild<QPushButton*>(u"T2ServiceAdd_BBtn"_s)->isEnabled());
    // The lists of services in use know the new service now.
    auto* del = window.findChild<LookupComboBox*>(u"ServiceDel_RxDBLC"_s);
    QCOMPARE(del->count(), 2);
    del->setKeyValue(2);
    m_dialogs->clear();
    m_dialogs->answers << true;
    window.findChild<QPushButton*>(u"T2ServiceDel_BBtn"_s)->click();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice),
             QStringList{u"Удаление услуги произведено."_s});
    QCOMPARE(del->count(), 1);
    QVERIFY(!del->keyValue().isValid() || del->keyValue().isNull());
    QCOMPARE(totals(2), u"0 0 0 0 2026-12-01"_s);
}

QTEST_MAIN(TestReplacement)
#include "tst_replacement.moc"
