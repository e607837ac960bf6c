#include "InstanceGuard.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

InstanceGuard::InstanceGuard(const QString& name, const QString& directory)
{
    QString dir = directory;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    m_path = QDir(dir).filePath(name + u".lock"_s);
}

InstanceGuard::~InstanceGuard()
{
    release();
}

bool InstanceGuard::tryAcquire()
{
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(m_path);
    // A live holder is never stale, however long it runs.
    m_lock->setStaleLockTime(0);
    // tryLock() takes over a lock file whose process is no longer running.
    if (m_lock->tryLock(0))
        return true;
    m_lock.reset();
    return false;
}

void InstanceGuard::release()
{
    if (m_lock) {
        m_lock->unlock();
        m_lock.reset();
    }
}
