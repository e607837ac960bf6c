#pragma once

#include <QDialog>
#include <QVariant>

class Database;
class DataGrid;
class QToolButton;
class RecordSetModel;

/// "Справочник соответствия адреса - данным в кодировке БТИ": the served streets that have
/// a BTI code and, for the current one, its houses with their BTI house codes, which are
/// added, changed and deleted here.
class TSpravHousesBTI_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TSpravHousesBTI_Form(Database& db, QWidget* parent = nullptr);

    void Add_BBtnClick();
    void Edit_BBtnClick();
    void Delete_BBtnClick();

private:
    /// Reads the houses of the current street, unless they are the ones shown.
    void streetMoved();
    /// Opens the editor modally on the current street; the houses are read again after.
    void editHouse(bool existing);
    void rereadHouses();

    Database& m_db;
    RecordSetModel* Streets_ADOQ;
    RecordSetModel* Houses_ADOQ;
    DataGrid* Streets_RxDBG;
    DataGrid* Houses_RxDBG;
    QToolButton* Add_BBtn;
    QToolButton* Edit_BBtn;
    QToolButton* Delete_BBtn;
    QVariant m_shownStreetBti; ///< the BTI code of the street whose houses are shown
};
