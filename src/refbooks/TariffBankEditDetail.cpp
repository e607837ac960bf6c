#include "TariffBankEditDetail.h"

#include "Dialogs.h"
#include "InputFilters.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

/// The picker is worked with its calendar or its arrows: typed digits would change the
/// day, which a period does not have.
class PickerKeys final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool opensCalendar =
                key->key() == Qt::Key_F4 ||
                (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier);
            // The arrows and page keys step the month or the year the cursor is on.
            const bool steps = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
                               key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown ||
                               key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
            const bool passes = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                                key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
                                key->key() == Qt::Key_Enter || opensCalendar || steps;
            if (!passes)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

QDate firstOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), 1);
}

} // namespace

TTariffBankEditDetail_Form::TTariffBankEditDetail_Form(Database& db, int serviceTotalId,
                                                       const QString& serviceLabel,
                                                       const QString& variantLabel,
                                                       QList<RefBooks::TariffPeriod>& periods,
                                                       int current, bool adding, QWidget* parent)
    : QDialog(parent)
    , m_periods(periods)
    , m_current(current >= 0 && current < periods.size() ? current : -1)
    , m_adding(adding || m_current < 0)
{
    setObjectName(u"TariffBankEditDetail_Form"_s);
    setWindowTitle(u"Редактирование тарифа"_s);
    setModal(true);

    const RefBooks::TariffPeriod* base = m_current >= 0 ? &m_periods.at(m_current) : nullptr;
    TariffName_Label = new QLabel(serviceLabel, this);
    TariffName_Label->setObjectName(u"TariffName_Label"_s);
    TariffName_Label->setWordWrap(true);
    TariffNameWide_Label = new QLabel(variantLabel, this);
    TariffNameWide_Label->setObjectName(u"TariffNameWide_Label"_s);
    Date_DE = new QDateEdit(this);
    Date_DE->setObjectName(u"Date_DE"_s);
    Date_DE->setDisplayFormat(u"dd.MM.yyyy"_s);
    Date_DE->setCalendarPopup(true);
    Date_DE->setCurrentSection(QDateTimeEdit::MonthSection);
    Date_DE->installEventFilter(new PickerKeys(Date_DE));
    if (auto* dateText = Date_DE->findChild<QLineEdit*>())
        dateText->installEventFilter(new PickerKeys(Date_DE));
    Summa_ME = new QLineEdit(this);
    Summa_ME->setObjectName(u"Summa_ME"_s);
    Summa_ME->setAlignment(Qt::AlignRight);
    Summa_ME->setMaximumWidth(Summa_ME->fontMetrics().horizontalAdvance(u"0"_s) * 14);
    CommonFnc::AttachKeyFilter(Summa_ME, CommonFnc::KeyFilter::Decimal,
                               [this] { m_changed = true; });
    Dimension_Label = new QLabel(this);
    Dimension_Label->setObjectName(u"Dimension_Label"_s);
    Save_BBtn =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), u" Сохранить"_s, this);
    Save_BBtn->setObjectName(u"Save_BBtn"_s);
    Save_BBtn->setDefault(true);

    // A new period starts in this month; a changed one where it stood.
    Date_DE->setDate(firstOfMonth(!m_adding && base ? base->start : QDate::currentDate()));
    Summa_ME->setText(base && !base->summa.isNull() ? base->summa.toString(2) : u"0,00"_s);
    QString unit = base ? base->dimension : QString();
    if (unit.isEmpty())
        unit = RefBooks::dimensionOfVariant(db, serviceTotalId);
    Dimension_Label->setText(unit);

    auto* form = new QFormLayout;
    form->addRow(u"Дата начала действия тарифа:"_s, Date_DE);
    auto* amount = new QHBoxLayout;
    amount->addWidget(Summa_ME);
    amount->addWidget(Dimension_Label);
    amount->addStretch();
    form->addRow(u"Сумма по тарифу:"_s, amount);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TariffName_Label);
    layout->addWidget(TariffNameWide_Label);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addWidget(Save_BBtn, 0, Qt::AlignRight);
    resize(qMax(440, sizeHint().width()), sizeHint().height());
    setFixedSize(size());

    connect(Date_DE, &QDateEdit::dateChanged, this, &TTariffBankEditDetail_Form::Date_DEChange);
    connect(Save_BBtn, &QPushButton::clicked, this, &TTariffBankEditDetail_Form::Save_BBtnClick);
    Summa_ME->setFocus(Qt::OtherFocusReason);
}

void TTariffBankEditDetail_Form::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The amount is not selected on entry: the operator changes a digit, not the whole.
    // The box selects itself as it takes the focus, after this event.
    QTimer::singleShot(0, Summa_ME, [box = Summa_ME] {
        box->deselect();
        box->setCursorPosition(int(box->text().size()));
    });
}

void TTariffBankEditDetail_Form::Date_DEChange()
{
    const QDate first = firstOfMonth(Date_DE->date());
    if (Date_DE->date() != first)
        Date_DE->setDate(first);
}

bool TTariffBankEditDetail_Form::Save_BBtnClick()
{
    if (!storePeriod())
        return false;
    accept();
    return true;
}

bool TTariffBankEditDetail_Form::storePeriod()
{
    const std::optional<Decimal> amount = RefBooks::parseTariffAmount(Summa_ME->text());
    if (!amount) {
        Dialogs::current().error(u"Ошибочная сумма."_s);
        return false;
    }
    const QDate start = firstOfMonth(Date_DE->date());
    if (m_adding && RefBooks::startTaken(m_periods, start)) {
        m_changed = false;
        Dialogs::current().error(u"Недопустимая дата."_s);
        return false;
    }
    RefBooks::TariffPeriod period = m_adding ? RefBooks::TariffPeriod{} : m_periods.at(m_current);
    period.start = start;
    period.summa = *amount;
    period.dimension = Dimension_Label->text();
    period.edited = QDate::currentDate();
    if (m_adding)
        m_periods.append(period);
    else
        m_periods[m_current] = period;
    RefBooks::rebuildChain(m_periods);
    for (qsizetype i = 0; i < m_periods.size(); ++i) {
        if (m_periods.at(i).start == start && m_periods.at(i).summa == *amount &&
            m_periods.at(i).edited == period.edited)
            m_savedIndex = int(i);
    }
    m_saved = true;
    m_changed = false;
    return true;
}

void TTariffBankEditDetail_Form::done(int result)
{
    if (m_closing)
        return;
    m_closing = true;
    // The window closes whatever the answer and whatever the save makes of it.
    if (result != QDialog::Accepted && m_changed &&
        Dialogs::current().question(u"Сохранить изменения?"_s) && storePeriod())
        result = QDialog::Accepted;
    QDialog::done(result);
}
