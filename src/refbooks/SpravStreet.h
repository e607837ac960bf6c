#pragma once

#include <QDialog>
#include <QSet>

class Database;
class DataGrid;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class RecordSetModel;

/// "Справочник улиц": the streets of the book the organisation does not serve (left,
/// found by any part of the name and marked) and those it serves (right), and the moves
/// between them.
class TSpravStreet_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TSpravStreet_Form(Database& db, QWidget* parent = nullptr);

    int markedCount() const { return int(m_marked.size()); }
    bool isMarked(int streetId) const { return m_marked.contains(streetId); }

    void Search_BBtnClick();
    void StreetAll_DBGDblClick();
    void SelectAll_BBtnClick();
    void UnselectAll_BBtnClick();
    void Insert_BBtnClick();
    void Delete_BBtnClick();
    void DeleteAll_BBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildAvailable();
    void refreshServed();
    void markingChanged();

    Database& m_db;
    RecordSetModel* m_available;
    RecordSetModel* m_served;
    /// The pattern in force for every rebuild of the left list.
    QString m_pattern;
    /// The marks of the left list: codes of the streets to move.
    QSet<int> m_marked;

    QLineEdit* Search_E;
    QToolButton* Search_BBtn;
    DataGrid* StreetAll_DBG;
    QPushButton* SelectAll_BBtn;
    QPushButton* UnselectAll_BBtn;
    QToolButton* Insert_BBtn;
    QToolButton* Delete_BBtn;
    DataGrid* Street_DBG;
    QPushButton* DeleteAll_BBtn;
    QLabel* Street_Label;
    QLabel* StreetAll_Label;
};
