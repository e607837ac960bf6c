#include "T2.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Dialogs.h"
#include "Format.h"
#include "InputFilters.h"
#include "LookupComboBox.h"
#include "Query.h"
#include "RunState.h"
#include "Tariffs.h"
#include "Schema.h"
#include "WorkingStatement.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int CaptionWidth = 330;
constexpr int NumberBoxWidth = 110;
constexpr int LookupWidth = 560;

/// A stored decimal as its number box shows it; Null shows as 0.
QString boxText(const QVariant& value, const QString& column, int decimals)
{
    const Decimal d = Decimal::fromVariant(value, Schema::decimalScale(column));
    return d.isNull() ? Decimal::fromUnits(0, decimals).toString(decimals) : d.toString(decimals);
}

QString intText(const QVariant& value)
{
    try {
        return CommonFnc::VariantToIntText(value);
    } catch (const CommonFnc::ConversionError&) {
        return value.toString();
    }
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFixedWidth(CaptionWidth);
    return label;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets)
{
    auto* layout = new QHBoxLayout;
    for (QWidget* w : widgets)
        layout->addWidget(w);
    layout->addStretch(1);
    return layout;
}

} // namespace

TT2_Form::TT2_Form(Database& db, RunState& state, EditorMode mode, const QVariantMap& payerRow,
                   QWidget* parent)
    : RecordEditor(parent)
    , m_db(db)
    , m_state(state)
    , m_mode(mode)
    , m_payer(payerRow)
    , m_t1Id(payerRow.value(u"T1_ID"_s).toInt())
    , m_month(mode == EditorMode::New ? state.accountingPeriod
                                      : Format::dateFromVariant(payerRow.value(u"Mes"_s)))
{
    setWindowTitle(
        u"Сведения о начисленной плате за жилые помещения, коммунальные и прочие услуги"_s);
    buildControls();
    loadLookups();

    Numls_Label->setText(m_payer.value(u"Numls"_s).toString());
    ENumlsID_Label->setText(Format::payerCode(m_payer.value(u"ENumlsID"_s)));
    FIO_Label->setText(m_payer.value(u"Name1"_s).toString() + u' ' +
                       m_payer.value(u"Name2"_s).toString() + u' ' +
                       m_payer.value(u"Name3"_s).toString());
    GLOBAL_MES_OTCHET_Label->setText(Format::monthYear(m_state.accountingPeriod));
    Mes_Label->setText(Format::monthYear(m_month));
    SquareTotal_Label->setText(boxText(m_payer.value(u"SquareTotal"_s), u"SquareTotal"_s, 2) +
                               u" кв.м."_s);

    connect(Service_RxDBLC, &QComboBox::currentIndexChanged, this, &TT2_Form::Service_RxDBLCChange);
    connect(Post_RxDBLC, &QComboBox::currentIndexChanged, this, &TT2_Form::Post_RxDBLCChange);
    connect(TypeNach_RxDBLC, &QComboBox::currentIndexChanged, this, &TT2_Form::markChanged);
    connect(SpravTariff_BBtn, &QPushButton::clicked, this, &TT2_Form::SpravTariff_BBtnClick);
    connect(Summa_BBtn, &QPushButton::clicked, this, &TT2_Form::Summa_BBtnClick);
    connect(CopySumm_BBtn, &QPushButton::clicked, this, &TT2_Form::CopySumm_BBtnClick);
    connect(SootvTypeNach_BBtn, &QPushButton::clicked, this, &TT2_Form::SootvTypeNach_BBtnClick);
    setSaveButton(Save_BBtn);
    setChanged(false);
}

