#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vistrel {

// The single-instance lock "VistrelPassWord", one per display: an exclusive lock on a file
// in the user's runtime folder (else the user's cache folder), released by the kernel when
// the process ends, so that a crashed instance never blocks the next start. A copy started
// with another environment (no XDG_RUNTIME_DIR, say) finds the running one too: the running
// copy also holds the lock in the other places such a start looks in, and each lock file
// names the folder of the copy's request socket.
class SingleInstance {
public:
    explicit SingleInstance(const QString& name = LockName());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another instance holds the lock.
    bool acquired() const { return m_acquired; }
    // Why the lock could not be taken safely, when it could not; the program
    // then runs without it.
    const QString& problem() const { return m_problem; }
    // The folder of the running copy's request socket: this copy's own when it acquired the
    // lock, else the one the lock's holder named.
    const QString& requestFolder() const { return m_requestFolder; }

    // A folder only this user controls, for the lock and the request socket: the
    // runtime folder, else the user's cache folder; empty when neither is safe.
    static QString runtimeFolder();
    // The user's own folder for the lock when there is no runtime folder.
    static QString cacheFolder();
    // The name of the lock for the display this process talks to: one running copy per
    // X display (or Wayland socket), whatever the screen number.
    static QString LockName();
    // The display part of the lock and socket names, such as "x11-0" for ":0.1".
    static QString displayKey();

private:
    bool lockIn(const QString& folder, const QString& name);
    // The folder a lock file held by another copy names; `fallback` when it names none.
    static QString namedFolder(const QString& lockPath, const QString& fallback);
    void nameRequestFolder();

    std::vector<int> m_fds;
    bool m_acquired = false;
    QString m_problem;
    QString m_requestFolder;
};

} // namespace vistrel
