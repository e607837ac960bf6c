#pragma once

#include <QDialog>
#include <QString>
#include <QVariant>

class Database;
class DataGrid;
class QPushButton;
class RecordSetModel;

/// The chooser of a house from the book of BTI houses of one street, opened by the payer
/// editor to fill the address and the house's BTI code.
class TT1_SelectHousesBTI_Form : public QDialog
{
    Q_OBJECT

public:
    /// A house of the book, its numbers without surrounding blanks.
    struct House
    {
        QString houseId;
        QString houseNum;
        QString korpNum;
        QString stroenNum;
    };

    /// Lists the houses of the street with the BTI code `streetIdBti` (-1 lists none).
    TT1_SelectHousesBTI_Form(Database& db, const QVariant& streetIdBti, QWidget* parent = nullptr);

    /// Places the window's top-left corner at the lower-left corner of `anchor`.
    void placeBelow(QWidget* anchor);

    /// The house chosen with Select; all texts empty unless exec() returned Accepted.
    House chosenHouse() const { return m_chosen; }

private:
    void Select_BBtnClick();

    RecordSetModel* m_model;
    DataGrid* HousesBTI_RxDBG;
    QPushButton* Select_BBtn;
    House m_chosen;
};
