#include "SpravHousesBTI.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "GridRoutines.h"
#include "HouseBook.h"
#include "RecordSetModel.h"
#include "SpravHousesBTIEdit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

TSpravHousesBTI_Form::TSpravHousesBTI_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , Streets_ADOQ(new RecordSetModel(
          {{u"StreetName"_s, u"Наименование улицы"_s},
           {u"StreetID_BTI"_s, u"Код БТИ"_s, Format::Display::Plain, Qt::AlignCenter}},
          this))
    , Houses_ADOQ(new RecordSetModel(
          {{u"HouseNum"_s, u"Дом"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"KorpNum"_s, u"Корпус"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"StroenNum"_s, u"Строение"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"HouseID_BTI"_s, u"Код БТИ"_s, Format::Display::Plain, Qt::AlignCenter}},
          this))
    , Streets_RxDBG(new DataGrid(this))
    , Houses_RxDBG(new DataGrid(this))
    , Add_BBtn(CommonFnc::MakeListButton(this, u"Add_BBtn"_s, QStyle::SP_FileIcon, u"Добавить"_s))
    , Edit_BBtn(CommonFnc::MakeListButton(this, u"Edit_BBtn"_s, QStyle::SP_FileDialogDetailedView,
                                          u"Изменить"_s))
    , Delete_BBtn(
          CommonFnc::MakeListButton(this, u"Delete_BBtn"_s, QStyle::SP_TrashIcon, u"Удалить"_s))
{
    setObjectName(u"SpravHousesBTI_Form"_s);
    setWindowTitle(u"Справочник соответствия адреса - данным в кодировке БТИ"_s);
    setModal(true);
    Streets_ADOQ->setObjectName(u"Streets_ADOQ"_s);
    Houses_ADOQ->setObjectName(u"Houses_ADOQ"_s);
    Streets_RxDBG->setObjectName(u"Streets_RxDBG"_s);
    Houses_RxDBG->setObjectName(u"Houses_RxDBG"_s);

    Streets_ADOQ->recordSet().setKeyFields({u"StreetID"_s});
    Houses_ADOQ->recordSet().setKeyFields({u"ID"_s});
    const bool streetsRead = Streets_ADOQ->open(m_db, RefBooks::houseStreetsSql());
    const RecordSet& streets = Streets_ADOQ->recordSet();
    m_shownStreetBti = streets.value(streets.currentRow(), u"StreetID_BTI");
    const bool housesRead =
        Houses_ADOQ->open(m_db, RefBooks::housesSql(), {{u":STREETID_BTI"_s, m_shownStreetBti}});
    if (!streetsRead || !housesRead)
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + streets.errorString() +
                                 Houses_ADOQ->recordSet().errorString());
    Streets_RxDBG->setRecordModel(Streets_ADOQ);
    Houses_RxDBG->setRecordModel(Houses_ADOQ);
    Streets_RxDBG->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    Houses_RxDBG->horizontalHeader()->setStretchLastSection(true);

    auto* streetsHeading = heading(
        u"Улицы, обслуживаемые организацией или улицы по которым существуют дома с кодами БТИ:"_s,
        this);
    auto* housesHeading = heading(u"Адрес дома:"_s, this);
    auto* left = new QVBoxLayout;
    left->addWidget(streetsHeading);
    left->addWidget(Streets_RxDBG, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (QToolButton* b : {Add_BBtn, Edit_BBtn, Delete_BBtn})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(housesHeading);
    right->addLayout(buttons);
    right->addWidget(Houses_RxDBG, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);

    // The street list is as wide as its heading, the house list shows its four columns,
    // and the window stays inside the smallest screens the offices use.
    int housesWidth = 2 * Houses_RxDBG->frameWidth() + 24;
    for (int c = 0; c < Houses_ADOQ->columnCount(); ++c)
        housesWidth += Houses_RxDBG->columnWidth(c);
    Houses_RxDBG->setMinimumWidth(housesWidth);
    Streets_RxDBG->setMinimumWidth(streetsHeading->sizeHint().width());
    const QSize wanted = sizeHint().expandedTo(
        QSize(fontMetrics().horizontalAdvance(windowTitle()) + 200,
              Streets_RxDBG->horizontalHeader()->sizeHint().height() +
                  20 * Streets_RxDBG->verticalHeader()->defaultSectionSize() + 80));
    setFixedSize(wanted.boundedTo(QSize(1250, 600)));
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());

    connect(Streets_RxDBG, &DataGrid::currentRecordChanged, this,
            &TSpravHousesBTI_Form::streetMoved);
    connect(Add_BBtn, &QToolButton::clicked, this, &TSpravHousesBTI_Form::Add_BBtnClick);
    connect(Edit_BBtn, &QToolButton::clicked, this, &TSpravHousesBTI_Form::Edit_BBtnClick);
    connect(Delete_BBtn, &QToolButton::clicked, this, &TSpravHousesBTI_Form::Delete_BBtnClick);
}

