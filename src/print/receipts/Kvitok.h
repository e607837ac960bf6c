#pragma once

#include "Receipts.h"
#include "RunGuardedDialog.h"

#include <QDate>
#include <QPrinterInfo>

#include <optional>

class Database;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

/// "Печать извещений": the payment notices of every flat of a house, or of a range of
/// flats of a house, two to a sheet on the default printer; a single flat's notice is shown
/// in the preview. Without a printer a house's notices go into one PDF.
class TKvitok_Form : public RunGuardedDialog
{
    Q_OBJECT

public:
    TKvitok_Form(Database& db, const QVariant& dezId, const QDate& period,
                 QWidget* parent = nullptr);

    /// The printer to use instead of the default one; a null printer stands for none
    /// installed.
    void setPrinter(const QPrinterInfo& printer) { m_printer = printer; }

    void PrintAll_BBtnClick();
    void PrintOne_BBtnClick();
    void Stop_BBtnClick();

private:
    /// Re-reads the houses of the street chosen in `streets` into `houses`, at its first.
    void readHouses(QComboBox* streets, QComboBox* houses, QList<Receipts::House>& list);
    /// Re-reads the flats of the lower frame's house into both flat boxes, at their first.
    void readFlats();
    QString documentTitle(const QComboBox* streets, const QComboBox* houses) const;
    /// Sends the receipts of `payers`; a waiting single one is previewed when `preview`.
    void printReceipts(const QList<qint64>& payers, const QString& title, bool preview,
                       bool counted);
    void setControlsEnabled(bool enabled);
    void readFailed(const QString& error);

    Database& m_db;
    QDate m_period;
    Receipts::Organisation m_organisation;
    std::optional<QPrinterInfo> m_printer;
    bool m_stop = false;

    QList<Receipts::Street> m_streets;
    QList<Receipts::House> m_houses;
    QList<Receipts::House> m_housesKv;
    QList<Receipts::Flat> m_flatsKv;

    QLabel* Label2;
    QLabel* Dez_Label;
    QWidget* House_Frame;
    QComboBox* Streets_RxDBLC;
    QComboBox* Houses_RxDBLC;
    QPushButton* PrintAll_BBtn;
    QWidget* Stat_Panel;
    QLabel* Count_Label;
    QPushButton* Stop_BBtn;
    QWidget* Flat_Frame;
    QComboBox* StreetsKv_RxDBLC;
    QComboBox* HousesKv_RxDBLC;
    QComboBox* FlatFirst_RxDBLC;
    QComboBox* FlatLast_RxDBLC;
    QPushButton* PrintOne_BBtn;
};
