#pragma once

#include "Decimal.h"
#include "EditorMode.h"
#include "RecordEditor.h"

#include <QVariantMap>

class Database;
class LookupComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct PersonFields;
struct RunState;

/// The person editor: creates or changes one person counted in the charges of a payer.
class TT3_Form : public RecordEditor
{
    Q_OBJECT

public:
    /// payerRow: the main window's current payer row (RecordSet::rowValues): T1_ID, Mes, Numls,
    /// ENumlsID, Name1..3, SquareTotal (units, scale 2) and the rest. New mode: record month =
    /// state.accountingPeriod, and when the payer has no persons yet the three name boxes are
    /// preset with the payer's names; edit mode: the payer's Mes.
    TT3_Form(Database& db, RunState& state, EditorMode mode, const QVariantMap& payerRow,
             QWidget* parent = nullptr);
    /// Edit mode: the person row of the person list (T1_ID, T3_ID, NumberPeople, names, SNILS,
    /// BirthDate, Sex, Relation, RelationOwnID, SquareShare, TypeRegID, DateRegStart,
    /// DateRegEnd, PrFactLiveID ...): fills every control as the main window's Edit person
    /// command does (dates "dd.mm.yyyy", empty when NULL; relation chosen by its name).
    void setPerson(const QVariantMap& personRow);
    /// The person's key after closing (the new key after an insert); 0 for a new person
    /// that was not saved.
    int t3Id() const { return m_t3Id; }

protected:
    bool save() override;
    void closed() override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void layOut();
    void loadLookups();
    PersonFields collect() const;
    void protectPayerNames();

    void TypeReg_RxDBLCChange();
    void RelationOwn_RxDBLCChange();
    void SquareShare_EExit();
    void dateBoxExit(QLineEdit* box);

    Database& m_db;
    RunState& m_state;
    EditorMode m_mode;
    QVariantMap m_payer;
    Decimal m_squareTotal;
    int m_t1Id = 0;
    int m_t3Id = 0;
    int m_numberPeople = 0;
    /// What the share box held before "no share of the property" forced it to zero.
    QString m_savedShare;
    bool m_shareForced = false;
    bool m_shown = false;

    QLabel* GLOBAL_MES_OTCHET_Label = nullptr;
    QLabel* Mes_Label = nullptr;
    QLabel* Numls_Label = nullptr;
    QLabel* ENumlsID_Label = nullptr;
    QLabel* FIO_Label = nullptr;
    QLabel* SquareTotal_Label = nullptr;
    QLineEdit* Name1_E = nullptr;
    QLineEdit* Name2_E = nullptr;
    QLineEdit* Name3_E = nullptr;
    QLineEdit* SNILS_ME = nullptr;
    QLineEdit* BirthDate_ME = nullptr;
    LookupComboBox* Sex_RxDBLC = nullptr;
    LookupComboBox* TypeReg_RxDBLC = nullptr;
    QLineEdit* DateRegStart_ME = nullptr;
    QLineEdit* DateRegEnd_ME = nullptr;
    LookupComboBox* PrFactLive_RxDBLC = nullptr;
    LookupComboBox* Relation_RxDBLC = nullptr;
    LookupComboBox* RelationOwn_RxDBLC = nullptr;
    QLineEdit* SquareShare_E = nullptr;
    QPushButton* Save_BBtn = nullptr;
};
