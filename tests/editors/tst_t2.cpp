#include "FakeDialogs.h"
#include "InputFilters.h"
#include "KeyTyping.h"
#include "LookupComboBox.h"
#include "Query.h"
#include "RunState.h"
#include "T2.h"
#include "TestDatabase.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Payer 1 has an intercom-type lock (code 2) and two charges: the lock device without a
// supplier, and a zoned electricity charge whose catalogue variant the organisation does
// not provide (Opt = 0). Its totals are deliberately stale. Payer 2 has neither a lock
// nor charges.
const char16_t* const Fixture[] = {
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, ENumlsID, Numls, Name1, Name2, Name3,
        TypeLockID, TypeStoveID, SquareTotal, SummaFull, SummaWOBenefit, SummaFullReg, SummaWOBenefitReg)
        VALUES (1, 1, '2025-06-01', 1234567890, '100-1', 'Петров', 'Пётр', 'Петрович', 2, 1, 5420,
                1, 1, 1, 1),
               (2, 2, '2025-07-01', NULL, '100-2', 'Андреева', 'Анна', NULL, 0, 2, NULL,
                7, 7, 7, 7))",
    uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, PostID, Volume, Tariff,
        SummaService, SummaServiceWOBenefit, SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID)
        VALUES (1, 1, 1, 10, NULL, 1000, 5270, 5270, 5270, NULL, NULL, 6),
               (1, 2, 2, 158, 401, 120000, 700, 84000, 80000, 84000, 80000, 2))",
};

const QString CloseQuestion =
    u"Возможно некоторые данные были изменены.\r\nСохранить все внесенные изменения?"_s;

} // namespace

class TestT2 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void newChargeWindow();
    void editFillsControls_data();
    void editFillsControls();
    void serviceChoiceShowsBankCode();
    void saveNewCharge();
    void unequalSumsSavedEqual();
    void refusedSaveStaysOpen();
    void conversionErrorKeepsText();
    void failedWriteKeepsWindowOpen_data();
    void failedWriteKeepsWindowOpen();
    void editKeepsServiceAndSupplier_data();
    void editKeepsServiceAndSupplier();
    void closeWithNoResumsPayer();
    void unsavedNewChargeKeepsListPosition();
    void tariffButton_data();
    void tariffButton();
    void computeButton_data();
    void computeButton();
    void computeButtonReportsBadNumber();
    void copyButton_data();
    void copyButton();
    void chargeTypeButton();
    void enterFormatsAndSaves();
    void tabOrder();

private:
    QVariantMap row(const QString& sql);
    QVariantMap payer(int t1Id);
    QVariantMap charge(int t1Id, int t2Id);
    void open(EditorMode mode, int t1Id, int t2Id = 0);
    /// Fills every box of a new charge of service 5 (cold water) that passes the checks.
    void fillValidCharge();
    template <typename T> T* find(const char* name) const
    {
        T* widget = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qWarning("no control %s", name);
        return widget;
    }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QString label(const char* name) const { return find<QLabel>(name)->text(); }
    void click(const char* name) const { find<QPushButton>(name)->click(); }
    void setText(const char* name, const QString& text) const { edit(name)->setText(text); }
    QVariant value(const QString& sql) { return m_t->scalar(sql); }

    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TestDatabase> m_t;
    RunState m_state;
    std::unique_ptr<TT2_Form> m_form;
};

void TestT2::init()
{
    m_dialogs = std::make_unique<FakeDialogs>();
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    for (const char16_t* sql : Fixture)
        QVERIFY(m_t->exec(QString::fromUtf16(sql)));
    m_state = RunState();
    m_state.accountingPeriod = QDate(2025, 7, 1);
    m_state.posT2T1Id = 1;
    m_state.posT2Id = 2;
}

void TestT2::cleanup()
{
    m_form.reset();
    m_t.reset();
    m_dialogs.reset();
}

QVariantMap TestT2::row(const QString& sql)
{
    return m_t->row(sql);
}

QVariantMap TestT2::payer(int t1Id)
{
    return row(u"SELECT * FROM SvedPotreb_T1 WHERE T1_ID = %1"_s.arg(t1Id));
}

QVariantMap TestT2::charge(int t1Id, int t2Id)
{
    return row(u"SELECT * FROM SvedNach_T2 WHERE T1_ID = %1 AND T2_ID = %2"_s.arg(t1Id).arg(t2Id));
}

