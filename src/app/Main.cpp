#include "Main.h"

#include "About.h"
#include "AppInfo.h"
#include "DataGrid.h"
#include "Dialogs.h"
#include "Format.h"
#include "GridRoutines.h"
#include "LookupComboBox.h"
#include "RecordSetModel.h"
#include "Start.h"
#include "T1_TotalSumContext.h"
#include "WaitCursor.h"
#include "WorkingData.h"
#include "WorkingStatement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString ExitQuestion =
    u"Вы действительно хотите закончить работу и выйти из программы?\r\n\r\n"
    "Если Вы не сохранили файлы, то вся введенная информация\r\n"
    "со сведениями:\r\n"
    "- о плательщиках за услуги,\r\n"
    "- o начислениях за услуги,\r\n"
    "- o лицах, учитываемых при расчете платы за услуги,\r\n"
    "будет утеряна."_s;

} // namespace

TMain_Form::TMain_Form(QWidget* parent)
    : TMain_Form(Options{}, parent)
{}

TMain_Form::TMain_Form(const Options& options, QWidget* parent)
    : QMainWindow(parent)
    , m_options(options)
{
    setObjectName(u"Main_Form"_s);

    auto* central = new QWidget(this);
    setCentralWidget(central);

    // The organisation and the month of the statement.
    Dez_RxDBLC = new LookupComboBox(central);
    Dez_RxDBLC->setObjectName(u"Dez_RxDBLC"_s);
    // No organisation chosen means no organisation, whatever code the payers carry.
    Dez_RxDBLC->setKeepsUnknownKey(false);
    Dez_RxDBLC->setMinimumContentsLength(40);
    Mes_CB = new QComboBox(central);
    Mes_CB->setObjectName(u"Mes_CB"_s);
    for (int month = 1; month <= 12; ++month)
        Mes_CB->addItem(Format::monthName(month));
    Year_RxSE = new QSpinBox(central);
    Year_RxSE->setObjectName(u"Year_RxSE"_s);
    Year_RxSE->setRange(1999, 2100);
    Year_RxSE->setValue(2005);
    // The month and year change with the mouse only: the arrow keys must not move the
    // period under the operator's hands.
    Mes_CB->installEventFilter(this);
    Year_RxSE->installEventFilter(this);
    if (auto* yearEdit = Year_RxSE->findChild<QLineEdit*>())
        yearEdit->installEventFilter(this);

    auto* dezCaption = new QLabel(u"Организация:"_s, central);
    dezCaption->setBuddy(Dez_RxDBLC);
    auto* periodCaption = new QLabel(u"Отчетный период:"_s, central);
    periodCaption->setBuddy(Mes_CB);
    auto* top = new QHBoxLayout;
    top->addWidget(dezCaption);
    top->addWidget(Dez_RxDBLC, 1);
    top->addSpacing(24);
    top->addWidget(periodCaption);
    top->addWidget(Mes_CB);
    top->addWidget(Year_RxSE);

    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top);
    buildLists(central);
    buildMenu();

    connect(Dez_RxDBLC, &LookupComboBox::closedUp, this, &TMain_Form::Dez_RxDBLCCloseUp);
    connect(Mes_CB, &QComboBox::currentIndexChanged, this, &TMain_Form::Mes_CBChange);
    connect(Year_RxSE, &QSpinBox::valueChanged, this, &TMain_Form::Year_RxSEChange);

    // Small enough for a laptop screen with a panel (the size becomes the minimum at
    // start-up), never larger than the screen the window opens on.
    QSize start(1024, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        start = start.boundedTo(screen->availableSize() - QSize(16, 48));
    resize(start);
    FormCreate();
}

TMain_Form::~TMain_Form()
{
    m_db.close();
}

void TMain_Form::FormCreate()
{
    setWindowTitle(AppInfo::appTitle());
    m_state = RunState();
    m_state.posT1Id = 0;
    m_state.resetPayerDefaults();
}

void TMain_Form::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // Start-up runs once the window is on screen, as the greeting sits over it.
        QTimer::singleShot(0, this, &TMain_Form::FormShow);
    }
}

