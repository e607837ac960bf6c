#pragma once

#include <QDialog>

class Database;
class QLabel;
class QPushButton;

/// "Сохранение данных пользователя": writes the reference data kept by hand into a user
/// data file and closes once it is written.
class TUserDataSave_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TUserDataSave_Form(Database& db, QWidget* parent = nullptr);

    void UserDataSave_BBtnClick();

private:
    Database& m_db;
    QLabel* Label1;
    QPushButton* UserDataSave_BBtn;
};

/// "Восстановление данных пользователя": brings the reference data of a user data file
/// into the working database and closes once they are in.
class TUserDataRestore_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TUserDataRestore_Form(Database& db, QWidget* parent = nullptr);

    void UserDataRestore_BBtnClick();

private:
    Database& m_db;
    QLabel* Label1;
    QPushButton* UserDataRestore_BBtn;
};
