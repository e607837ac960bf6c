#include "T3.h"

#include "CommonFnc.h"
#include "Dialogs.h"
#include "Format.h"
#include "InputFilters.h"
#include "LookupComboBox.h"
#include "PersonRecord.h"
#include "RunState.h"
#include "Schema.h"

#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <iterator>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString EmptyDateText = u"  .  .    "_s;

QString text(const QVariantMap& row, const QString& field)
{
    return row.value(field).toString();
}

bool isKey(const QVariant& key, int value)
{
    return key.isValid() && !key.isNull() && key.toInt() == value;
}

QString dateText(const QVariant& value)
{
    return Format::shortDate(Format::dateFromVariant(value));
}

} // namespace

TT3_Form::TT3_Form(Database& db, RunState& state, EditorMode mode, const QVariantMap& payerRow,
                   QWidget* parent)
    : RecordEditor(parent)
    , m_db(db)
    , m_state(state)
    , m_mode(mode)
    , m_payer(payerRow)
    , m_squareTotal(Decimal::fromVariant(payerRow.value(u"SquareTotal"_s),
                                         Schema::decimalScale(u"SquareTotal"_s)))
    , m_t1Id(payerRow.value(u"T1_ID"_s).toInt())
{
    setWindowTitle(u"Сведения о лицах, которые учитываются при расчете платы за "
                   "жилищно-коммунальные и прочие услуги:"_s);
    createControls();
    layOut();
    loadLookups();

    GLOBAL_MES_OTCHET_Label->setText(Format::monthYear(m_state.accountingPeriod));
    const QDate recordMonth = m_mode == EditorMode::New
                                  ? m_state.accountingPeriod
                                  : Format::dateFromVariant(payerRow.value(u"Mes"_s));
    Mes_Label->setText(Format::monthYear(recordMonth));
    Numls_Label->setText(text(payerRow, u"Numls"_s));
    ENumlsID_Label->setText(Format::payerCode(payerRow.value(u"ENumlsID"_s)));
    FIO_Label->setText(text(payerRow, u"Name1"_s) + u' ' + text(payerRow, u"Name2"_s) + u' ' +
                       text(payerRow, u"Name3"_s));
    // A flat without a total area shows 0, as the share check counts it.
    SquareTotal_Label->setText(
        (m_squareTotal.isNull() ? u"0,00"_s : m_squareTotal.toString(2)) + u" кв.м."_s);

    // The payer is usually the first person of its flat.
    if (m_mode == EditorMode::New && !PersonRecord::hasPersons(m_db, m_t1Id)) {
        Name1_E->setText(text(payerRow, u"Name1"_s));
        Name2_E->setText(text(payerRow, u"Name2"_s));
        Name3_E->setText(text(payerRow, u"Name3"_s));
    }
}

