// The main window's three lists and the New, Edit and Delete commands of each.

#include "Main.h"

#include "WaitCursor.h"
#include "DataGrid.h"
#include "Dialogs.h"
#include "GridRoutines.h"
#include "RecordSetModel.h"
#include "StatementLists.h"
#include "T1.h"
#include "T2.h"
#include "T3.h"
#include "T1_TotalSumContext.h"
#include "WorkingStatement.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The grid's context menu and keys: an item per command, with the button's hint as its
/// text after one leading blank.
void addCommand(DataGrid* grid, QToolButton* button, const QKeySequence& key)
{
    auto* action = new QAction(button->icon(), u" "_s + button->toolTip(), grid);
    action->setObjectName(button->objectName() + u"_Item"_s);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(action, &QAction::triggered, button, &QToolButton::click);
    grid->addAction(action);
}

QWidget* listArea(QWidget* parent, const QString& title, DataGrid* grid,
                  const QList<QToolButton*>& buttons, const QString& countCaption,
                  QLabel* countLabel)
{
    auto* area = new QWidget(parent);
    auto* titleLabel = new QLabel(title, area);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->setSpacing(2);
    for (QToolButton* b : buttons)
        buttonColumn->addWidget(b);
    buttonColumn->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(buttonColumn);
    row->addWidget(grid, 1);
    auto* caption = new QLabel(countCaption, area);
    countLabel->setMinimumWidth(48);
    auto* footer = new QHBoxLayout;
    footer->addStretch(1);
    footer->addWidget(caption);
    footer->addWidget(countLabel);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(titleLabel);
    layout->addLayout(row, 1);
    layout->addLayout(footer);
    return area;
}

QVariantMap currentRow(const RecordSetModel* model)
{
    const RecordSet& rs = model->recordSet();
    return rs.rowValues(rs.currentRow());
}

int intAt(const RecordSetModel* model, const QString& field)
{
    const RecordSet& rs = model->recordSet();
    return rs.value(rs.currentRow(), field).toInt();
}

} // namespace

