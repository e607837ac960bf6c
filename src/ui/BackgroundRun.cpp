#include "BackgroundRun.h"

#include "Database.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

namespace BackgroundRun {

bool run(const Database& db, const std::function<void(Database&)>& work, QString* error)
{
    const QString path = db.filePath();
    bool opened = false;
    QString reason;
    QEventLoop loop;
    // A connection belongs to the thread that opens it, so it is opened and closed there.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        Database own;
        opened = own.open(path);
        if (!opened) {
            reason = own.errorString();
            return;
        }
        work(own);
        own.close();
    }));
    // Queued behind whatever the work posted, so all of it has been handled when the
    // loop ends.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    if (!opened && error)
        *error = reason;
    return opened;
}

} // namespace BackgroundRun
