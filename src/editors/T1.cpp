#include "T1.h"

#include "Decimal.h"
#include "Dialogs.h"
#include "Format.h"
#include "InputFilters.h"
#include "LookupComboBox.h"
#include "RunState.h"
#include "Schema.h"
#include "T1_SelectHousesBTI.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {


QString keyText(const QVariant& key)
{
    return key.isNull() ? QString() : key.toString();
}

/// A stored decimal in a box's display format; NULL shows as zero.
QString fixed(const QVariant& value, const QString& column, int decimals)
{
    const int scale = Schema::decimalScale(column);
    const Decimal number = Decimal::fromVariant(value, scale);
    return (number.isNull() ? Decimal::fromUnits(0, scale) : number).toString(decimals);
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

TT1_Form::TT1_Form(Database& db, RunState& state, EditorMode mode, QWidget* parent)
    : RecordEditor(parent)
    , m_db(db)
    , m_state(state)
    , m_mode(mode)
    , m_mes(state.accountingPeriod)
{
    setWindowTitle(u"Сведения о плательщике за жилищно-коммунальные и прочие услуги"_s);
    m_filling = true;
    buildControls();
    layOutControls();
    loadLookups();
    GLOBAL_MES_OTCHET_Label->setText(Format::monthYear(m_state.accountingPeriod));
    Mes_Label->setText(Format::monthYear(m_mes));
    if (m_mode == EditorMode::New)
        presetNewPayer();
    m_filling = false;
    setChanged(false);
}

void TT1_Form::buildControls()
{
    auto lineEdit = [this](const QString& name, int maxLength, CommonFnc::KeyFilter filter) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        CommonFnc::AttachKeyFilter(edit, filter, [this] { markChanged(); });
        // Installed after the key filter, so it sees a key first.
        CommonFnc::AttachLengthLimit(edit, maxLength);
        return edit;
    };
    auto lookup = [this](const QString& name) {
        auto* box = new LookupComboBox(this);
        box->setObjectName(name);
        box->setMinimumContentsLength(28);
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                markChanged();
        });
        return box;
    };
    auto valueLabel = [this](const QString& name) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    using CommonFnc::KeyFilter;

    GLOBAL_MES_OTCHET_Label = valueLabel(u"GLOBAL_MES_OTCHET_Label"_s);
    Mes_Label = valueLabel(u"Mes_Label"_s);
    DezVlad_RxDBLC = lookup(u"DezVlad_RxDBLC"_s);
    DezVlad_RxDBLC->setMinimumContentsLength(42);
    DezVladID_Label = valueLabel(u"DezVladID_Label"_s);
    Name1_E = lineEdit(u"Name1_E"_s, 35, KeyFilter::RussianLetters);
    Name2_E = lineEdit(u"Name2_E"_s, 20, KeyFilter::RussianLetters);
    Name3_E = lineEdit(u"Name3_E"_s, 20, KeyFilter::RussianLetters);
    ENumlsID_E = lineEdit(u"ENumlsID_E"_s, 10, KeyFilter::Digits);
    Numls_E = lineEdit(u"Numls_E"_s, 20, KeyFilter::AddressText);
    MO_RxDBLC = lookup(u"MO_RxDBLC"_s);
    Street_RxDBLC = lookup(u"Street_RxDBLC"_s);
    Street_Label = valueLabel(u"Street_Label"_s);
    HousesBTI_BBtn = new QPushButton(u" Выбрать из справочника"_s, this);
    HousesBTI_BBtn->setObjectName(u"HousesBTI_BBtn"_s);
    HouseNum_E = lineEdit(u"HouseNum_E"_s, 8, KeyFilter::AddressText);
    KorpNum_E = lineEdit(u"KorpNum_E"_s, 5, KeyFilter::AddressText);
    StroenNum_E = lineEdit(u"StroenNum_E"_s, 5, KeyFilter::AddressText);
    FlatNum_E = lineEdit(u"FlatNum_E"_s, 10, KeyFilter::AddressText);
    HouseID_BTI_E = lineEdit(u"HouseID_BTI_E"_s, 9, KeyFilter::Digits);
    FlatID_BTI_E = lineEdit(u"FlatID_BTI_E"_s, 9, KeyFilter::Digits);
    HouseID_BTI_E->setReadOnly(true);
    FlatID_BTI_E->setReadOnly(true);
    TypeOwn_RxDBLC = lookup(u"TypeOwn_RxDBLC"_s);
    TypeOccupancy_RxDBLC = lookup(u"TypeOccupancy_RxDBLC"_s);
    SquareTotal_E = lineEdit(u"SquareTotal_E"_s, 10, KeyFilter::Decimal);
    SquareLive_E = lineEdit(u"SquareLive_E"_s, 10, KeyFilter::Decimal);
    TypeLock_RxDBLC = lookup(u"TypeLock_RxDBLC"_s);
    TypeStove_RxDBLC = lookup(u"TypeStove_RxDBLC"_s);
    ColMesDebts_E = lineEdit(u"ColMesDebts_E"_s, 4, KeyFilter::Decimal);
    Save_BBtn = new QPushButton(u" Сохранить"_s, this);
    Save_BBtn->setObjectName(u"Save_BBtn"_s);
    EnableEditBTI_CB = new QCheckBox(u"разрешить редактирование кодов БТИ"_s, this);
    EnableEditBTI_CB->setObjectName(u"EnableEditBTI_CB"_s);
    PplCntReg_Label = valueLabel(u"PplCntReg_Label"_s);
    SummaFull_Label = valueLabel(u"SummaFull_Label"_s);
    SummaWOBenefit_Label = valueLabel(u"SummaWOBenefit_Label"_s);
    SummaFullReg_Label = valueLabel(u"SummaFullReg_Label"_s);
    SummaWOBenefitReg_Label = valueLabel(u"SummaWOBenefitReg_Label"_s);

    CommonFnc::AttachNumberFormat(SquareTotal_E, u"0.00"_s);
    CommonFnc::AttachNumberFormat(SquareLive_E, u"0.00"_s);
    CommonFnc::AttachNumberFormat(ColMesDebts_E, u"0.0"_s);
    connect(DezVlad_RxDBLC, &QComboBox::currentIndexChanged, this, &TT1_Form::DezVlad_RxDBLCChange);
    connect(Street_RxDBLC, &QComboBox::currentIndexChanged, this, &TT1_Form::Street_RxDBLCChange);
    connect(HousesBTI_BBtn, &QPushButton::clicked, this, &TT1_Form::HousesBTI_BBtnClick);
    connect(EnableEditBTI_CB, &QCheckBox::toggled, this, &TT1_Form::EnableEditBTI_CBClick);
    setSaveButton(Save_BBtn);

    QWidget* const tabOrder[] = {DezVlad_RxDBLC, Name1_E, Name2_E, Name3_E, ENumlsID_E, Numls_E,
                                 MO_RxDBLC, Street_RxDBLC, HousesBTI_BBtn, HouseNum_E, KorpNum_E,
                                 StroenNum_E, FlatNum_E, HouseID_BTI_E, FlatID_BTI_E,
                                 TypeOwn_RxDBLC, TypeOccupancy_RxDBLC, SquareTotal_E, SquareLive_E,
                                 TypeLock_RxDBLC, TypeStove_RxDBLC, ColMesDebts_E, Save_BBtn,
                                 EnableEditBTI_CB};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TT1_Form::layOutControls()
{
    // Two panels side by side, the payer and the address on the left, the flat and its
    // sums on the right, so that the window fits a laptop screen with its Save button.
    auto* window = new QVBoxLayout(this);
    window->setSizeConstraint(QLayout::SetFixedSize);
    window->setSpacing(6);

    // A short box is as wide as the characters it takes, so its limit shows.
    auto narrow = [this](QLineEdit* edit) {
        const int limit = CommonFnc::LengthLimitOf(edit);
        edit->setFixedWidth(fontMetrics().horizontalAdvance(u'0') * (limit + 2) + 12);
        return edit;
    };
    // A caption too long for its column wraps onto a second line.
    auto wrapped = [this](const QString& text, int width) {
        QLabel* label = caption(text, this);
        if (fontMetrics().horizontalAdvance(text) > width) {
            label->setWordWrap(true);
            label->setFixedWidth(width);
        }
        return label;
    };
    auto pair = [this](QWidget* first, const QString& text, QWidget* second) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(first);
        row->addSpacing(12);
        row->addWidget(caption(text, this));
        row->addWidget(second);
        row->addStretch(1);
        return row;
    };

    auto* head = new QGridLayout;
    head->setHorizontalSpacing(10);
    head->addWidget(caption(u"месяц, за который производится расчет:"_s, this), 0, 0);
    head->addWidget(GLOBAL_MES_OTCHET_Label, 0, 1);
    head->addWidget(caption(u"месяц в файле:"_s, this), 0, 2);
    head->addWidget(Mes_Label, 0, 3);
    head->addWidget(caption(u"Организация - владелец жилого фонда:"_s, this), 1, 0);
    head->addWidget(DezVlad_RxDBLC, 1, 1);
    head->addWidget(caption(u"Код организации:"_s, this), 1, 2);
    head->addWidget(DezVladID_Label, 1, 3);
    head->setColumnStretch(4, 1);
    window->addLayout(head);
    window->addWidget(separator(this));

    constexpr int CaptionWidth = 230;
    auto panel = [] {
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(5);
        grid->setColumnStretch(1, 1);
        return grid;
    };
    auto add = [&](QGridLayout* grid, QWidget* label, QWidget* control) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1, Qt::AlignLeft);
    };
    auto addLayout = [&](QGridLayout* grid, QWidget* label, QLayout* controls) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addLayout(controls, row, 1);
    };

    QGridLayout* left = panel();
    Name1_E->setMinimumWidth(fontMetrics().horizontalAdvance(u'Ш') * 18);
    add(left, caption(u"Фамилия:"_s, this), Name1_E);
    add(left, caption(u"Имя:"_s, this), narrow(Name2_E));
    add(left, caption(u"Отчество:"_s, this), narrow(Name3_E));
    add(left, caption(u"Код плательщика:"_s, this), narrow(ENumlsID_E));
    add(left, caption(u"Номер лицевого счета:"_s, this), narrow(Numls_E));
    add(left, caption(u"Район:"_s, this), MO_RxDBLC);
    add(left, caption(u"Улица:"_s, this), Street_RxDBLC);
    addLayout(left, caption(u"Код улицы (БТИ):"_s, this),
              pair(Street_Label, QString(), HousesBTI_BBtn));
    addLayout(left, caption(u"Дом:"_s, this),
              pair(narrow(HouseNum_E), u"Корпус:"_s, narrow(KorpNum_E)));
    addLayout(left, caption(u"Строение:"_s, this),
              pair(narrow(StroenNum_E), u"Квартира:"_s, narrow(FlatNum_E)));
    add(left, wrapped(u"Код дома в соответствии со справочником БТИ:"_s, CaptionWidth),
        narrow(HouseID_BTI_E));
    add(left, wrapped(u"Код квартиры в соответствии со справочником БТИ:"_s, CaptionWidth),
        narrow(FlatID_BTI_E));
    left->addWidget(EnableEditBTI_CB, left->rowCount(), 1);
    left->setRowStretch(left->rowCount(), 1);

    QGridLayout* right = panel();
    add(right, caption(u"Количество человек:"_s, this), PplCntReg_Label);
    add(right, caption(u"Форма собственности:"_s, this), TypeOwn_RxDBLC);
    add(right, caption(u"Тип заселения:"_s, this), TypeOccupancy_RxDBLC);
    add(right, caption(u"Общая площадь:"_s, this), narrow(SquareTotal_E));
    add(right, caption(u"Жилая площадь:"_s, this), narrow(SquareLive_E));
    add(right, caption(u"Тип запирающего устройства:"_s, this), TypeLock_RxDBLC);
    add(right, caption(u"Тип плиты:"_s, this), TypeStove_RxDBLC);
    add(right, wrapped(u"Количество месяцев задолженности:"_s, CaptionWidth + 30),
        narrow(ColMesDebts_E));
    right->addWidget(separator(this), right->rowCount(), 0, 1, 2);
    const std::pair<QString, QLabel*> totals[] = {
        {u"Сумма начисленной платы (ВСЕГО):"_s, SummaFull_Label},
        {u"Сумма начисленной платы за вычетом льготы (ВСЕГО):"_s, SummaWOBenefit_Label},
        {u"Сумма начисленной платы только на постоянно зарегистрированных (ВСЕГО):"_s,
         SummaFullReg_Label},
        {u"Сумма начисленной платы только на постоянно зарегистрированных за вычетом льготы "
         "(ВСЕГО):"_s,
         SummaWOBenefitReg_Label},
    };
    for (const auto& [text, label] : totals) {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(fontMetrics().horizontalAdvance(u"0000000,00"_s));
        add(right, wrapped(text, CaptionWidth), label);
    }
    right->setRowStretch(right->rowCount(), 1);

    auto* panels = new QHBoxLayout;
    panels->setSpacing(24);
    panels->addLayout(left);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    panels->addWidget(divider);
    panels->addLayout(right);
    window->addLayout(panels);
    window->addWidget(separator(this));
    window->addWidget(Save_BBtn, 0, Qt::AlignRight);
}

