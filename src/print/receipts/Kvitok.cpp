#include "Kvitok.h"

#include "Dialogs.h"
#include "Preview.h"
#include "ReportPrinter.h"
#include "WaitCursor.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QComboBox* lookup(QWidget* parent, const char* name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(360);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TKvitok_Form::TKvitok_Form(Database& db, const QVariant& dezId, const QDate& period,
                           QWidget* parent)
    : RunGuardedDialog(parent)
    , m_db(db)
    , m_period(period)
    , m_organisation(Receipts::organisation(db, dezId))
{
    setObjectName(u"Kvitok_Form"_s);
    setWindowTitle(u"Печать извещений"_s);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* organisation = new QHBoxLayout;
    Label2 = new QLabel(u"Организация: "_s, this);
    Label2->setObjectName(u"Label2"_s);
    Dez_Label = new QLabel(m_organisation.name, this);
    Dez_Label->setObjectName(u"Dez_Label"_s);
    QFont bold = Dez_Label->font();
    bold.setBold(true);
    Dez_Label->setFont(bold);
    Dez_Label->setWordWrap(true);
    organisation->addWidget(Label2);
    organisation->addWidget(Dez_Label, 1);
    layout->addLayout(organisation);

    auto* house = new QGroupBox(u"Печать извещений по дому: "_s, this);
    House_Frame = house;
    auto* houseForm = new QFormLayout(house);
    Streets_RxDBLC = lookup(house, "Streets_RxDBLC");
    Houses_RxDBLC = lookup(house, "Houses_RxDBLC");
    houseForm->addRow(u"Улица:"_s, Streets_RxDBLC);
    houseForm->addRow(u"Дом:"_s, Houses_RxDBLC);
    PrintAll_BBtn = button(house, "PrintAll_BBtn", u"Печать извещений по дому"_s);
    Stat_Panel = new QWidget(house);
    Stat_Panel->setObjectName(u"Stat_Panel"_s);
    auto* stat = new QHBoxLayout(Stat_Panel);
    stat->setContentsMargins(0, 0, 0, 0);
    stat->addWidget(new QLabel(u"Отправлено на печать:"_s, Stat_Panel));
    Count_Label = new QLabel(u"0"_s, Stat_Panel);
    Count_Label->setObjectName(u"Count_Label"_s);
    Count_Label->setFont(bold);
    stat->addWidget(Count_Label);
    stat->addStretch();
    Stop_BBtn = button(Stat_Panel, "Stop_BBtn", u"Остановить печать"_s);
    stat->addWidget(Stop_BBtn);
    auto* houseButtons = new QHBoxLayout;
    houseButtons->addWidget(PrintAll_BBtn);
    houseButtons->addWidget(Stat_Panel, 1);
    houseForm->addRow(houseButtons);
    // Keeps its room while hidden, so that the window does not jump when a house prints.
    QSizePolicy keep = Stat_Panel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Stat_Panel->setSizePolicy(keep);
    Stat_Panel->hide();
    layout->addWidget(house);

    auto* flats = new QGroupBox(u"Печать извещений по квартирам (лицевым счетам):"_s, this);
    Flat_Frame = flats;
    auto* flatForm = new QFormLayout(flats);
    StreetsKv_RxDBLC = lookup(flats, "StreetsKv_RxDBLC");
    HousesKv_RxDBLC = lookup(flats, "HousesKv_RxDBLC");
    flatForm->addRow(u"Улица:"_s, StreetsKv_RxDBLC);
    flatForm->addRow(u"Дом:"_s, HousesKv_RxDBLC);
    flatForm->addRow(new QLabel(u"Квартира (лицевой счет)"_s, flats));
    FlatFirst_RxDBLC = lookup(flats, "FlatFirst_RxDBLC");
    FlatLast_RxDBLC = lookup(flats, "FlatLast_RxDBLC");
    FlatFirst_RxDBLC->setMaxVisibleItems(17);
    FlatLast_RxDBLC->setMaxVisibleItems(17);
    flatForm->addRow(u"с:"_s, FlatFirst_RxDBLC);
    flatForm->addRow(u"по:"_s, FlatLast_RxDBLC);
    PrintOne_BBtn = button(flats, "PrintOne_BBtn", u" Печать извещений по квартирам"_s);
    auto* flatButtons = new QHBoxLayout;
    flatButtons->addWidget(PrintOne_BBtn);
    flatButtons->addStretch();
    flatForm->addRow(flatButtons);
    layout->addWidget(flats);

    auto* close = button(this, "Close_BBtn", u"Закрыть"_s);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(close);
    layout->addLayout(closeRow);

    connect(PrintAll_BBtn, &QPushButton::clicked, this, &TKvitok_Form::PrintAll_BBtnClick);
    connect(PrintOne_BBtn, &QPushButton::clicked, this, &TKvitok_Form::PrintOne_BBtnClick);
    connect(Stop_BBtn, &QPushButton::clicked, this, &TKvitok_Form::Stop_BBtnClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    // Every list at its first row: the first street, its first house, its first flat.
    QString error;
    m_streets = Receipts::streets(db, &error);
    if (!error.isEmpty())
        readFailed(error);
    for (QComboBox* box : {Streets_RxDBLC, StreetsKv_RxDBLC}) {
        for (const Receipts::Street& street : m_streets)
            box->addItem(street.name, street.id);
    }
    readHouses(Streets_RxDBLC, Houses_RxDBLC, m_houses);
    readHouses(StreetsKv_RxDBLC, HousesKv_RxDBLC, m_housesKv);
    readFlats();
    connect(Streets_RxDBLC, &QComboBox::currentIndexChanged, this,
            [this] { readHouses(Streets_RxDBLC, Houses_RxDBLC, m_houses); });
    connect(StreetsKv_RxDBLC, &QComboBox::currentIndexChanged, this, [this] {
        readHouses(StreetsKv_RxDBLC, HousesKv_RxDBLC, m_housesKv);
        readFlats();
    });
    connect(HousesKv_RxDBLC, &QComboBox::currentIndexChanged, this, [this] { readFlats(); });
    setFixedSize(sizeHint());
}

void TKvitok_Form::readFailed(const QString& error)
{
    Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + error);
}

