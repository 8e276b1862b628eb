#pragma once

#include <QString>

namespace vistrel {

// The single-instance lock "VistrelPassWord": an exclusive lock on a file in
// the user's runtime folder, released by the kernel when the process ends,
// so that a crashed instance never blocks the next start.
class SingleInstance {
public:
    explicit SingleInstance(const QString& name = QStringLiteral("VistrelPassWord"));
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another instance holds the lock.
    bool acquired() const { return m_acquired; }

    // The user's private runtime folder, where the lock and the request socket live.
    static QString runtimeFolder();

private:
    int m_fd = -1;
    bool m_acquired = false;
};

} // namespace vistrel