void TT3_Form::createControls()
{
    auto label = [this](const QString& name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        return l;
    };
    GLOBAL_MES_OTCHET_Label = label(u"GLOBAL_MES_OTCHET_Label"_s);
    Mes_Label = label(u"Mes_Label"_s);
    Numls_Label = label(u"Numls_Label"_s);
    ENumlsID_Label = label(u"ENumlsID_Label"_s);
    FIO_Label = label(u"FIO_Label"_s);
    SquareTotal_Label = label(u"SquareTotal_Label"_s);
    for (QLabel* value : {GLOBAL_MES_OTCHET_Label, Mes_Label, Numls_Label, ENumlsID_Label,
                          FIO_Label, SquareTotal_Label}) {
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    auto edit = [this](const QString& name, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        if (maxLength > 0)
            e->setMaxLength(maxLength);
        return e;
    };
    Name1_E = edit(u"Name1_E"_s, 35);
    Name2_E = edit(u"Name2_E"_s, 20);
    Name3_E = edit(u"Name3_E"_s, 20);
    // A key in a read-only box (the payer's own name) changes nothing.
    for (QLineEdit* name : {Name1_E, Name2_E, Name3_E})
        CommonFnc::AttachKeyFilter(name, CommonFnc::KeyFilter::RussianLetters, [this, name] {
            if (!name->isReadOnly())
                markChanged();
        });

    // Unfilled places show and read as 0: an unfilled number is "000-000-000 00".
    SNILS_ME = edit(u"SNILS_ME"_s, 14);
    SNILS_ME->setInputMask(u"999-999-999 99;0"_s);
    // A corrected СНИЛС is a change like any other: closing must offer to save it.
    connect(SNILS_ME, &QLineEdit::textEdited, this, &RecordEditor::markChanged);

    BirthDate_ME = edit(u"BirthDate_ME"_s, 10);
    DateRegStart_ME = edit(u"DateRegStart_ME"_s, 10);
    DateRegEnd_ME = edit(u"DateRegEnd_ME"_s, 10);
    for (QLineEdit* date : {BirthDate_ME, DateRegStart_ME, DateRegEnd_ME}) {
        date->setInputMask(u"99.99.9999"_s);
        date->installEventFilter(this);
        connect(date, &QLineEdit::textChanged, this, [this] { markChanged(); });
    }

    auto lookup = [this](const QString& name) {
        auto* box = new LookupComboBox(this);
        box->setObjectName(name);
        connect(box, &QComboBox::currentIndexChanged, this, [this] { markChanged(); });
        return box;
    };
    Sex_RxDBLC = lookup(u"Sex_RxDBLC"_s);
    TypeReg_RxDBLC = lookup(u"TypeReg_RxDBLC"_s);
    PrFactLive_RxDBLC = lookup(u"PrFactLive_RxDBLC"_s);
    Relation_RxDBLC = lookup(u"Relation_RxDBLC"_s);
    RelationOwn_RxDBLC = lookup(u"RelationOwn_RxDBLC"_s);
    connect(TypeReg_RxDBLC, &QComboBox::currentIndexChanged, this,
            &TT3_Form::TypeReg_RxDBLCChange);
    connect(RelationOwn_RxDBLC, &QComboBox::currentIndexChanged, this,
            &TT3_Form::RelationOwn_RxDBLCChange);

    SquareShare_E = edit(u"SquareShare_E"_s, 0);
    CommonFnc::AttachKeyFilter(SquareShare_E, CommonFnc::KeyFilter::Decimal,
                               [this] { markChanged(); });
    // A stored share longer than the box shows whole: cutting it would save a wrong value.
    CommonFnc::AttachLengthLimit(SquareShare_E, 6);
    SquareShare_E->installEventFilter(this);

    Save_BBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                u" Сохранить"_s, this);
    Save_BBtn->setObjectName(u"Save_BBtn"_s);
    setSaveButton(Save_BBtn);

    QWidget* order[] = {Name1_E,         Name2_E,           Name3_E,         SNILS_ME,
                        BirthDate_ME,    Sex_RxDBLC,        TypeReg_RxDBLC,  DateRegStart_ME,
                        DateRegEnd_ME,   PrFactLive_RxDBLC, Relation_RxDBLC, RelationOwn_RxDBLC,
                        SquareShare_E,   Save_BBtn};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TT3_Form::layOut()
{
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(12);
    // The longest caption that stays on one line sets the width of the caption column.
    const int captionWidth = fontMetrics().horizontalAdvance(
                                 u"Страховой номер индивидуального лицевого счета (СНИЛС):"_s) +
                             8;
    int row = 0;
    auto add = [&](const QString& caption, QWidget* control, bool wide = true) {
        auto* l = new QLabel(caption, this);
        l->setBuddy(control);
        if (fontMetrics().horizontalAdvance(caption) > captionWidth) {
            l->setWordWrap(true);
            l->setFixedWidth(captionWidth);
            l->setFixedHeight(l->heightForWidth(captionWidth));
        }
        grid->addWidget(l, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(control, row, 1, wide ? Qt::Alignment() : Qt::AlignLeft);
        ++row;
    };
    add(u"месяц, за который производится расчет:"_s, GLOBAL_MES_OTCHET_Label);
    add(u"месяц  в файле:"_s, Mes_Label);
    add(u"Лицевой счет:"_s, Numls_Label);
    add(u"Код плательщика:"_s, ENumlsID_Label);
    add(u"Потребитель услуг:"_s, FIO_Label);
    add(u"Общая площадь квартиры:"_s, SquareTotal_Label);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, row++, 0, 1, 2);

    const int dateWidth = BirthDate_ME->fontMetrics().horizontalAdvance(u"00.00.00000"_s) + 16;
    for (QLineEdit* date : {BirthDate_ME, DateRegStart_ME, DateRegEnd_ME})
        date->setFixedWidth(dateWidth);
    SNILS_ME->setFixedWidth(SNILS_ME->fontMetrics().horizontalAdvance(u"000-000-000 000"_s) + 16);
    SquareShare_E->setFixedWidth(dateWidth);
    const int nameWidth = Name1_E->fontMetrics().horizontalAdvance(QString(30, u'ш'));
    for (QLineEdit* name : {Name1_E, Name2_E, Name3_E})
        name->setFixedWidth(nameWidth);

    add(u"Фамилия:"_s, Name1_E, false);
    add(u"Имя:"_s, Name2_E, false);
    add(u"Отчество:"_s, Name3_E, false);
    add(u"Страховой номер индивидуального лицевого счета (СНИЛС):"_s, SNILS_ME, false);
    add(u"Дата рождения:"_s, BirthDate_ME, false);
    add(u"Пол:"_s, Sex_RxDBLC);
    add(u"Вид регистрации:"_s, TypeReg_RxDBLC);
    add(u"Дата регистрации:"_s, DateRegStart_ME, false);
    add(u"Дата окончания регистрации:"_s, DateRegEnd_ME, false);
    add(u"Признак фактического проживания жильца:"_s, PrFactLive_RxDBLC);
    add(u"Родственные отношения к нанимателю или к собственнику:"_s, Relation_RxDBLC);
    add(u"Отношение к собственности:"_s, RelationOwn_RxDBLC);
    add(u"Доля площади (доля общей площади в кв.м.), находящаяся в собственности "
        "гражданина:"_s,
        SquareShare_E, false);

    grid->addWidget(Save_BBtn, row, 1, Qt::AlignRight);
    grid->setColumnMinimumWidth(0, captionWidth);
    grid->setColumnMinimumWidth(1, nameWidth + 140);
    setFixedSize(sizeHint());
}

void TT3_Form::loadLookups()
{
    Sex_RxDBLC->loadItems(m_db, u"SELECT SexNameShort, SexNameLong\nFROM Sprav_Sex\n"
                                "ORDER BY SexNameLong"_s);
    TypeReg_RxDBLC->loadItems(m_db, u"SELECT TypeRegID, TypeRegName\nFROM Sprav_TypeReg\n"
                                    "ORDER BY TypeRegID"_s);
    PrFactLive_RxDBLC->loadItems(m_db, u"SELECT PrFactLiveID, PrFactLiveName\n"
                                       "FROM Sprav_PrFactLive\nORDER BY PrFactLiveID"_s);
    Relation_RxDBLC->loadItems(m_db, u"SELECT RelationID, RelationName\nFROM Sprav_Relation\n"
                                     "ORDER BY RelationName"_s);
    RelationOwn_RxDBLC->loadItems(m_db, u"SELECT RelationOwnID, RelationOwnName\n"
                                        "FROM Sprav_RelationOwn\nORDER BY RelationOwnID"_s);
}

void TT3_Form::setPerson(const QVariantMap& personRow)
{
    if (personRow.contains(u"T1_ID"_s))
        m_t1Id = personRow.value(u"T1_ID"_s).toInt();
    m_t3Id = personRow.value(u"T3_ID"_s).toInt();
    m_numberPeople = personRow.value(u"NumberPeople"_s).toInt();

    Name1_E->setText(text(personRow, u"Name1"_s));
    Name2_E->setText(text(personRow, u"Name2"_s));
    Name3_E->setText(text(personRow, u"Name3"_s));
    SNILS_ME->setText(text(personRow, u"SNILS"_s));
    BirthDate_ME->setText(dateText(personRow.value(u"BirthDate"_s)));
    DateRegStart_ME->setText(dateText(personRow.value(u"DateRegStart"_s)));
    DateRegEnd_ME->setText(dateText(personRow.value(u"DateRegEnd"_s)));
    Sex_RxDBLC->setKeyValue(personRow.value(u"Sex"_s));

    // The row stores the relation's name, not its code.
    const QString relation = text(personRow, u"Relation"_s).trimmed();
    int relationIndex = -1;
    for (int i = 0; !relation.isEmpty() && i < Relation_RxDBLC->count(); ++i) {
        if (Relation_RxDBLC->itemText(i).trimmed() == relation) {
            relationIndex = i;
            break;
        }
    }
    Relation_RxDBLC->setKeyValue(QVariant());
    Relation_RxDBLC->setCurrentIndex(relationIndex);

    // The share before the relation to property, so that "no share" keeps the stored text
    // to give back when another relation is chosen.
    SquareShare_E->setText(
        Decimal::fromVariant(personRow.value(u"SquareShare"_s),
                             Schema::decimalScale(u"SquareShare"_s))
            .toString(2));
    if (SquareShare_E->text().isEmpty())
        SquareShare_E->setText(u"0,00"_s);
    RelationOwn_RxDBLC->setKeyValue(personRow.value(u"RelationOwnID"_s));
    // After the dates: registration kind 0 has no dates.
    TypeReg_RxDBLC->setKeyValue(personRow.value(u"TypeRegID"_s));
    PrFactLive_RxDBLC->setKeyValue(personRow.value(u"PrFactLiveID"_s));
    setChanged(false);
}

void TT3_Form::showEvent(QShowEvent* event)
{
    RecordEditor::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    protectPayerNames();
    setChanged(false);
}

void TT3_Form::protectPayerNames()
{
    // The payer's own name changes only through the payer editor.
    if (Name1_E->text() != text(m_payer, u"Name1"_s) ||
        Name2_E->text() != text(m_payer, u"Name2"_s) ||
        Name3_E->text() != text(m_payer, u"Name3"_s))
        return;
    for (QLineEdit* name : {Name1_E, Name2_E, Name3_E}) {
        name->setReadOnly(true);
        QPalette red = name->palette();
        red.setColor(QPalette::Text, Qt::red);
        name->setPalette(red);
    }
}

bool TT3_Form::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box)
        return RecordEditor::eventFilter(watched, event);
    if (box == SquareShare_E) {
        if (event->type() == QEvent::FocusOut)
            SquareShare_EExit();
        return false;
    }
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::MouseButtonPress:
        // After the box has placed the caret itself.
        QTimer::singleShot(0, box, [box] { box->setCursorPosition(0); });
        break;
    case QEvent::FocusOut: {
        // Switching to another window or opening a menu does not leave the box.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            isVisible())
            dateBoxExit(box);
        break;
    }
    default:
        break;
    }
    return false;
}

