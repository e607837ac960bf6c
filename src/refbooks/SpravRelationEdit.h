#pragma once

#include <QDialog>

class Database;
class QLineEdit;
class QPushButton;

/// The editor of one kinship term: a new term or the rename of a stored one. exec() returns
/// Accepted when the term was saved; closing it without Save drops the text unasked.
class TSpravRelationEdit_Form : public QDialog
{
    Q_OBJECT

public:
    /// Adds a term when `relationId` is 0, else renames the term with that key; `name`
    /// fills the box.
    TSpravRelationEdit_Form(Database& db, int relationId, const QString& name,
                            QWidget* parent = nullptr);

private:
    void Save_BBtnClick();

    Database& m_db;
    int m_relationId;
    QLineEdit* Relation_E;
    QPushButton* Save_BBtn;
};
