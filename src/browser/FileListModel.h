#pragma once

#include "browser/PictureListing.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QThreadPool>

namespace vistrel {

class ThumbnailLoader;

// The picture files of one folder in three columns: "ファイル名", "サイズ", "更新日時".
// The icons are the file types' theme icons, or thumbnails while those are asked for.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit FileListModel(QObject* parent = nullptr);
    ~FileListModel() override;

    // Lists the folder again (or a new one) in the current sort order. The same folder
    // again changes only the rows that changed. A large folder is read off the GUI
    // thread: the rows come once `listingFinished` is sent.
    void FillFileList(const QString& folder);
    // Whether a large folder is being read.
    bool loading() const { return m_loading; }
    // Brings the named files of the listed folder up to date one by one: a name that
    // is gone leaves, a new one takes its place in the sort order, a changed one is
    // updated; the rest of the folder is not read again.
    void updateFiles(const QStringList& names);
    QString folder() const { return m_folder; }
    const QList<ListedFile>& files() const { return m_files; }
    QString filePath(int row) const;
    QString filePath(const QString& name) const;
    int rowOfName(const QString& name) const;

    FileSortOrder& sortOrder() { return m_sort; }
    // Sorts the listed files by the sort order's column and direction.
    void sortFiles();

    // Thumbnails instead of type icons, at this size (the large-icon view).
    void setThumbnails(bool on, int size);
    ThumbnailLoader& thumbnailLoader() { return *m_loader; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

Q_SIGNALS:
    void listingFinished();

private:
    void listingArrived(const QString& folder, QList<ListedFile> files);
    void mergeFiles(const QList<ListedFile>& files);
    void removeRow(int row);
    void insertSorted(const ListedFile& file);
    void updateFile(int row, const ListedFile& file);
    void reorder(const QList<ListedFile>& files);
    QIcon typeIcon(const QString& name) const;
    QVariant thumbnailFor(int row) const;
    void thumbnailReady(const QString& path, const QImage& thumbnail);

    QString m_folder;
    QList<ListedFile> m_files;
    FileSortOrder m_sort;
    bool m_thumbnails = false;
    int m_thumbnailSize = 64;
    ThumbnailLoader* m_loader;
    QThreadPool m_listingPool;
    quint64 m_listing = 0; // the latest listing asked for; older results are dropped
    bool m_loading = false;
    struct Thumbnail {
        QPixmap pixmap;     // null for a picture that cannot be read
        QDateTime modified; // of the file it was made from
    };
    QHash<QString, Thumbnail> m_thumbnailOf;
    mutable QHash<QString, QIcon> m_iconOfSuffix;
};

} // namespace vistrel