void TestT2::open(EditorMode mode, int t1Id, int t2Id)
{
    m_form = std::make_unique<TT2_Form>(m_t->db(), m_state, mode, payer(t1Id));
    if (mode == EditorMode::Edit)
        m_form->setCharge(charge(t1Id, t2Id));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestT2::fillValidCharge()
{
    find<LookupComboBox>("Service_RxDBLC")->setKeyValue(5);
    typeText(edit("Volume_E"), u"6,5"_s);
    typeText(edit("Tariff_E"), u"59,18"_s);
    typeText(edit("SummaService_E"), u"1234,56"_s);
    typeText(edit("SummaServiceWOBenefit_E"), u"1000,01"_s);
    typeText(edit("SummaServiceReg_E"), u"1234,56"_s);
    typeText(edit("SummaServiceWOBenefitReg_E"), u"999,99"_s);
    find<LookupComboBox>("TypeNach_RxDBLC")->setKeyValue(2);
}

void TestT2::newChargeWindow()
{
    open(EditorMode::New, 1);
    QCOMPARE(m_form->windowTitle(),
             u"Сведения о начисленной плате за жилые помещения, коммунальные и прочие услуги"_s);
    QCOMPARE(label("Numls_Label"), u"100-1"_s);
    QCOMPARE(label("ENumlsID_Label"), u"1234567890"_s);
    QCOMPARE(label("FIO_Label"), u"Петров Пётр Петрович"_s);
    QCOMPARE(label("GLOBAL_MES_OTCHET_Label"), u"Июль 2025 г."_s);
    // A new charge belongs to the accounting month, not to the payer's month.
    QCOMPARE(label("Mes_Label"), u"Июль 2025 г."_s);
    QCOMPARE(label("SquareTotal_Label"), u"54,20 кв.м."_s);
    // No service is chosen at the start: Save refuses until the operator picks one.
    QVERIFY(find<LookupComboBox>("Service_RxDBLC")->keyValue().isNull());
    QCOMPARE(label("ServiceBank_Label"), QString());
    QCOMPARE(find<LookupComboBox>("Service_RxDBLC")->maxVisibleItems(), 20);
    auto* post = find<LookupComboBox>("Post_RxDBLC");
    QVERIFY(!post->isEnabled());
    QCOMPARE(post->currentText(), u"не заполняется"_s);
    QCOMPARE(label("Post_Label"), u"0"_s);
    QVERIFY(find<LookupComboBox>("TypeNach_RxDBLC")->keyValue().isNull());
    QCOMPARE(CommonFnc::LengthLimitOf(edit("Volume_E")), 10);
    QCOMPARE(CommonFnc::LengthLimitOf(edit("SummaServiceWOBenefit_E")), 10);
    QCOMPARE(CommonFnc::LengthLimitOf(edit("SummaServiceReg_E")), -1);
    QCOMPARE(find<QPushButton>("Summa_BBtn")->text(), u" расчет "_s);
    QVERIFY(find<QPushButton>("CopySumm_BBtn")->text().isEmpty());
    QVERIFY(!m_form->isChanged());
}

void TestT2::editFillsControls_data()
{
    QTest::addColumn<int>("t2Id");
    QTest::addColumn<QVariant>("serviceKey");
    QTest::addColumn<QString>("serviceBank");
    QTest::addColumn<QString>("postLabel");
    QTest::addColumn<QString>("postShown");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("lock device by the payer's lock type, no supplier")
        << 1 << QVariant(11) << u"10"_s << u""_s << u"не заполняется"_s
        << QStringList{u"1,000"_s, u"52,70"_s, u"52,70"_s, u"52,70"_s, u"0,00"_s, u"0,00"_s};
    // The payer's stove picks variant 57, which the lookup does not list: it keeps the key.
    QTest::newRow("variant outside the organisation's list")
        << 2 << QVariant(57) << u"158"_s << u"401"_s
        << u"ПАО \"Городская энергосбытовая компания\""_s
        << QStringList{u"120,000"_s, u"7,00"_s, u"840,00"_s, u"800,00"_s, u"840,00"_s, u"800,00"_s};
}

void TestT2::editFillsControls()
{
    QFETCH(int, t2Id);
    QFETCH(QVariant, serviceKey);
    QFETCH(QString, serviceBank);
    QFETCH(QString, postLabel);
    QFETCH(QString, postShown);
    QFETCH(QStringList, boxes);

    open(EditorMode::Edit, 1, t2Id);
    QCOMPARE(find<LookupComboBox>("Service_RxDBLC")->keyValue().toInt(), serviceKey.toInt());
    QCOMPARE(label("ServiceBank_Label"), serviceBank);
    QCOMPARE(label("Post_Label"), postLabel);
    QCOMPARE(find<LookupComboBox>("Post_RxDBLC")->currentText(), postShown);
    const QStringList shown = {
        edit("Volume_E")->text(),          edit("Tariff_E")->text(),
        edit("SummaService_E")->text(),    edit("SummaServiceWOBenefit_E")->text(),
        edit("SummaServiceReg_E")->text(), edit("SummaServiceWOBenefitReg_E")->text()};
    QCOMPARE(shown, boxes);
    QCOMPARE(find<LookupComboBox>("TypeNach_RxDBLC")->keyValue(),
             charge(1, t2Id).value(u"TypeNachID"_s));
    QCOMPARE(label("Mes_Label"), u"Июнь 2025 г."_s);
    QVERIFY(!m_form->isChanged());
}

void TestT2::serviceChoiceShowsBankCode()
{
    open(EditorMode::New, 1);
    auto* service = find<LookupComboBox>("Service_RxDBLC");
    service->setCurrentIndex(service->findText(u"Запирающее устройство (Видеодомофон)"_s));
    QCOMPARE(label("ServiceBank_Label"), u"10"_s);
    QVERIFY(m_form->isChanged());
    service->setKeyValue(QVariant());
    QCOMPARE(label("ServiceBank_Label"), QString());
}

void TestT2::saveNewCharge()
{
    open(EditorMode::New, 2);
    fillValidCharge();
    QVERIFY(m_form->isChanged());
    click("Save_BBtn");

    QVERIFY2(m_dialogs->messages.isEmpty(),
             qPrintable(m_dialogs->texts(FakeDialogs::Kind::Error).join(u'\n')));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->result(), int(QDialog::Accepted));
    // The payer had no charges; the table's numbering continues after charge 2.
    QCOMPARE(m_form->t2Id(), 1);
    const QVariantMap saved = charge(2, 1);
    QCOMPARE(saved.value(u"NumT2"_s).toInt(), 3);
    QCOMPARE(saved.value(u"ServiceID"_s).toInt(), 5);
    QCOMPARE(saved.value(u"PostID"_s).toInt(), 0);
    QCOMPARE(saved.value(u"Volume"_s).toLongLong(), 6500);
    QCOMPARE(saved.value(u"Tariff"_s).toLongLong(), 5918);
    QCOMPARE(saved.value(u"SummaService"_s).toLongLong(), 123456);
    QCOMPARE(saved.value(u"SummaServiceWOBenefit"_s).toLongLong(), 100001);
    QCOMPARE(saved.value(u"SummaServiceReg"_s).toLongLong(), 123456);
    QCOMPARE(saved.value(u"SummaServiceWOBenefitReg"_s).toLongLong(), 99999);
    QCOMPARE(saved.value(u"TypeNachID"_s).toInt(), 2);
    // Closing re-summed the payer and pointed the charge list at the new record.
    QCOMPARE(payer(2).value(u"SummaFull"_s).toLongLong(), 123456);
    QCOMPARE(payer(2).value(u"SummaWOBenefitReg"_s).toLongLong(), 99999);
    QCOMPARE(m_state.posT2T1Id, 2);
    QCOMPARE(m_state.posT2Id, 1);
}

