#pragma once

#include <QStandardPaths>
#include <QString>

#include <stdexcept>

/// The user's standard folders, where the program keeps its files.
namespace SysFolders {

/// The folder cannot be named; the message is the one the operator sees.
class FolderError : public std::runtime_error
{
public:
    explicit FolderError(const QString& message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

/// Path of a standard folder with a trailing "/", not created. Throws FolderError with
/// "Не найдена системная папка или заданный путь ошибочен." when the system does not
/// know the folder, "Отсутствует путь к системной папке." when its path is blank.
QString GetSpecialFolder(QStandardPaths::StandardLocation id);

/// The user's documents folder, with a trailing "/"; throws as GetSpecialFolder.
QString GetDocumentsFolder();

/// The program's folder for exchange and spreadsheet files: <documents>/Орбелон/Файлы/.
QString FilesFolder();
/// The program's folder for user data backups: <documents>/Орбелон/Данные пользователя/.
QString UserDataFolder();

} // namespace SysFolders
