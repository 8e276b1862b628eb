#pragma once

#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

namespace vistrel {

// Finds or makes thumbnails on worker threads, so that a large folder lists at once and
// its pictures fill in as they are ready. Results come back on the owner's thread.
class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    explicit ThumbnailLoader(QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // Queues `path` unless it is already queued; the newest requests are served first,
    // as they are the ones on screen.
    void request(const QString& path);
    // Drops the requests not yet started (another folder is shown).
    void cancelPending();
    // Waits until every started request is done (for tests and benchmarks).
    void waitForDone();

Q_SIGNALS:
    // The thumbnail, or a null image when the picture cannot be read.
    void thumbnailReady(const QString& path, const QImage& thumbnail);

private:
    void deliver(const QString& path, const QImage& thumbnail, quint64 generation);

    QThreadPool m_pool;
    QSet<QString> m_queued;
    quint64 m_generation = 0;
    int m_priority = 0;
};

} // namespace vistrel