void TMain_Form::buildLists(QWidget* central)
{
    T1_ADOQ = new RecordSetModel(StatementLists::payerColumns(), this);
    T1_ADOQ->setObjectName(u"T1_ADOQ"_s);
    T1_ADOQ->recordSet().setKeyFields(StatementLists::payerKey());
    T2_ADOQ = new RecordSetModel(StatementLists::chargeColumns(), this);
    T2_ADOQ->setObjectName(u"T2_ADOQ"_s);
    T2_ADOQ->recordSet().setKeyFields(StatementLists::chargeKey());
    T3_ADOQ = new RecordSetModel(StatementLists::personColumns(), this);
    T3_ADOQ->setObjectName(u"T3_ADOQ"_s);
    T3_ADOQ->recordSet().setKeyFields(StatementLists::personKey());

    T1_DBG = new DataGrid(central);
    T1_DBG->setObjectName(u"T1_DBG"_s);
    T1_DBG->setRecordModel(T1_ADOQ);
    T2_DBG = new DataGrid(central);
    T2_DBG->setObjectName(u"T2_DBG"_s);
    T2_DBG->setRecordModel(T2_ADOQ);
    T3_DBG = new DataGrid(central);
    T3_DBG->setObjectName(u"T3_DBG"_s);
    T3_DBG->setRecordModel(T3_ADOQ);
    // The payer list takes every extra pixel; the detail lists keep their height.
    T2_DBG->setFixedHeight(150);
    T3_DBG->setFixedHeight(150);

    ColT1_Label = new QLabel(u"0"_s, central);
    ColT1_Label->setObjectName(u"ColT1_Label"_s);
    ColT2_Label = new QLabel(u"0"_s, central);
    ColT2_Label->setObjectName(u"ColT2_Label"_s);
    ColT3_Label = new QLabel(u"0"_s, central);
    ColT3_Label->setObjectName(u"ColT3_Label"_s);

    NewT1_BBtn = CommonFnc::MakeListButton(central, u"NewT1_BBtn"_s, QStyle::SP_FileIcon,
                            u"Новая запись со сведениями о потребителе услуг"_s);
    EditT1_BBtn = CommonFnc::MakeListButton(central, u"EditT1_BBtn"_s, QStyle::SP_FileDialogDetailedView,
                             u"Редактировать запись со сведениями о потребителе услуг"_s);
    DeleteT1_BBtn = CommonFnc::MakeListButton(central, u"DeleteT1_BBtn"_s, QStyle::SP_TrashIcon,
                               u"Удалить запись со сведениями о потребителе услуг"_s);
    TotalSumContext_BBtn = CommonFnc::MakeListButton(central, u"TotalSumContext_BBtn"_s,
                                      QStyle::SP_FileDialogInfoView, u"Общие суммы по человеку"_s);
    NewT2_BBtn = CommonFnc::MakeListButton(central, u"NewT2_BBtn"_s, QStyle::SP_FileIcon,
                            u"Новая запись со сведениями о начислениях"_s);
    EditT2_BBtn = CommonFnc::MakeListButton(central, u"EditT2_BBtn"_s, QStyle::SP_FileDialogDetailedView,
                             u"Редактировать запись со сведениями о начислениях"_s);
    DeleteT2_BBtn = CommonFnc::MakeListButton(central, u"DeleteT2_BBtn"_s, QStyle::SP_TrashIcon,
                               u"Удалить запись со сведениями о начислениях"_s);
    NewT3_BBtn = CommonFnc::MakeListButton(
        central, u"NewT3_BBtn"_s, QStyle::SP_FileIcon,
        u"Новая запись со сведениями о лицах, проживающих с потребителем услуг"_s);
    EditT3_BBtn = CommonFnc::MakeListButton(
        central, u"EditT3_BBtn"_s, QStyle::SP_FileDialogDetailedView,
        u"Редактировать запись со сведениями о лицах, проживающих с потребителем услуг"_s);
    DeleteT3_BBtn = CommonFnc::MakeListButton(
        central, u"DeleteT3_BBtn"_s, QStyle::SP_TrashIcon,
        u"Удалить запись со сведениями о лицах, проживающих с потребителем услуг"_s);

    const struct
    {
        DataGrid* grid;
        QToolButton* add;
        QToolButton* edit;
        QToolButton* remove;
    } lists[] = {{T1_DBG, NewT1_BBtn, EditT1_BBtn, DeleteT1_BBtn},
                 {T2_DBG, NewT2_BBtn, EditT2_BBtn, DeleteT2_BBtn},
                 {T3_DBG, NewT3_BBtn, EditT3_BBtn, DeleteT3_BBtn}};
    for (const auto& list : lists) {
        addCommand(list.grid, list.add, QKeySequence(Qt::Key_Insert));
        addCommand(list.grid, list.edit, QKeySequence(Qt::Key_Return));
        addCommand(list.grid, list.remove, QKeySequence(Qt::Key_Delete));
        list.grid->setContextMenuPolicy(Qt::ActionsContextMenu);
        // Double click edits the row, or on an empty list starts a new one.
        connect(list.grid, &DataGrid::doubleClickedAnywhere, list.edit, &QToolButton::click);
    }

    connect(NewT1_BBtn, &QToolButton::clicked, this, &TMain_Form::NewT1_BBtnClick);
    connect(EditT1_BBtn, &QToolButton::clicked, this, &TMain_Form::EditT1_BBtnClick);
    connect(DeleteT1_BBtn, &QToolButton::clicked, this, &TMain_Form::DeleteT1_BBtnClick);
    connect(TotalSumContext_BBtn, &QToolButton::clicked, this,
            &TMain_Form::TotalSumContext_BBtnClick);
    connect(NewT2_BBtn, &QToolButton::clicked, this, &TMain_Form::NewT2_BBtnClick);
    connect(EditT2_BBtn, &QToolButton::clicked, this, &TMain_Form::EditT2_BBtnClick);
    connect(DeleteT2_BBtn, &QToolButton::clicked, this, &TMain_Form::DeleteT2_BBtnClick);
    connect(NewT3_BBtn, &QToolButton::clicked, this, &TMain_Form::NewT3_BBtnClick);
    connect(EditT3_BBtn, &QToolButton::clicked, this, &TMain_Form::EditT3_BBtnClick);
    connect(DeleteT3_BBtn, &QToolButton::clicked, this, &TMain_Form::DeleteT3_BBtnClick);

    connect(T1_DBG, &DataGrid::currentRecordChanged, this, &TMain_Form::payerMoved);
    connect(T2_ADOQ, &RecordSetModel::rowsReplaced, this, &TMain_Form::updateCounts);
    connect(T3_ADOQ, &RecordSetModel::rowsReplaced, this, &TMain_Form::updateCounts);

    auto* layout = qobject_cast<QVBoxLayout*>(central->layout());
    layout->addWidget(
        listArea(central,
                 u"Сведения о плательщике за жилищно-коммунальные и прочие услуги (файл I):"_s,
                 T1_DBG, {NewT1_BBtn, EditT1_BBtn, DeleteT1_BBtn, TotalSumContext_BBtn},
                 u"всего плательщиков:"_s, ColT1_Label),
        1);
    layout->addWidget(listArea(central,
                               u"Сведения о начисленной плате за жилые помещения, коммунальные и "
                               "прочие услуги (файл II):"_s,
                               T2_DBG, {NewT2_BBtn, EditT2_BBtn, DeleteT2_BBtn},
                               u"всего начислений для выбранного плательщика:"_s, ColT2_Label));
    layout->addWidget(listArea(central,
                               u"Сведения о лицах, которые учитываются при расчете платы за "
                               "жилищно-коммунальные и прочие услуги (файл III):"_s,
                               T3_DBG, {NewT3_BBtn, EditT3_BBtn, DeleteT3_BBtn},
                               u"всего лиц, которые учитываются при расчете платы за услуги:"_s,
                               ColT3_Label));
}

