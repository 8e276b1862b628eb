#include "platform/wayland/DescriptorReading.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace vistrel::wayland {

QByteArray ReadWithLimit(int fd, qsizetype count, int limitMs)
{
    QByteArray data;
    if (count > 0)
        data.reserve(count);
    const QDeadlineTimer deadline(limitMs);
    char chunk[65536];
    while (fd >= 0 && (count < 0 || data.size() < count)) {
        pollfd watched{fd, POLLIN, 0};
        const int ready = poll(&watched, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const size_t wanted =
            count < 0 ? sizeof chunk : std::min(sizeof chunk, size_t(count - data.size()));
        const ssize_t got = read(fd, chunk, wanted);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        data.append(chunk, got);
    }
    return data;
}

} // namespace vistrel::wayland
