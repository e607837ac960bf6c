#pragma once

#include "RunGuardedDialog.h"

#include <QDate>

class Database;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

/// "Пересчет сумм": recalculates every charge and payer of the statement by the tariffs
/// of the period, once no charged service lacks a tariff.
class TPereschet_Form : public RunGuardedDialog
{
    Q_OBJECT

public:
    TPereschet_Form(Database& db, const QDate& period, QWidget* parent = nullptr);

    void Pereschet_BBtnClick();

private:
    class Progress;

    Database& m_db;
    QDate m_period;

    QLabel* GLOBAL_MES_OTCHET_Label;
    QLabel* SearchNULLTariff_Label;
    QListWidget* SearchNULLTariff_RxDBG;
    QProgressBar* ProgressBar;
    QPushButton* Pereschet_BBtn;
};
