#pragma once

#include "Database.h"
#include "RunState.h"

#include <QMainWindow>

class DataGrid;
class LookupComboBox;
class QAction;
class QComboBox;
class QLabel;
class QSpinBox;

/// The main window: owns the run's one database connection and its state, shows the
/// statement being prepared as three lists, and holds the menu.
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
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void SetupLayout();
    void Dez_RxDBLCCloseUp();
    void Mes_CBChange();
    void Year_RxSEChange();
    void AboutClick();

    QWidget* buildListArea(const QString& title, DataGrid* grid, const QString& countCaption,
                           QLabel* countLabel);

    Options m_options;
    Database m_db;
    RunState m_state;
    bool m_exitWithoutQuestion = false;
    bool m_shownOnce = false;
    bool m_startedUp = false;

    LookupComboBox* Dez_RxDBLC;
    QComboBox* Mes_CB;
    QSpinBox* Year_RxSE;
    DataGrid* T1_DBG;
    DataGrid* T2_DBG;
    DataGrid* T3_DBG;
    QLabel* ColT1_Label;
    QLabel* ColT2_Label;
    QLabel* ColT3_Label;
    QAction* Exit_Programm;
    QAction* About;
};