void TT1_Form::loadLookups()
{
    DezVlad_RxDBLC->loadItems(m_db, u"SELECT sd.DezID, sd.DezName\nFROM Sprav_Dez sd"_s);
    MO_RxDBLC->loadItems(m_db, u"SELECT MOID, MOName\nFROM Sprav_MO\nORDER BY MOName"_s);
    Street_RxDBLC->loadItems(m_db, u"SELECT StreetID_BTI, StreetName\nFROM Sprav_Streets\n"
                                   "WHERE Opt = 1 AND StreetID_BTI <> 0\nORDER BY StreetName"_s);
    TypeOwn_RxDBLC->loadItems(m_db, u"SELECT TypeOwnID, TypeOwnName\nFROM Sprav_TypeOwn"_s);
    TypeOccupancy_RxDBLC->loadItems(
        m_db, u"SELECT TypeOccupancyID, TypeOccupancyName\nFROM Sprav_TypeOccupancy"_s);
    TypeLock_RxDBLC->loadItems(m_db, u"SELECT TypeLockID, TypeLockName\nFROM Sprav_TypeLock"_s);
    TypeStove_RxDBLC->loadItems(m_db, u"SELECT TypeStoveID, TypeStoveName\nFROM Sprav_TypeStove"_s);
}

void TT1_Form::presetNewPayer()
{
    PplCntReg_Label->setText(u"1"_s);
    // -1 means the run has not saved a payer yet: the boxes stay empty.
    if (m_state.lastDezVladId != -1)
        DezVlad_RxDBLC->setKeyValue(m_state.lastDezVladId);
    DezVladID_Label->setText(m_state.lastDezVladId > 0 ? QString::number(m_state.lastDezVladId) : QString());
    if (m_state.lastMo != -1)
        MO_RxDBLC->setKeyValue(m_state.lastMo);
    if (m_state.lastStreetIdBti != -1)
        Street_RxDBLC->setKeyValue(m_state.lastStreetIdBti);
    Street_Label->setText(m_state.lastStreetIdBti > 0 ? QString::number(m_state.lastStreetIdBti) : QString());
}

