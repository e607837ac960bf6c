#pragma once

#include <QDate>
#include <QDialog>

class Database;
class LookupComboBox;
class QCheckBox;
class QPushButton;

/// "Замена / Добавление / Удаление данных": changes one kind of value in every payer or
/// every charge of the statement at once.
class TZamena_Form : public QDialog
{
    Q_OBJECT

public:
    TZamena_Form(Database& db, const QDate& period, QWidget* parent = nullptr);

    void T1DezVlad_BBtnClick();
    void T1HouseBTI_BBtnClick();
    void T1TotalSum_BBtnClick();
    void T2ServiceAdd_BBtnClick();
    void T2ServiceChange_BBtnClick();
    void T2ServiceDel_BBtnClick();
    void T2SumService_BBtnClick();
    void T2TypeNach_BBtnClick();

private:
    void reloadServices();

    Database& m_db;
    QDate m_period;

    LookupComboBox* DezVlad_RxDBLC;
    QCheckBox* DezVlad_CB;
    QPushButton* T1DezVlad_BBtn;
    QCheckBox* HouseBTI_CB;
    QPushButton* T1HouseBTI_BBtn;
    QPushButton* T1TotalSum_BBtn;

    LookupComboBox* ServiceAdd_RxDBLC;
    QPushButton* T2ServiceAdd_BBtn;
    LookupComboBox* ServiceChangeIN_RxDBLC;
    LookupComboBox* ServiceChangeOUT_RxDBLC;
    QPushButton* T2ServiceChange_BBtn;
    LookupComboBox* ServiceDel_RxDBLC;
    QPushButton* T2ServiceDel_BBtn;
    LookupComboBox* SumService_RxDBLC;
    QCheckBox* Tariff_CB;
    QCheckBox* Summa_CB;
    QPushButton* T2SumService_BBtn;
    QCheckBox* TypeNachNULL_CB;
    QCheckBox* TypeNach_CB;
    QPushButton* T2TypeNach_BBtn;
};
