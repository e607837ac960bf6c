#include "TariffBankEdit.h"

#include "Dialogs.h"
#include "Format.h"
#include "TariffBankEditDetail.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace RefBooks {

/// The periods as the grid shows them: amount, unit, start, end, day of editing.
class TariffPeriodsModel final : public QAbstractTableModel
{
public:
    TariffPeriodsModel(const QList<TariffPeriod>& periods, QObject* parent)
        : QAbstractTableModel(parent)
        , m_periods(periods)
    {}

    void reset()
    {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_periods.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : 5;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_periods.size())
            return {};
        const TariffPeriod& period = m_periods.at(index.row());
        if (role == Qt::TextAlignmentRole)
            return int(index.column() == 0   ? Qt::AlignRight | Qt::AlignVCenter
                       : index.column() == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                             : Qt::AlignCenter);
        if (role != Qt::DisplayRole)
            return {};
        const auto date = [](const QDate& day) {
            return Format::display(day.isValid() ? QVariant(day) : QVariant(),
                                   Format::Display::DateYear);
        };
        switch (index.column()) {
        case 0:
            return period.summa.toString(2);
        case 1:
            return period.dimension;
        case 2:
            return date(period.start);
        case 3:
            return date(period.end);
        case 4:
            return date(period.edited);
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList titles = {u"Сумма"_s, u"Единица измерения"_s,
                                           u"Дата начала действия"_s, u"Дата окончания действия"_s,
                                           u"Дата редакции"_s};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < titles.size())
            return titles.at(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const QList<TariffPeriod>& m_periods;
};

} // namespace RefBooks

TTariffBankEdit_Form::TTariffBankEdit_Form(Database& db, int serviceTotalId,
                                           const QString& serviceName, const QString& variantName,
                                           const QString& dimension, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_serviceTotalId(serviceTotalId)
    , m_model(new RefBooks::TariffPeriodsModel(m_periods, this))
{
    setObjectName(u"TariffBankEdit_Form"_s);
    setWindowTitle(u"Редактирование тарифов"_s);
    setModal(true);

    TariffName_Label = new QLabel(u"Тарифы на услугу: \""_s + serviceName + u'"', this);
    TariffName_Label->setObjectName(u"TariffName_Label"_s);
    TariffName_Label->setWordWrap(true);
    QFont bold = TariffName_Label->font();
    bold.setBold(true);
    TariffName_Label->setFont(bold);
    TariffNameWide_Label = new QLabel(variantName, this);
    TariffNameWide_Label->setObjectName(u"TariffNameWide_Label"_s);
    TrEdit_DBG = new QTableView(this);
    TrEdit_DBG->setObjectName(u"TrEdit_DBG"_s);
    TrEdit_DBG->setModel(m_model);
    TrEdit_DBG->setSelectionBehavior(QAbstractItemView::SelectRows);
    TrEdit_DBG->setSelectionMode(QAbstractItemView::SingleSelection);
    TrEdit_DBG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TrEdit_DBG->verticalHeader()->hide();
    // Every title whole; the room left goes to the last column.
    TrEdit_DBG->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TrEdit_DBG->horizontalHeader()->setStretchLastSection(true);
    TrEdit_DBG->verticalHeader()->setDefaultSectionSize(TrEdit_DBG->fontMetrics().height() + 8);
    // Tab leaves the grid for the buttons, as in every list of the program.
    TrEdit_DBG->setTabKeyNavigation(false);
    TrEdit_DBG->installEventFilter(this);

    const auto button = [this](const char* name, QStyle::StandardPixmap icon, const QString& text) {
        auto* b = new QPushButton(style()->standardIcon(icon), text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    Edit_BBtn = button("Edit_BBtn", QStyle::SP_FileDialogDetailedView, u" Изменить"_s);
    Delete_BBtn = button("Delete_BBtn", QStyle::SP_TrashIcon, u" Удалить"_s);
    Add_BBtn = button("Add_BBtn", QStyle::SP_FileIcon, u" Добавить"_s);
    Save_BBtn = button("Save_BBtn", QStyle::SP_DialogSaveButton, u" Сохранить изменения"_s);
    Save_BBtn->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Edit_BBtn);
    buttons->addWidget(Delete_BBtn);
    buttons->addWidget(Add_BBtn);
    buttons->addStretch();
    buttons->addWidget(Save_BBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TariffName_Label);
    layout->addWidget(TariffNameWide_Label);
    layout->addWidget(TrEdit_DBG, 1);
    layout->addLayout(buttons);
    resize(760, 420);
    setFixedSize(size());

    QString error;
    if (const auto read = RefBooks::readPeriods(m_db, m_serviceTotalId, dimension, &error))
        m_periods = *read;
    else
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + error);
    showPeriods(0);

    connect(Edit_BBtn, &QPushButton::clicked, this, &TTariffBankEdit_Form::Edit_BBtnClick);
    connect(Delete_BBtn, &QPushButton::clicked, this, &TTariffBankEdit_Form::Delete_BBtnClick);
    connect(Add_BBtn, &QPushButton::clicked, this, &TTariffBankEdit_Form::Add_BBtnClick);
    connect(Save_BBtn, &QPushButton::clicked, this, &TTariffBankEdit_Form::Save_BBtnClick);
    connect(TrEdit_DBG, &QTableView::doubleClicked, this, &TTariffBankEdit_Form::Edit_BBtnClick);
}

TTariffBankEdit_Form::~TTariffBankEdit_Form() = default;

int TTariffBankEdit_Form::currentPeriod() const
{
    const int row = TrEdit_DBG->currentIndex().row();
    return row >= 0 && row < m_periods.size() ? row : (m_periods.isEmpty() ? -1 : 0);
}

void TTariffBankEdit_Form::showPeriods(int current)
{
    m_model->reset();
    if (!m_periods.isEmpty())
        TrEdit_DBG->setCurrentIndex(
            m_model->index(qBound(0, current, int(m_periods.size()) - 1), 0));
}

bool TTariffBankEdit_Form::eventFilter(QObject* watched, QEvent* event)
{
    // A key typed in the periods counts as a change: closing then asks before it drops.
    if (watched == TrEdit_DBG && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint())
            m_changed = true;
    }
    return QDialog::eventFilter(watched, event);
}

