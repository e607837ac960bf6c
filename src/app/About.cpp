#include "About.h"

#include "AppInfo.h"
#include "Emblem.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TAbout_Form::TAbout_Form(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"About_Form"_s);
    setWindowTitle(u"О программе"_s);
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName(u"Image1"_s);
    picture->setPixmap(orbelonEmblem(96));
    picture->setAlignment(Qt::AlignTop);

    auto* description = new QLabel(
        u"Программа формирования сведений о платежах, начисленных за жилищно-коммунальные и "
        "прочие услуги"_s,
        this);
    description->setObjectName(u"Description_Label"_s);
    description->setWordWrap(true);
    QFont bold = description->font();
    bold.setBold(true);
    description->setFont(bold);

    auto* version = new QLabel(u"Версия "_s + AppInfo::version() + u" от "_s +
                                   AppInfo::releaseDateText(),
                               this);
    version->setObjectName(u"Version_Label"_s);
    auto* maker = new QLabel(u"Разработчик: коллектив программы «Орбелон»"_s, this);
    maker->setObjectName(u"Maker_Label"_s);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"OK"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(description);
    texts->addSpacing(8);
    texts->addWidget(version);
    texts->addWidget(maker);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedWidth(460);
}
