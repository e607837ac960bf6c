#pragma once

#include "RecordEditor.h"

class Database;
class QLineEdit;
class QPushButton;

/// "Редактирование справочника организаций ": adds an organisation or changes one,
/// code included.
class TSpravDezEdit_Form : public RecordEditor
{
    Q_OBJECT

public:
    enum class Mode
    {
        Add,
        Edit
    };

    /// Edit mode: `code` is the organisation's code as it stands; fill the boxes with
    /// setFields. New mode: code 0 and empty boxes.
    TSpravDezEdit_Form(Database& db, Mode mode, int code = 0, QWidget* parent = nullptr);

    void setFields(const QString& code, const QString& name, const QString& surname,
                   const QString& firstName, const QString& patronymic);

protected:
    bool save() override;

private:
    Database& m_db;
    Mode m_mode;
    int m_code;

    QLineEdit* DezID_E;
    QLineEdit* DezName_E;
    QLineEdit* BName1_E;
    QLineEdit* BName2_E;
    QLineEdit* BName3_E;
    QPushButton* Save_BBtn;
};