void TT2_Form::buildControls()
{
    const auto valueLabel = [this](const QString& name) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    const auto numberBox = [this](const QString& name, const QString& format, int maxLength) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setFixedWidth(NumberBoxWidth);
        edit->setAlignment(Qt::AlignRight);
        CommonFnc::AttachKeyFilter(edit, CommonFnc::KeyFilter::Decimal, [this] { markChanged(); });
        // A stored sum longer than the box must show whole, not cut.
        if (maxLength > 0)
            CommonFnc::AttachLengthLimit(edit, maxLength);
        CommonFnc::AttachNumberFormat(edit, format);
        return edit;
    };
    const auto button = [this](const QString& name, const QString& text,
                               QStyle::StandardPixmap icon) {
        auto* b = new QPushButton(style()->standardIcon(icon), text, this);
        b->setObjectName(name);
        return b;
    };
    const auto lookup = [this](const QString& name) {
        auto* box = new LookupComboBox(this);
        box->setObjectName(name);
        box->setFixedWidth(LookupWidth);
        return box;
    };

    Numls_Label = valueLabel(u"Numls_Label"_s);
    ENumlsID_Label = valueLabel(u"ENumlsID_Label"_s);
    FIO_Label = valueLabel(u"FIO_Label"_s);
    SquareTotal_Label = valueLabel(u"SquareTotal_Label"_s);
    GLOBAL_MES_OTCHET_Label = valueLabel(u"GLOBAL_MES_OTCHET_Label"_s);
    Mes_Label = valueLabel(u"Mes_Label"_s);
    ServiceBank_Label = valueLabel(u"ServiceBank_Label"_s);
    Post_Label = valueLabel(u"Post_Label"_s);

    Service_RxDBLC = lookup(u"Service_RxDBLC"_s);
    Service_RxDBLC->setMaxVisibleItems(20);
    // The variant names are long; the open list shows them whole.
    Service_RxDBLC->view()->setMinimumWidth(LookupWidth + 320);
    Post_RxDBLC = lookup(u"Post_RxDBLC"_s);
    Post_RxDBLC->setEnabled(false);
    TypeNach_RxDBLC = lookup(u"TypeNach_RxDBLC"_s);

    Volume_E = numberBox(u"Volume_E"_s, u"0.000"_s, 10);
    Tariff_E = numberBox(u"Tariff_E"_s, u"0.00"_s, 10);
    SummaService_E = numberBox(u"SummaService_E"_s, u"0.00"_s, 10);
    SummaServiceWOBenefit_E = numberBox(u"SummaServiceWOBenefit_E"_s, u"0.00"_s, 10);
    SummaServiceReg_E = numberBox(u"SummaServiceReg_E"_s, u"0.00"_s, 0);
    SummaServiceWOBenefitReg_E = numberBox(u"SummaServiceWOBenefitReg_E"_s, u"0.00"_s, 0);

    SpravTariff_BBtn = button(u"SpravTariff_BBtn"_s, u" проставить из справочника"_s,
                              QStyle::SP_FileDialogContentsView);
    Summa_BBtn = button(u"Summa_BBtn"_s, u" расчет "_s, QStyle::SP_BrowserReload);
    CopySumm_BBtn = button(u"CopySumm_BBtn"_s, QString(), QStyle::SP_ArrowDown);
    SootvTypeNach_BBtn = button(u"SootvTypeNach_BBtn"_s, u" в соответствии с услугой"_s,
                                QStyle::SP_FileDialogContentsView);
    Save_BBtn = button(u"Save_BBtn"_s, u" Сохранить"_s, QStyle::SP_DialogSaveButton);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(12);
    int r = 0;
    const auto add = [&](const QString& text, QWidget* w) {
        grid->addWidget(caption(text, this), r, 0);
        grid->addWidget(w, r++, 1);
    };
    const auto addRow = [&](const QString& text, std::initializer_list<QWidget*> widgets) {
        grid->addWidget(caption(text, this), r, 0);
        grid->addLayout(row(widgets), r++, 1);
    };
    add(u"Лицевой счет:"_s, Numls_Label);
    add(u"Код плательщика:"_s, ENumlsID_Label);
    add(u"Потребитель услуг:"_s, FIO_Label);
    add(u"Общая площадь квартиры:"_s, SquareTotal_Label);
    add(u"месяц, за который производится расчет:"_s, GLOBAL_MES_OTCHET_Label);
    add(u"месяц в файле:"_s, Mes_Label);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, r++, 0, 1, 2);

    add(u"Услуга:"_s, Service_RxDBLC);
    add(u"Код услуги банка:"_s, ServiceBank_Label);
    add(u"Поставщик услуги:"_s, Post_RxDBLC);
    add(u"Код поставщика услуги:"_s, Post_Label);
    addRow(u"Объем (количество) предоставленной услуги, на который произведен расчет:"_s,
           {Volume_E});
    addRow(u"Ставка/тариф на услугу:"_s, {Tariff_E, SpravTariff_BBtn});
    addRow(u"Сумма начисленной платы за услугу:"_s, {SummaService_E, Summa_BBtn});
    addRow(u"Сумма начисленной платы за услугу за вычетом льготы:"_s,
           {SummaServiceWOBenefit_E, CopySumm_BBtn});
    addRow(u"Сумма начисленной платы за услугу только на постоянно зарегистрированных:"_s,
           {SummaServiceReg_E});
    addRow(u"Сумма начисленной платы за услугу только на постоянно зарегистрированных за вычетом "
           "льготы:"_s,
           {SummaServiceWOBenefitReg_E});
    add(u"Признак вида начислений:"_s, TypeNach_RxDBLC);
    grid->addLayout(row({SootvTypeNach_BBtn}), r++, 1);

    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    saveRow->addWidget(Save_BBtn);
    grid->addLayout(saveRow, r++, 0, 1, 2);

    const QList<QWidget*> order = {Service_RxDBLC,
                                   Post_RxDBLC,
                                   Volume_E,
                                   Tariff_E,
                                   SpravTariff_BBtn,
                                   SummaService_E,
                                   Summa_BBtn,
                                   SummaServiceWOBenefit_E,
                                   CopySumm_BBtn,
                                   SummaServiceReg_E,
                                   SummaServiceWOBenefitReg_E,
                                   TypeNach_RxDBLC,
                                   SootvTypeNach_BBtn,
                                   Save_BBtn};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TT2_Form::loadLookups()
{
    QList<QPair<QVariant, QString>> items;
    const QList<ChargeRecord::ServiceChoice> services = ChargeRecord::services(m_db);
    for (const ChargeRecord::ServiceChoice& s : services) {
        items.append({s.serviceTotalId, s.name});
        m_serviceIdOfVariant.insert(s.serviceTotalId, s.serviceId);
    }
    Service_RxDBLC->setItems(items);
    // A new charge starts with no service chosen: the operator picks one, and Save refuses
    // the record until then.
    Service_RxDBLC->setKeyValue(QVariant());

    items = {{0, u"не заполняется"_s}};
    Query posts(m_db, u"SELECT PostID, PostName\nFROM Sprav_Post\nORDER BY PostName"_s);
    if (posts.exec()) {
        while (posts.next())
            items.append({posts.value(0), posts.value(1).toString()});
    }
    Post_RxDBLC->setItems(items);
    Post_RxDBLC->setKeyValue(0);
    Post_Label->setText(u"0"_s);

    TypeNach_RxDBLC->loadItems(
        m_db, u"SELECT TypeNachID, TypeNachName\nFROM Sprav_TypeNach\nORDER BY TypeNachName"_s);
    TypeNach_RxDBLC->setKeyValue(QVariant());
}

