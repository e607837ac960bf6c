#include "SpravHousesBTIEdit.h"

#include "Dialogs.h"
#include "InputFilters.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

/// `text` broken into lines no wider than `width` in `font`: between words where it can be,
/// inside a word too long for a line, so that a name of any length shows whole.
QString wrapToWidth(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines.join(u'\n');
}

} // namespace

TSpravHousesBTIEdit_Form::TSpravHousesBTIEdit_Form(Database& db, Mode mode,
                                                   const RefBooks::HouseStreet& street,
                                                   const QString& streetName, int houseId,
                                                   QWidget* parent)
    : RecordEditor(parent)
    , m_db(db)
    , m_mode(mode)
    , m_street(street)
    , m_houseId(mode == Mode::Edit ? houseId : 0)
{
    setObjectName(u"SpravHousesBTIEdit_Form"_s);
    setWindowTitle(u"Редактирование справочника кодов БТИ"_s);

    // A long street name takes more lines rather than widening the window past the screen.
    StreetName_Label = new QLabel(this);
    StreetName_Label->setObjectName(u"StreetName_Label"_s);
    QFont bold = StreetName_Label->font();
    bold.setBold(true);
    StreetName_Label->setFont(bold);
    const int nameWidth = fontMetrics().horizontalAdvance(windowTitle()) + 40;
    StreetName_Label->setText(wrapToWidth(streetName, bold, nameWidth));
    StreetName_Label->setToolTip(streetName);

    const auto box = [this](const char* name, CommonFnc::KeyFilter filter, int limit) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        CommonFnc::AttachKeyFilter(edit, filter, [this] { markChanged(); });
        CommonFnc::AttachLengthLimit(edit, limit);
        // Room for the longest text the box takes, and no more.
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(limit + 2, u'Ш')));
        return edit;
    };
    // The widths of the columns of Sprav_HousesBTI; the code has at most seven digits.
    HouseNum_E = box("HouseNum_E", CommonFnc::KeyFilter::AddressText, 8);
    KorpNum_E = box("KorpNum_E", CommonFnc::KeyFilter::AddressText, 5);
    StroenNum_E = box("StroenNum_E", CommonFnc::KeyFilter::AddressText, 6);
    HouseID_BTI_E = box("HouseID_BTI_E", CommonFnc::KeyFilter::Digits, 7);

    Save_BBtn =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), u" Сохранить"_s, this);
    Save_BBtn->setObjectName(u"Save_BBtn"_s);
    setSaveButton(Save_BBtn);

    auto* form = new QFormLayout;
    form->addRow(u"Улица:"_s, StreetName_Label);
    form->addRow(u"Дом:"_s, HouseNum_E);
    form->addRow(u"Корпус:"_s, KorpNum_E);
    form->addRow(u"Строение:"_s, StroenNum_E);
    form->addRow(u"Код дома БТИ:"_s, HouseID_BTI_E);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(Save_BBtn, 0, Qt::AlignRight);

    // Wide enough for the caption in the title bar.
    setFixedSize(
        sizeHint().expandedTo(QSize(fontMetrics().horizontalAdvance(windowTitle()) + 160, 0)));
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TSpravHousesBTIEdit_Form::setFields(const RefBooks::HouseFields& fields)
{
    HouseNum_E->setText(fields.houseNum);
    KorpNum_E->setText(fields.korpNum);
    StroenNum_E->setText(fields.stroenNum);
    HouseID_BTI_E->setText(fields.houseIdBti);
    setChanged(false);
}

bool TSpravHousesBTIEdit_Form::save()
{
    const RefBooks::HouseFields fields{HouseNum_E->text(), KorpNum_E->text(), StroenNum_E->text(),
                                       HouseID_BTI_E->text()};
    const QStringList refused = RefBooks::checkHouse(fields);
    if (!refused.isEmpty()) {
        setChanged(false);
        showErrors(refused);
        return false;
    }
    const RefBooks::BookWrite written =
        m_mode == Mode::Add ? RefBooks::insertHouse(m_db, m_street, fields)
                            : RefBooks::updateHouse(m_db, m_houseId, m_street, fields);
    // A refused write keeps the window open with what was typed, still counted as
    // changed, so that the operator can correct the address or the code instead of typing
    // the house again.
    if (!written.ok)
        Dialogs::current().error(written.message);
    return written.ok;
}