void TT1_Form::setPayer(const QVariantMap& row)
{
    auto text = [&row](const QString& column) { return keyText(row.value(column)); };
    m_filling = true;
    m_t1Id = row.value(u"T1_ID"_s).toInt();
    m_mes = Format::dateFromVariant(row.value(u"Mes"_s));
    Mes_Label->setText(Format::monthYear(m_mes));

    PplCntReg_Label->setText(QString::number(row.value(u"PplCntReg"_s).toInt()));
    DezVlad_RxDBLC->setKeyValue(row.value(u"DezVladID"_s));
    DezVladID_Label->setText(text(u"DezVladID"_s));
    Name1_E->setText(text(u"Name1"_s));
    Name2_E->setText(text(u"Name2"_s));
    Name3_E->setText(text(u"Name3"_s));
    MO_RxDBLC->setKeyValue(row.value(u"MO"_s));
    Street_RxDBLC->setKeyValue(row.value(u"StreetID_BTI"_s));
    Street_Label->setText(text(u"StreetID_BTI"_s));
    const std::pair<QLineEdit*, QString> texts[] = {
        {HouseNum_E, u"HouseNum"_s},       {KorpNum_E, u"KorpNum"_s},
        {StroenNum_E, u"StroenNum"_s},     {FlatNum_E, u"FlatNum"_s},
        {HouseID_BTI_E, u"HouseID_BTI"_s}, {FlatID_BTI_E, u"FlatID_BTI"_s},
        {Numls_E, u"Numls"_s},
    };
    for (const auto& [edit, column] : texts)
        edit->setText(text(column));
    // With its leading zeros, or the check digit would refuse the code it was saved with.
    ENumlsID_E->setText(Format::payerCode(row.value(u"ENumlsID"_s)));
    TypeOwn_RxDBLC->setKeyValue(row.value(u"TypeOwnID"_s));
    TypeOccupancy_RxDBLC->setKeyValue(row.value(u"TypeOccupancyID"_s));
    TypeLock_RxDBLC->setKeyValue(row.value(u"TypeLockID"_s));
    TypeStove_RxDBLC->setKeyValue(row.value(u"TypeStoveID"_s));
    SquareTotal_E->setText(fixed(row.value(u"SquareTotal"_s), u"SquareTotal"_s, 2));
    SquareLive_E->setText(fixed(row.value(u"SquareLive"_s), u"SquareLive"_s, 2));
    const std::pair<QLabel*, QString> totals[] = {
        {SummaFull_Label, u"SummaFull"_s},
        {SummaWOBenefit_Label, u"SummaWOBenefit"_s},
        {SummaFullReg_Label, u"SummaFullReg"_s},
        {SummaWOBenefitReg_Label, u"SummaWOBenefitReg"_s},
    };
    for (const auto& [label, column] : totals)
        label->setText(fixed(row.value(column), column, 2));
    ColMesDebts_E->setText(fixed(row.value(u"ColMesDebts"_s), u"ColMesDebts"_s, 1));
    m_oldNames = names();
    m_filling = false;
    setChanged(false);
}