void TTariffBankEdit_Form::openPeriod(bool adding)
{
    TTariffBankEditDetail_Form period(m_db, m_serviceTotalId, TariffName_Label->text(),
                                      TariffNameWide_Label->text(), m_periods, currentPeriod(),
                                      adding, this);
    period.exec();
    if (period.isSaved()) {
        m_changed = true;
        showPeriods(period.savedIndex());
    }
}

void TTariffBankEdit_Form::Add_BBtnClick()
{
    openPeriod(true);
}

void TTariffBankEdit_Form::Edit_BBtnClick()
{
    openPeriod(m_periods.isEmpty());
}

void TTariffBankEdit_Form::Delete_BBtnClick()
{
    const int current = currentPeriod();
    if (current < 0)
        return;
    if (!Dialogs::current().question(
            u"Выбранная строка, содержащая сведения по тарифу, будет удалена.\r\nВы уверены?"_s))
        return;
    m_periods.removeAt(current);
    RefBooks::rebuildChain(m_periods);
    // A deletion is a change like any other: closing without Save asks before it drops.
    m_changed = true;
    showPeriods(current);
}

bool TTariffBankEdit_Form::Save_BBtnClick()
{
    const RefBooks::BookWrite written = RefBooks::replacePeriods(m_db, m_serviceTotalId, m_periods);
    if (!written.ok) {
        Dialogs::current().error(written.message);
        return false;
    }
    m_changed = false;
    accept();
    return true;
}

void TTariffBankEdit_Form::done(int result)
{
    if (m_closing)
        return;
    m_closing = true;
    // The window closes whatever the answer; what was not saved is dropped.
    if (result != QDialog::Accepted && m_changed &&
        Dialogs::current().question(u"Сохранить изменения, если таковые были внесены?"_s)) {
        const RefBooks::BookWrite written =
            RefBooks::replacePeriods(m_db, m_serviceTotalId, m_periods);
        if (written.ok)
            result = QDialog::Accepted;
        else
            Dialogs::current().error(written.message);
    }
    m_changed = false;
    QDialog::done(result);
}
