#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class Database;

/// Work on a whole statement (an import, the checks, an export) that runs on a thread of
/// its own with its own connection to the working database, while the window's thread
/// keeps painting and taking messages.
namespace BackgroundRun {

/// Runs `work` with a connection of its own to the file of `db` and returns once it is
/// done and everything it posted (see post()) has been handled. Returns false, with the
/// driver's reason in `error`, when that connection cannot be opened; `work` then does not
/// run. The caller disables what must not run meanwhile and refuses to close.
bool run(const Database& db, const std::function<void(Database&)>& work, QString* error);

/// Has `show(*receiver)` run on the thread of `receiver`, after everything posted to it
/// before. The receiver must outlive the run (a window that refuses to close meanwhile).
template <typename T, typename F> void post(T* receiver, F&& show)
{
    QMetaObject::invokeMethod(
        receiver, [receiver, show = std::forward<F>(show)] { show(*receiver); },
        Qt::QueuedConnection);
}

} // namespace BackgroundRun
