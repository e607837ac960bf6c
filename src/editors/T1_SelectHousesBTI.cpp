#include "T1_SelectHousesBTI.h"

#include "BoldDelegate.h"
#include "DataGrid.h"
#include "Dialogs.h"
#include "RecordSetModel.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QString trimmedValue(const RecordSet& rows, int row, const QString& field)
{
    return rows.value(row, field).toString().trimmed();
}

} // namespace

TT1_SelectHousesBTI_Form::TT1_SelectHousesBTI_Form(Database& db, const QVariant& streetIdBti,
                                                   QWidget* parent)
    : QDialog(parent)
    , m_model(new RecordSetModel({{u"HouseNum"_s, u"Дом"_s},
                                  {u"KorpNum"_s, u"Корпус"_s},
                                  {u"StroenNum"_s, u"Строение"_s},
                                  {u"HouseID_BTI"_s, u"Код БТИ"_s}},
                                 this))
    , HousesBTI_RxDBG(new DataGrid(this))
    , Select_BBtn(new QPushButton(u" Выбрать"_s, this))
{
    setWindowTitle(u"Выбор дома с кодом БТИ"_s);
    setModal(true);
    HousesBTI_RxDBG->setObjectName(u"HousesBTI_RxDBG"_s);
    Select_BBtn->setObjectName(u"Select_BBtn"_s);
    Select_BBtn->setAutoDefault(false);

    m_model->recordSet().setKeyFields({u"HouseID_BTI"_s});
    if (!m_model->open(db, u"SELECT shb.HouseID_BTI, shb.HouseNum, shb.KorpNum, shb.StroenNum\n"
                           "FROM Sprav_HousesBTI shb\nWHERE shb.StreetID_BTI = :StreetID_BTI"_s,
                       {{u":StreetID_BTI"_s, streetIdBti}}))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + m_model->recordSet().errorString());
    HousesBTI_RxDBG->setRecordModel(m_model);
    HousesBTI_RxDBG->setItemDelegateForColumn(3, new BoldDelegate(HousesBTI_RxDBG));
    Select_BBtn->setEnabled(m_model->rowCount() > 0);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HousesBTI_RxDBG);
    layout->addWidget(Select_BBtn, 0, Qt::AlignRight);
    resize(360, 300);

    connect(Select_BBtn, &QPushButton::clicked, this, &TT1_SelectHousesBTI_Form::Select_BBtnClick);
}

void TT1_SelectHousesBTI_Form::placeBelow(QWidget* anchor)
{
    if (anchor)
        move(anchor->mapToGlobal(QPoint(1, anchor->height())));
}

void TT1_SelectHousesBTI_Form::Select_BBtnClick()
{
    const RecordSet& rows = m_model->recordSet();
    const int row = rows.currentRow();
    if (row < 0)
        return;
    m_chosen = {trimmedValue(rows, row, u"HouseID_BTI"_s), trimmedValue(rows, row, u"HouseNum"_s),
                trimmedValue(rows, row, u"KorpNum"_s), trimmedValue(rows, row, u"StroenNum"_s)};
    accept();
}
