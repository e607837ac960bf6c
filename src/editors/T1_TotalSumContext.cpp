#include "T1_TotalSumContext.h"

#include "PayerTotals.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace {

const std::array<QString, 4>& captions()
{
    static const std::array<QString, 4> texts = {
        u"общая сумма:"_s,
        u"сумма за вычетом льгот:"_s,
        u"общая сумма, приходящаяся на постоянно зарегистрированных:"_s,
        u"общая сумма, приходящаяся на постоянно зарегистрированных, за вычетом льготы:"_s,
    };
    return texts;
}

QLabel* valueLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(90);
    return label;
}

} // namespace

TT1_TotalSumContext_Form::TT1_TotalSumContext_Form(Database& db, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_db(db)
{
    setObjectName(u"T1_TotalSumContext_Form"_s);
    setWindowTitle(u"Общие суммы на лицевой счет"_s);

    auto* layout = new QGridLayout(this);
    layout->setColumnStretch(0, 1);
    int row = 0;
    FullName_Label = valueLabel(this, u"FullName_Label"_s);
    FullName_Label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(FullName_Label, row++, 0, 1, 2);
    Code_Label = valueLabel(this, u"Code_Label"_s);
    Code_Label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(Code_Label, row++, 0, 1, 2);

    auto addGroup = [&](const QString& heading, std::array<QLabel*, 4>& values, const QString& prefix) {
        auto* title = new QLabel(heading, this);
        layout->addWidget(title, row++, 0, 1, 2);
        for (size_t i = 0; i < values.size(); ++i) {
            auto* caption = new QLabel(captions()[i], this);
            caption->setIndent(12);
            values[i] = valueLabel(this, prefix + QString::number(i + 1) + u"_Label"_s);
            layout->addWidget(caption, row, 0);
            layout->addWidget(values[i], row++, 1);
        }
    };
    addGroup(u"в \"Сведениях о плательщике\":"_s, m_payerSums, u"PayerSum"_s);
    addGroup(u"в \"Сведениях о начисленной плате\":"_s, m_chargeSums, u"ChargeSum"_s);

    PplCntReg_Label = valueLabel(this, u"PplCntReg_Label"_s);
    CntReg_Label = valueLabel(this, u"CntReg_Label"_s);
    layout->addWidget(new QLabel(u"Количество человек общее:"_s, this), row, 0);
    layout->addWidget(PplCntReg_Label, row++, 1);
    layout->addWidget(new QLabel(u"Количество постоянно зарегистрированных:"_s, this), row, 0);
    layout->addWidget(CntReg_Label, row++, 1);
    setFixedSize(sizeHint().expandedTo(QSize(560, 0)));
}

void TT1_TotalSumContext_Form::showPayer(const QVariantMap& payerRow)
{
    const PayerTotals totals = PayerTotals::of(m_db, payerRow);
    FullName_Label->setText(totals.fullName);
    Code_Label->setText(payerRow.isEmpty() ? QString() : totals.payerCode + u" / "_s + totals.account);
    for (size_t i = 0; i < 4; ++i) {
        m_payerSums[i]->setText(totals.payerSums[i]);
        m_chargeSums[i]->setText(totals.chargeSums[i]);
    }
    PplCntReg_Label->setText(totals.persons);
    CntReg_Label->setText(totals.registered);
}

void TT1_TotalSumContext_Form::placeAt(const QPoint& anchor)
{
    move(anchor);
}

void TT1_TotalSumContext_Form::closeEvent(QCloseEvent* event)
{
    // Closing only hides: the window lives as long as the main window.
    event->ignore();
    hide();
}