void TMain_Form::FormShow()
{
    {
        TStart_Form greeting(m_options.greetingTickMs, this);
        greeting.exec();
    }
    SetupLayout();
    m_db.close();

    const QString directory =
        m_options.workingDirectory.isEmpty() ? QDir::currentPath() : m_options.workingDirectory;
    const WorkingData::OpenResult opened = WorkingData::open(m_db, directory);
    switch (opened) {
    case WorkingData::OpenResult::Missing:
        Dialogs::current().error(u"Не найдены рабочие файлы программы."_s);
        m_exitWithoutQuestion = true;
        close();
        Q_EMIT startUpFinished();
        return;
    case WorkingData::OpenResult::Unusable:
    case WorkingData::OpenResult::Damaged: {
        QString message = u"Невозможно открыть рабочие файлы программы."_s;
        if (opened == WorkingData::OpenResult::Damaged)
            message += u"\r\nФайл базы данных поврежден:\r\n"_s +
                       WorkingData::databasePath(directory) + u"\r\n("_s + m_db.errorString() +
                       u")"_s;
        Dialogs::current().error(message);
        close();
        QCoreApplication::processEvents();
        Q_EMIT startUpFinished();
        return;
    }
    case WorkingData::OpenResult::Opened:
        break;
    }

    ClearWorkingTables();
    Dez_RxDBLC->setItems(WorkingData::organisations(m_db));
    Dez_RxDBLC->setKeyValue(WorkingData::currentDezId(m_db));
    m_state.dezId = Dez_RxDBLC->keyValue();
    openLists();

    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker blockMonth(Mes_CB);
        Mes_CB->setCurrentIndex(today.month() - 1);
    }
    Year_RxSE->setValue(today.year());
    Year_RxSEChange();

    // The payer totals window lives hidden from now to the exit, following the payers.
    m_totalsForm = new TT1_TotalSumContext_Form(m_db, this);
    m_totalsForm->showPayer(T1_ADOQ->recordSet().rowValues(T1_ADOQ->recordSet().currentRow()));

    m_startedUp = true;
    Q_EMIT startUpFinished();
}

void TMain_Form::SetupLayout()
{
    CommonFnc::FreezeMinSize(this);
}

bool TMain_Form::ClearWorkingTables()
{
    WaitCursor wait;
    if (WorkingStatement::clearWorkingTables(m_db))
        return true;
    Dialogs::current().error(u"Ошибка удаления записей."_s);
    return false;
}

void TMain_Form::Dez_RxDBLCCloseUp()
{
    QCoreApplication::processEvents();
    m_state.dezId = Dez_RxDBLC->keyValue();
    if (m_db.isOpen()) {
        WaitCursor wait;
        // A failure here is not the operator's concern: the export checks the codes.
        WorkingData::setOrganisation(m_db, m_state.dezId);
    }
}

void TMain_Form::Mes_CBChange()
{
    m_state.accountingPeriod =
        WorkingData::accountingPeriod(Mes_CB->currentIndex(), Year_RxSE->value());
}

void TMain_Form::Year_RxSEChange()
{
    Mes_CBChange();
}

bool TMain_Form::eventFilter(QObject* watched, QEvent* event)
{
    const bool periodBox =
        watched == Mes_CB || watched == Year_RxSE || (watched && watched->parent() == Year_RxSE);
    if (periodBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Tab still moves the focus on; every other key is dropped.
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMain_Form::AboutClick()
{
    TAbout_Form about(this);
    about.exec();
}

bool TMain_Form::FormCloseQuery()
{
    if (m_exitWithoutQuestion || !m_db.isOpen())
        return true;
    if (!Dialogs::current().question(ExitQuestion, Dialogs::Button::No))
        return false;
    ClearWorkingTables();
    m_db.close();
    return true;
}

void TMain_Form::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TMain_Form::FormClose()
{
    delete m_totalsForm;
    m_totalsForm = nullptr;
    T3_ADOQ->close();
    T2_ADOQ->close();
    T1_ADOQ->close();
    m_db.close();
}
