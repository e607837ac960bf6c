#include "Zamena.h"

#include "Dialogs.h"
#include "LookupComboBox.h"
#include "Recalculation.h"
#include "Replacement.h"
#include "WaitCursor.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

/// Width of the row labels: the longest one wraps onto a few lines within it.
constexpr int LabelWidth = 360;
/// Window messages run at most this often while an operation goes through the records.
constexpr qint64 RepaintEveryMs = 40;

/// Keeps the window painted during the record-by-record operations.
class KeepPainted final : public Bulk::RecalculationListener
{
public:
    KeepPainted() { m_sinceRepaint.start(); }
    void phaseStarted(Phase, qint64) override { QCoreApplication::processEvents(); }
    void recordDone(qint64) override
    {
        if (m_sinceRepaint.elapsed() >= RepaintEveryMs) {
            QCoreApplication::processEvents();
            m_sinceRepaint.restart();
        }
    }

private:
    QElapsedTimer m_sinceRepaint;
};

QLabel* rowLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setFixedWidth(LabelWidth);
    return label;
}

QPushButton* runButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(parent->style()->standardIcon(QStyle::SP_DialogApplyButton),
                                   u" Выполнить"_s, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, bool checked)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

LookupComboBox* lookup(QWidget* parent, const char* name, int rows = 10)
{
    auto* box = new LookupComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    // A service deleted or replaced leaves the list; the box must not keep showing it.
    box->setKeepsUnknownKey(false);
    box->setMaxVisibleItems(rows);
    box->setMinimumContentsLength(30);
    return box;
}

bool serviceChosen(const LookupComboBox* box)
{
    const QVariant key = box->keyValue();
    return key.isValid() && !key.isNull();
}

/// Steps 3 to 6 of every operation: the question, the hourglass with the button
/// disabled, the work, and its outcome.
void runOperation(QPushButton* button, bool disableButton, const QString& question,
                  const QString& success, const std::function<Bulk::ReplacementResult()>& work)
{
    if (!question.isEmpty() && !Dialogs::current().question(question, Dialogs::Button::No))
        return;
    Bulk::ReplacementResult result;
    {
        WaitCursor wait;
        if (disableButton)
            button->setEnabled(false);
        result = work();
    }
    button->setEnabled(true);
    if (result.ok)
        Dialogs::current().notice(success);
    else
        Dialogs::current().error(result.message);
}

} // namespace

