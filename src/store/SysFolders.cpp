#include "SysFolders.h"

using namespace Qt::Literals::StringLiterals;

namespace SysFolders {

FolderError::FolderError(const QString& message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

QString GetSpecialFolder(QStandardPaths::StandardLocation id)
{
    const QStringList paths = QStandardPaths::standardLocations(id);
    if (paths.isEmpty())
        throw FolderError(u"Не найдена системная папка или заданный путь ошибочен."_s);
    QString path = paths.first().trimmed();
    if (path.isEmpty())
        throw FolderError(u"Отсутствует путь к системной папке."_s);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString GetDocumentsFolder()
{
    return GetSpecialFolder(QStandardPaths::DocumentsLocation);
}

QString FilesFolder()
{
    return GetDocumentsFolder() + u"Орбелон/Файлы/"_s;
}

QString UserDataFolder()
{
    return GetDocumentsFolder() + u"Орбелон/Данные пользователя/"_s;
}

} // namespace SysFolders
