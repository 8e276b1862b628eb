#include "browser/FileListModel.h"

#include "browser/ThumbnailLoader.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSet>

#include <dirent.h>

#include <algorithm>

namespace vistrel {

namespace {

// A folder with more entries than this is read and sorted off the GUI thread (stat and
// the locale-aware sort of 100,000 names take seconds).
constexpr int BackgroundEntries = 5000;

// Counts the folder's entries by name only, stopping at `limit`.
int entriesUpTo(const QString& folder, int limit)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr)
        return 0;
    int count = 0;
    while (count <= limit && ::readdir(dir) != nullptr)
        ++count;
    ::closedir(dir);
    return count;
}

} // namespace

FileListModel::FileListModel(QObject* parent)
    : QAbstractTableModel(parent), m_loader(new ThumbnailLoader(this))
{
    connect(m_loader, &ThumbnailLoader::thumbnailReady, this, &FileListModel::thumbnailReady);
    m_listingPool.setMaxThreadCount(1);
}

FileListModel::~FileListModel()
{
    // The worker's result is posted to this object: it must not outlive it.
    ++m_listing;
    m_listingPool.clear();
    m_listingPool.waitForDone();
}

void FileListModel::FillFileList(const QString& folder)
{
    const quint64 listing = ++m_listing;
    if (entriesUpTo(folder, BackgroundEntries) <= BackgroundEntries) {
        QList<ListedFile> files = listPictureFiles(folder);
        m_sort.sort(files);
        m_loading = false;
        listingArrived(folder, std::move(files));
        return;
    }
    if (folder != m_folder) {
        // The old folder's rows go at once; the new ones follow when read.
        beginResetModel();
        m_loader->cancelPending();
        m_thumbnailOf.clear();
        m_folder = folder;
        m_files.clear();
        endResetModel();
    }
    m_loading = true;
    const FileSortOrder order = m_sort;
    m_listingPool.start([this, folder, order, listing] {
        QList<ListedFile> files = listPictureFiles(folder);
        order.sort(files);
        QMetaObject::invokeMethod(
            this,
            [this, folder, order, files = std::move(files), listing]() mutable {
                if (listing != m_listing)
                    return; // another listing was asked for meanwhile
                m_loading = false;
                // A header clicked meanwhile: the list follows the new order.
                if (m_sort.column() != order.column() ||
                    m_sort.direction(m_sort.column()) != order.direction(order.column()))
                    m_sort.sort(files);
                listingArrived(folder, std::move(files));
                Q_EMIT listingFinished();
            },
            Qt::QueuedConnection);
    });
}

void FileListModel::listingArrived(const QString& folder, QList<ListedFile> files)
{
    if (folder != m_folder || (m_files.isEmpty() && !files.isEmpty())) {
        beginResetModel();
        m_loader->cancelPending();
        m_thumbnailOf.clear();
        m_folder = folder;
        m_files = std::move(files);
        endResetModel();
        return;
    }
    // The same folder again: rows come and go one by one, so that the views keep
    // their selection, scroll position and the row under a click in progress.
    mergeFiles(files);
    // A file that changed gets a new thumbnail; the others keep theirs.
    for (const ListedFile& file : std::as_const(m_files))
        if (const auto it = m_thumbnailOf.find(filePath(file.name));
            it != m_thumbnailOf.end() && it->modified != file.modified)
            m_thumbnailOf.erase(it);
}

void FileListModel::updateFiles(const QStringList& names)
{
    for (const QString& name : names) {
        const int row = rowOfName(name);
        const std::optional<ListedFile> file = listPictureFile(m_folder, name);
        if (!file) {
            if (row >= 0)
                removeRow(row);
        } else if (row < 0) {
            insertSorted(*file);
        } else if (m_files[row].size != file->size || m_files[row].modified != file->modified) {
            updateFile(row, *file);
        }
    }
}

void FileListModel::removeRow(int row)
{
    m_thumbnailOf.remove(filePath(row));
    beginRemoveRows({}, row, row);
    m_files.removeAt(row);
    endRemoveRows();
}

void FileListModel::insertSorted(const ListedFile& file)
{
    const auto place = std::lower_bound(
        m_files.cbegin(), m_files.cend(), file,
        [this](const ListedFile& a, const ListedFile& b) { return m_sort.before(a, b); });
    const int row = int(place - m_files.cbegin());
    beginInsertRows({}, row, row);
    m_files.insert(row, file);
    endInsertRows();
}

void FileListModel::updateFile(int row, const ListedFile& file)
{
    m_thumbnailOf.remove(filePath(row));
    m_files[row] = file;
    const bool inOrder = (row == 0 || m_sort.before(m_files[row - 1], file)) &&
                         (row + 1 == m_files.size() || m_sort.before(file, m_files[row + 1]));
    if (inOrder) {
        Q_EMIT dataChanged(index(row, 0), index(row, 2));
        return;
    }
    // A new size or date moves the file: it goes to its place, the selection with it.
    int to = row;
    while (to > 0 && m_sort.before(file, m_files[to - 1]))
        --to;
    while (to + 1 < m_files.size() && m_sort.before(m_files[to + 1], file))
        ++to;
    beginMoveRows({}, row, row, {}, to > row ? to + 1 : to);
    m_files.move(row, to);
    endMoveRows();
    Q_EMIT dataChanged(index(to, 0), index(to, 2));
}

