#pragma once

#include "EditorMode.h"
#include "PayerRecord.h"
#include "RecordEditor.h"

#include <QVariantMap>

class Database;
class LookupComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct RunState;

/// The editor of one payer record (file I): creates a payer or changes one, checks every
/// field, refuses a second payer with the same code and account number, and remembers the
/// owner, district and street of the saved payer as defaults for the next new one.
class TT1_Form : public RecordEditor
{
    Q_OBJECT

public:
    /// A new record starts with one person and the defaults of `state`; its month is the
    /// accounting period.
    TT1_Form(Database& db, RunState& state, EditorMode mode, QWidget* parent = nullptr);

    /// Edit mode: fills every control from the payer row of the main window's list
    /// (RecordSet::rowValues) and notes the record's key and month, and its old names (for
    /// renaming its persons).
    void setPayer(const QVariantMap& payerRow);

    /// The record's key: the edited payer's, a new payer's after it was saved, 0 for a
    /// new payer not saved.
    int t1Id() const { return m_t1Id; }

protected:
    bool save() override;
    void closed() override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void layOutControls();
    void loadLookups();
    void presetNewPayer();
    PayerFields collect() const;
    PayerNames names() const;

    void DezVlad_RxDBLCChange();
    void Street_RxDBLCChange();
    void HousesBTI_BBtnClick();
    void EnableEditBTI_CBClick(bool checked);

    Database& m_db;
    RunState& m_state;
    const EditorMode m_mode;
    int m_t1Id = 0;
    QDate m_mes;
    PayerNames m_oldNames;
    bool m_filling = false;
    bool m_shown = false;

    QLabel* GLOBAL_MES_OTCHET_Label;
    QLabel* Mes_Label;
    LookupComboBox* DezVlad_RxDBLC;
    QLabel* DezVladID_Label;
    QLineEdit* Name1_E;
    QLineEdit* Name2_E;
    QLineEdit* Name3_E;
    QLineEdit* ENumlsID_E;
    QLineEdit* Numls_E;
    LookupComboBox* MO_RxDBLC;
    LookupComboBox* Street_RxDBLC;
    QLabel* Street_Label;
    QPushButton* HousesBTI_BBtn;
    QLineEdit* HouseNum_E;
    QLineEdit* KorpNum_E;
    QLineEdit* StroenNum_E;
    QLineEdit* FlatNum_E;
    QLineEdit* HouseID_BTI_E;
    QLineEdit* FlatID_BTI_E;
    QCheckBox* EnableEditBTI_CB;
    LookupComboBox* TypeOwn_RxDBLC;
    LookupComboBox* TypeOccupancy_RxDBLC;
    QLineEdit* SquareTotal_E;
    QLineEdit* SquareLive_E;
    LookupComboBox* TypeLock_RxDBLC;
    LookupComboBox* TypeStove_RxDBLC;
    QLineEdit* ColMesDebts_E;
    QLabel* PplCntReg_Label;
    QLabel* SummaFull_Label;
    QLabel* SummaWOBenefit_Label;
    QLabel* SummaFullReg_Label;
    QLabel* SummaWOBenefitReg_Label;
    QPushButton* Save_BBtn;
};
