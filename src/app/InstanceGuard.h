#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

/// Keeps a second copy of the program from running beside the first. The marker is a
/// lock file; a lock left behind by a copy that crashed is taken over, so a crash
/// never blocks the next start.
class InstanceGuard
{
public:
    /// `directory` holds the lock file; empty means the user's runtime folder.
    explicit InstanceGuard(const QString& name, const QString& directory = {});
    ~InstanceGuard();

    /// True when this process now holds the marker; false when another live copy does.
    bool tryAcquire();
    void release();
    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
