#pragma once

#include "Exporter.h"
#include "RunGuardedDialog.h"
#include <QString>
#include <QVariant>

class Database;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class ErrorList;
class QToolButton;
class QWidget;
struct RunState;

/// "Сохранение редактируемой информации": checks the statement of the working tables and
/// writes it into exchange files I, II and III, listing what the checks found. Hands back
/// the three names in RunState::fileNameT1..T3 once the files are created.
class TSaveFile_Form : public RunGuardedDialog
{
    Q_OBJECT

public:
    /// organisation: the main window's current organisation (DezID) and the name it shows.
    TSaveFile_Form(Database& db, RunState& state, const QVariant& organisation,
                   const QString& organisationName, QWidget* parent = nullptr);
    ~TSaveFile_Form() override;

Q_SIGNALS:
    /// A double click or Enter on an error row: the record of file 1..3 with that number.
    /// Not sent while the run goes on.
    void recordRequested(int file, qint64 number);

private:
    class Progress;

    void proposeNames();
    void SvedPotreb_FEChange();
    void SvedPotreb_BtnClick();
    void SaveFile_BBtnClick();
    void PrintSvodnVed_BBtnClick();
    void ExportErrorToExel_BBbnClick();
    void writeExchangeFiles();
    bool checkBeforeExport();
    void resetResults();
    void setInputsEnabled(bool enabled);
    int filledErrorRows() const;

    Database& m_db;
    RunState& m_state;
    QVariant m_organisation;
    /// Shown on the summary statement, which the print button will produce.
    QString m_organisationName;
    /// The last run's checks all passed: the summary statement may be printed.
    bool m_summaryAllowed = false;
    /// The files the summary statement names: those of the last run whose checks passed.
    Exchange::ExchangeFileNames m_summaryNames;
    bool m_derivingNames = false;

    QLineEdit* SvedPotreb_FE;
    QToolButton* SvedPotreb_Btn;
    QLineEdit* SvedNach_FE;
    QLineEdit* SvedPotrebRelations_FE;
    QPushButton* SaveFile_BBtn;
    QLabel* ColSvedPotreb_Label;
    QLabel* ColSvedNach_Label;
    QLabel* ColSvedPotrebRelations_Label;
    QLabel* ErrorCount_Label;
    QWidget* Warning_Panel;
    QPushButton* PrintSvodnVed_BBtn;
    QToolButton* ExportErrorToExel_BBbn;
    ErrorList* Error_SG;
    QProgressBar* SaveFile_ProgressBar;
};