void TestT2::unequalSumsSavedEqual()
{
    open(EditorMode::New, 2);
    fillValidCharge();
    setText("SummaService_E", u"100,00"_s);
    setText("SummaServiceWOBenefit_E", u"120,00"_s);
    setText("SummaServiceReg_E", u"100,00"_s);
    setText("SummaServiceWOBenefitReg_E", u"100,00"_s);
    click("Save_BBtn");

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Warning),
             QStringList{u"Сумма начисленной платы за вычетом льготы не может быть больше\r\n"
                         "суммы начисленной платы за услугу.\r\n\r\n"
                         "При сохранении эти суммы станут равными."_s});
    QVERIFY(m_dialogs->texts(FakeDialogs::Kind::Error).isEmpty());
    QCOMPARE(edit("SummaServiceWOBenefit_E")->text(), u"100,00"_s);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(charge(2, 1).value(u"SummaService"_s).toLongLong(), 10000);
    QCOMPARE(charge(2, 1).value(u"SummaServiceWOBenefit"_s).toLongLong(), 10000);
}

void TestT2::refusedSaveStaysOpen()
{
    open(EditorMode::New, 2);
    typeText(edit("Volume_E"), u"1"_s);
    QVERIFY(m_form->isChanged());
    click("Save_BBtn");

    const QStringList errors = m_dialogs->texts(FakeDialogs::Kind::Error);
    QCOMPARE(errors.size(), 7); // every check that failed, volume aside
    QCOMPARE(errors.first(), u"Не выбрана услуга."_s);
    QVERIFY(m_form->isVisible());
    QCOMPARE(edit("Volume_E")->text(), u"1"_s);
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedNach_T2 WHERE T1_ID = 2"_s).toInt(), 0);
    // A refused save clears the flag: closing now asks nothing.
    QVERIFY(!m_form->isChanged());
    m_form->reject();
    QVERIFY(m_dialogs->texts(FakeDialogs::Kind::Question).isEmpty());
}

