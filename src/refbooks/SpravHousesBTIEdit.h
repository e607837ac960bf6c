#pragma once

#include "HouseBook.h"
#include "RecordEditor.h"

class Database;
class QLabel;
class QLineEdit;
class QPushButton;

/// "Редактирование справочника кодов БТИ": adds a house to a street of the house book, or
/// changes one, with its BTI house code.
class TSpravHousesBTIEdit_Form : public RecordEditor
{
    Q_OBJECT

public:
    enum class Mode
    {
        Add,
        Edit
    };

    /// The house goes on `street`, named `streetName` above the boxes. Edit mode:
    /// `houseId` is the house's ID; fill the boxes with setFields. Add mode: empty boxes.
    TSpravHousesBTIEdit_Form(Database& db, Mode mode, const RefBooks::HouseStreet& street,
                             const QString& streetName, int houseId = 0, QWidget* parent = nullptr);

    /// Fills the boxes with the house as stored; the record counts as unchanged.
    void setFields(const RefBooks::HouseFields& fields);
    Mode mode() const { return m_mode; }

protected:
    bool save() override;

private:
    Database& m_db;
    Mode m_mode;
    RefBooks::HouseStreet m_street;
    int m_houseId;

    QLabel* StreetName_Label;
    QLineEdit* HouseNum_E;
    QLineEdit* KorpNum_E;
    QLineEdit* StroenNum_E;
    QLineEdit* HouseID_BTI_E;
    QPushButton* Save_BBtn;
};
