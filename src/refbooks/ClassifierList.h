#pragma once

#include <QDialog>

class Database;
class DataGrid;
class RecordSetModel;

/// A classifier shown for reference: a heading over a read-only list of codes and names.
/// The forms of ownership, the types of occupancy and the municipal districts are each
/// one of these.
class ClassifierList : public QDialog
{
    Q_OBJECT

protected:
    struct Layout
    {
        const char* windowName; ///< objectName of the window
        QString caption;
        QString heading;
        const char* queryName; ///< objectName of the list's query
        const char* gridName;
        QString sql; ///< code, then name, in code order
        QString codeField;
        QString nameField;
        bool sortsByTitle = false;
    };

    ClassifierList(Database& db, const Layout& layout, QWidget* parent);

    RecordSetModel* m_rows;
    DataGrid* m_grid;
};
