#include "Acts.h"

#include "Dialogs.h"
#include "Preview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

ActButtonsDialog::ActButtonsDialog(Database& db, const Acts::Heading& heading, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_heading(heading)
    , m_layout(new QVBoxLayout(this))
{
    setModal(true);
}

QPushButton* ActButtonsDialog::addButton(const char* name, const QString& text, Acts::Kind kind)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    // The captions begin with a blank: they read from the left like a list of commands.
    button->setStyleSheet(u"text-align: left; padding: 6px 10px;"_s);
    m_layout->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, kind] { showReport(kind); });
    return button;
}

void ActButtonsDialog::finishLayout()
{
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* close = new QPushButton(u"Закрыть"_s, this);
    close->setObjectName(u"Close_BBtn"_s);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(close);
    m_layout->addSpacing(6);
    m_layout->addLayout(bottom);
    setFixedSize(sizeHint());
}

void ActButtonsDialog::showReport(Acts::Kind kind)
{
    if (m_heading.dezId.isNull()) {
        Dialogs::current().error(Acts::noOrganisationMessage());
        return;
    }
    // A large statement takes a while: the preview opens at once and shows the first pages
    // while the rest are laid out.
    QString error;
    const bool shown = TPreview_Form::showPreparing(
        Acts::title(kind),
        [&](const Report::PrepareOptions& options, QString* failure) {
            return Acts::prepareReport(m_db, kind, m_heading, failure, options);
        },
        this, &error);
    if (!shown)
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + error);
}

TActs_Form::TActs_Form(Database& db, const Acts::Heading& heading, QWidget* parent)
    : ActButtonsDialog(db, heading, parent)
{
    setObjectName(u"Acts_Form"_s);
    setWindowTitle(u"Сводные данные"_s);
    addButton("Services_BitBtn", u" Сводные данные по услугам"_s, Acts::Kind::Services);
    addButton("HousesServices_BBtn", u" Сводные данные по услугам с разбивкой по домам"_s,
              Acts::Kind::HousesServices);
    addButton("HousesFlatsServices_BBtn",
              u" Сводные данные по услугам с разбивкой по домам и квартирам"_s,
              Acts::Kind::HousesFlatsServices);
    addButton("File_BitBtn", u" Сводные данные по введенной информации"_s, Acts::Kind::EnteredData);
    finishLayout();
}

TPrintSpisok_Form::TPrintSpisok_Form(Database& db, const Acts::Heading& heading, QWidget* parent)
    : ActButtonsDialog(db, heading, parent)
{
    setObjectName(u"PrintSpisok_Form"_s);
    setWindowTitle(u"Печать списка лиц, представленных в файле"_s);
    addButton("SpisokPotreb_BitBtn", u" Печать списка плательщиков за услуги"_s,
              Acts::Kind::Payers);
    addButton("SpisokPotrebS_BitBtn",
              u" Печать списка лиц, учитываемых при расчете платы за услуги"_s,
              Acts::Kind::PayersWithPersons);
    finishLayout();
}
