#pragma once

#include "RunGuardedDialog.h"
#include <QVariant>

class Database;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class ErrorList;
class QToolButton;
struct RunState;

/// "Новые файлы для редактирования": loads a statement from exchange files I, II and III
/// into the working tables, replacing what they held, and lists what it found wrong.
class TOpenFile_Form : public RunGuardedDialog
{
    Q_OBJECT

public:
    TOpenFile_Form(Database& db, RunState& state, QWidget* parent = nullptr);
    ~TOpenFile_Form() override;

    /// DezID of the last file-I line whose organisation field converted; null when none.
    QVariant lastOrganisation() const;

Q_SIGNALS:
    /// A double click or Enter on an error row: the record of file 1..3 with that number.
    /// Not sent while the run goes on.
    void recordRequested(int file, qint64 number);
    /// A run has replaced the working statement (or emptied it); `organisation` is the
    /// DezID its payer file named last, null when none.
    void statementReplaced(const QVariant& organisation);

private:
    class Progress;

    void SvedPotreb_FEChange();
    void OpenFile_BBtnClick();
    void ExportErrorToExel_BBbnClick();
    void browse(QLineEdit* edit);
    void resetResults();
    void setInputsEnabled(bool enabled);
    int filledErrorRows() const;

    Database& m_db;
    RunState& m_state;
    QVariant m_lastOrganisation;
    QString m_payersFolder;
    QString m_detailsFolder;

    QLineEdit* SvedPotreb_FE;
    QLineEdit* SvedNach_FE;
    QLineEdit* SvedPotrebRelations_FE;
    QToolButton* SvedPotreb_Btn;
    QToolButton* SvedNach_Btn;
    QToolButton* SvedPotrebRelations_Btn;
    QPushButton* OpenFile_BBtn;
    QLabel* ColSvedPotreb_Label;
    QLabel* ColSvedNach_Label;
    QLabel* ColSvedPotrebRelations_Label;
    QLabel* Number1_Label;
    QLabel* Number2_Label;
    QLabel* Number3_Label;
    QLabel* SaveNumber1_Label;
    QLabel* SaveNumber2_Label;
    QLabel* SaveNumber3_Label;
    QLabel* DateFile_Label;
    QLabel* DezID_Label;
    QLabel* ErrorCount_Label;
    ErrorList* Error_SG;
    QToolButton* ExportErrorToExel_BBbn;
    QProgressBar* OpenFile_ProgressBar;
};