void TT1_Form::showEvent(QShowEvent* event)
{
    RecordEditor::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_oldNames = names();
    setChanged(false);
}

PayerNames TT1_Form::names() const
{
    return {Name1_E->text(), Name2_E->text(), Name3_E->text()};
}

PayerFields TT1_Form::collect() const
{
    PayerFields f;
    f.dezVladId = DezVlad_RxDBLC->keyValue();
    f.name1 = Name1_E->text();
    f.name2 = Name2_E->text();
    f.name3 = Name3_E->text();
    f.eNumlsId = ENumlsID_E->text();
    f.numls = Numls_E->text();
    f.mo = MO_RxDBLC->keyValue();
    f.streetIdBti = Street_RxDBLC->keyValue();
    f.houseNum = HouseNum_E->text();
    f.korpNum = KorpNum_E->text();
    f.stroenNum = StroenNum_E->text();
    f.flatNum = FlatNum_E->text();
    f.houseIdBti = HouseID_BTI_E->text();
    f.flatIdBti = FlatID_BTI_E->text();
    f.typeOwnId = TypeOwn_RxDBLC->keyValue();
    f.typeOccupancyId = TypeOccupancy_RxDBLC->keyValue();
    f.squareTotal = SquareTotal_E->text();
    f.squareLive = SquareLive_E->text();
    f.typeLockId = TypeLock_RxDBLC->keyValue();
    f.typeStoveId = TypeStove_RxDBLC->keyValue();
    f.colMesDebts = ColMesDebts_E->text();
    f.pplCntReg = PplCntReg_Label->text().toInt();
    f.mes = m_state.accountingPeriod;
    return f;
}

