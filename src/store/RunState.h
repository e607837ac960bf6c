#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

/// What the main window keeps for one run of the program: the month and organisation
/// of the statement, the defaults of the next new payer, the exchange files last used,
/// the last search and the remembered rows of the three lists. Held in memory only.
struct RunState
{
    /// First day of the month the statement is made for.
    QDate accountingPeriod = QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    /// Current organisation (Sprav_Dez.DezID); null while none is chosen.
    QVariant dezId;

    // Defaults of the next new payer, taken from the payer saved last; -1 = none.
    int lastDezVladId = -1;
    int lastMo = -1;
    int lastStreetIdBti = -1;

    QString fileNameT1;
    QString fileNameT2;
    QString fileNameT3;

    // The search window's last criteria.
    QString searchName1;
    QString searchName2;
    QString searchName3;
    QString searchNumls;
    bool searchByName = true;

    // Remembered list positions; 0 = the list was empty.
    int posT1Id = 0;
    int posT2T1Id = 0;
    int posT2Id = 0;
    int posT3T1Id = 0;
    int posT3Id = 0;

    /// Forget the defaults of the next new payer.
    void resetPayerDefaults()
    {
        lastDezVladId = -1;
        lastMo = -1;
        lastStreetIdBti = -1;
    }
    void clearFileNames()
    {
        fileNameT1.clear();
        fileNameT2.clear();
        fileNameT3.clear();
    }
};