void FileListModel::mergeFiles(const QList<ListedFile>& files)
{
    QSet<QString> kept;
    for (const ListedFile& file : files)
        kept.insert(file.name);
    for (int row = int(m_files.size()) - 1; row >= 0; --row)
        if (!kept.contains(m_files[row].name)) {
            beginRemoveRows({}, row, row);
            m_files.removeAt(row);
            endRemoveRows();
        }
    QSet<QString> present;
    for (const ListedFile& file : std::as_const(m_files))
        present.insert(file.name);
    int row = 0;
    for (const ListedFile& file : files) {
        if (!present.contains(file.name)) {
            // The new file's place in the sorted list, among the files kept.
            beginInsertRows({}, row, row);
            m_files.insert(row, file);
            endInsertRows();
        }
        ++row;
    }
    // Same names now; a changed size or date may move rows in that sort order.
    bool sameOrder = true;
    for (int i = 0; i < files.size(); ++i)
        sameOrder = sameOrder && m_files[i].name == files[i].name;
    if (!sameOrder) {
        reorder(files);
        return;
    }
    for (int i = 0; i < files.size(); ++i)
        if (m_files[i].size != files[i].size || m_files[i].modified != files[i].modified) {
            m_files[i] = files[i];
            Q_EMIT dataChanged(index(i, 0), index(i, 2));
        }
}

void FileListModel::sortFiles()
{
    QList<ListedFile> files = m_files;
    m_sort.sort(files);
    reorder(files);
}

void FileListModel::reorder(const QList<ListedFile>& files)
{
    // The selection and the current row follow their files to the new places.
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QStringList names;
    for (const QModelIndex& index : before)
        names.append(m_files.value(index.row()).name);
    m_files = files;
    QModelIndexList after;
    for (int i = 0; i < before.size(); ++i) {
        const int moved = rowOfName(names[i]);
        after.append(moved < 0 ? QModelIndex() : index(moved, before[i].column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

QString FileListModel::filePath(int row) const
{
    if (row < 0 || row >= m_files.size())
        return {};
    return filePath(m_files[row].name);
}

QString FileListModel::filePath(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

int FileListModel::rowOfName(const QString& name) const
{
    for (int row = 0; row < m_files.size(); ++row)
        if (m_files[row].name == name)
            return row;
    return -1;
}

void FileListModel::setThumbnails(bool on, int size)
{
    if (on == m_thumbnails && size == m_thumbnailSize)
        return;
    m_thumbnails = on;
    m_thumbnailSize = size;
    if (!on)
        m_loader->cancelPending();
    m_thumbnailOf.clear();
    if (!m_files.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_files.size()) - 1, 0), {Qt::DecorationRole});
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_files.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_files.size())
        return {};
    const ListedFile& file = m_files[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 1)
            return fileSizeText(file.size);
        if (index.column() == 2)
            return fileDateText(file.modified);
        return file.name;
    case Qt::DecorationRole:
        if (index.column() != 0)
            return {};
        if (m_thumbnails)
            if (QVariant thumbnail = thumbnailFor(index.row()); thumbnail.isValid())
                return thumbnail;
        return typeIcon(file.name);
    case Qt::TextAlignmentRole:
        if (index.column() == 1)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        static const char* const Captions[] = {"ファイル名", "サイズ", "更新日時"};
        return section >= 0 && section < 3 ? QString::fromUtf8(Captions[section]) : QVariant();
    }
    if (role == Qt::TextAlignmentRole && section == 1)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant FileListModel::thumbnailFor(int row) const
{
    const QString path = filePath(row);
    if (const auto it = m_thumbnailOf.constFind(path); it != m_thumbnailOf.cend())
        return it->pixmap.isNull() ? QVariant() : QVariant(it->pixmap);
    // Only the rows a view paints ask, so a long folder makes what is seen first.
    m_loader->request(path);
    return {};
}

void FileListModel::thumbnailReady(const QString& path, const QImage& thumbnail)
{
    if (!m_thumbnails)
        return;
    QPixmap pixmap;
    if (!thumbnail.isNull())
        pixmap = QPixmap::fromImage(thumbnail.scaled(
            m_thumbnailSize, m_thumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    const int row = rowOfName(QFileInfo(path).fileName());
    if (row < 0 || filePath(row) != path)
        return; // gone meanwhile
    m_thumbnailOf.insert(path, {pixmap, m_files[row].modified});
    Q_EMIT dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}

QIcon FileListModel::typeIcon(const QString& name) const
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (const auto it = m_iconOfSuffix.constFind(suffix); it != m_iconOfSuffix.cend())
        return *it;
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileIconProvider::File);
    m_iconOfSuffix.insert(suffix, icon);
    return icon;
}

} // namespace vistrel