void TKvitok_Form::readHouses(QComboBox* streets, QComboBox* houses, QList<Receipts::House>& list)
{
    QString error;
    const QVariant street = streets->currentData();
    list = street.isValid() ? Receipts::houses(m_db, street.toLongLong(), &error)
                            : QList<Receipts::House>();
    if (!error.isEmpty())
        readFailed(error);
    const QSignalBlocker quiet(houses);
    houses->clear();
    for (const Receipts::House& house : list)
        houses->addItem(house.display);
    houses->setCurrentIndex(list.isEmpty() ? -1 : 0);
}

void TKvitok_Form::readFlats()
{
    QString error;
    const QVariant street = StreetsKv_RxDBLC->currentData();
    const int house = HousesKv_RxDBLC->currentIndex();
    m_flatsKv = street.isValid() && house >= 0 && house < m_housesKv.size()
                    ? Receipts::flats(m_db, street.toLongLong(), m_housesKv.at(house), &error)
                    : QList<Receipts::Flat>();
    if (!error.isEmpty())
        readFailed(error);
    for (QComboBox* box : {FlatFirst_RxDBLC, FlatLast_RxDBLC}) {
        const QSignalBlocker quiet(box);
        box->clear();
        for (const Receipts::Flat& flat : m_flatsKv)
            box->addItem(flat.display, flat.t1Id);
        box->setCurrentIndex(m_flatsKv.isEmpty() ? -1 : 0);
    }
}

QString TKvitok_Form::documentTitle(const QComboBox* streets, const QComboBox* houses) const
{
    QString title = u"Извещения "_s + streets->currentText();
    if (!houses->currentText().isEmpty())
        title += u", "_s + houses->currentText();
    return title;
}