TZamena_Form::TZamena_Form(Database& db, const QDate& period, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_period(period)
{
    setObjectName(u"Zamena_Form"_s);
    setWindowTitle(u"Замена / Добавление / Удаление данных"_s);
    setModal(true);

    auto* layout = new QVBoxLayout(this);

    auto* upper = new QGroupBox(
        u"В файле \"Сведения о плательщике за жилищно-коммунальные и прочие услуги\":"_s, this);
    upper->setObjectName(u"T1_GroupBox"_s);
    auto* top = new QGridLayout(upper);
    top->setColumnStretch(1, 1);

    top->addWidget(
        rowLabel(upper, "DezVlad_Label", u"Поставить организацию - владельца жилого фонда"_s), 0,
        0);
    DezVlad_RxDBLC = lookup(upper, "DezVlad_RxDBLC");
    DezVlad_CB = checkBox(upper, "DezVlad_CB", u"только в незаполненных полях"_s, true);
    auto* dezInputs = new QVBoxLayout;
    dezInputs->addWidget(DezVlad_RxDBLC);
    dezInputs->addWidget(DezVlad_CB);
    top->addLayout(dezInputs, 0, 1);
    T1DezVlad_BBtn = runButton(upper, "T1DezVlad_BBtn");
    top->addWidget(T1DezVlad_BBtn, 0, 2);

    top->addWidget(
        rowLabel(upper, "HouseBTI_Label",
                 u"Поставить код БТИ дома во всех записях в соответствии со справочником домов"_s),
        1, 0);
    HouseBTI_CB = checkBox(upper, "HouseBTI_CB", u"только в незаполненных полях"_s, true);
    top->addWidget(HouseBTI_CB, 1, 1);
    T1HouseBTI_BBtn = runButton(upper, "T1HouseBTI_BBtn");
    top->addWidget(T1HouseBTI_BBtn, 1, 2);

    top->addWidget(
        rowLabel(upper, "TotalSum_Label",
                 u"Поставить общие суммы в файле \"Сведения о плательщике за "
                 "жилищно-коммунальные и прочие услуги\" равными суммам начисленных платежей по "
                 "услугам в файле \"Сведения о начисленной плате за услуги\""_s),
        2, 0);
    T1TotalSum_BBtn = runButton(upper, "T1TotalSum_BBtn");
    top->addWidget(T1TotalSum_BBtn, 2, 2);
    layout->addWidget(upper);

    auto* lower = new QGroupBox(u"В файле \"Сведения о начисленной плате за жилые помещения, "
                                "коммунальные и прочие услуги\":"_s,
                                this);
    lower->setObjectName(u"T2_GroupBox"_s);
    auto* bottom = new QGridLayout(lower);
    bottom->setColumnStretch(1, 1);

    bottom->addWidget(rowLabel(lower, "ServiceAdd_Label", u"Добавить услугу:"_s), 0, 0);
    ServiceAdd_RxDBLC = lookup(lower, "ServiceAdd_RxDBLC", 20);
    bottom->addWidget(ServiceAdd_RxDBLC, 0, 1);
    T2ServiceAdd_BBtn = runButton(lower, "T2ServiceAdd_BBtn");
    bottom->addWidget(T2ServiceAdd_BBtn, 0, 2);

    bottom->addWidget(rowLabel(lower, "ServiceChange_Label", u"Заменить услугу:"_s), 1, 0);
    ServiceChangeIN_RxDBLC = lookup(lower, "ServiceChangeIN_RxDBLC");
    ServiceChangeOUT_RxDBLC = lookup(lower, "ServiceChangeOUT_RxDBLC");
    auto* changeInputs = new QGridLayout;
    changeInputs->addWidget(ServiceChangeIN_RxDBLC, 0, 1);
    auto* onLabel = new QLabel(u"на:"_s, lower);
    onLabel->setObjectName(u"ServiceChangeOn_Label"_s);
    changeInputs->addWidget(onLabel, 1, 0);
    changeInputs->addWidget(ServiceChangeOUT_RxDBLC, 1, 1);
    changeInputs->setColumnStretch(1, 1);
    bottom->addLayout(changeInputs, 1, 1);
    T2ServiceChange_BBtn = runButton(lower, "T2ServiceChange_BBtn");
    bottom->addWidget(T2ServiceChange_BBtn, 1, 2);

    bottom->addWidget(rowLabel(lower, "ServiceDel_Label", u"Удалить услугу:"_s), 2, 0);
    ServiceDel_RxDBLC = lookup(lower, "ServiceDel_RxDBLC", 20);
    bottom->addWidget(ServiceDel_RxDBLC, 2, 1);
    T2ServiceDel_BBtn = runButton(lower, "T2ServiceDel_BBtn");
    bottom->addWidget(T2ServiceDel_BBtn, 2, 2);

    bottom->addWidget(
        rowLabel(lower, "SumService_Label", u"Расчет начисленной платы для услуги:"_s), 3, 0);
    SumService_RxDBLC = lookup(lower, "SumService_RxDBLC");
    Tariff_CB = checkBox(lower, "Tariff_CB",
                         u"поставить текущий (действующий на данный месяц) тариф"_s, true);
    Summa_CB = checkBox(lower, "Summa_CB", u"рассчитать сумму начисленной платы по услуге"_s, true);
    Summa_CB->setEnabled(false);
    auto* sumInputs = new QVBoxLayout;
    sumInputs->addWidget(SumService_RxDBLC);
    sumInputs->addWidget(Tariff_CB);
    sumInputs->addWidget(Summa_CB);
    bottom->addLayout(sumInputs, 3, 1);
    T2SumService_BBtn = runButton(lower, "T2SumService_BBtn");
    bottom->addWidget(T2SumService_BBtn, 3, 2);

    bottom->addWidget(rowLabel(lower, "TypeNach_Label", u"Признак вида начислений:"_s), 4, 0);
    TypeNachNULL_CB = checkBox(lower, "TypeNachNULL_CB",
                               u"поставить \"Признак вида начислений\" в соответствии с услугой "
                               "только в незаполненных полях"_s,
                               false);
    TypeNach_CB = checkBox(lower, "TypeNach_CB",
                           u"поставить \"Признак вида начислений\" в соответствии с услугой во "
                           "всех (в том числе - заполненных) полях"_s,
                           false);
    auto* typeInputs = new QVBoxLayout;
    typeInputs->addWidget(TypeNachNULL_CB);
    typeInputs->addWidget(TypeNach_CB);
    bottom->addLayout(typeInputs, 4, 1);
    T2TypeNach_BBtn = runButton(lower, "T2TypeNach_BBtn");
    bottom->addWidget(T2TypeNach_BBtn, 4, 2);
    layout->addWidget(lower);

    DezVlad_RxDBLC->loadItems(m_db, Bulk::organisationsSql());
    if (DezVlad_RxDBLC->count() > 0)
        DezVlad_RxDBLC->setCurrentIndex(0);
    reloadServices();

    adjustSize();
    setFixedSize(size().boundedTo(QSize(1260, 610)));

    // Clicking one charge-type box sets the other to the opposite of its new state.
    connect(TypeNachNULL_CB, &QCheckBox::clicked, this,
            [this](bool checked) { TypeNach_CB->setChecked(!checked); });
    connect(TypeNach_CB, &QCheckBox::clicked, this,
            [this](bool checked) { TypeNachNULL_CB->setChecked(!checked); });

    connect(T1DezVlad_BBtn, &QPushButton::clicked, this, &TZamena_Form::T1DezVlad_BBtnClick);
    connect(T1HouseBTI_BBtn, &QPushButton::clicked, this, &TZamena_Form::T1HouseBTI_BBtnClick);
    connect(T1TotalSum_BBtn, &QPushButton::clicked, this, &TZamena_Form::T1TotalSum_BBtnClick);
    connect(T2ServiceAdd_BBtn, &QPushButton::clicked, this, &TZamena_Form::T2ServiceAdd_BBtnClick);
    connect(T2ServiceChange_BBtn, &QPushButton::clicked, this,
            &TZamena_Form::T2ServiceChange_BBtnClick);
    connect(T2ServiceDel_BBtn, &QPushButton::clicked, this, &TZamena_Form::T2ServiceDel_BBtnClick);
    connect(T2SumService_BBtn, &QPushButton::clicked, this, &TZamena_Form::T2SumService_BBtnClick);
    connect(T2TypeNach_BBtn, &QPushButton::clicked, this, &TZamena_Form::T2TypeNach_BBtnClick);
}

void TZamena_Form::reloadServices()
{
    for (LookupComboBox* box : {ServiceDel_RxDBLC, ServiceChangeIN_RxDBLC, SumService_RxDBLC})
        box->loadItems(m_db, Bulk::servicesInUseSql());
    for (LookupComboBox* box : {ServiceAdd_RxDBLC, ServiceChangeOUT_RxDBLC})
        box->loadItems(m_db, Bulk::servicesSwitchedOnSql());
}

void TZamena_Form::T1DezVlad_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    const QVariant organisation = DezVlad_RxDBLC->keyValue();
    const bool onlyEmpty = DezVlad_CB->isChecked();
    runOperation(T1DezVlad_BBtn, true,
                 u"Будет изменена организация - владелец жилого фонда.\r\nВы уверены?"_s,
                 u"Замена произведена."_s,
                 [&] { return Bulk::setOwnerOrganisation(m_db, organisation, onlyEmpty); });
}

