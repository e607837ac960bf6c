#include "SpravRelationEdit.h"

#include "Dialogs.h"
#include "InputFilters.h"
#include "RelationBook.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TSpravRelationEdit_Form::TSpravRelationEdit_Form(Database& db, int relationId, const QString& name,
                                                 QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_relationId(relationId)
    , Relation_E(new QLineEdit(name, this))
    , Save_BBtn(new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), u" Сохранить"_s,
                                this))
{
    setObjectName(u"SpravRelationEdit_Form"_s);
    setWindowTitle(u"Редактирование справочника"_s);
    setModal(true);
    Relation_E->setObjectName(u"Relation_E"_s);
    Save_BBtn->setObjectName(u"Save_BBtn"_s);
    // Enter in the box saves: the box passes it on to the dialog's default button.
    Save_BBtn->setDefault(true);
    // No length limit on the box: a term typed too long is named by Save's check instead of
    // being cut short, and blanks around the term do not count against it.
    CommonFnc::AttachKeyFilter(Relation_E, CommonFnc::KeyFilter::RussianLetters);

    auto* caption = new QLabel(u"Степень родства по отношению к плательщику:"_s, this);
    caption->setBuddy(Relation_E);
    Relation_E->setMinimumWidth(qMax(caption->sizeHint().width(),
                                     Relation_E->fontMetrics().horizontalAdvance(
                                         QString(RefBooks::RelationBook::MaxNameLength, u'ш')) +
                                         16));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(Relation_E);
    layout->addSpacing(6);
    layout->addWidget(Save_BBtn, 0, Qt::AlignRight);
    setFixedSize(
        sizeHint().expandedTo(QSize(fontMetrics().horizontalAdvance(windowTitle()) + 160, 0)));
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());

    connect(Save_BBtn, &QPushButton::clicked, this, &TSpravRelationEdit_Form::Save_BBtnClick);
}

void TSpravRelationEdit_Form::Save_BBtnClick()
{
    const RefBooks::RelationBook::Result result =
        RefBooks::RelationBook(m_db).save(m_relationId, Relation_E->text());
    if (!result.done()) {
        Dialogs::current().error(result.message);
        Relation_E->setFocus();
        return;
    }
    Dialogs::current().notice(u"Данные сохранены в справочнике."_s);
    accept();
}
