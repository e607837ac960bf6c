#pragma once

#include "TariffPeriods.h"

#include <QDialog>

class Database;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

/// "Редактирование тарифа": the start month and the amount of one period. Save puts the
/// period into the variant's list and rebuilds the chain.
class TTariffBankEditDetail_Form : public QDialog
{
    Q_OBJECT

public:
    /// `current`: the period changed, or the one whose amount a new period starts from
    /// (-1 for none).
    TTariffBankEditDetail_Form(Database& db, int serviceTotalId, const QString& serviceLabel,
                               const QString& variantLabel, QList<RefBooks::TariffPeriod>& periods,
                               int current, bool adding, QWidget* parent = nullptr);

    /// Whether Save put the period into the list.
    bool isSaved() const { return m_saved; }
    /// The period saved, in the rebuilt list; -1 before a save.
    int savedIndex() const { return m_savedIndex; }

    bool Save_BBtnClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Date_DEChange();
    /// Save without closing: puts the period into the list; false when a check refused it.
    bool storePeriod();

    QList<RefBooks::TariffPeriod>& m_periods;
    int m_current;
    bool m_adding;
    bool m_changed = false;
    bool m_saved = false;
    bool m_closing = false;
    int m_savedIndex = -1;

    QLabel* TariffName_Label;
    QLabel* TariffNameWide_Label;
    QDateEdit* Date_DE;
    QLineEdit* Summa_ME;
    QLabel* Dimension_Label;
    QPushButton* Save_BBtn;
};
