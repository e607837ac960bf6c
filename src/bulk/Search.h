#pragma once

#include <QDialog>

class DataGrid;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct RunState;

/// "Поиск": finds a payer in the main window's payer list by the beginnings of the name's
/// parts or of the personal account and makes it the list's current row. Not modal: it
/// stays on top while the operator goes on working in the main window, and is destroyed
/// when it closes, leaving its criteria in the run's state for the next time.
class TSearch_Form : public QDialog
{
    Q_OBJECT

public:
    TSearch_Form(RunState& state, DataGrid* payers, QWidget* parent = nullptr);

    void SearchFIOFirst_BBtnClick();
    void SearchFIOLast_BBtnClick();

    void done(int result) override;

private:
    void search(bool fromStart);

    RunState& m_state;
    DataGrid* m_payers;

    QLabel* Label1;
    QRadioButton* FIO_RB;
    QLineEdit* Name1_E;
    QLineEdit* Name2_E;
    QLineEdit* Name3_E;
    QRadioButton* Numls_RB;
    QLineEdit* Numls_E;
    QPushButton* SearchFIOFirst_BBtn;
    QPushButton* SearchFIOLast_BBtn;
};
