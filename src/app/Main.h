#pragma once

#include "Database.h"
#include "RunState.h"

#include <QMainWindow>
#include <QPointer>

class DataGrid;
class LookupComboBox;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSpinBox;
class QToolButton;
class RecordSetModel;
class TSearch_Form;
class TT1_TotalSumContext_Form;

/// The main window: owns the run's one database connection and its state, shows the
/// statement being prepared as three lists (payers, and the charges and persons of the
/// current payer) with their commands, and holds the menu.
class TMain_Form : public QMainWindow
{
    Q_OBJECT

public:
    struct Options
    {
        /// Interval of the greeting's timer; it closes on the third tick.
        int greetingTickMs = 1500;
        /// Folder below which Base/Dude.b is looked for; empty = the current directory.
        QString workingDirectory;
    };

    explicit TMain_Form(const Options& options, QWidget* parent = nullptr);
    explicit TMain_Form(QWidget* parent = nullptr);
    ~TMain_Form() override;

    RunState& state() { return m_state; }
    Database& database() { return m_db; }
    QDate accountingPeriod() const { return m_state.accountingPeriod; }

    /// Empties the three working tables in one transaction; on failure tells the operator
    /// and returns false, the tables as they were.
    bool ClearWorkingTables();
    /// Notes the key of the current row of each list (0 for an empty list).
    void RememberListPositions();
    /// Re-reads the three lists keeping their sorts, returns to the remembered rows and
    /// rewrites the counts.
    void ReloadLists();

    /// True once start-up has run to its end with the database open.
    bool isStartedUp() const { return m_startedUp; }

Q_SIGNALS:
    /// Start-up finished: the database is open, or the window is closing without it.
    void startUpFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Start-up and exit (Main.cpp).
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void SetupLayout();
    void Dez_RxDBLCCloseUp();
    void Sprav_DezClick();
    void Sprav_StreetClick();
    void PereschetClick();
    void ReplaceClick();
    void SearchClick();
    void Mes_CBChange();
    void Year_RxSEChange();
    void AboutClick();

    // Lists and their commands (MainLists.cpp).
    void buildLists(QWidget* central);
    void openLists();
    void payerMoved();
    void updateCounts();
    void NewT1_BBtnClick();
    void EditT1_BBtnClick();
    void DeleteT1_BBtnClick();
    void NewT2_BBtnClick();
    void EditT2_BBtnClick();
    void DeleteT2_BBtnClick();
    void NewT3_BBtnClick();
    void EditT3_BBtnClick();
    void DeleteT3_BBtnClick();
    void TotalSumContext_BBtnClick();
    bool offerMissingRelation();
    QVariant payerValue(const QString& field) const;

    // Menu and file commands (MainMenu.cpp).
    void buildMenu();
    void New_FileClick();
    void Open_FileClick();
    void Save_FileClick();
    void showLoadedStatement(const QVariant& organisation);
    /// Makes the record of an error row current (its payer first) and opens its editor;
    /// a record that is not stored any more only gets a beep.
    void openRecord(int file, qint64 number);

    Options m_options;
    Database m_db;
    RunState m_state;
    bool m_exitWithoutQuestion = false;
    bool m_shownOnce = false;
    bool m_startedUp = false;
    QVariant m_detailT1Id;      ///< the payer the detail lists were read for
    bool m_detailsValid = false;

    LookupComboBox* Dez_RxDBLC;
    QComboBox* Mes_CB;
    QSpinBox* Year_RxSE;

    RecordSetModel* T1_ADOQ;
    RecordSetModel* T2_ADOQ;
    RecordSetModel* T3_ADOQ;
    DataGrid* T1_DBG;
    DataGrid* T2_DBG;
    DataGrid* T3_DBG;
    QLabel* ColT1_Label;
    QLabel* ColT2_Label;
    QLabel* ColT3_Label;
    QToolButton* NewT1_BBtn;
    QToolButton* EditT1_BBtn;
    QToolButton* DeleteT1_BBtn;
    QToolButton* TotalSumContext_BBtn;
    QToolButton* NewT2_BBtn;
    QToolButton* EditT2_BBtn;
    QToolButton* DeleteT2_BBtn;
    QToolButton* NewT3_BBtn;
    QToolButton* EditT3_BBtn;
    QToolButton* DeleteT3_BBtn;

    TT1_TotalSumContext_Form* m_totalsForm = nullptr;
    QPointer<TSearch_Form> m_searchForm;

    QAction* New_File;
    QAction* Open_File;
    QAction* Save_File;
    QAction* Exit_Programm;
    QAction* About;
};
