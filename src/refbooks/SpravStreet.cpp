#include "SpravStreet.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "GridRoutines.h"
#include "InputFilters.h"
#include "MarkedLists.h"
#include "RecordSetModel.h"
#include "StreetSelection.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TSpravStreet_Form::TSpravStreet_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    // The mark column shows no field: the marks are the window's own.
    , m_available(new RecordSetModel(
          {{QString(), u" "_s},
           {u"StreetID"_s, u"Код"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"StreetID_BTI"_s, u"Код БТИ"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"StreetName"_s, u"Наименование улицы"_s}},
          this))
    , m_served(new RecordSetModel(
          {{u"StreetID"_s, u"Код"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"StreetID_BTI"_s, u"Код БТИ"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"StreetName"_s, u"Наименование улицы"_s}},
          this))
    , m_pattern(RefBooks::streetSearchPattern({}))
{
    setObjectName(u"SpravStreet_Form"_s);
    setWindowTitle(u"Справочник улиц"_s);
    setModal(true);

    Search_E = new QLineEdit(this);
    Search_E->setObjectName(u"Search_E"_s);
    CommonFnc::AttachKeyFilter(Search_E, CommonFnc::KeyFilter::AddressText);
    CommonFnc::AttachLengthLimit(Search_E, 240);
    Search_BBtn = CommonFnc::MakeListButton(this, u"Search_BBtn"_s,
                                            QStyle::SP_FileDialogContentsView, u"Поиск"_s);
    StreetAll_DBG = new DataGrid(this);
    StreetAll_DBG->setObjectName(u"StreetAll_DBG"_s);
    StreetAll_DBG->setTitleSort(DataGrid::TitleSort::MemTable);
    MarkedLists::showMarks(StreetAll_DBG, &m_marked);
    StreetAll_DBG->installEventFilter(this);
    Street_DBG = new DataGrid(this);
    Street_DBG->setObjectName(u"Street_DBG"_s);
    SelectAll_BBtn = new QPushButton(u" выбрать все"_s, this);
    SelectAll_BBtn->setObjectName(u"SelectAll_BBtn"_s);
    SelectAll_BBtn->setToolTip(u"Выбрать все"_s);
    UnselectAll_BBtn = new QPushButton(u" отменить выбор"_s, this);
    UnselectAll_BBtn->setObjectName(u"UnselectAll_BBtn"_s);
    UnselectAll_BBtn->setToolTip(u"Отменить выбор"_s);
    Insert_BBtn = MarkedLists::moveButton(this, "Insert_BBtn", QStyle::SP_ArrowRight);
    Delete_BBtn = MarkedLists::moveButton(this, "Delete_BBtn", QStyle::SP_ArrowLeft);
    DeleteAll_BBtn =
        new QPushButton(u" очистить справочник улиц, обслуживаемых организацией"_s, this);
    DeleteAll_BBtn->setObjectName(u"DeleteAll_BBtn"_s);
    for (QPushButton* button : {SelectAll_BBtn, UnselectAll_BBtn, DeleteAll_BBtn})
        button->setAutoDefault(false);
    Street_Label = new QLabel(u"0"_s, this);
    Street_Label->setObjectName(u"Street_Label"_s);
    StreetAll_Label = new QLabel(u"0"_s, this);
    StreetAll_Label->setObjectName(u"StreetAll_Label"_s);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(u"поиск:"_s, this));
    search->addWidget(Search_E, 1);
    search->addWidget(Search_BBtn);
    auto* marks = new QHBoxLayout;
    marks->addWidget(SelectAll_BBtn);
    marks->addWidget(UnselectAll_BBtn);
    marks->addStretch();
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(Insert_BBtn);
    moves->addWidget(Delete_BBtn);
    moves->addStretch();
    const auto countRow = [this](const QString& caption, QLabel* count) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(caption, this));
        row->addWidget(count);
        row->addStretch();
        return row;
    };
    auto* layout = new QGridLayout(this);
    layout->addWidget(MarkedLists::boldLabel(this, u"Общий справочник улиц:"_s), 0, 0);
    layout->addWidget(MarkedLists::boldLabel(this, u"Улицы, обслуживаемые организацией:"_s), 0, 2);
    layout->addLayout(search, 1, 0);
    layout->addWidget(StreetAll_DBG, 2, 0);
    layout->addLayout(moves, 2, 1);
    layout->addWidget(Street_DBG, 1, 2, 2, 1);
    layout->addLayout(marks, 3, 0);
    layout->addWidget(DeleteAll_BBtn, 3, 2, Qt::AlignRight);
    layout->addLayout(countRow(u"Всего осталось улиц в общем справочнике:"_s, StreetAll_Label), 4,
                      0);
    layout->addLayout(countRow(u"Всего улиц, обслуживаемых организацией:"_s, Street_Label), 4, 2);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);

    m_available->recordSet().setKeyFields({u"StreetID"_s});
    m_served->recordSet().setKeyFields({u"StreetID"_s});
    Insert_BBtn->setEnabled(false);
    rebuildAvailable();
    if (!m_served->open(m_db, RefBooks::streetsServedSql()))
        MarkedLists::readFailed(m_served);
    StreetAll_DBG->setRecordModel(m_available);
    Street_DBG->setRecordModel(m_served);
    StreetAll_DBG->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    Street_DBG->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    refreshServed();
    resize(1100, 600);
    setFixedSize(size());

    connect(Search_BBtn, &QToolButton::clicked, this, &TSpravStreet_Form::Search_BBtnClick);
    // Enter in the search box searches, as the button does.
    connect(Search_E, &QLineEdit::returnPressed, this, &TSpravStreet_Form::Search_BBtnClick);
    connect(StreetAll_DBG, &DataGrid::doubleClickedAnywhere, this,
            &TSpravStreet_Form::StreetAll_DBGDblClick);
    connect(SelectAll_BBtn, &QPushButton::clicked, this, &TSpravStreet_Form::SelectAll_BBtnClick);
    connect(UnselectAll_BBtn, &QPushButton::clicked, this,
            &TSpravStreet_Form::UnselectAll_BBtnClick);
    connect(Insert_BBtn, &QToolButton::clicked, this, &TSpravStreet_Form::Insert_BBtnClick);
    connect(Delete_BBtn, &QToolButton::clicked, this, &TSpravStreet_Form::Delete_BBtnClick);
    connect(DeleteAll_BBtn, &QPushButton::clicked, this, &TSpravStreet_Form::DeleteAll_BBtnClick);
}