void TZamena_Form::T1HouseBTI_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    const bool onlyEmpty = HouseBTI_CB->isChecked();
    runOperation(T1HouseBTI_BBtn, true,
                 u"Будет поставлен код БТИ дома в соответствии с информацией,\r\n"
                 "содержащейся в справочнике домов.\r\nВы уверены?"_s,
                 u"Замена кода БТИ произведена."_s,
                 [&] { return Bulk::setHouseCodes(m_db, onlyEmpty); });
}

void TZamena_Form::T1TotalSum_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    runOperation(T1TotalSum_BBtn, true,
                 u"Будут поставлены общие суммы в соответствии\r\nс суммами по услугам.\r\n"
                 "Вы уверены?"_s,
                 u"Пересчет сумм произведен."_s, [&] { return Bulk::setPayerTotals(m_db); });
}

void TZamena_Form::T2ServiceAdd_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    if (!serviceChosen(ServiceAdd_RxDBLC)) {
        Dialogs::current().error(u"Выберите услугу."_s);
        return;
    }
    const int service = ServiceAdd_RxDBLC->keyValue().toInt();
    runOperation(T2ServiceAdd_BBtn, true, u"Будет добавлена выбранная услуга.\r\nПродолжить?"_s,
                 u"Добавление услуги произведено."_s, [&] {
                     const Bulk::ReplacementResult result = Bulk::addService(m_db, service);
                     reloadServices();
                     return result;
                 });
}

