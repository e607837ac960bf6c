#pragma once

#include <QDialog>
#include <QSet>

class Database;
class DataGrid;
class QLabel;
class QToolButton;
class RecordSetModel;

/// "Справочник услуг": the catalogue's services the organisation does not provide (left,
/// marked by a double click or the space bar) and those it provides (right), and the
/// moves between them.
class TSpravServices_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TSpravServices_Form(Database& db, QWidget* parent = nullptr);

    /// Rows marked in the left list.
    int markedCount() const { return int(m_marked.size()); }
    bool isMarked(int serviceId) const { return m_marked.contains(serviceId); }

    void ServiceAll_DBGDblClick();
    void Select_BBtnClick();
    void UnSelect_BBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildAvailable();
    void refreshProvided();

    Database& m_db;
    RecordSetModel* m_available;
    RecordSetModel* m_provided;
    /// The marks of the left list: codes of the services to move. They live in the
    /// window only; nothing is written before Select.
    QSet<int> m_marked;

    DataGrid* ServiceAll_DBG;
    DataGrid* Service_DBG;
    QToolButton* Select_BBtn;
    QToolButton* UnSelect_BBtn;
    QLabel* Service_Label;
    QLabel* ServiceAll_Label;
};
