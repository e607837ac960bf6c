#include "Pereschet.h"

#include "Dialogs.h"
#include "Format.h"
#include "Recalculation.h"
#include "WaitCursor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

QLabel* wrapped(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    return label;
}

/// Window messages run at most this often during the run: the bar moves and the window
/// repaints, without slowing a large statement down.
constexpr qint64 RepaintEveryMs = 40;

} // namespace

class TPereschet_Form::Progress final : public Bulk::RecalculationListener
{
public:
    explicit Progress(QProgressBar* bar)
        : m_bar(bar)
    {
        m_sinceRepaint.start();
    }

    void phaseStarted(Phase, qint64 total) override
    {
        m_bar->setRange(0, int(qMin<qint64>(total, std::numeric_limits<int>::max())));
        m_bar->setValue(0);
        QCoreApplication::processEvents();
        m_sinceRepaint.restart();
    }

    void recordDone(qint64 done) override
    {
        if (done <= m_bar->maximum())
            m_bar->setValue(int(done));
        if (m_sinceRepaint.elapsed() >= RepaintEveryMs) {
            QCoreApplication::processEvents();
            m_sinceRepaint.restart();
        }
    }

private:
    QProgressBar* m_bar;
    QElapsedTimer m_sinceRepaint;
};

TPereschet_Form::TPereschet_Form(Database& db, const QDate& period, QWidget* parent)
    : RunGuardedDialog(parent)
    , m_db(db)
    , m_period(period)
{
    setObjectName(u"Pereschet_Form"_s);
    setWindowTitle(u"Пересчет сумм"_s);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrapped(
        this, "Label1",
        u"Суммы начисленной платы за жилищно-коммунальные и прочие услуги пересчитываются с учетом "
        "введенных объемов предоставленных услуг и ставок/тарифов на услуги, действующих на "
        "указанный период "_s));
    layout->addWidget(wrapped(
        this, "Label2",
        u"Суммы начисленной платы за услуги за вычетом льгот пересчитываются исходя из "
        "соотношения раннее введенных: суммы начисленной платы за жилищно-коммунальные услуги и "
        "суммы за вычетом льгот"_s));
    layout->addWidget(wrapped(
        this, "Label3",
        u"Сумма начисленной платы за услуги и сумма начисленной платы за услуги за вычетом льгот, "
        "приходящиеся на постоянно зарегистрированных, будут установлены равными соответственно "
        "общей сумме платы за услуги и общей сумме платы за услуги за вычетом льгот"_s));
    auto* periodRow = new QHBoxLayout;
    auto* periodCaption = new QLabel(u"Пересчет сумм по ставкам/тарифам за: "_s, this);
    periodCaption->setObjectName(u"Label4"_s);
    periodRow->addWidget(periodCaption);
    const QString month =
        Format::monthName(period.month()) + u' ' + QString::number(period.year()) + u"г."_s;
    GLOBAL_MES_OTCHET_Label = new QLabel(month, this);
    GLOBAL_MES_OTCHET_Label->setObjectName(u"GLOBAL_MES_OTCHET_Label"_s);
    QFont bold = GLOBAL_MES_OTCHET_Label->font();
    bold.setBold(true);
    GLOBAL_MES_OTCHET_Label->setFont(bold);
    periodRow->addWidget(GLOBAL_MES_OTCHET_Label);
    periodRow->addStretch();
    layout->addLayout(periodRow);

    SearchNULLTariff_Label =
        new QLabel(u"В справочнике отсутствуют ставки/тарифы для следующих услуг:"_s, this);
    SearchNULLTariff_Label->setObjectName(u"SearchNULLTariff_Label"_s);
    SearchNULLTariff_Label->setEnabled(false);
    SearchNULLTariff_RxDBG = new QListWidget(this);
    SearchNULLTariff_RxDBG->setObjectName(u"SearchNULLTariff_RxDBG"_s);
    SearchNULLTariff_RxDBG->setEnabled(false);
    layout->addWidget(SearchNULLTariff_Label);
    layout->addWidget(SearchNULLTariff_RxDBG, 1);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(u"ProgressBar"_s);
    ProgressBar->setValue(0);
    layout->addWidget(ProgressBar);
    Pereschet_BBtn = new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload),
                                     u" Пересчитать суммы начисленной платы"_s, this);
    Pereschet_BBtn->setObjectName(u"Pereschet_BBtn"_s);
    Pereschet_BBtn->setDefault(true);
    layout->addWidget(Pereschet_BBtn, 0, Qt::AlignRight);
    resize(640, 460);
    setFixedSize(size());

    connect(Pereschet_BBtn, &QPushButton::clicked, this, &TPereschet_Form::Pereschet_BBtnClick);
}

void TPereschet_Form::Pereschet_BBtnClick()
{
    QString error;
    QStringList missing;
    {
        WaitCursor wait;
        missing = Bulk::missingTariffs(m_db, m_period, &error);
    }
    if (!error.isEmpty()) {
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + error);
        return;
    }
    if (!missing.isEmpty()) {
        SearchNULLTariff_RxDBG->clear();
        SearchNULLTariff_RxDBG->addItems(missing);
        SearchNULLTariff_Label->setEnabled(true);
        SearchNULLTariff_RxDBG->setEnabled(true);
        Dialogs::current().error(Bulk::missingTariffsMessage());
        return;
    }
    if (!Dialogs::current().question(
            u"ВНИМАНИЕ!\r\n\r\nПересчет будет произведен по всем лицевым счетам в соответствии "
            u"со\r\n"
            "ставками/тарифами, указанными в справочнике на данный период.\r\n\r\n"
            "Если по каким-то лицевым счетам ставки/тарифы отличаются от справочных,\r\n"
            "необходимо произвести перерасчет вручную.\r\n\r\nПродолжить?"_s,
            Dialogs::Button::No)) {
        reject();
        return;
    }
    Bulk::RecalculationResult result;
    setRunning(true);
    Pereschet_BBtn->setEnabled(false);
    {
        WaitCursor wait;
        Progress progress(ProgressBar);
        result = Bulk::recalculate(m_db, m_period, progress);
    }
    ProgressBar->setValue(0);
    Pereschet_BBtn->setEnabled(true);
    setRunning(false);
    switch (result.outcome) {
    case Bulk::RecalculationResult::Outcome::NoCharges:
        Dialogs::current().notice(result.message);
        accept();
        return;
    case Bulk::RecalculationResult::Outcome::Failed:
        Dialogs::current().error(result.message);
        return;
    case Bulk::RecalculationResult::Outcome::Done:
        Dialogs::current().notice(u"Перерасчет произведен."_s);
        accept();
        return;
    }
}