bool TT1_Form::save()
{
    const PayerFields fields = collect();
    const QStringList failed = PayerRecord::checkFields(fields);
    if (!failed.isEmpty()) {
        showErrors(failed);
        setChanged(false);
        return false;
    }
    if (PayerRecord::isDuplicate(m_db, fields, m_mode, m_t1Id)) {
        Dialogs::current().error(u"Такие лицевой счет и код плательщика уже существуют."_s);
        setChanged(false);
        return false;
    }
    // A failed write keeps the window open, so the operator's typing is not lost.
    if (m_mode == EditorMode::Edit) {
        if (!PayerRecord::update(m_db, m_t1Id, fields)) {
            Dialogs::current().error(u"Ошибка редактирования данных"_s);
            return false;
        }
        // A person keeping the old name is not worth refusing the saved payer for.
        PayerRecord::renamePersons(m_db, m_t1Id, m_oldNames, names());
    } else {
        const int t1Id = PayerRecord::insert(m_db, fields);
        if (t1Id == 0) {
            Dialogs::current().error(u"Ошибка записи данных"_s);
            return false;
        }
        m_t1Id = t1Id;
    }
    m_state.lastDezVladId = fields.dezVladId.toInt();
    m_state.lastMo = fields.mo.toInt();
    m_state.lastStreetIdBti = fields.streetIdBti.toInt();
    return true;
}

