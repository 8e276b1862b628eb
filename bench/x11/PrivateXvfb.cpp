#include "PrivateXvfb.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vistrel::bench {

PrivateXvfb::PrivateXvfb(QSize size)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    const std::string fd = std::to_string(pipeFds[1]);
    const std::string screen =
        std::to_string(size.width()) + "x" + std::to_string(size.height()) + "x24";
    m_pid = fork();
    if (m_pid == 0) {
        close(pipeFds[0]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    // Xvfb writes its display number and a newline once it accepts connections.
    QByteArray text;
    while (m_pid > 0 && !text.contains('\n')) {
        pollfd ready{pipeFds[0], POLLIN, 0};
        char buffer[16];
        if (poll(&ready, 1, 20000) != 1)
            break;
        const ssize_t length = read(pipeFds[0], buffer, sizeof buffer);
        if (length <= 0)
            break;
        text.append(buffer, int(length));
    }
    if (text.contains('\n'))
        m_displayName = ":" + text.trimmed();
    close(pipeFds[0]);
}

PrivateXvfb::~PrivateXvfb()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

} // namespace vistrel::bench