void TestT2::conversionErrorKeepsText()
{
    open(EditorMode::New, 2);
    fillValidCharge();
    setText("Tariff_E", u","_s);
    setText("SummaServiceReg_E", u"1,2,"_s);
    click("Save_BBtn");

    const QStringList errors = m_dialogs->texts(FakeDialogs::Kind::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(u"Ставка/тариф на услугу"_s), qPrintable(errors.first()));
    QVERIFY(m_form->isVisible());
    QCOMPARE(edit("Tariff_E")->text(), u","_s);
    QCOMPARE(value(u"SELECT COUNT(*) FROM SvedNach_T2 WHERE T1_ID = 2"_s).toInt(), 0);
}

void TestT2::failedWriteKeepsWindowOpen_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("message");

    QTest::newRow("insert") << false << u"Ошибка записи данных"_s;
    QTest::newRow("update") << true << u"Ошибка редактирования данных"_s;
}

// Guards against losing the operator's typing: a refused write must not close the window.
void TestT2::failedWriteKeepsWindowOpen()
{
    QFETCH(bool, editing);
    QFETCH(QString, message);

    QVERIFY(m_t->exec(u"CREATE TRIGGER refuse_insert BEFORE INSERT ON SvedNach_T2 "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s));
    QVERIFY(m_t->exec(u"CREATE TRIGGER refuse_update BEFORE UPDATE ON SvedNach_T2 "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s));
    open(editing ? EditorMode::Edit : EditorMode::New, editing ? 1 : 2, 1);
    if (!editing)
        fillValidCharge();
    setText("Tariff_E", u"77,77"_s);
    m_form->markChanged();
    click("Save_BBtn");

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), QStringList{message});
    QVERIFY(m_form->isVisible());
    QCOMPARE(edit("Tariff_E")->text(), u"77,77"_s);
    QVERIFY(m_form->isChanged());
}

void TestT2::editKeepsServiceAndSupplier_data()
{
    QTest::addColumn<int>("t2Id");
    QTest::addColumn<int>("serviceId");
    QTest::addColumn<int>("postId");

    // Editing a charge without changing its service passes the duplicate check.
    QTest::newRow("empty supplier is stored as 0") << 1 << 10 << 0;
    QTest::newRow("variant outside the list keeps its code") << 2 << 158 << 401;
}

void TestT2::editKeepsServiceAndSupplier()
{
    QFETCH(int, t2Id);
    QFETCH(int, serviceId);
    QFETCH(int, postId);

    open(EditorMode::Edit, 1, t2Id);
    setText("Tariff_E", u"6,66"_s);
    click("Save_BBtn");

    QVERIFY2(m_dialogs->messages.isEmpty(),
             qPrintable(m_dialogs->texts(FakeDialogs::Kind::Error).join(u'\n')));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->t2Id(), t2Id);
    const QVariantMap saved = charge(1, t2Id);
    QCOMPARE(saved.value(u"ServiceID"_s).toInt(), serviceId);
    QCOMPARE(saved.value(u"PostID"_s).toInt(), postId);
    QVERIFY(!saved.value(u"PostID"_s).isNull());
    QCOMPARE(saved.value(u"Tariff"_s).toLongLong(), 666);
    QCOMPARE(saved.value(u"NumT2"_s).toInt(), t2Id);
    QCOMPARE(m_state.posT2T1Id, 1);
    QCOMPARE(m_state.posT2Id, t2Id);
}

