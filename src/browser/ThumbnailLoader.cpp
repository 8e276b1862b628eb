#include "browser/ThumbnailLoader.h"

#include "browser/ThumbnailCache.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>

namespace vistrel {

ThumbnailLoader::ThumbnailLoader(QObject* parent) : QObject(parent)
{
    // One core stays free for the window; decoding is the slow part, not the disk.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    m_pool.setThreadPriority(QThread::LowPriority);
}

ThumbnailLoader::~ThumbnailLoader()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void ThumbnailLoader::request(const QString& path)
{
    if (m_queued.contains(path))
        return;
    m_queued.insert(path);
    const quint64 generation = m_generation;
    // The destructor waits for the workers, so `this` outlives every one of them; a
    // result posted just before it goes is dropped with the object's events.
    m_pool.start(
        [this, path, generation] {
            const QImage thumbnail = ThumbnailCache::thumbnail(path);
            QMetaObject::invokeMethod(
                this, [this, path, thumbnail, generation] { deliver(path, thumbnail, generation); },
                Qt::QueuedConnection);
        },
        ++m_priority); // later requests first: the rows just scrolled into view
}

void ThumbnailLoader::cancelPending()
{
    m_pool.clear();
    m_queued.clear();
    ++m_generation;
}

void ThumbnailLoader::waitForDone()
{
    m_pool.waitForDone();
}

void ThumbnailLoader::deliver(const QString& path, const QImage& thumbnail, quint64 generation)
{
    if (generation != m_generation)
        return;
    m_queued.remove(path);
    Q_EMIT thumbnailReady(path, thumbnail);
}

} // namespace vistrel
