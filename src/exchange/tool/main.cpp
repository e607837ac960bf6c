// orbelon-files: checks, converts and sums up the three exchange files of a statement
// from the command line, with the program's own import, checks and export, on a private
// copy of the working database. `orbelon-files --help` tells how.

#include "FilesTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    FilesTool tool(out, err);
    const int code = tool.run(app.arguments().mid(1), QDir::currentPath());
    out.flush();
    err.flush();
    return code;
}