void TMain_Form::openLists()
{
    WaitCursor wait;
    if (!T1_ADOQ->open(m_db, StatementLists::payersSql()) ||
        !T2_ADOQ->open(m_db, StatementLists::chargesSql(), {{u":T1_ID"_s, payerValue(u"T1_ID"_s)}}) ||
        !T3_ADOQ->open(m_db, StatementLists::personsSql(), {{u":T1_ID"_s, payerValue(u"T1_ID"_s)}}))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + T1_ADOQ->recordSet().errorString() +
                                 T2_ADOQ->recordSet().errorString() +
                                 T3_ADOQ->recordSet().errorString());
    T1_ADOQ->setSort(u"NumT1 ASC"_s);
    T2_ADOQ->setSort(u"NumT2 ASC"_s);
    T3_ADOQ->setSort(u"NumT3 ASC"_s);
    RememberListPositions();
    updateCounts();
}

QVariant TMain_Form::payerValue(const QString& field) const
{
    const RecordSet& rs = T1_ADOQ->recordSet();
    return rs.value(rs.currentRow(), field);
}

void TMain_Form::payerMoved()
{
    if (!T2_ADOQ->recordSet().isOpen())
        return;
    const QVariant t1Id = payerValue(u"T1_ID"_s);
    // A re-read of the payers that stays on the same payer leaves the details alone, so
    // that they keep their own current rows.
    if (m_totalsForm)
        m_totalsForm->showPayer(T1_ADOQ->recordSet().rowValues(T1_ADOQ->recordSet().currentRow()));
    if (m_detailsValid && t1Id == m_detailT1Id)
        return;
    m_detailT1Id = t1Id;
    m_detailsValid = true;
    // The detail lists keep the sort last chosen for them.
    const QueryParams params{{u":T1_ID"_s, t1Id}};
    T2_ADOQ->reopen(params);
    T3_ADOQ->reopen(params);
    updateCounts();
}

void TMain_Form::updateCounts()
{
    ColT1_Label->setText(QString::number(T1_ADOQ->rowCount()));
    ColT2_Label->setText(QString::number(T2_ADOQ->rowCount()));
    ColT3_Label->setText(QString::number(T3_ADOQ->rowCount()));
}

void TMain_Form::RememberListPositions()
{
    m_state.posT1Id = T1_ADOQ->rowCount() > 0 ? intAt(T1_ADOQ, u"T1_ID"_s) : 0;
    m_state.posT2T1Id = T2_ADOQ->rowCount() > 0 ? intAt(T2_ADOQ, u"T1_ID"_s) : 0;
    m_state.posT2Id = T2_ADOQ->rowCount() > 0 ? intAt(T2_ADOQ, u"T2_ID"_s) : 0;
    m_state.posT3T1Id = T3_ADOQ->rowCount() > 0 ? intAt(T3_ADOQ, u"T1_ID"_s) : 0;
    m_state.posT3Id = T3_ADOQ->rowCount() > 0 ? intAt(T3_ADOQ, u"T3_ID"_s) : 0;
}

