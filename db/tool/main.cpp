// orbelon-db: builds the working database of Orbelon from the SQL sources.
//
//   orbelon-db [--source DIR] TARGET
//
// TARGET is usually <working folder>/Base/Dude.b. An existing file is never touched.

#include "DbBuilder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    QTextStream out(stdout);
    QString source = DbBuilder::defaultSourceDir();
    if (args.size() >= 2 && args[0] == u"--source"_s) {
        source = args[1];
        args = args.mid(2);
    }
    if (args.size() != 1 || args[0].startsWith(u'-')) {
        err << "usage: orbelon-db [--source DIR] TARGET\n";
        return 2;
    }
    const QString target = args[0];
    if (QFileInfo::exists(target)) {
        err << "orbelon-db: " << target << " already exists; left as it is\n";
        return 3;
    }
    QString error;
    if (!DbBuilder::build(source, target, &error)) {
        err << "orbelon-db: " << error << '\n';
        return 1;
    }
    out << "orbelon-db: created " << QFileInfo(target).absoluteFilePath() << '\n';
    return 0;
}