void TT2_Form::setCharge(const QVariantMap& chargeRow)
{
    if (chargeRow.contains(u"T1_ID"_s))
        m_t1Id = chargeRow.value(u"T1_ID"_s).toInt();
    m_t2Id = chargeRow.value(u"T2_ID"_s).toInt();

    const QVariant serviceId = chargeRow.value(u"ServiceID"_s);
    Service_RxDBLC->setKeyValue(ChargeRecord::findServiceTotalId(
        m_db, ChargeRecord::codeOfLabel(intText(serviceId)), m_payer.value(u"TypeLockID"_s),
        m_payer.value(u"TypeStoveID"_s)));
    ServiceBank_Label->setText(intText(serviceId));

    const QVariant postId = chargeRow.value(u"PostID"_s);
    // The list shows "не заполняется" for a charge without a supplier; the label stays empty.
    Post_RxDBLC->setKeyValue(postId.isNull() ? QVariant(0) : postId);
    Post_Label->setText(intText(postId));

    Volume_E->setText(boxText(chargeRow.value(u"Volume"_s), u"Volume"_s, 3));
    Tariff_E->setText(boxText(chargeRow.value(u"Tariff"_s), u"Tariff"_s, 2));
    SummaService_E->setText(boxText(chargeRow.value(u"SummaService"_s), u"SummaService"_s, 2));
    SummaServiceWOBenefit_E->setText(
        boxText(chargeRow.value(u"SummaServiceWOBenefit"_s), u"SummaServiceWOBenefit"_s, 2));
    SummaServiceReg_E->setText(
        boxText(chargeRow.value(u"SummaServiceReg"_s), u"SummaServiceReg"_s, 2));
    SummaServiceWOBenefitReg_E->setText(
        boxText(chargeRow.value(u"SummaServiceWOBenefitReg"_s), u"SummaServiceWOBenefitReg"_s, 2));
    TypeNach_RxDBLC->setKeyValue(chargeRow.value(u"TypeNachID"_s));
    setChanged(false);
}

void TT2_Form::showEvent(QShowEvent* event)
{
    RecordEditor::showEvent(event);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    // Filling the window is not a change of the operator's.
    setChanged(false);
}

ChargeRecord::Input TT2_Form::collect() const
{
    ChargeRecord::Input input;
    input.mode = m_mode;
    input.t1Id = m_t1Id;
    input.t2Id = m_t2Id;
    input.serviceTotalId = Service_RxDBLC->keyValue();
    input.serviceBank = ServiceBank_Label->text();
    input.post = Post_Label->text();
    input.volume = Volume_E->text();
    input.tariff = Tariff_E->text();
    input.summaService = SummaService_E->text();
    input.summaServiceWOBenefit = SummaServiceWOBenefit_E->text();
    input.summaServiceReg = SummaServiceReg_E->text();
    input.summaServiceWOBenefitReg = SummaServiceWOBenefitReg_E->text();
    input.typeNachId = TypeNach_RxDBLC->keyValue();
    input.payerTypeLockId = m_payer.value(u"TypeLockID"_s);
    return input;
}

