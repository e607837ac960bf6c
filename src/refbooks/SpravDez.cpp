#include "SpravDez.h"

#include "BoldDelegate.h"
#include "DataGrid.h"
#include "Dialogs.h"
#include "GridRoutines.h"
#include "OrganisationBook.h"
#include "RecordSetModel.h"
#include "SpravDezEdit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TSpravDez_Form::TSpravDez_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_model(new RecordSetModel({{u"DezID"_s, u"Код "_s, Format::Display::Plain, Qt::AlignCenter},
                                  {u"DezName"_s, u"Наименование организации"_s},
                                  {u"BName"_s, u"Бухгалтер"_s}},
                                 this))
{
    setObjectName(u"SpravDez_Form"_s);
    setWindowTitle(u"Справочник организаций"_s);
    setModal(true);

    Dez_DBG = new DataGrid(this);
    Dez_DBG->setObjectName(u"Dez_DBG"_s);
    Dez_DBG->setItemDelegateForColumn(0, new BoldDelegate(Dez_DBG));
    Edit_CB = new QCheckBox(u"Разрешить редактирование  данных по организации"_s, this);
    Edit_CB->setObjectName(u"Edit_CB"_s);
    Add_BBtn = CommonFnc::MakeListButton(this, u"Add_BBtn"_s, QStyle::SP_FileIcon, u"Добавить"_s);
    Edit_BBtn = CommonFnc::MakeListButton(this, u"Edit_BBtn"_s, QStyle::SP_FileDialogDetailedView,
                                          u"Редактировать"_s);
    Delete_BBtn =
        CommonFnc::MakeListButton(this, u"Delete_BBtn"_s, QStyle::SP_TrashIcon, u"Удалить"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Edit_CB);
    buttons->addStretch();
    buttons->addWidget(Add_BBtn);
    buttons->addWidget(Edit_BBtn);
    buttons->addWidget(Delete_BBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Dez_DBG, 1);
    layout->addLayout(buttons);

    for (QToolButton* button : {Add_BBtn, Edit_BBtn, Delete_BBtn})
        button->setEnabled(Edit_CB->isChecked());
    m_model->recordSet().setKeyFields({u"DezID"_s});
    if (!m_model->open(m_db, RefBooks::organisationListSql()))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s +
                                 m_model->recordSet().errorString());
    Dez_DBG->setRecordModel(m_model);
    // The name takes the room the code and the accountant leave.
    Dez_DBG->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    resize(760, 420);
    setFixedSize(size());

    connect(Edit_CB, &QCheckBox::clicked, this, &TSpravDez_Form::Edit_CBClick);
    connect(Add_BBtn, &QToolButton::clicked, this, &TSpravDez_Form::Add_BBtnClick);
    connect(Edit_BBtn, &QToolButton::clicked, this, &TSpravDez_Form::Edit_BBtnClick);
    connect(Delete_BBtn, &QToolButton::clicked, this, &TSpravDez_Form::Delete_BBtnClick);
}

void TSpravDez_Form::Edit_CBClick()
{
    const bool allowed = Edit_CB->isChecked();
    const bool rows = m_model->rowCount() > 0;
    Add_BBtn->setEnabled(allowed);
    Edit_BBtn->setEnabled(allowed && rows);
    Delete_BBtn->setEnabled(allowed && rows);
}

void TSpravDez_Form::reload()
{
    if (!CommonFnc::RefreshQueryKeepPosition(Dez_DBG))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s +
                                 m_model->recordSet().errorString());
    // An emptied or refilled list has rows to change, or none.
    Edit_CBClick();
}

void TSpravDez_Form::Add_BBtnClick()
{
    {
        TSpravDezEdit_Form editor(m_db, TSpravDezEdit_Form::Mode::Add, 0, this);
        editor.exec();
    }
    reload();
}

void TSpravDez_Form::Edit_BBtnClick()
{
    const RecordSet& rows = m_model->recordSet();
    const int row = rows.currentRow();
    if (row < 0)
        return;
    {
        TSpravDezEdit_Form editor(m_db, TSpravDezEdit_Form::Mode::Edit,
                                  rows.value(row, u"DezID").toInt(), this);
        editor.setFields(
            rows.value(row, u"DezID").toString(), rows.value(row, u"DezName").toString(),
            rows.value(row, u"BName1").toString(), rows.value(row, u"BName2").toString(),
            rows.value(row, u"BName3").toString());
        editor.exec();
    }
    reload();
}

void TSpravDez_Form::Delete_BBtnClick()
{
    const RecordSet& rows = m_model->recordSet();
    const int row = rows.currentRow();
    if (row < 0 || rows.rowCount() == 0)
        return;
    const int code = rows.value(row, u"DezID").toInt();
    if (!Dialogs::current().question(
            u"Будет удалена запись со сведениями об организации - владельце жилого фонда.\r\n"
            "Вы уверены?"_s))
        return;
    // The payer records keep the code whatever the answer; the operator hears how many.
    const int payers = RefBooks::payersUsingOrganisation(m_db, code);
    if (payers > 0 &&
        !Dialogs::current().question(RefBooks::organisationInUseQuestion(code, payers, true),
                                     Dialogs::Button::No))
        return;
    const RefBooks::BookWrite deleted = RefBooks::deleteOrganisation(m_db, code);
    if (!deleted.ok) {
        Dialogs::current().error(deleted.message);
        return;
    }
    reload();
}
