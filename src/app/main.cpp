#include "AppInfo.h"
#include "InstanceGuard.h"
#include "Main.h"
#include "QtDialogs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // No display name: Qt would append it to every window's caption.
    QApplication::setApplicationName(u"orbelon"_s);
    // The desktop shows the installed menu entry's name and icon for the program's windows.
    QGuiApplication::setDesktopFileName(u"orbelon"_s);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    // Qt's own dialogs and buttons in Russian.
    QTranslator qtTranslator;
    if (qtTranslator.load(u"qtbase_ru"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QtDialogs dialogs(AppInfo::appTitle());
    Dialogs::install(&dialogs);

    InstanceGuard guard(AppInfo::instanceName());
    if (!guard.tryAcquire()) {
        dialogs.warning(u"Приложение \"Орбелон\" уже работает."_s);
        return 0;
    }

    TMain_Form mainForm;
    mainForm.show();
    const int rc = QApplication::exec();
    Dialogs::install(nullptr);
    return rc;
}