void TT1_Form::closed()
{
    m_state.posT1Id = m_t1Id;
}

void TT1_Form::DezVlad_RxDBLCChange()
{
    if (!m_filling)
        DezVladID_Label->setText(keyText(DezVlad_RxDBLC->keyValue()));
}

void TT1_Form::Street_RxDBLCChange()
{
    if (m_filling)
        return;
    Street_Label->setText(keyText(Street_RxDBLC->keyValue()));
    // BTI codes belong to the street they were chosen for.
    HouseID_BTI_E->clear();
    FlatID_BTI_E->clear();
}

void TT1_Form::HousesBTI_BBtnClick()
{
    const QVariant street = Street_RxDBLC->keyValue();
    TT1_SelectHousesBTI_Form chooser(m_db, keyText(street).trimmed().isEmpty() ? QVariant(-1) : street,
                                     this);
    chooser.placeBelow(HousesBTI_BBtn);
    if (chooser.exec() == QDialog::Accepted) {
        const TT1_SelectHousesBTI_Form::House house = chooser.chosenHouse();
        HouseID_BTI_E->setText(house.houseId);
        HouseNum_E->setText(house.houseNum);
        KorpNum_E->setText(house.korpNum);
        StroenNum_E->setText(house.stroenNum);
        // Only a chosen house changes the record: a cancelled chooser must not make Esc
        // ask to save, and rewrite, an untouched payer.
        markChanged();
    }
}

void TT1_Form::EnableEditBTI_CBClick(bool checked)
{
    if (checked &&
        !Dialogs::current().question(u"Редактировать коды БТИ дома и квартиры можно только\r\n"
                                     " в том случае, если Вы уверены в их достоверности.\r\n\r\n"
                                     "Продолжить?"_s)) {
        EnableEditBTI_CB->setChecked(false);
        return;
    }
    HouseID_BTI_E->setReadOnly(!checked);
    FlatID_BTI_E->setReadOnly(!checked);
}
