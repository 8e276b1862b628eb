#include "platform/TerminationNotice.h"

#include <atomic>
#include <poll.h>

namespace vistrel {

namespace {

std::atomic<int> g_noticeFd{-1};

} // namespace

void setTerminationNoticeFd(int fd)
{
    g_noticeFd = fd;
}

int terminationNoticeFd()
{
    return g_noticeFd;
}

bool terminationNoticed()
{
    const int fd = g_noticeFd;
    if (fd < 0)
        return false;
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN) != 0;
}

} // namespace vistrel
