#pragma once

#include "TariffPeriods.h"

#include <QDialog>

class Database;
class QLabel;
class QPushButton;
class QTableView;

namespace RefBooks {
class TariffPeriodsModel;
}

/// "Редактирование тарифов": every period of one service variant, changed here in memory
/// and written back as a whole by Save.
class TTariffBankEdit_Form : public QDialog
{
    Q_OBJECT

public:
    TTariffBankEdit_Form(Database& db, int serviceTotalId, const QString& serviceName,
                         const QString& variantName, const QString& dimension,
                         QWidget* parent = nullptr);
    ~TTariffBankEdit_Form() override;

    const QList<RefBooks::TariffPeriod>& periods() const { return m_periods; }
    bool isChanged() const { return m_changed; }

    void Add_BBtnClick();
    void Edit_BBtnClick();
    void Delete_BBtnClick();
    /// Writes the periods; true when they were written (the window then closes).
    bool Save_BBtnClick();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openPeriod(bool adding);
    void showPeriods(int current);
    int currentPeriod() const;

    Database& m_db;
    int m_serviceTotalId;
    QList<RefBooks::TariffPeriod> m_periods;
    bool m_changed = false;
    bool m_closing = false;
    RefBooks::TariffPeriodsModel* m_model;

    QLabel* TariffName_Label;
    QLabel* TariffNameWide_Label;
    QTableView* TrEdit_DBG;
    QPushButton* Edit_BBtn;
    QPushButton* Delete_BBtn;
    QPushButton* Add_BBtn;
    QPushButton* Save_BBtn;
};
