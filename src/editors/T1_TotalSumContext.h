#pragma once

#include <QVariantMap>
#include <QWidget>

#include <array>

class Database;
class QLabel;

/// "Общие суммы на лицевой счет": beside the main window, the totals of the current payer
/// against the sums of its charges, and its persons against the permanently registered.
/// Not modal, stays on top; closing only hides it, and it keeps following the payer list.
class TT1_TotalSumContext_Form : public QWidget
{
    Q_OBJECT

public:
    explicit TT1_TotalSumContext_Form(Database& db, QWidget* parent = nullptr);

    /// Shows the payer of this payer-list row (an empty row empties the window).
    void showPayer(const QVariantMap& payerRow);
    /// Puts the window's top-left corner on `anchor`, a point on the screen.
    void placeAt(const QPoint& anchor);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Database& m_db;
    QLabel* FullName_Label;
    QLabel* Code_Label;
    std::array<QLabel*, 4> m_payerSums;
    std::array<QLabel*, 4> m_chargeSums;
    QLabel* PplCntReg_Label;
    QLabel* CntReg_Label;
};