bool TSpravStreet_Form::eventFilter(QObject* watched, QEvent* event)
{
    // The space bar marks as a double click does.
    if (watched == StreetAll_DBG && MarkedLists::isMarkKey(event)) {
        StreetAll_DBGDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSpravStreet_Form::markingChanged()
{
    Insert_BBtn->setEnabled(!m_marked.isEmpty());
    StreetAll_DBG->viewport()->update();
}

void TSpravStreet_Form::rebuildAvailable()
{
    m_marked.clear();
    const QueryParams params{{u":SEARCH"_s, m_pattern}};
    const bool ok = m_available->recordSet().isOpen()
                        ? m_available->reopen(params)
                        : m_available->open(m_db, RefBooks::streetsNotServedSql(), params);
    if (!ok)
        MarkedLists::readFailed(m_available);
    StreetAll_Label->setText(QString::number(m_available->rowCount()));
    markingChanged();
}

void TSpravStreet_Form::refreshServed()
{
    Street_Label->setText(QString::number(m_served->rowCount()));
    const bool any = m_served->rowCount() > 0;
    Delete_BBtn->setEnabled(any);
    DeleteAll_BBtn->setEnabled(any);
}

void TSpravStreet_Form::Search_BBtnClick()
{
    m_pattern = RefBooks::streetSearchPattern(Search_E->text());
    rebuildAvailable();
}

void TSpravStreet_Form::StreetAll_DBGDblClick()
{
    if (MarkedLists::flipCurrentMark(m_available->recordSet(), u"StreetID", m_marked))
        markingChanged();
}

void TSpravStreet_Form::SelectAll_BBtnClick()
{
    const RecordSet& rows = m_available->recordSet();
    if (rows.rowCount() == 0)
        return;
    for (int row = 0; row < rows.rowCount(); ++row)
        m_marked.insert(rows.value(row, u"StreetID").toInt());
    m_available->recordSet().setCurrentRow(0);
    StreetAll_DBG->locate(rows.keyAt(0));
    markingChanged();
}

void TSpravStreet_Form::UnselectAll_BBtnClick()
{
    const RecordSet& rows = m_available->recordSet();
    if (rows.rowCount() == 0)
        return;
    m_marked.clear();
    StreetAll_DBG->locate(rows.keyAt(0));
    markingChanged();
}

void TSpravStreet_Form::Insert_BBtnClick()
{
    const RecordSet& rows = m_available->recordSet();
    if (rows.rowCount() == 0)
        return;
    MarkedLists::moveMarked(
        rows, m_marked, u"StreetID", u"StreetName",
        [this](int id, const QString& name) { return RefBooks::serveStreet(m_db, id, name); });
    if (!CommonFnc::RefreshQueryKeepPosition(Street_DBG))
        MarkedLists::readFailed(m_served);
    refreshServed();
    rebuildAvailable();
}

void TSpravStreet_Form::Delete_BBtnClick()
{
    const RecordSet& rows = m_served->recordSet();
    if (rows.rowCount() == 0 || rows.currentRow() < 0)
        return;
    const std::optional<bool> moved = MarkedLists::moveCurrentBack(
        rows, u"StreetID",
        u"Будет удалена запись из справочника улиц, обслуживаемых организацией.\r\nВы уверены?"_s,
        [this](int id) { return RefBooks::stopServingStreet(m_db, id); });
    if (!moved)
        return;
    // The list is read again also after a refusal: it shows what the book holds.
    if (!CommonFnc::RefreshQueryKeepPosition(Street_DBG))
        MarkedLists::readFailed(m_served);
    refreshServed();
    if (*moved)
        rebuildAvailable();
}

void TSpravStreet_Form::DeleteAll_BBtnClick()
{
    if (m_served->rowCount() == 0)
        return;
    if (!Dialogs::current().question(
            u"Будут удалены все записи из справочника улиц, обслуживаемых организацией.\r\n"
            "Вы уверены?"_s))
        return;
    const RefBooks::BookWrite moved = RefBooks::stopServingAllStreets(m_db);
    if (!moved.ok)
        Dialogs::current().error(moved.message);
    if (!CommonFnc::RefreshQueryKeepPosition(Street_DBG))
        MarkedLists::readFailed(m_served);
    refreshServed();
    if (moved.ok)
        rebuildAvailable();
}
