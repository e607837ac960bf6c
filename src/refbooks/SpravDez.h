#pragma once

#include <QDialog>

class Database;
class DataGrid;
class QCheckBox;
class QToolButton;
class RecordSetModel;

/// "Справочник организаций": the organisations, and with editing allowed, adding,
/// changing and deleting them.
class TSpravDez_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TSpravDez_Form(Database& db, QWidget* parent = nullptr);

    void Edit_CBClick();
    void Add_BBtnClick();
    void Edit_BBtnClick();
    void Delete_BBtnClick();

private:
    void reload();

    Database& m_db;
    RecordSetModel* m_model;
    DataGrid* Dez_DBG;
    QCheckBox* Edit_CB;
    QToolButton* Add_BBtn;
    QToolButton* Edit_BBtn;
    QToolButton* Delete_BBtn;
};
