// Every window must fit a laptop screen (1366×768 less a panel: 1280×680 with its frame),
// with nothing cut: a window too tall for it has its buttons off the screen.

#include "About.h"
#include "FakeDialogs.h"
#include "Main.h"
#include "OpenFile.h"
#include "Acts.h"
#include "Kvitok.h"
#include "Pereschet.h"
#include "Search.h"
#include "Preview.h"
#include "ReportEngine.h"
#include "RecordSet.h"
#include "RunState.h"
#include "SaveFile.h"
#include "SpravDez.h"
#include "SpravDezEdit.h"
#include "SpravHousesBTI.h"
#include "SpravHousesBTIEdit.h"
#include "SpravServices.h"
#include "SpravStreet.h"
#include "TariffBank.h"
#include "TariffBankEdit.h"
#include "TariffBankEditDetail.h"
#include "Start.h"
#include "T1.h"
#include "T1_SelectHousesBTI.h"
#include "T1_TotalSumContext.h"
#include "T2.h"
#include "T3.h"
#include "TestDatabase.h"
#include "UserDataWindows.h"
#include "Zamena.h"

#include <QLayout>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// The screen less the window manager's title bar and borders.
constexpr int ScreenWidth = 1280;
constexpr int ScreenHeight = 680;
constexpr int FrameWidth = 10;
constexpr int FrameHeight = 40;

const char16_t* const Payer =
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, ENumlsID, Numls, Name1, Name2, Name3,
        DezVladID, MO, StreetID_BTI, HouseNum, FlatNum, PplCntReg, SquareTotal, SquareLive,
        TypeLockID, TypeStoveID)
        VALUES (1, 1, '2026-12-01', 1234567899, '100-1', 'Константинопольская',
                'Александра', 'Константиновна', 117, 2, 6422456, '19', '12а', 1, 5420, 3810, 0, 1))";

} // namespace

class TestWindowSizes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void windowsFitTheScreen_data();
    void windowsFitTheScreen();
    void mainWindowShrinksToTheScreen();

private:
    std::unique_ptr<QWidget> create(const QString& window);

    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TestDatabase> m_t;
    RunState m_state;
};

void TestWindowSizes::initTestCase()
{
    m_dialogs = std::make_unique<FakeDialogs>();
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    QVERIFY(m_t->exec(QString::fromUtf16(Payer)));
    m_state.accountingPeriod = QDate(2026, 12, 1);
}

void TestWindowSizes::cleanupTestCase()
{
    m_t.reset();
    m_dialogs.reset();
}

