#pragma once

#include "ChargeRecord.h"
#include "EditorMode.h"
#include "RecordEditor.h"

#include <QDate>
#include <QHash>
#include <QVariantMap>

class Database;
class LookupComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct RunState;

/// The charge record editor: one service charged to one payer for the month, with its
/// volume, tariff and four sums. Whenever it closes, saved or not, it re-sums the payer's
/// four totals from the payer's charges and remembers the charge's keys in the run state.
class TT2_Form : public RecordEditor
{
    Q_OBJECT

public:
    /// payerRow: the main window's current payer row (RecordSet::rowValues): T1_ID, Mes, Numls,
    /// ENumlsID, Name1..3, TypeLockID, TypeStoveID, SquareTotal (units, scale 2) and the rest.
    /// New mode: record month = state.accountingPeriod; edit mode: the payer's Mes.
    TT2_Form(Database& db, RunState& state, EditorMode mode, const QVariantMap& payerRow,
             QWidget* parent = nullptr);
    /// Edit mode: the charge row of the charge list (T1_ID, T2_ID, ServiceID, PostID, Volume,
    /// Tariff, the four sums, TypeNachID ...): finds the service variant by the payer's lock /
    /// stove type, fills every control as the main window's Edit charge command does.
    void setCharge(const QVariantMap& chargeRow);
    /// The charge's key after closing (the new key after an insert; 0 for a new charge
    /// that was not saved).
    int t2Id() const { return m_t2Id; }

protected:
    bool save() override;
    void closed() override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void loadLookups();
    ChargeRecord::Input collect() const;

    void Service_RxDBLCChange();
    void Post_RxDBLCChange();
    void SpravTariff_BBtnClick();
    void Summa_BBtnClick();
    void CopySumm_BBtnClick();
    void SootvTypeNach_BBtnClick();

    Database& m_db;
    RunState& m_state;
    const EditorMode m_mode;
    const QVariantMap m_payer;
    int m_t1Id = 0;
    int m_t2Id = 0;
    QDate m_month;
    QHash<int, int> m_serviceIdOfVariant; ///< ServiceTotalID → ServiceID of the lookup's rows

    QLabel* Numls_Label = nullptr;
    QLabel* ENumlsID_Label = nullptr;
    QLabel* FIO_Label = nullptr;
    QLabel* GLOBAL_MES_OTCHET_Label = nullptr;
    QLabel* Mes_Label = nullptr;
    QLabel* SquareTotal_Label = nullptr;
    QLabel* ServiceBank_Label = nullptr;
    LookupComboBox* Service_RxDBLC = nullptr;
    LookupComboBox* Post_RxDBLC = nullptr;
    QLabel* Post_Label = nullptr;
    QLineEdit* Volume_E = nullptr;
    QLineEdit* Tariff_E = nullptr;
    QPushButton* SpravTariff_BBtn = nullptr;
    QLineEdit* SummaService_E = nullptr;
    QPushButton* Summa_BBtn = nullptr;
    QLineEdit* SummaServiceWOBenefit_E = nullptr;
    QPushButton* CopySumm_BBtn = nullptr;
    QLineEdit* SummaServiceReg_E = nullptr;
    QLineEdit* SummaServiceWOBenefitReg_E = nullptr;
    LookupComboBox* TypeNach_RxDBLC = nullptr;
    QPushButton* SootvTypeNach_BBtn = nullptr;
    QPushButton* Save_BBtn = nullptr;
};