void TestT2::closeWithNoResumsPayer()
{
    open(EditorMode::Edit, 1, 1);
    typeText(edit("Tariff_E"), u"9"_s);
    QVERIFY(m_form->isChanged());
    m_dialogs->answers = {false};
    m_form->reject();

    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question), QStringList{CloseQuestion});
    QVERIFY(!m_form->isVisible());
    QCOMPARE(charge(1, 1).value(u"Tariff"_s).toLongLong(), 5270);
    // The stale totals now follow the stored charges, a NULL sum counted as 0.
    const QVariantMap totals = payer(1);
    QCOMPARE(totals.value(u"SummaFull"_s).toLongLong(), 89270);
    QCOMPARE(totals.value(u"SummaWOBenefit"_s).toLongLong(), 85270);
    QCOMPARE(totals.value(u"SummaFullReg"_s).toLongLong(), 84000);
    QCOMPARE(totals.value(u"SummaWOBenefitReg"_s).toLongLong(), 80000);
    QCOMPARE(m_state.posT2T1Id, 1);
    QCOMPARE(m_state.posT2Id, 1);
}

void TestT2::unsavedNewChargeKeepsListPosition()
{
    open(EditorMode::New, 2);
    m_form->reject();

    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_form->t2Id(), 0);
    QCOMPARE(payer(2).value(u"SummaFull"_s).toLongLong(), 0);
    QVERIFY(!payer(2).value(u"SummaFull"_s).isNull());
    QCOMPARE(m_state.posT2T1Id, 1);
    QCOMPARE(m_state.posT2Id, 2);
}

void TestT2::tariffButton_data()
{
    QTest::addColumn<QDate>("period");
    QTest::addColumn<QVariant>("serviceKey");
    QTest::addColumn<QString>("tariff");

    QTest::newRow("in force in the accounting month")
        << QDate(2025, 7, 1) << QVariant(11) << u"30,72"_s;
    QTest::newRow("earlier period") << QDate(2024, 3, 1) << QVariant(11) << u"25,00"_s;
    QTest::newRow("open latest period") << QDate(2026, 5, 1) << QVariant(1) << u"35,55"_s;
    QTest::newRow("no tariff in force") << QDate(2023, 12, 1) << QVariant(11) << u"0,00"_s;
    QTest::newRow("no service chosen") << QDate(2025, 7, 1) << QVariant() << u"1,11"_s;
}

void TestT2::tariffButton()
{
    QFETCH(QDate, period);
    QFETCH(QVariant, serviceKey);
    QFETCH(QString, tariff);

    m_state.accountingPeriod = period;
    open(EditorMode::New, 1);
    find<LookupComboBox>("Service_RxDBLC")->setKeyValue(serviceKey);
    setText("Tariff_E", u"1,11"_s);
    m_form->setChanged(false);
    click("SpravTariff_BBtn");
    QCOMPARE(edit("Tariff_E")->text(), tariff);
    QCOMPARE(m_form->isChanged(), !serviceKey.isNull());
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestT2::computeButton_data()
{
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("tariff");
    QTest::addColumn<QString>("lessBenefitBefore");
    QTest::addColumn<QString>("charge");
    QTest::addColumn<QString>("lessBenefit");

    // 0,5 × 2,01 is 1,00499999... in binary; RoundTo's small addition takes it to 1,01.
    QTest::newRow("half rounded up") << u"0,5"_s << u"2,01"_s << u""_s << u"1,01"_s << u"1,01"_s;
    QTest::newRow("less benefit already filled")
        << u"54,2"_s << u"31,24"_s << u"100,00"_s << u"1693,21"_s << u"100,00"_s;
    QTest::newRow("blank volume counts as 0")
        << u""_s << u"31,24"_s << u"  "_s << u"0,00"_s << u"0,00"_s;
}

void TestT2::computeButton()
{
    QFETCH(QString, volume);
    QFETCH(QString, tariff);
    QFETCH(QString, lessBenefitBefore);
    QFETCH(QString, charge);
    QFETCH(QString, lessBenefit);

    open(EditorMode::New, 1);
    setText("Volume_E", volume);
    setText("Tariff_E", tariff);
    setText("SummaServiceWOBenefit_E", lessBenefitBefore);
    setText("SummaServiceReg_E", u"5,00"_s);
    click("Summa_BBtn");
    QCOMPARE(edit("SummaService_E")->text(), charge);
    QCOMPARE(edit("SummaServiceWOBenefit_E")->text(), lessBenefit);
    QCOMPARE(edit("SummaServiceReg_E")->text(), u"5,00"_s);
    QVERIFY(m_form->isChanged());
}

void TestT2::computeButtonReportsBadNumber()
{
    open(EditorMode::New, 1);
    setText("Volume_E", u","_s);
    setText("Tariff_E", u"2,00"_s);
    setText("SummaService_E", u"7,00"_s);
    click("Summa_BBtn");
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error).size(), 1);
    QCOMPARE(edit("Volume_E")->text(), u","_s);
    QCOMPARE(edit("SummaService_E")->text(), u"7,00"_s);
}