void TZamena_Form::T2ServiceChange_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    if (!serviceChosen(ServiceChangeIN_RxDBLC) || !serviceChosen(ServiceChangeOUT_RxDBLC)) {
        Dialogs::current().error(u"Выберите услугу."_s);
        return;
    }
    const int from = ServiceChangeIN_RxDBLC->keyValue().toInt();
    const int to = ServiceChangeOUT_RxDBLC->keyValue().toInt();
    runOperation(T2ServiceChange_BBtn, true, u"Будет заменена услуга.\r\nПродолжить?"_s,
                 u"Замена услуги произведена."_s, [&] {
                     const Bulk::ReplacementResult result = Bulk::replaceService(m_db, from, to);
                     reloadServices();
                     return result;
                 });
}

void TZamena_Form::T2ServiceDel_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    if (!serviceChosen(ServiceDel_RxDBLC)) {
        Dialogs::current().error(u"Выберите услугу."_s);
        return;
    }
    const int service = ServiceDel_RxDBLC->keyValue().toInt();
    runOperation(T2ServiceDel_BBtn, true, u"Будет удалена выбранная услуга.\r\nВы уверены?"_s,
                 u"Удаление услуги произведено."_s, [&] {
                     KeepPainted painted;
                     const Bulk::ReplacementResult result =
                         Bulk::deleteService(m_db, service, m_period, painted);
                     reloadServices();
                     return result;
                 });
}

void TZamena_Form::T2SumService_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    if (!serviceChosen(SumService_RxDBLC)) {
        Dialogs::current().error(u"Выберите услугу."_s);
        return;
    }
    const int service = SumService_RxDBLC->keyValue().toInt();
    const bool tariffInForce = Tariff_CB->isChecked();
    Bulk::ReplacementResult result;
    {
        WaitCursor wait;
        KeepPainted painted;
        result = Bulk::calculateService(m_db, service, m_period, tariffInForce, painted);
    }
    if (result.nothingToDo) {
        Dialogs::current().warning(result.message);
        accept();
        return;
    }
    if (result.ok)
        Dialogs::current().notice(u"Расчет начисленной платы для услуги произведен."_s);
    else
        Dialogs::current().error(result.message);
}

void TZamena_Form::T2TypeNach_BBtnClick()
{
    if (!Bulk::hasPayers(m_db))
        return;
    if (!TypeNachNULL_CB->isChecked() && !TypeNach_CB->isChecked())
        return;
    const bool onlyEmpty = TypeNachNULL_CB->isChecked();
    runOperation(T2TypeNach_BBtn, true,
                 u"Будет поставлен признак вида начислений.\r\nВы уверены?"_s,
                 u"Изменение признака начислений произведено."_s, [&] {
                     KeepPainted painted;
                     return Bulk::setChargeTypes(m_db, onlyEmpty, painted);
                 });
}
