#include "Search.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "InputFilters.h"
#include "PayerSearch.h"
#include "RecordSetModel.h"
#include "RunState.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QLineEdit* box(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setText(text);
    return edit;
}

} // namespace

TSearch_Form::TSearch_Form(RunState& state, DataGrid* payers, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                          Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_state(state)
    , m_payers(payers)
{
    setObjectName(u"Search_Form"_s);
    setWindowTitle(u"Поиск"_s);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(u"Найти в \"Сведениях о плательщике за услуги\":"_s, this);
    Label1->setObjectName(u"Label1"_s);
    layout->addWidget(Label1);

    // Each kind of search is a framed group with its radio button on the left, so that the
    // button plainly stands for all the boxes beside it.
    const auto group = [this, layout](QRadioButton* button,
                                      const QList<QPair<QString, QLineEdit*>>& rows) {
        auto* frame = new QFrame(this);
        frame->setFrameShape(QFrame::StyledPanel);
        auto* line = new QHBoxLayout(frame);
        line->addWidget(button, 0, Qt::AlignVCenter);
        auto* form = new QFormLayout;
        form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
        for (const auto& [caption, edit] : rows) {
            auto* label = new QLabel(caption, frame);
            label->setBuddy(edit);
            label->setMinimumWidth(label->fontMetrics().horizontalAdvance(u"Лицевой счет:"_s));
            form->addRow(label, edit);
        }
        line->addLayout(form, 1);
        layout->addWidget(frame);
    };
    FIO_RB = new QRadioButton(this);
    FIO_RB->setObjectName(u"FIO_RB"_s);
    FIO_RB->setToolTip(u"Поиск по фамилии, имени и отчеству"_s);
    Name1_E = box(this, "Name1_E", state.searchName1);
    Name2_E = box(this, "Name2_E", state.searchName2);
    Name3_E = box(this, "Name3_E", state.searchName3);
    group(FIO_RB, {{u"Фамилия:"_s, Name1_E}, {u"Имя:"_s, Name2_E}, {u"Отчество:"_s, Name3_E}});
    Numls_RB = new QRadioButton(this);
    Numls_RB->setObjectName(u"Numls_RB"_s);
    Numls_RB->setToolTip(u"Поиск по лицевому счету"_s);
    Numls_E = box(this, "Numls_E", state.searchNumls);
    group(Numls_RB, {{u"Лицевой счет:"_s, Numls_E}});

    // The buttons sit in different frames: one group keeps them exclusive.
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(FIO_RB);
    kinds->addButton(Numls_RB);
    (state.searchByName ? FIO_RB : Numls_RB)->setChecked(true);
    // Name parts take Russian letters only; anything else is simply not typed.
    for (QLineEdit* edit : {Name1_E, Name2_E, Name3_E}) {
        CommonFnc::AttachKeyFilter(edit, CommonFnc::KeyFilter::RussianLetters, {},
                                   CommonFnc::Refusal::Silent);
        // Typing into a box chooses its kind of search.
        connect(edit, &QLineEdit::textEdited, FIO_RB, [this] { FIO_RB->setChecked(true); });
    }
    connect(Numls_E, &QLineEdit::textEdited, Numls_RB, [this] { Numls_RB->setChecked(true); });

    auto* buttons = new QHBoxLayout;
    SearchFIOFirst_BBtn = new QPushButton(u" Найти c начала"_s, this);
    SearchFIOFirst_BBtn->setObjectName(u"SearchFIOFirst_BBtn"_s);
    SearchFIOLast_BBtn = new QPushButton(u" Найти с текущей позиции"_s, this);
    SearchFIOLast_BBtn->setObjectName(u"SearchFIOLast_BBtn"_s);
    // Enter steps on to the next match: the operator walks through them from the keyboard.
    SearchFIOLast_BBtn->setDefault(true);
    buttons->addWidget(SearchFIOFirst_BBtn);
    buttons->addWidget(SearchFIOLast_BBtn);
    layout->addLayout(buttons);
    connect(SearchFIOFirst_BBtn, &QPushButton::clicked, this,
            &TSearch_Form::SearchFIOFirst_BBtnClick);
    connect(SearchFIOLast_BBtn, &QPushButton::clicked, this,
            &TSearch_Form::SearchFIOLast_BBtnClick);

    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
    (state.searchByName ? Name1_E : Numls_E)->setFocus();
}

void TSearch_Form::SearchFIOFirst_BBtnClick()
{
    search(true);
}

void TSearch_Form::SearchFIOLast_BBtnClick()
{
    search(false);
}

void TSearch_Form::search(bool fromStart)
{
    const Bulk::PayerCriteria criteria{Name1_E->text(), Name2_E->text(), Name3_E->text(),
                                       Numls_E->text(), FIO_RB->isChecked()};
    if (const QString problem = Bulk::criteriaProblem(criteria); !problem.isEmpty()) {
        Dialogs::current().warning(problem);
        return;
    }
    RecordSetModel* model = m_payers ? m_payers->recordModel() : nullptr;
    if (!model)
        return;
    const RecordSet& rows = model->recordSet();
    // The list is searched in memory, in its current order; the grid moves only to a match.
    const int start = fromStart ? 0 : rows.currentRow() + 1;
    const int found = Bulk::findPayer(rows, criteria, start);
    if (found < 0) {
        Dialogs::current().warning(u"Строка не найдена."_s);
        return;
    }
    m_payers->locate(rows.keyAt(found));
}

void TSearch_Form::done(int result)
{
    m_state.searchName1 = Name1_E->text().trimmed();
    m_state.searchName2 = Name2_E->text().trimmed();
    m_state.searchName3 = Name3_E->text().trimmed();
    m_state.searchNumls = Numls_E->text().trimmed();
    m_state.searchByName = FIO_RB->isChecked();
    QDialog::done(result);
}
