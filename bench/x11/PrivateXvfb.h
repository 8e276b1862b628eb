#pragma once

#include <QByteArray>
#include <QSize>

#include <sys/types.h>

namespace vistrel::bench {

// An Xvfb of a given size on a display it picks itself; stopped by pid.
class PrivateXvfb {
public:
    explicit PrivateXvfb(QSize size);
    ~PrivateXvfb();
    PrivateXvfb(const PrivateXvfb&) = delete;
    PrivateXvfb& operator=(const PrivateXvfb&) = delete;

    // Empty when the server could not be started.
    QByteArray displayName() const { return m_displayName; }

private:
    pid_t m_pid = -1;
    QByteArray m_displayName;
};

} // namespace vistrel::bench
