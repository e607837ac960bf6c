#include "Exporter.h"
#include "FakeDialogs.h"
#include "Importer.h"
#include "Pereschet.h"
#include "Recalculation.h"
#include "TestDatabase.h"

#include <QListWidget>
#include <QPushButton>
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

Decimal money(qint64 kopecks)
{
    return Decimal::fromUnits(kopecks, 2);
}

} // namespace

namespace {

/// Hears nothing of the import and the checks but their findings.
class Findings final : public Exchange::ImportListener, public Exchange::ExportListener
{
public:
    void linesCounted(qint64, qint64, qint64) override {}
    void linesRead(Exchange::FileKind, qint64) override {}
    void payerLineRead(const QDate&, const QVariant&) override {}
    void errorAdded(int file, qint64 line, const QString& message) override
    {
        rows << u"%1|%2|%3"_s.arg(file).arg(line).arg(message);
    }
    void stepDone(int) override {}
    void failure(const QString& message) override { rows << message; }
    void checkFinding(int file, qint64 number, const QString& message) override
    {
        rows << u"%1|%2|%3"_s.arg(file).arg(number).arg(message);
    }
    QStringList rows;
};

} // namespace

class TestRecalculation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void sums_data();
    void sums();
    void variantsAndTariffs();
    void missingTariffsChangeNothing();
    void payersGetTheirTotalsAndThePeriod();
    void failureKeepsWhatWasDone_data();
    void failureKeepsWhatWasDone();
    void window();
    void demoStatementStaysFitForExport();

private:
    bool payer(int t1, int typeLock, int typeStove);
    bool charge(int t1, int t2, int serviceId, qint64 volume, qint64 summa, qint64 woBenefit);
    QString sumsOf(int t1, int t2);

    std::unique_ptr<TestDatabase> m_t;
    std::unique_ptr<FakeDialogs> m_dialogs;
};

void TestRecalculation::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_dialogs = std::make_unique<FakeDialogs>();
}

void TestRecalculation::cleanup()
{
    m_dialogs.reset();
    m_t.reset();
}

bool TestRecalculation::payer(int t1, int typeLock, int typeStove)
{
    return m_t->exec(
        u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, TypeLockID, TypeStoveID, Mes, SummaFull) "
        "VALUES (%1, %1, %2, %3, '2020-01-01', 99999)"_s.arg(t1)
            .arg(typeLock < 0 ? u"NULL"_s : QString::number(typeLock))
            .arg(typeStove));
}

bool TestRecalculation::charge(int t1, int t2, int serviceId, qint64 volume, qint64 summa,
                               qint64 woBenefit)
{
    return m_t->exec(
        u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, Volume, SummaService, "
        "SummaServiceWOBenefit) VALUES (%1, %2, %3, %4, %5, %6, %7)"_s.arg(t1)
            .arg(t2)
            .arg(t1 * 100 + t2)
            .arg(serviceId)
            .arg(volume)
            .arg(summa)
            .arg(woBenefit));
}

QString TestRecalculation::sumsOf(int t1, int t2)
{
    const QVariantMap row = m_t->row(
        u"SELECT Tariff, SummaService, SummaServiceWOBenefit, SummaServiceReg, "
        "SummaServiceWOBenefitReg FROM SvedNach_T2 WHERE T1_ID = %1 AND T2_ID = %2"_s.arg(t1)
            .arg(t2));
    return QStringList{row.value(u"Tariff"_s).toString(), row.value(u"SummaService"_s).toString(),
                       row.value(u"SummaServiceWOBenefit"_s).toString(),
                       row.value(u"SummaServiceReg"_s).toString(),
                       row.value(u"SummaServiceWOBenefitReg"_s).toString()}
        .join(u' ');
}