std::unique_ptr<QWidget> TestWindowSizes::create(const QString& window)
{
    QVariantMap payer;
    RecordSet rows;
    if (rows.open(m_t->db(), u"SELECT * FROM SvedPotreb_T1"_s))
        payer = rows.rowValues(0);
    if (window == u"payer")
        return std::make_unique<TT1_Form>(m_t->db(), m_state, EditorMode::New);
    if (window == u"house chooser")
        return std::make_unique<TT1_SelectHousesBTI_Form>(m_t->db(), 6422456);
    if (window == u"charge")
        return std::make_unique<TT2_Form>(m_t->db(), m_state, EditorMode::New, payer);
    if (window == u"person")
        return std::make_unique<TT3_Form>(m_t->db(), m_state, EditorMode::New, payer);
    if (window == u"payer totals") {
        auto form = std::make_unique<TT1_TotalSumContext_Form>(m_t->db());
        form->showPayer(payer);
        return form;
    }
    if (window == u"import")
        return std::make_unique<TOpenFile_Form>(m_t->db(), m_state);
    if (window == u"export")
        return std::make_unique<TSaveFile_Form>(m_t->db(), m_state, 117,
                                                u"ГБУ «Жилищник района Арбат»"_s);
    if (window == u"preview") {
        Report::Template report(u"Сводная ведомость"_s);
        report.addBand(Report::BandKind::ReportTitle, 40);
        report.addText(u"Title_Memo"_s, {40, 0, 600, 30}, u"Сводная ведомость передаваемой информации"_s);
        return std::make_unique<TPreview_Form>(Report::prepare(report));
    }
    if (window == u"organisations")
        return std::make_unique<TSpravDez_Form>(m_t->db());
    if (window == u"organisation")
        return std::make_unique<TSpravDezEdit_Form>(m_t->db(), TSpravDezEdit_Form::Mode::Add);
    if (window == u"services")
        return std::make_unique<TSpravServices_Form>(m_t->db());
    if (window == u"replacement")
        return std::make_unique<TZamena_Form>(m_t->db(), QDate(2026, 12, 1));
    if (window == u"recalculation")
        return std::make_unique<TPereschet_Form>(m_t->db(), QDate(2026, 12, 1));
    if (window == u"houses")
        return std::make_unique<TSpravHousesBTI_Form>(m_t->db());
    if (window == u"house")
        return std::make_unique<TSpravHousesBTIEdit_Form>(m_t->db(), TSpravHousesBTIEdit_Form::Mode::Add,
                                                          RefBooks::HouseStreet{192, 6422456}, u"ул. Ленина"_s);
    if (window == u"streets")
        return std::make_unique<TSpravStreet_Form>(m_t->db());
    if (window == u"tariffs")
        return std::make_unique<TTariffBank_Form>(m_t->db());
    if (window == u"tariff periods")
        return std::make_unique<TTariffBankEdit_Form>(m_t->db(), 1, u"Содержание и ремонт жилого помещения"_s,
                                                      QString(), u"кв.м"_s);
    if (window == u"tariff period") {
        static QList<RefBooks::TariffPeriod> periods;
        return std::make_unique<TTariffBankEditDetail_Form>(m_t->db(), 1, u"Тарифы на услугу"_s, QString(), periods,
                                                            -1, true);
    }
    if (window == u"receipts")
        return std::make_unique<TKvitok_Form>(m_t->db(), 117, QDate(2026, 12, 1));
    if (window == u"acts")
        return std::make_unique<TActs_Form>(m_t->db(), Acts::Heading{u"ТСЖ"_s, 117, QDate(2026, 12, 1)});
    if (window == u"lists")
        return std::make_unique<TPrintSpisok_Form>(m_t->db(), Acts::Heading{u"ТСЖ"_s, 117, QDate(2026, 12, 1)});
    if (window == u"user data save")
        return std::make_unique<TUserDataSave_Form>(m_t->db());
    if (window == u"user data restore")
        return std::make_unique<TUserDataRestore_Form>(m_t->db());
    if (window == u"search")
        return std::make_unique<TSearch_Form>(m_state, nullptr);
    if (window == u"about")
        return std::make_unique<TAbout_Form>();
    if (window == u"greeting")
        return std::make_unique<TStart_Form>(60000);
    return {};
}

void TestWindowSizes::windowsFitTheScreen_data()
{
    QTest::addColumn<QString>("window");
    for (const char* name : {"payer", "house chooser", "charge", "person", "payer totals", "import",
                             "export", "preview", "organisations", "organisation", "services", "recalculation", "replacement", "streets", "houses", "house", "tariffs", "tariff periods",
                             "tariff period", "search", "receipts", "acts", "lists", "user data save", "user data restore", "about",
                             "greeting"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestWindowSizes::windowsFitTheScreen()
{
    QFETCH(QString, window);
    std::unique_ptr<QWidget> form = create(window);
    QVERIFY(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const QSize size = form->size();
    QVERIFY2(size.width() <= ScreenWidth - FrameWidth &&
                 size.height() <= ScreenHeight - FrameHeight,
             qPrintable(u"%1×%2"_s.arg(size.width()).arg(size.height())));
    // Nothing cut: the window is at least as large as what its layout needs.
    if (QLayout* layout = form->layout()) {
        const QSize needed = layout->totalMinimumSize();
        QVERIFY2(size.width() >= needed.width() && size.height() >= needed.height(),
                 qPrintable(u"%1×%2 for %3×%4"_s.arg(size.width())
                                .arg(size.height())
                                .arg(needed.width())
                                .arg(needed.height())));
    }
    form->hide();
}

void TestWindowSizes::mainWindowShrinksToTheScreen()
{
    TMain_Form form(TMain_Form::Options{.greetingTickMs = 1, .workingDirectory = m_t->directory()});
    QSignalSpy started(&form, &TMain_Form::startUpFinished);
    form.show();
    QVERIFY(started.wait(10000));
    const QSize size = form.size();
    const QSize minimum = form.minimumSize();
    QVERIFY2(size.width() <= ScreenWidth - FrameWidth &&
                 size.height() <= ScreenHeight - FrameHeight,
             qPrintable(u"%1×%2"_s.arg(size.width()).arg(size.height())));
    QVERIFY2(minimum.width() <= size.width() && minimum.height() <= size.height(),
             qPrintable(u"minimum %1×%2"_s.arg(minimum.width()).arg(minimum.height())));
    m_dialogs->answers = {true};
    form.close();
}

QTEST_MAIN(TestWindowSizes)
#include "tst_windowsizes.moc"
