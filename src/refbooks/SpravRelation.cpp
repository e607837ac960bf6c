#include "SpravRelation.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "GridRoutines.h"
#include "RecordSetModel.h"
#include "RelationBook.h"
#include "SpravRelationEdit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TSpravRelation_Form::TSpravRelation_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , Relation_ADOQ(new RecordSetModel({{u"RelationName"_s, u"Родственные отношения"_s}}, this))
    , Relation_RxDBG(new DataGrid(this))
    , Add_BBtn(CommonFnc::MakeListButton(this, u"Add_BBtn"_s, QStyle::SP_FileIcon, u"Добавить"_s))
    , Edit_BBtn(CommonFnc::MakeListButton(this, u"Edit_BBtn"_s, QStyle::SP_FileDialogDetailedView,
                                          u"Изменить"_s))
    , Delete_BBtn(
          CommonFnc::MakeListButton(this, u"Delete_BBtn"_s, QStyle::SP_TrashIcon, u"Удалить"_s))
{
    setObjectName(u"SpravRelation_Form"_s);
    setWindowTitle(u"Справочник степени родства по отношению к плательщику"_s);
    setModal(true);
    Relation_ADOQ->setObjectName(u"Relation_ADOQ"_s);
    Relation_RxDBG->setObjectName(u"Relation_RxDBG"_s);

    Relation_ADOQ->recordSet().setKeyFields({u"RelationID"_s});
    if (!Relation_ADOQ->open(m_db, RefBooks::RelationBook::listSql()))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s +
                                 Relation_ADOQ->recordSet().errorString());
    Relation_RxDBG->setRecordModel(Relation_ADOQ);
    // The one column fills the grid and its title stands over the middle of it.
    Relation_RxDBG->horizontalHeader()->setStretchLastSection(true);
    Relation_RxDBG->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    for (QToolButton* b : {Add_BBtn, Edit_BBtn, Delete_BBtn})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Relation_RxDBG, 1);

    // Wide enough for the caption in the title bar, tall enough for a screenful of terms.
    const int width = fontMetrics().horizontalAdvance(windowTitle()) + 160;
    const int height = Relation_RxDBG->horizontalHeader()->sizeHint().height() +
                       16 * Relation_RxDBG->verticalHeader()->defaultSectionSize() + 24;
    setFixedSize(sizeHint().expandedTo(QSize(width, height)));
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());

    connect(Add_BBtn, &QToolButton::clicked, this, &TSpravRelation_Form::Add_BBtnClick);
    connect(Edit_BBtn, &QToolButton::clicked, this, &TSpravRelation_Form::Edit_BBtnClick);
    connect(Delete_BBtn, &QToolButton::clicked, this, &TSpravRelation_Form::Delete_BBtnClick);
}

void TSpravRelation_Form::Add_BBtnClick()
{
    editTerm(0, QString());
}

void TSpravRelation_Form::Edit_BBtnClick()
{
    const RecordSet& rows = Relation_ADOQ->recordSet();
    const int row = rows.currentRow();
    if (row < 0) {
        Add_BBtnClick();
        return;
    }
    editTerm(rows.value(row, u"RelationID"_s).toInt(),
             rows.value(row, u"RelationName"_s).toString());
}

void TSpravRelation_Form::Delete_BBtnClick()
{
    const RecordSet& rows = Relation_ADOQ->recordSet();
    const int row = rows.currentRow();
    if (row < 0)
        return;
    if (Dialogs::current().question(
            RefBooks::RelationBook::deleteQuestion(rows.value(row, u"RelationName"_s).toString()),
            Dialogs::Button::No)) {
        const RefBooks::RelationBook::Result result =
            RefBooks::RelationBook(m_db).remove(rows.value(row, u"RelationID"_s).toInt());
        if (!result.done())
            Dialogs::current().error(result.message);
    }
    rereadList();
}

void TSpravRelation_Form::editTerm(int relationId, const QString& name)
{
    {
        TSpravRelationEdit_Form editor(m_db, relationId, name, this);
        editor.exec();
    }
    rereadList();
}

void TSpravRelation_Form::rereadList()
{
    if (!CommonFnc::RefreshQueryKeepPosition(Relation_RxDBG))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s +
                                 Relation_ADOQ->recordSet().errorString());
}