void TestRecalculation::sums_data()
{
    QTest::addColumn<qint64>("tariff");  // kopecks
    QTest::addColumn<qint64>("volume");  // thousandths
    QTest::addColumn<qint64>("summa");   // old, kopecks
    QTest::addColumn<qint64>("benefit"); // old without benefit, kopecks
    QTest::addColumn<qint64>("newSumma");
    QTest::addColumn<qint64>("newBenefit");

    QTest::newRow("share of the benefit kept") << qint64(2500) << qint64(10000) << qint64(20000)
                                               << qint64(15000) << qint64(25000) << qint64(18750);
    QTest::newRow("no benefit stays none") << qint64(2500) << qint64(10000) << qint64(20000)
                                           << qint64(0) << qint64(25000) << qint64(0);
    QTest::newRow("old charge zero")
        << qint64(2500) << qint64(10000) << qint64(0) << qint64(500) << qint64(25000) << qint64(0);
    QTest::newRow("old charge negative") << qint64(2500) << qint64(10000) << qint64(-100)
                                         << qint64(-50) << qint64(25000) << qint64(0);
    QTest::newRow("capped at the charge") << qint64(2500) << qint64(10000) << qint64(100)
                                          << qint64(300) << qint64(25000) << qint64(25000);
    // 1,255 × 31,24 = 39,2062 → 39,21; 39,21 × 1/3 = 13,07
    QTest::newRow("kopecks rounded half away") << qint64(3124) << qint64(1255) << qint64(300)
                                               << qint64(100) << qint64(3921) << qint64(1307);
    QTest::newRow("a half kopeck rounds up")
        << qint64(1) << qint64(500) << qint64(0) << qint64(0) << qint64(1) << qint64(0);
}

void TestRecalculation::sums()
{
    QFETCH(qint64, tariff);
    QFETCH(qint64, volume);
    QFETCH(qint64, summa);
    QFETCH(qint64, benefit);
    QFETCH(qint64, newSumma);
    QFETCH(qint64, newBenefit);
    const ChargeSums sums = recalculatedSums(money(tariff), Decimal::fromUnits(volume, 3),
                                             money(summa), money(benefit));
    QCOMPARE(sums.summa.units(), newSumma);
    QCOMPARE(sums.summaWoBenefit.units(), newBenefit);
}

void TestRecalculation::variantsAndTariffs()
{
    // Payer 1: lock type 2, stove type 1; payer 2: no lock type (0), stove type 2.
    QVERIFY(payer(1, 2, 1));
    QVERIFY(payer(2, 0, 2));
    QVERIFY(charge(1, 1, 1, 10000, 20000, 15000)); // variant 0
    QVERIFY(charge(1, 2, 10, 1000, 100, 100));     // lock variant 2
    QVERIFY(charge(1, 3, 20, 2000, 100, 100));     // stove variant 1
    QVERIFY(charge(2, 1, 10, 1000, 500, 500));     // lock type 0: no variant, priced 0
    QVERIFY(charge(2, 2, 20, 1000, 100, 100));     // stove variant 2
    const auto tariff = [&](int serviceId, int variant) {
        return m_t
            ->scalar(u"SELECT tb.SummaT FROM TariffBank tb JOIN Sprav_Services ss ON "
                     u"ss.ServiceTotalID = "
                     "tb.ServiceTotalID WHERE ss.ServiceID = %1 AND ss.ServiceWideID = %2 AND "
                     "tb.DateStart <= "
                     "'2026-12-01' AND (tb.DateEnd IS NULL OR tb.DateEnd > '2026-12-01')"_s
                         .arg(serviceId)
                         .arg(variant))
            .toLongLong();
    };
    QVERIFY(missingTariffs(m_t->db(), Period).isEmpty());
    Silent silent;
    const RecalculationResult result = recalculate(m_t->db(), Period, silent);
    QCOMPARE(result.outcome, RecalculationResult::Outcome::Done);
    QCOMPARE(result.charges, 5);
    const auto expect = [&](int t1, int t2, qint64 t, qint64 volume, qint64 s0, qint64 b0) {
        const ChargeSums sums =
            recalculatedSums(money(t), Decimal::fromUnits(volume, 3), money(s0), money(b0));
        const QString s = QString::number(sums.summa.units());
        const QString b = QString::number(sums.summaWoBenefit.units());
        QCOMPARE(sumsOf(t1, t2), QString::number(t) + u' ' + s + u' ' + b + u' ' + s + u' ' + b);
    };
    expect(1, 1, tariff(1, 0), 10000, 20000, 15000);
    expect(1, 2, tariff(10, 2), 1000, 100, 100);
    expect(1, 3, tariff(20, 1), 2000, 100, 100);
    QCOMPARE(sumsOf(2, 1), u"0 0 0 0 0"_s);
    expect(2, 2, tariff(20, 2), 1000, 100, 100);
    QVERIFY(tariff(20, 1) != tariff(20, 2));
}

