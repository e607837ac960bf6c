#pragma once

#include "ActReports.h"

#include <QDialog>

class Database;
class QPushButton;
class QVBoxLayout;

/// A window of report buttons: each prepares its report over the working statement and
/// shows it in the preview, once an organisation is chosen.
class ActButtonsDialog : public QDialog
{
    Q_OBJECT

public:
    ActButtonsDialog(Database& db, const Acts::Heading& heading, QWidget* parent = nullptr);

    /// Prepares the report and shows it in the preview; tells the operator why when it
    /// cannot.
    void showReport(Acts::Kind kind);

protected:
    QPushButton* addButton(const char* name, const QString& text, Acts::Kind kind);
    /// Ends the window's layout with Close.
    void finishLayout();

private:
    Database& m_db;
    Acts::Heading m_heading;
    QVBoxLayout* m_layout;
};

/// "Сводные данные": the acts per service, per service within each house and each flat,
/// and the summary of the entered data.
class TActs_Form : public ActButtonsDialog
{
    Q_OBJECT

public:
    TActs_Form(Database& db, const Acts::Heading& heading, QWidget* parent = nullptr);
};

/// "Печать списка лиц, представленных в файле": the list of payers, and of the payers with
/// the persons living with them.
class TPrintSpisok_Form : public ActButtonsDialog
{
    Q_OBJECT

public:
    TPrintSpisok_Form(Database& db, const Acts::Heading& heading, QWidget* parent = nullptr);
};