void TMain_Form::ReloadLists()
{
    if (!m_db.isOpen())
        return;
    WaitCursor wait;
    T1_DBG->setUpdatesEnabled(false);
    m_detailsValid = false;
    if (!T1_ADOQ->refresh())
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + T1_ADOQ->recordSet().errorString());
    T1_DBG->locate({m_state.posT1Id});
    T2_DBG->locate({m_state.posT2T1Id, m_state.posT2Id});
    T3_DBG->locate({m_state.posT3T1Id, m_state.posT3Id});
    T1_DBG->setUpdatesEnabled(true);
    updateCounts();
}

void TMain_Form::NewT1_BBtnClick()
{
    RememberListPositions();
    {
        TT1_Form editor(m_db, m_state, EditorMode::New, this);
        editor.exec();
    }
    ReloadLists();
    RememberListPositions();
    EditT1_BBtn->setFocus();
}

void TMain_Form::EditT1_BBtnClick()
{
    if (T1_ADOQ->rowCount() == 0) {
        NewT1_BBtnClick();
        return;
    }
    RememberListPositions();
    {
        TT1_Form editor(m_db, m_state, EditorMode::Edit, this);
        editor.setPayer(currentRow(T1_ADOQ));
        editor.exec();
    }
    ReloadLists();
    RememberListPositions();
}

void TMain_Form::DeleteT1_BBtnClick()
{
    if (T1_ADOQ->rowCount() == 0)
        return;
    if (!Dialogs::current().question(
            u"Будет удалена запись со сведениями о потребителе услуг и все соответствующие ей "
            "записи о начислениях и совместно проживающих.\r\nВы уверены?"_s))
        return;
    if (!WorkingStatement::deletePayer(m_db, intAt(T1_ADOQ, u"T1_ID"_s))) {
        Dialogs::current().error(u"Ошибка удаления записи."_s);
        return;
    }
    CommonFnc::RefreshQueryKeepPosition(T1_DBG);
    RememberListPositions();
    updateCounts();
    EditT1_BBtn->setFocus();
}

void TMain_Form::NewT2_BBtnClick()
{
    if (T1_ADOQ->rowCount() == 0)
        return;
    RememberListPositions();
    {
        TT2_Form editor(m_db, m_state, EditorMode::New, currentRow(T1_ADOQ), this);
        editor.exec();
    }
    ReloadLists();
    RememberListPositions();
    EditT2_BBtn->setFocus();
}

void TMain_Form::EditT2_BBtnClick()
{
    if (T2_ADOQ->rowCount() == 0) {
        NewT2_BBtnClick();
        return;
    }
    RememberListPositions();
    {
        TT2_Form editor(m_db, m_state, EditorMode::Edit, currentRow(T1_ADOQ), this);
        editor.setCharge(currentRow(T2_ADOQ));
        editor.exec();
    }
    ReloadLists();
    RememberListPositions();
}

void TMain_Form::DeleteT2_BBtnClick()
{
    if (T2_ADOQ->rowCount() == 0)
        return;
    if (!Dialogs::current().question(
            u"Будет удалена запись со сведениями о начисленной плате за жилые помещения "
            "коммунальные и прочие услуги.\r\nВы уверены?"_s))
        return;
    const int t1Id = intAt(T2_ADOQ, u"T1_ID"_s);
    if (!WorkingStatement::deleteCharge(m_db, t1Id, intAt(T2_ADOQ, u"T2_ID"_s))) {
        Dialogs::current().error(u"Ошибка удаления записи."_s);
        return;
    }
    // The charge is gone either way; a failed re-sum leaves totals that the export's
    // check reports.
    if (!WorkingStatement::resumPayerTotals(m_db, t1Id))
        Dialogs::current().error(u"Ошибка обновления данных"_s);
    CommonFnc::RefreshQueryKeepPosition(T1_DBG);
    CommonFnc::RefreshQueryKeepPosition(T2_DBG);
    RememberListPositions();
    updateCounts();
    EditT2_BBtn->setFocus();
}