bool TT2_Form::save()
{
    ChargeRecord::Input input = collect();
    const ChargeRecord::CheckResult result = ChargeRecord::check(m_db, input);
    // The sum-order rules have evened out sums; the boxes show what will be saved.
    SummaServiceWOBenefit_E->setText(input.summaServiceWOBenefit);
    SummaServiceReg_E->setText(input.summaServiceReg);
    SummaServiceWOBenefitReg_E->setText(input.summaServiceWOBenefitReg);
    for (const ChargeRecord::Message& m : result.messages) {
        if (m.kind == ChargeRecord::Message::Kind::Warning)
            Dialogs::current().warning(m.text);
        else
            Dialogs::current().error(m.text);
    }
    if (result.refused) {
        setChanged(false);
        return false;
    }

    const ChargeRecord::Values values = ChargeRecord::values(input);
    // A failed write keeps the window open (and the record "changed") so the typing is not lost.
    if (m_mode == EditorMode::Edit) {
        if (!ChargeRecord::update(m_db, m_t1Id, m_t2Id, values)) {
            Dialogs::current().error(u"Ошибка редактирования данных"_s);
            return false;
        }
    } else {
        const int t2Id = ChargeRecord::insert(m_db, m_t1Id, values);
        if (t2Id == 0) {
            Dialogs::current().error(u"Ошибка записи данных"_s);
            return false;
        }
        m_t2Id = t2Id;
    }
    setChanged(false);
    return true;
}

void TT2_Form::closed()
{
    if (!WorkingStatement::resumPayerTotals(m_db, m_t1Id))
        Dialogs::current().error(u"Ошибка обновления данных"_s);
    // A new charge that was never written has no key: the list keeps its remembered row.
    if (m_mode == EditorMode::Edit || m_t2Id > 0) {
        m_state.posT2T1Id = m_t1Id;
        m_state.posT2Id = m_t2Id;
    }
}

void TT2_Form::Service_RxDBLCChange()
{
    if (Service_RxDBLC->currentIndex() >= 0) {
        const int key = Service_RxDBLC->keyValue().toInt();
        ServiceBank_Label->setText(QString::number(m_serviceIdOfVariant.value(key)));
    } else if (Service_RxDBLC->keyValue().isNull()) {
        ServiceBank_Label->clear();
    }
    // Long variant names do not fit the closed box.
    Service_RxDBLC->setToolTip(Service_RxDBLC->currentText());
    markChanged();
}

void TT2_Form::Post_RxDBLCChange()
{
    Post_Label->setText(intText(Post_RxDBLC->keyValue()));
    markChanged();
}

void TT2_Form::SpravTariff_BBtnClick()
{
    const QVariant serviceTotalId = Service_RxDBLC->keyValue();
    if (serviceTotalId.isNull())
        return;
    const QDate firstDay(m_state.accountingPeriod.year(), m_state.accountingPeriod.month(), 1);
    const Decimal tariff = Tariffs::inForce(m_db, serviceTotalId, firstDay);
    // No tariff in force counts as 0.
    Tariff_E->setText(tariff.isNull() ? Decimal::fromUnits(0, 2).toString(2) : tariff.toString(2));
    markChanged();
}

void TT2_Form::Summa_BBtnClick()
{
    QString sum;
    try {
        sum = ChargeRecord::chargeFor(Volume_E->text(), Tariff_E->text());
    } catch (const CommonFnc::ConversionError& e) {
        Dialogs::current().error(e.message());
        return;
    }
    SummaService_E->setText(sum);
    if (SummaServiceWOBenefit_E->text().trimmed().isEmpty())
        SummaServiceWOBenefit_E->setText(sum);
    markChanged();
}

void TT2_Form::CopySumm_BBtnClick()
{
    const auto copyWhenPositive = [](const QLineEdit* from, QLineEdit* to) {
        try {
            if (CommonFnc::TextToFloatOrZero(from->text()) > 0)
                to->setText(from->text());
        } catch (const CommonFnc::ConversionError& e) {
            Dialogs::current().error(e.message());
        }
    };
    copyWhenPositive(SummaService_E, SummaServiceReg_E);
    copyWhenPositive(SummaServiceWOBenefit_E, SummaServiceWOBenefitReg_E);
}

void TT2_Form::SootvTypeNach_BBtnClick()
{
    TypeNach_RxDBLC->setKeyValue(ChargeRecord::typeNachOfService(
        m_db, ChargeRecord::codeOfLabel(ServiceBank_Label->text())));
}
