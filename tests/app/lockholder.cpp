// Holds the single-instance marker in the folder given as its argument, says so on
// standard output and waits to be killed: a running copy of the program, for tests.
#include "InstanceGuard.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return 2;
    InstanceGuard guard(u"ORBELON_memfile"_s, app.arguments().at(1));
    std::puts(guard.tryAcquire() ? "locked" : "refused");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