void TSpravHousesBTI_Form::streetMoved()
{
    const RecordSet& streets = Streets_ADOQ->recordSet();
    const QVariant streetBti = streets.value(streets.currentRow(), u"StreetID_BTI");
    // A sort of the streets that stays on the same street leaves the houses alone, so that
    // they keep their current row.
    if (streetBti == m_shownStreetBti)
        return;
    m_shownStreetBti = streetBti;
    // The houses keep the sort last chosen for them.
    if (!Houses_ADOQ->reopen({{u":STREETID_BTI"_s, streetBti}}))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s +
                                 Houses_ADOQ->recordSet().errorString());
}

void TSpravHousesBTI_Form::Add_BBtnClick()
{
    editHouse(false);
}

void TSpravHousesBTI_Form::Edit_BBtnClick()
{
    // With no house on the street there is nothing to change: Edit adds one.
    editHouse(Houses_ADOQ->rowCount() > 0);
}

void TSpravHousesBTI_Form::editHouse(bool existing)
{
    const RecordSet& streets = Streets_ADOQ->recordSet();
    const int street = streets.currentRow();
    if (streets.rowCount() == 0 || street < 0)
        return;
    const RefBooks::HouseStreet where{streets.value(street, u"StreetID").toInt(),
                                      streets.value(street, u"StreetID_BTI").toInt()};
    const QString streetName = streets.value(street, u"StreetName").toString();
    {
        const RecordSet& houses = Houses_ADOQ->recordSet();
        const int house = houses.currentRow();
        if (existing && house >= 0) {
            TSpravHousesBTIEdit_Form editor(m_db, TSpravHousesBTIEdit_Form::Mode::Edit, where,
                                            streetName, houses.value(house, u"ID").toInt(), this);
            editor.setFields({houses.value(house, u"HouseNum").toString(),
                              houses.value(house, u"KorpNum").toString(),
                              houses.value(house, u"StroenNum").toString(),
                              houses.value(house, u"HouseID_BTI").toString()});
            editor.exec();
        } else {
            TSpravHousesBTIEdit_Form editor(m_db, TSpravHousesBTIEdit_Form::Mode::Add, where,
                                            streetName, 0, this);
            editor.exec();
        }
    }
    rereadHouses();
}

void TSpravHousesBTI_Form::Delete_BBtnClick()
{
    const RecordSet& houses = Houses_ADOQ->recordSet();
    const int house = houses.currentRow();
    if (Streets_ADOQ->rowCount() == 0 || houses.rowCount() == 0 || house < 0)
        return;
    if (Dialogs::current().question(u"Вы действительно хотите удалить данные по дому?"_s,
                                    Dialogs::Button::No)) {
        const RefBooks::BookWrite deleted =
            RefBooks::deleteHouse(m_db, houses.value(house, u"ID").toInt());
        if (!deleted.ok)
            Dialogs::current().error(deleted.message);
    }
    rereadHouses();
}

void TSpravHousesBTI_Form::rereadHouses()
{
    if (!CommonFnc::RefreshQueryKeepPosition(Houses_RxDBG))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s +
                                 Houses_ADOQ->recordSet().errorString());
}
