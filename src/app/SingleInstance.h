#pragma once

#include <QString>

namespace vistrel {

// The single-instance lock "VistrelPassWord": an exclusive lock on a file in
// the user's runtime folder (else the user's cache folder), released by the kernel when the process
// ends, so that a crashed instance never blocks the next start.
class SingleInstance {
public:
    explicit SingleInstance(const QString& name = QStringLiteral("VistrelPassWord"));
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another instance holds the lock.
    bool acquired() const { return m_acquired; }
    // Why the lock could not be taken safely, when it could not; the program
    // then runs without it.
    const QString& problem() const { return m_problem; }

    // A folder only this user controls, for the lock and the request socket: the
    // runtime folder, else the user's cache folder; empty when neither is safe.
    static QString runtimeFolder();

private:
    int m_fd = -1;
    bool m_acquired = false;
    QString m_problem;
};

} // namespace vistrel
