// orbelon-files: checks, converts, recalculates and sums up the three exchange files of a
// statement and writes its receipts and acts from the command line, with the program's own
// import, checks, export and reports, on a private copy of the working database.
// `orbelon-files --help` tells how.

#include "FilesTool.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include <memory>

int main(int argc, char** argv)
{
    // A PDF is laid out with the system's fonts, which need a GUI application; the tool
    // shows no window, so it needs no display either. The other commands stay plain.
    // Receipts and acts are always PDFs.
    bool pdf = argc > 1 && (QByteArray(argv[1]) == "receipts" || QByteArray(argv[1]) == "acts");
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--")
            break;
        if (argument == "--pdf" || argument.startsWith("--pdf="))
            pdf = true;
    }
    if (pdf && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app =
        pdf ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    FilesTool tool(out, err);
    const int code = tool.run(QCoreApplication::arguments().mid(1), QDir::currentPath());
    out.flush();
    err.flush();
    return code;
}
