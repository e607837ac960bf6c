#pragma once

#include <QDialog>

class Database;
class DataGrid;
class QToolButton;
class RecordSetModel;

/// The book of kinship terms with respect to the payer: the list in name order and the
/// commands that add, rename and delete a term, each in the term editor or after a question.
class TSpravRelation_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TSpravRelation_Form(Database& db, QWidget* parent = nullptr);

private:
    void Add_BBtnClick();
    void Edit_BBtnClick();
    void Delete_BBtnClick();
    /// Opens the term editor modally; the list is read again afterwards, saved or not.
    void editTerm(int relationId, const QString& name);
    void rereadList();

    Database& m_db;
    RecordSetModel* Relation_ADOQ;
    DataGrid* Relation_RxDBG;
    QToolButton* Add_BBtn;
    QToolButton* Edit_BBtn;
    QToolButton* Delete_BBtn;
};
