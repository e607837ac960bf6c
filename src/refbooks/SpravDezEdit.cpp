#include "SpravDezEdit.h"

#include "Dialogs.h"
#include "InputFilters.h"
#include "OrganisationBook.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The database holds names of up to 240 characters.
constexpr int NameLength = 240;

} // namespace

TSpravDezEdit_Form::TSpravDezEdit_Form(Database& db, Mode mode, int code, QWidget* parent)
    : RecordEditor(parent)
    , m_db(db)
    , m_mode(mode)
    , m_code(mode == Mode::Edit ? code : 0)
{
    setObjectName(u"SpravDezEdit_Form"_s);
    setWindowTitle(u"Редактирование справочника организаций "_s);

    const auto box = [this](const char* name, CommonFnc::KeyFilter filter, int limit) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        CommonFnc::AttachKeyFilter(edit, filter, [this] { markChanged(); });
        if (limit > 0)
            CommonFnc::AttachLengthLimit(edit, limit);
        return edit;
    };
    // The code's length is the save's to refuse, with a message naming the field.
    DezID_E = box("DezID_E", CommonFnc::KeyFilter::Digits, 0);
    DezName_E = box("DezName_E", CommonFnc::KeyFilter::AddressText, NameLength);
    BName1_E = box("BName1_E", CommonFnc::KeyFilter::AddressText, NameLength);
    BName2_E = box("BName2_E", CommonFnc::KeyFilter::AddressText, NameLength);
    BName3_E = box("BName3_E", CommonFnc::KeyFilter::AddressText, NameLength);
    DezID_E->setMaximumWidth(DezID_E->fontMetrics().horizontalAdvance(u"0"_s) * 12);

    Save_BBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                u" Сохранить данные в справочник "_s, this);
    Save_BBtn->setObjectName(u"Save_BBtn"_s);
    setSaveButton(Save_BBtn);

    // One form, so that the accountant's boxes line up under the organisation's.
    auto* heading = new QLabel(u"Бухгалтер:"_s, this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* form = new QFormLayout;
    form->addRow(u"Код организации:"_s, DezID_E);
    form->addRow(u"Наименование организации:"_s, DezName_E);
    form->addItem(new QSpacerItem(0, 8));
    form->addRow(heading);
    form->addRow(u"Фамилия:"_s, BName1_E);
    form->addRow(u"Имя:"_s, BName2_E);
    form->addRow(u"Отчество:"_s, BName3_E);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(Save_BBtn, 0, Qt::AlignRight);
    resize(560, sizeHint().height());
    setFixedSize(size());
}

void TSpravDezEdit_Form::setFields(const QString& code, const QString& name, const QString& surname,
                                   const QString& firstName, const QString& patronymic)
{
    DezID_E->setText(code);
    DezName_E->setText(name);
    BName1_E->setText(surname);
    BName2_E->setText(firstName);
    BName3_E->setText(patronymic);
    setChanged(false);
}

bool TSpravDezEdit_Form::save()
{
    const RefBooks::OrganisationFields fields{DezID_E->text(), DezName_E->text(), BName1_E->text(),
                                              BName2_E->text(), BName3_E->text()};
    const QString refused = RefBooks::checkOrganisation(fields);
    if (!refused.isEmpty()) {
        Dialogs::current().error(refused);
        return false;
    }
    if (m_mode == Mode::Add) {
        const RefBooks::BookWrite written = RefBooks::insertOrganisation(m_db, fields);
        if (!written.ok)
            Dialogs::current().error(written.message);
        return written.ok;
    }
    // Payer records keep the code they carry: changing it is asked about first.
    if (fields.code.trimmed().toInt() != m_code) {
        const int payers = RefBooks::payersUsingOrganisation(m_db, m_code);
        if (payers > 0 &&
            !Dialogs::current().question(RefBooks::organisationInUseQuestion(m_code, payers, false),
                                         Dialogs::Button::No))
            return false;
    }
    const RefBooks::BookWrite written = RefBooks::updateOrganisation(m_db, m_code, fields);
    if (!written.ok)
        Dialogs::current().error(written.message);
    return written.ok;
}