void TMain_Form::NewT3_BBtnClick()
{
    if (T1_ADOQ->rowCount() == 0)
        return;
    RememberListPositions();
    {
        TT3_Form editor(m_db, m_state, EditorMode::New, currentRow(T1_ADOQ), this);
        editor.exec();
    }
    ReloadLists();
    RememberListPositions();
    EditT3_BBtn->setFocus();
}

bool TMain_Form::offerMissingRelation()
{
    const RecordSet& rs = T3_ADOQ->recordSet();
    const QString stored = rs.value(rs.currentRow(), u"Relation"_s).toString();
    const QString relation = stored.trimmed();
    // An empty relation has nothing to add: the editor then shows no relation.
    if (relation.isEmpty())
        return false;
    if (WorkingStatement::findRelation(m_db, relation) != 0)
        return false;
    if (!Dialogs::current().question(
            u"В справочнике \"Степень родства по отношению к плательщику\"\r\nотсутствует "
            "запись: \""_s +
                relation + u"\".\r\n\r\nВы хотите добавить эту запись в справочник?"_s,
            Dialogs::Button::No))
        return false;
    // A failure leaves the editor without a relation, which the operator then sees.
    WorkingStatement::addRelation(m_db, stored);
    return true;
}

void TMain_Form::EditT3_BBtnClick()
{
    if (T3_ADOQ->rowCount() == 0) {
        NewT3_BBtnClick();
        return;
    }
    RememberListPositions();
    offerMissingRelation();
    {
        TT3_Form editor(m_db, m_state, EditorMode::Edit, currentRow(T1_ADOQ), this);
        editor.setPerson(currentRow(T3_ADOQ));
        editor.exec();
    }
    ReloadLists();
    RememberListPositions();
}

void TMain_Form::DeleteT3_BBtnClick()
{
    if (T3_ADOQ->rowCount() == 0)
        return;
    if (!Dialogs::current().question(
            u"Будет удалена запись со сведениями о лицах, проживающих совместно с потребителем "
            "услуг.\r\nВы уверены?"_s))
        return;
    bool recountFailed = false;
    if (!WorkingStatement::deletePerson(m_db, intAt(T3_ADOQ, u"T1_ID"_s),
                                        intAt(T3_ADOQ, u"T3_ID"_s), &recountFailed)) {
        Dialogs::current().error(recountFailed ? u"Ошибка изменения записи."_s
                                               : u"Ошибка удаления записи."_s);
        return;
    }
    CommonFnc::RefreshQueryKeepPosition(T1_DBG);
    CommonFnc::RefreshQueryKeepPosition(T2_DBG);
    CommonFnc::RefreshQueryKeepPosition(T3_DBG);
    RememberListPositions();
    updateCounts();
    EditT3_BBtn->setFocus();
}

void TMain_Form::TotalSumContext_BBtnClick()
{
    if (T1_ADOQ->rowCount() == 0 || !m_totalsForm)
        return;
    m_totalsForm->showPayer(T1_ADOQ->recordSet().rowValues(T1_ADOQ->recordSet().currentRow()));
    // Its corner lies on the button, so it opens where the operator is looking.
    m_totalsForm->placeAt(TotalSumContext_BBtn->mapToGlobal(QPoint(1, 1)));
    m_totalsForm->show();
    m_totalsForm->raise();
}

void TMain_Form::openRecord(int file, qint64 number)
{
    const auto place = WorkingStatement::findRecord(m_db, file, number);
    bool shown = place && T1_DBG->locate({place->t1Id});
    if (shown && file == 2)
        shown = T2_DBG->locate({place->t1Id, place->id});
    else if (shown && file == 3)
        shown = T3_DBG->locate({place->t1Id, place->id});
    if (!shown) {
        // Deleted since the list was made: the list stays, nothing else moves.
        QApplication::beep();
        return;
    }
    switch (file) {
    case 1:
        EditT1_BBtnClick();
        break;
    case 2:
        EditT2_BBtnClick();
        break;
    case 3:
        EditT3_BBtnClick();
        break;
    }
}