void TT3_Form::dateBoxExit(QLineEdit* box)
{
    const QString typed = box->displayText();
    if (typed == EmptyDateText)
        return;
    QDate date;
    try {
        date = CommonFnc::MaskedTextToDateParam(typed).toDate();
    } catch (const CommonFnc::ConversionError&) {
    }
    if (date.isValid()) {
        box->setText(Format::shortDate(date));
        return;
    }
    const QString message = box == BirthDate_ME      ? u"Ошибочная дата рождения: "_s
                            : box == DateRegStart_ME ? u"Ошибочная дата регистрации: "_s
                                                     : u"Ошибочная дата окончания регистрации: "_s;
    Dialogs::current().error(message + typed);
    // Not at once: the focus is still moving to the next control.
    QTimer::singleShot(0, box, [box] { box->setFocus(Qt::OtherFocusReason); });
}

void TT3_Form::TypeReg_RxDBLCChange()
{
    const bool unregistered = isKey(TypeReg_RxDBLC->keyValue(), 0);
    for (QLineEdit* date : {DateRegStart_ME, DateRegEnd_ME}) {
        if (unregistered)
            date->clear();
        date->setEnabled(!unregistered);
    }
}

void TT3_Form::RelationOwn_RxDBLCChange()
{
    if (isKey(RelationOwn_RxDBLC->keyValue(), 0)) {
        if (!m_shareForced)
            m_savedShare = SquareShare_E->text();
        m_shareForced = true;
        SquareShare_E->setText(u"0,0"_s);
        SquareShare_E->setEnabled(false);
    } else {
        // Only a forced zero gives the text back: a share typed under another relation
        // stays as it is.
        if (m_shareForced)
            SquareShare_E->setText(m_savedShare);
        m_shareForced = false;
        SquareShare_E->setEnabled(true);
    }
    markChanged();
}

