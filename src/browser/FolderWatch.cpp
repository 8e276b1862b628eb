#include "browser/FolderWatch.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>

namespace vistrel {

namespace {

// Files created, finished writing, renamed in or out, removed, or touched; the folder
// itself removed or moved.
constexpr uint32_t WatchedEvents = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_DELETE | IN_ATTRIB | IN_MODIFY | IN_DELETE_SELF |
                                   IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

FolderWatch::FolderWatch(QObject* parent)
    : QObject(parent), m_inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_inotify < 0)
        return;
    m_notifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        readPending();
        if (!m_changed.isEmpty() || m_wholeFolder)
            Q_EMIT changed();
    });
}

FolderWatch::~FolderWatch()
{
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool FolderWatch::watch(const QString& folder)
{
    stop();
    if (m_inotify < 0)
        return false;
    m_watch = ::inotify_add_watch(m_inotify, QFile::encodeName(folder).constData(), WatchedEvents);
    return m_watch >= 0;
}

void FolderWatch::stop()
{
    if (m_watch >= 0)
        ::inotify_rm_watch(m_inotify, m_watch);
    m_watch = -1;
    // What was queued for the old folder no longer matters.
    readPending();
    m_changed.clear();
    m_wholeFolder = false;
}

void FolderWatch::readPending()
{
    if (m_inotify < 0)
        return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_inotify, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event)) + event->len;
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                m_wholeFolder = true;
                continue;
            }
            // Events of a watch removed earlier may still be queued.
            if (event->wd != m_watch || m_watch < 0)
                continue;
            if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                // The folder went or moved: the list is read again, and the folder
                // watched anew once it is back.
                if ((event->mask & IN_MOVE_SELF) != 0)
                    ::inotify_rm_watch(m_inotify, m_watch);
                m_watch = -1;
                m_wholeFolder = true;
                continue;
            }
            if (event->len > 0)
                m_changed.insert(QFile::decodeName(event->name));
        }
    }
}

QSet<QString> FolderWatch::takeChangedNames()
{
    return std::exchange(m_changed, {});
}

bool FolderWatch::takeWholeFolder()
{
    return std::exchange(m_wholeFolder, false);
}

} // namespace vistrel