void TestRecalculation::missingTariffsChangeNothing()
{
    QVERIFY(payer(1, 0, 1));
    QVERIFY(charge(1, 1, 1, 10000, 20000, 15000));
    QVERIFY(charge(1, 2, 10, 1000, 100, 100)); // no lock type: never missing
    QVERIFY(charge(1, 3, 20, 1000, 100, 100));
    QVERIFY(m_t->exec(u"DELETE FROM TariffBank"_s));
    QStringList missing = missingTariffs(m_t->db(), Period);
    QCOMPARE(missing.size(), 2);
    // The service by its name, the gas by its name and its stove variant.
    QVERIFY(missing.contains(
        m_t->scalar(u"SELECT ServiceName FROM Sprav_Services WHERE ServiceID = 1"_s).toString()));
    const QString gas =
        m_t->scalar(u"SELECT ServiceName || ' (' || ServiceWideName || ')' FROM Sprav_Services "
                    "WHERE ServiceID = 20 AND ServiceWideID = 1"_s)
            .toString();
    QVERIFY2(missing.contains(gas), qPrintable(missing.join(u'|')));

    // The window lists them, says why and changes nothing.
    TPereschet_Form window(m_t->db(), Period);
    window.Pereschet_BBtnClick();
    auto* list = window.findChild<QListWidget*>(u"SearchNULLTariff_RxDBG"_s);
    QVERIFY(list->isEnabled());
    QCOMPARE(list->count(), 2);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error).size(), 1);
    QVERIFY(m_dialogs->texts(FakeDialogs::Kind::Question).isEmpty());
    QCOMPARE(sumsOf(1, 1), u" 20000 15000  "_s);
}

void TestRecalculation::payersGetTheirTotalsAndThePeriod()
{
    QVERIFY(payer(1, 0, 1));
    QVERIFY(payer(2, 0, 1)); // no charges
    QVERIFY(charge(1, 1, 1, 10000, 20000, 15000));
    QVERIFY(charge(1, 2, 2, 5000, 100, 100));
    Silent silent;
    QCOMPARE(recalculate(m_t->db(), Period, silent).payers, 2);
    const QVariantMap one = m_t->row(u"SELECT * FROM SvedPotreb_T1 WHERE T1_ID = 1"_s);
    const qint64 sf =
        m_t->scalar(u"SELECT SUM(SummaService) FROM SvedNach_T2 WHERE T1_ID = 1"_s).toLongLong();
    const qint64 swob =
        m_t->scalar(u"SELECT SUM(SummaServiceWOBenefit) FROM SvedNach_T2 WHERE T1_ID = 1"_s)
            .toLongLong();
    QCOMPARE(one.value(u"SummaFull"_s).toLongLong(), sf);
    QCOMPARE(one.value(u"SummaWOBenefit"_s).toLongLong(), swob);
    QCOMPARE(one.value(u"SummaFullReg"_s).toLongLong(), sf);
    QCOMPARE(one.value(u"SummaWOBenefitReg"_s).toLongLong(), swob);
    QCOMPARE(one.value(u"Mes"_s).toString(), u"2026-12-01"_s);
    const QVariantMap two = m_t->row(u"SELECT * FROM SvedPotreb_T1 WHERE T1_ID = 2"_s);
    for (const char* field : {"SummaFull", "SummaWOBenefit", "SummaFullReg", "SummaWOBenefitReg"})
        QCOMPARE(two.value(QString::fromLatin1(field)).toLongLong(), 0);
    QCOMPARE(two.value(u"Mes"_s).toString(), u"2026-12-01"_s);
}

void TestRecalculation::failureKeepsWhatWasDone_data()
{
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("charges");
    QTest::addColumn<int>("payers");
    // Enough payers that the statement is written in many parts: the refusal falls inside
    // one, after others are through and after a charge of its own part.
    QTest::newRow("charge")
        << u"BEFORE UPDATE ON SvedNach_T2 WHEN OLD.T1_ID = 151 AND OLD.T2_ID = 2"_s
        << u"Ошибка изменения данных.\r\nНомер строки файла со сведениями о начислениях 15102"_s
        << 150 * 3 + 1 << 0;
    QTest::newRow("payer")
        << u"BEFORE UPDATE ON SvedPotreb_T1 WHEN OLD.T1_ID = 151"_s
        << u"Ошибка изменения общей суммы.\r\nНомер строки файла со сведениями о потребителе услуг 151"_s
        << 250 * 3 << 150;
}

