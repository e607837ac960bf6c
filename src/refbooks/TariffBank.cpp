#include "TariffBank.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "Format.h"
#include "RecordSetModel.h"
#include "TariffBankEdit.h"
#include "TariffPeriods.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TTariffBank_Form::TTariffBank_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_model(new RecordSetModel(
          {{u"ServiceID"_s, u"Код"_s, Format::Display::Plain, Qt::AlignCenter},
           {u"ServiceName"_s, u"Наименование услуги"_s},
           {u"ServiceWideName"_s, u"Варианты услуги"_s},
           {u"SummaT"_s, u"Сумма"_s, Format::Display::Fixed2, Qt::AlignRight | Qt::AlignVCenter},
           {u"Dimension"_s, u"Единица измерения"_s},
           {u"DateStart"_s, u"Дата начала действия"_s, Format::Display::DateYear, Qt::AlignCenter},
           {u"DateEnd"_s, u"Дата окончания действия"_s, Format::Display::DateYear,
            Qt::AlignCenter}},
          this))
{
    setObjectName(u"TariffBank_Form"_s);
    setWindowTitle(u"Ставки/Тарифы на услуги "_s);
    setModal(true);

    Month_CB = new QComboBox(this);
    Month_CB->setObjectName(u"Month_CB"_s);
    for (int month = 1; month <= 12; ++month)
        Month_CB->addItem(Format::monthName(month));
    Year_RxSE = new QSpinBox(this);
    Year_RxSE->setObjectName(u"Year_RxSE"_s);
    Year_RxSE->setRange(2000, 2100);
    // The year turns with its arrows; it is not typed.
    if (auto* yearEdit = Year_RxSE->findChild<QLineEdit*>())
        yearEdit->setReadOnly(true);
    const QDate today = QDate::currentDate();
    Month_CB->setCurrentIndex(today.month() - 1);
    Year_RxSE->setValue(qBound(2000, today.year(), 2100));

    Tariff_DBG = new DataGrid(this);
    Tariff_DBG->setObjectName(u"Tariff_DBG"_s);
    ColServices_Label = new QLabel(u"0"_s, this);
    ColServices_Label->setObjectName(u"ColServices_Label"_s);
    TariffEdit_BBtn = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                      u" Все тарифы для выбранной  услуги"_s, this);
    TariffEdit_BBtn->setObjectName(u"TariffEdit_BBtn"_s);
    TariffEdit_BBtn->setAutoDefault(false);

    auto* period = new QHBoxLayout;
    period->addWidget(new QLabel(u"Тарифы, действующие на:"_s, this));
    period->addWidget(Month_CB);
    period->addWidget(Year_RxSE);
    period->addWidget(new QLabel(u"года"_s, this));
    period->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(u"всего услуг в справочнике:"_s, this));
    bottom->addWidget(ColServices_Label);
    bottom->addStretch();
    bottom->addWidget(TariffEdit_BBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(period);
    layout->addWidget(Tariff_DBG, 1);
    layout->addLayout(bottom);

    m_model->recordSet().setKeyFields({u"ServiceTotalID"_s});
    readList();
    m_model->setSort(u"ServiceID ASC"_s);
    Tariff_DBG->setRecordModel(m_model);
    Tariff_DBG->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    resize(1180, 600);
    setFixedSize(size());

    connect(Month_CB, &QComboBox::currentIndexChanged, this, &TTariffBank_Form::readList);
    connect(Year_RxSE, &QSpinBox::valueChanged, this, &TTariffBank_Form::readList);
    connect(TariffEdit_BBtn, &QPushButton::clicked, this, &TTariffBank_Form::TariffEdit_BBtnClick);
    connect(Tariff_DBG, &DataGrid::doubleClickedAnywhere, this,
            &TTariffBank_Form::TariffEdit_BBtnClick);
}

QDate TTariffBank_Form::shownMonth() const
{
    return QDate(Year_RxSE->value(), Month_CB->currentIndex() + 1, 1);
}

void TTariffBank_Form::readList()
{
    // The sort and the current row stay as they were, whatever month is shown.
    RecordSet& rows = m_model->recordSet();
    const QVariantList current = rows.keyAt(rows.currentRow());
    const QString day = shownMonth().toString(Qt::ISODate);
    const QueryParams params{{u":DATE_1"_s, day}, {u":DATE_2"_s, day}};
    const bool ok = rows.isOpen() ? m_model->reopen(params)
                                  : m_model->open(m_db, RefBooks::tariffListSql(), params);
    if (!ok)
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + rows.errorString());
    if (!current.isEmpty())
        Tariff_DBG->locate(current);
    ColServices_Label->setText(QString::number(m_model->rowCount()));
}

void TTariffBank_Form::TariffEdit_BBtnClick()
{
    const RecordSet& rows = m_model->recordSet();
    const int row = rows.currentRow();
    if (rows.rowCount() == 0 || row < 0)
        return;
    const QVariantList current = rows.keyAt(row);
    TTariffBankEdit_Form editor(m_db, rows.value(row, u"ServiceTotalID").toInt(),
                                rows.value(row, u"ServiceName").toString(),
                                rows.value(row, u"ServiceWideName").toString(),
                                rows.value(row, u"Dimension").toString(), this);
    if (editor.exec() == QDialog::Accepted)
        readList();
    Tariff_DBG->locate(current);
}