void TestT2::copyButton_data()
{
    QTest::addColumn<QString>("charge");
    QTest::addColumn<QString>("lessBenefit");
    QTest::addColumn<QString>("registered");
    QTest::addColumn<QString>("registeredLessBenefit");

    QTest::newRow("both positive") << u"50,00"_s << u"40,00"_s << u"50,00"_s << u"40,00"_s;
    QTest::newRow("zero charge is not copied")
        << u"0,00"_s << u"40,00"_s << u"9,99"_s << u"40,00"_s;
    QTest::newRow("blank less benefit is not copied")
        << u"50,00"_s << u""_s << u"50,00"_s << u"9,99"_s;
}

void TestT2::copyButton()
{
    QFETCH(QString, charge);
    QFETCH(QString, lessBenefit);
    QFETCH(QString, registered);
    QFETCH(QString, registeredLessBenefit);

    open(EditorMode::New, 1);
    setText("SummaService_E", charge);
    setText("SummaServiceWOBenefit_E", lessBenefit);
    setText("SummaServiceReg_E", u"9,99"_s);
    setText("SummaServiceWOBenefitReg_E", u"9,99"_s);
    click("CopySumm_BBtn");
    QCOMPARE(edit("SummaServiceReg_E")->text(), registered);
    QCOMPARE(edit("SummaServiceWOBenefitReg_E")->text(), registeredLessBenefit);
    QVERIFY(!m_form->isChanged());
}

void TestT2::chargeTypeButton()
{
    open(EditorMode::New, 1);
    auto* type = find<LookupComboBox>("TypeNach_RxDBLC");
    find<LookupComboBox>("Service_RxDBLC")->setKeyValue(4); // heating: common meter
    m_form->setChanged(false);
    click("SootvTypeNach_BBtn");
    QCOMPARE(type->keyValue().toInt(), 3);
    QVERIFY(m_form->isChanged());

    // No service code: the charge type is emptied.
    find<LookupComboBox>("Service_RxDBLC")->setKeyValue(QVariant());
    click("SootvTypeNach_BBtn");
    QVERIFY(type->keyValue().isNull());
}

void TestT2::enterFormatsAndSaves()
{
    open(EditorMode::New, 2);
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    fillValidCharge();
    QLineEdit* box = edit("SummaServiceWOBenefitReg_E");
    box->setText(QString());
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    typeText(box, u"12,5"_s);
    QTest::keyClick(box, Qt::Key_Return);

    QVERIFY2(m_dialogs->messages.isEmpty(),
             qPrintable(m_dialogs->texts(FakeDialogs::Kind::Error).join(u'\n')));
    QCOMPARE(box->text(), u"12,50"_s);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(charge(2, 1).value(u"SummaServiceWOBenefitReg"_s).toLongLong(), 1250);
}

void TestT2::tabOrder()
{
    open(EditorMode::New, 1);
    const QStringList expected = {u"Service_RxDBLC"_s,
                                  u"Post_RxDBLC"_s,
                                  u"Volume_E"_s,
                                  u"Tariff_E"_s,
                                  u"SpravTariff_BBtn"_s,
                                  u"SummaService_E"_s,
                                  u"Summa_BBtn"_s,
                                  u"SummaServiceWOBenefit_E"_s,
                                  u"CopySumm_BBtn"_s,
                                  u"SummaServiceReg_E"_s,
                                  u"SummaServiceWOBenefitReg_E"_s,
                                  u"TypeNach_RxDBLC"_s,
                                  u"SootvTypeNach_BBtn"_s,
                                  u"Save_BBtn"_s};
    QStringList chain;
    QWidget* w = find<QWidget>("Service_RxDBLC");
    for (int i = 0; i < 100 && chain.size() < expected.size(); ++i) {
        if (expected.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
        w = w->nextInFocusChain();
    }
    QCOMPARE(chain, expected);
}

QTEST_MAIN(TestT2)
#include "tst_t2.moc"
