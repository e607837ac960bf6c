#include "SpravServices.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "GridRoutines.h"
#include "MarkedLists.h"
#include "RecordSetModel.h"
#include "ServiceSelection.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TSpravServices_Form::TSpravServices_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_available(
          // The mark column shows no field: the marks are the window's own, drawn by
          // the delegate, so its title sorts nothing.
          new RecordSetModel({{QString(), u" "_s},
                              {u"ServiceID"_s, u"Код"_s, Format::Display::Plain, Qt::AlignCenter},
                              {u"ServiceName"_s, u"Наименование услуги"_s}},
                             this))
    , m_provided(
          new RecordSetModel({{u"ServiceID"_s, u"Код"_s, Format::Display::Plain, Qt::AlignCenter},
                              {u"ServiceName"_s, u"Наименование услуги"_s}},
                             this))
{
    setObjectName(u"SpravServices_Form"_s);
    setWindowTitle(u"Справочник услуг"_s);
    setModal(true);

    ServiceAll_DBG = new DataGrid(this);
    ServiceAll_DBG->setObjectName(u"ServiceAll_DBG"_s);
    ServiceAll_DBG->setTitleSort(DataGrid::TitleSort::MemTable);
    MarkedLists::showMarks(ServiceAll_DBG, &m_marked);
    ServiceAll_DBG->installEventFilter(this);
    Service_DBG = new DataGrid(this);
    Service_DBG->setObjectName(u"Service_DBG"_s);
    Select_BBtn = MarkedLists::moveButton(this, "Select_BBtn", QStyle::SP_ArrowRight);
    UnSelect_BBtn = MarkedLists::moveButton(this, "UnSelect_BBtn", QStyle::SP_ArrowLeft);
    Service_Label = new QLabel(u"0"_s, this);
    Service_Label->setObjectName(u"Service_Label"_s);
    ServiceAll_Label = new QLabel(u"0"_s, this);
    ServiceAll_Label->setObjectName(u"ServiceAll_Label"_s);

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(Select_BBtn);
    moves->addWidget(UnSelect_BBtn);
    moves->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(MarkedLists::boldLabel(this, u"Общий справочник услуг:"_s), 0, 0);
    layout->addWidget(MarkedLists::boldLabel(this, u"Услуги, оказываемые организацией:"_s), 0, 2);
    layout->addWidget(ServiceAll_DBG, 1, 0);
    layout->addLayout(moves, 1, 1);
    layout->addWidget(Service_DBG, 1, 2);
    const auto countRow = [this](const QString& caption, QLabel* count) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(caption, this));
        row->addWidget(count);
        row->addStretch();
        return row;
    };
    layout->addLayout(countRow(u"Всего осталось услуг в общем справочнике:"_s, ServiceAll_Label), 2,
                      0);
    layout->addLayout(countRow(u"Всего услуг, оказываемых организацией:"_s, Service_Label), 2, 2);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);

    m_available->recordSet().setKeyFields({u"ServiceID"_s});
    m_provided->recordSet().setKeyFields({u"ServiceID"_s});
    Select_BBtn->setEnabled(false);
    rebuildAvailable();
    if (!m_provided->open(m_db, RefBooks::servicesProvidedSql()))
        MarkedLists::readFailed(m_provided);
    Service_DBG->setRecordModel(m_provided);
    ServiceAll_DBG->setRecordModel(m_available);
    // The names take the room the codes leave.
    ServiceAll_DBG->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    Service_DBG->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    refreshProvided();
    resize(1000, 560);
    setFixedSize(size());

    connect(ServiceAll_DBG, &DataGrid::doubleClickedAnywhere, this,
            &TSpravServices_Form::ServiceAll_DBGDblClick);
    connect(Select_BBtn, &QToolButton::clicked, this, &TSpravServices_Form::Select_BBtnClick);
    connect(UnSelect_BBtn, &QToolButton::clicked, this, &TSpravServices_Form::UnSelect_BBtnClick);
}

bool TSpravServices_Form::eventFilter(QObject* watched, QEvent* event)
{
    // The space bar marks as a double click does, for an operator at the keyboard.
    if (watched == ServiceAll_DBG && MarkedLists::isMarkKey(event)) {
        ServiceAll_DBGDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSpravServices_Form::rebuildAvailable()
{
    m_marked.clear();
    const bool ok = m_available->recordSet().isOpen()
                        ? m_available->refresh()
                        : m_available->open(m_db, RefBooks::servicesNotProvidedSql());
    if (!ok)
        MarkedLists::readFailed(m_available);
    ServiceAll_Label->setText(QString::number(m_available->rowCount()));
    Select_BBtn->setEnabled(false);
    ServiceAll_DBG->viewport()->update();
}

void TSpravServices_Form::refreshProvided()
{
    Service_Label->setText(QString::number(m_provided->rowCount()));
    UnSelect_BBtn->setEnabled(m_provided->rowCount() > 0);
}

void TSpravServices_Form::ServiceAll_DBGDblClick()
{
    if (!MarkedLists::flipCurrentMark(m_available->recordSet(), u"ServiceID", m_marked))
        return;
    Select_BBtn->setEnabled(!m_marked.isEmpty());
    ServiceAll_DBG->viewport()->update();
}

void TSpravServices_Form::Select_BBtnClick()
{
    const RecordSet& rows = m_available->recordSet();
    if (rows.rowCount() == 0)
        return;
    MarkedLists::moveMarked(
        rows, m_marked, u"ServiceID", u"ServiceName",
        [this](int id, const QString& name) { return RefBooks::provideService(m_db, id, name); });
    if (!CommonFnc::RefreshQueryKeepPosition(Service_DBG))
        MarkedLists::readFailed(m_provided);
    refreshProvided();
    rebuildAvailable();
}

void TSpravServices_Form::UnSelect_BBtnClick()
{
    const RecordSet& rows = m_provided->recordSet();
    if (rows.rowCount() == 0 || rows.currentRow() < 0)
        return;
    const std::optional<bool> moved = MarkedLists::moveCurrentBack(
        rows, u"ServiceID",
        u"Будет удалена запись из справочника услуг, оказываемых организацией.\r\nВы уверены?"_s,
        [this](int id) { return RefBooks::withdrawService(m_db, id); });
    if (!moved)
        return;
    // The list is read again also after a refusal: it shows what the book holds.
    if (!CommonFnc::RefreshQueryKeepPosition(Service_DBG))
        MarkedLists::readFailed(m_provided);
    refreshProvided();
    if (*moved)
        rebuildAvailable();
}
