#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class QSocketNotifier;

namespace vistrel {

// Watches one folder for files that come, go and change, and says which names
// changed, so that a list of a large folder is brought up to date without reading the
// whole folder again (Linux inotify).
class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches `folder` instead of the one before; false when it cannot be watched.
    bool watch(const QString& folder);
    void stop();
    bool watching() const { return m_watch >= 0; }
    // Reads the changes the system has queued so far, without waiting.
    void readPending();
    // The names changed since the last call, and whether the whole folder must be read
    // again (too many changes for the queue, or the folder itself went or moved).
    QSet<QString> takeChangedNames();
    bool takeWholeFolder();

Q_SIGNALS:
    // Something changed; the names are collected until taken.
    void changed();

private:
    int m_inotify = -1;
    int m_watch = -1;
    QSocketNotifier* m_notifier = nullptr;
    QSet<QString> m_changed;
    bool m_wholeFolder = false;
};

} // namespace vistrel