void TKvitok_Form::setControlsEnabled(bool enabled)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(Streets_RxDBLC), static_cast<QWidget*>(Houses_RxDBLC),
          static_cast<QWidget*>(PrintAll_BBtn), static_cast<QWidget*>(Flat_Frame)})
        widget->setEnabled(enabled);
    if (QWidget* close = findChild<QWidget*>(u"Close_BBtn"_s))
        close->setEnabled(enabled);
}

void TKvitok_Form::printReceipts(const QList<qint64>& payers, const QString& title, bool preview,
                                 bool counted)
{
    Report::PrintSpool spool(title, m_printer.value_or(QPrinterInfo::defaultPrinter()));
    Receipts::ReceiptJobs jobs(m_db, m_organisation, m_period,
                               [&spool](const Report::Prepared& job) { return spool.send(job); });
    setRunning(true);
    setControlsEnabled(false);
    bool failed = false;
    for (const qint64 payer : payers) {
        if (!jobs.add(payer)) {
            failed = true;
            break;
        }
        if (counted)
            Count_Label->setText(QString::number(jobs.filled()));
        // The counter moves and Stop is heard between receipts.
        QCoreApplication::processEvents();
        if (counted && m_stop)
            break;
    }
    std::optional<Report::Prepared> waiting;
    if (!failed)
        waiting = jobs.takeWaiting();
    const bool previewed = waiting && preview;
    if (waiting && !preview)
        spool.send(*waiting);
    // Without a printer, what was produced before a stop or a fault is still written.
    Report::PrintOutcome outcome;
    {
        const WaitCursor wait;
        outcome = spool.finish();
    }
    setControlsEnabled(true);
    setRunning(false);
    if (failed && spool.lastOutcome().kind != Report::PrintOutcome::Kind::Failed)
        Dialogs::current().error(jobs.error());
    if (spool.jobs() > 0 || outcome.kind == Report::PrintOutcome::Kind::Failed)
        Report::tellOutcome(outcome);
    if (previewed) {
        TPreview_Form view(std::move(*waiting), this);
        view.exec();
    }
}

void TKvitok_Form::PrintAll_BBtnClick()
{
    if (!m_organisation.isNamed()) {
        Dialogs::current().error(Receipts::noOrganisationMessage());
        return;
    }
    const QVariant street = Streets_RxDBLC->currentData();
    const int house = Houses_RxDBLC->currentIndex();
    if (!street.isValid() || house < 0 || house >= m_houses.size())
        return;
    QString error;
    const QList<Receipts::Flat> flats =
        Receipts::flats(m_db, street.toLongLong(), m_houses.at(house), &error);
    if (!error.isEmpty()) {
        readFailed(error);
        return;
    }
    QList<qint64> payers;
    for (const Receipts::Flat& flat : flats)
        payers << flat.t1Id;
    m_stop = false;
    Count_Label->setText(u"0"_s);
    Stat_Panel->show();
    printReceipts(payers, documentTitle(Streets_RxDBLC, Houses_RxDBLC), false, true);
    Stat_Panel->hide();
}

void TKvitok_Form::PrintOne_BBtnClick()
{
    if (!m_organisation.isNamed()) {
        Dialogs::current().error(Receipts::noOrganisationMessage());
        return;
    }
    const int from = FlatFirst_RxDBLC->currentIndex();
    const int to = FlatLast_RxDBLC->currentIndex();
    if (from < 0 || to < 0)
        return;
    const std::optional<QList<qint64>> payers = Receipts::flatRange(m_flatsKv, from, to);
    if (!payers) {
        Dialogs::current().error(Receipts::reversedRangeMessage());
        return;
    }
    printReceipts(*payers, documentTitle(StreetsKv_RxDBLC, HousesKv_RxDBLC), from == to, false);
}

void TKvitok_Form::Stop_BBtnClick()
{
    m_stop = true;
}
