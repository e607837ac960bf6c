#include "Acts.h"

#include "Dialogs.h"
#include "Preview.h"
#include "WaitCursor.h"

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
    , m_preparing(new QLabel(u"Подготовка отчета ..."_s, this))
{
    setModal(true);
    m_preparing->setObjectName(u"Preparing_Label"_s);
}

QPushButton* ActButtonsDialog::addButton(const char* name, const QString& text, Acts::Kind kind)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    // The captions begin with a blank: they read from the left like a list of commands.
    button->setStyleSheet(u"text-align: left; padding: 6px 10px;"_s);
    m_layout->addWidget(button);
    m_buttons << button;
    connect(button, &QPushButton::clicked, this, [this, kind] { showReport(kind); });
    return button;
}

void ActButtonsDialog::finishLayout()
{
    auto* bottom = new QHBoxLayout;
    // Keeps its room while hidden, so that the window does not jump.
    QSizePolicy keep = m_preparing->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_preparing->setSizePolicy(keep);
    m_preparing->hide();
    bottom->addWidget(m_preparing, 1);
    auto* close = new QPushButton(u"Закрыть"_s, this);
    close->setObjectName(u"Close_BBtn"_s);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(close);
    m_layout->addSpacing(6);
    m_layout->addLayout(bottom);
    m_buttons << close;
    setFixedSize(sizeHint());
}

void ActButtonsDialog::showReport(Acts::Kind kind)
{
    if (m_heading.dezId.isNull()) {
        Dialogs::current().error(Acts::noOrganisationMessage());
        return;
    }
    std::optional<Report::Prepared> report;
    QString error;
    {
        // A large statement takes a few seconds: the window says so and takes no second
        // command meanwhile.
        for (QPushButton* button : m_buttons)
            button->setEnabled(false);
        m_preparing->show();
        const WaitCursor wait;
        report = Acts::prepareReport(m_db, kind, m_heading, &error);
        m_preparing->hide();
        for (QPushButton* button : m_buttons)
            button->setEnabled(true);
    }
    if (!report) {
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + error);
        return;
    }
    TPreview_Form preview(std::move(*report), this);
    preview.exec();
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