void TT3_Form::SquareShare_EExit()
{
    const QString kept = CommonFnc::KeepFirstDecimalSeparator(SquareShare_E->text());
    if (kept != SquareShare_E->text())
        SquareShare_E->setText(kept);
}

PersonFields TT3_Form::collect() const
{
    PersonFields f;
    f.name1 = Name1_E->text();
    f.name2 = Name2_E->text();
    f.name3 = Name3_E->text();
    f.snils = SNILS_ME->displayText();
    f.birthDate = BirthDate_ME->displayText();
    f.dateRegStart = DateRegStart_ME->displayText();
    f.dateRegEnd = DateRegEnd_ME->displayText();
    f.sex = Sex_RxDBLC->keyValue();
    f.typeRegId = TypeReg_RxDBLC->keyValue();
    f.prFactLiveId = PrFactLive_RxDBLC->keyValue();
    f.relationId = Relation_RxDBLC->keyValue();
    f.relationName = Relation_RxDBLC->currentIndex() >= 0 ? Relation_RxDBLC->currentText()
                                                          : QString();
    f.relationOwnId = RelationOwn_RxDBLC->keyValue();
    f.squareShare = SquareShare_E->text();
    return f;
}

bool TT3_Form::save()
{
    const PersonFields fields = collect();
    const QStringList failed = PersonRecord::check(fields, m_squareTotal);
    if (!failed.isEmpty()) {
        showErrors(failed);
        setChanged(false);
        return false;
    }
    const PersonRecord::SaveResult result =
        PersonRecord::save(m_db, m_mode, m_t1Id, m_t3Id, m_numberPeople, fields);
    if (!result.error.isEmpty())
        Dialogs::current().error(result.error);
    // A failed write keeps the window open so that the operator's typing is not lost.
    if (!result.written)
        return false;
    m_t3Id = result.t3Id;
    return true;
}

void TT3_Form::closed()
{
    m_state.posT3T1Id = m_t1Id;
    m_state.posT3Id = m_t3Id;
}