void TestRecalculation::failureKeepsWhatWasDone()
{
    QFETCH(QString, refusal);
    QFETCH(QString, message);
    QFETCH(int, charges);
    QFETCH(int, payers);
    for (int t1 = 1; t1 <= 250; ++t1) {
        QVERIFY(payer(t1, 0, 1));
        QVERIFY(charge(t1, 1, 1, 10000, 20000, 15000));
        QVERIFY(charge(t1, 2, 1, 20000, 100, 100));
        QVERIFY(charge(t1, 3, 1, 30000, 100, 100));
    }
    QVERIFY(m_t->exec(u"CREATE TRIGGER refuse "_s + refusal +
                      u" BEGIN SELECT RAISE(ABORT, 'refused'); END"_s));
    Silent silent;
    const RecalculationResult result = recalculate(m_t->db(), Period, silent);
    QCOMPARE(result.outcome, RecalculationResult::Outcome::Failed);
    QCOMPARE(result.message, message);
    QCOMPARE(result.charges, charges);
    QCOMPARE(result.payers, payers);
    const QString untouched = u" 100 100  "_s;
    QCOMPARE(m_t->scalar(u"SELECT COUNT(*) FROM SvedNach_T2 WHERE Tariff IS NOT NULL"_s).toInt(),
             charges);
    QCOMPARE(m_t->scalar(u"SELECT COUNT(*) FROM SvedPotreb_T1 WHERE Mes = '2026-12-01'"_s).toInt(),
             payers);
    if (payers == 0) {
        QVERIFY(sumsOf(150, 3) != untouched);
        QVERIFY(sumsOf(151, 1) != u" 20000 15000  "_s);
        QCOMPARE(sumsOf(151, 2), untouched);
        QCOMPARE(sumsOf(152, 1), u" 20000 15000  "_s);
    } else {
        QCOMPARE(m_t->scalar(u"SELECT Mes FROM SvedPotreb_T1 WHERE T1_ID = 150"_s).toString(),
                 u"2026-12-01"_s);
        QCOMPARE(m_t->scalar(u"SELECT Mes FROM SvedPotreb_T1 WHERE T1_ID = 152"_s).toString(),
                 u"2020-01-01"_s);
    }
    QVERIFY(!m_t->db().inTransaction());
}

void TestRecalculation::window()
{
    QVERIFY(payer(1, 0, 1));
    QVERIFY(charge(1, 1, 1, 10000, 20000, 15000));
    {
        TPereschet_Form window(m_t->db(), Period);
        m_dialogs->answers << false;
        window.Pereschet_BBtnClick();
        QCOMPARE(m_dialogs->questionDefaults, QList<Dialogs::Button>{Dialogs::Button::No});
        QCOMPARE(sumsOf(1, 1), u" 20000 15000  "_s);
    }
    m_dialogs->clear();
    TPereschet_Form window(m_t->db(), Period);
    m_dialogs->answers << true;
    window.Pereschet_BBtnClick();
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Notice), QStringList{u"Перерасчет произведен."_s});
    QVERIFY(sumsOf(1, 1) != u" 20000 15000  "_s);
}

void TestRecalculation::demoStatementStaysFitForExport()
{
    const QString dir = QStringLiteral(ORBELON_SAMPLES_DIR) + u'/';
    Findings findings;
    Exchange::Importer(m_t->db()).run(dir + u"P1_117_122026.TXT"_s, dir + u"P2_117_122026.TXT"_s,
                                      dir + u"P3_117_122026.TXT"_s, findings);
    QVERIFY2(findings.rows.isEmpty(), qPrintable(findings.rows.join(u'\n')));
    QVERIFY(missingTariffs(m_t->db(), Period).isEmpty());
    Silent silent;
    const RecalculationResult result = recalculate(m_t->db(), Period, silent);
    QCOMPARE(result.outcome, RecalculationResult::Outcome::Done);
    QCOMPARE(result.charges, m_t->scalar(u"SELECT COUNT(*) FROM SvedNach_T2"_s).toLongLong());
    // Every charge carries the tariff of its variant now, and the totals agree again.
    QCOMPARE(
        m_t->scalar(u"SELECT COUNT(*) FROM SvedNach_T2 WHERE SummaServiceReg <> SummaService"_s)
            .toInt(),
        0);
    const Exchange::CheckResult checked = Exchange::Exporter(m_t->db()).checkBeforeExport(findings);
    QVERIFY2(checked.passed, qPrintable(findings.rows.join(u'\n')));
}

QTEST_MAIN(TestRecalculation)
#include "tst_recalculation.moc"
