#pragma once

#include <QDate>
#include <QDialog>
#include <QVariantList>

class Database;
class DataGrid;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class RecordSetModel;

/// "Ставки/Тарифы на услуги ": every service variant of the catalogue with the tariff in
/// force in the month chosen, and from there the periods of one variant.
class TTariffBank_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TTariffBank_Form(Database& db, QWidget* parent = nullptr);

    /// The first day of the month shown.
    QDate shownMonth() const;
    void TariffEdit_BBtnClick();

private:
    void readList();

    Database& m_db;
    RecordSetModel* m_model;
    QComboBox* Month_CB;
    QSpinBox* Year_RxSE;
    DataGrid* Tariff_DBG;
    QLabel* ColServices_Label;
    QPushButton* TariffEdit_BBtn;
};
