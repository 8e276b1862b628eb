#include "browser/FileListModel.h"

#include "browser/ThumbnailLoader.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

namespace vistrel {

FileListModel::FileListModel(QObject* parent)
    : QAbstractTableModel(parent), m_loader(new ThumbnailLoader(this))
{
    connect(m_loader, &ThumbnailLoader::thumbnailReady, this, &FileListModel::thumbnailReady);
}

FileListModel::~FileListModel() = default;

void FileListModel::FillFileList(const QString& folder)
{
    beginResetModel();
    if (folder != m_folder) {
        m_loader->cancelPending();
        m_thumbnailOf.clear();
    }
    m_folder = folder;
    m_files = listPictureFiles(folder);
    m_sort.sort(m_files);
    // A file that changed gets a new thumbnail; the others keep theirs.
    for (const ListedFile& file : std::as_const(m_files))
        if (const auto it = m_thumbnailOf.find(filePath(file.name));
            it != m_thumbnailOf.end() && it->modified != file.modified)
            m_thumbnailOf.erase(it);
    endResetModel();
}

void FileListModel::sortFiles()
{
    beginResetModel();
    m_sort.sort(m_files);
    endResetModel();
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
