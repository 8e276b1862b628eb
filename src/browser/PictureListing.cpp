#include "browser/PictureListing.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace vistrel {

bool isPictureFileName(const QString& name)
{
    static const QLatin1StringView Extensions[] = {
        QLatin1StringView(".bmp"), QLatin1StringView(".jpg"), QLatin1StringView(".jpeg"),
        QLatin1StringView(".png"), QLatin1StringView(".gif")};
    return std::any_of(std::begin(Extensions), std::end(Extensions), [&](QLatin1StringView ext) {
        return name.size() > ext.size() && name.endsWith(ext, Qt::CaseInsensitive);
    });
}

QString fileSizeText(qint64 bytes)
{
    return QStringLiteral("%1KB").arg((bytes + 1023) / 1024);
}

QString fileDateText(const QDateTime& modified)
{
    return modified.toString(QStringLiteral("yyyy/MM/dd hh:mm"));
}

QList<ListedFile> listPictureFiles(const QString& folder)
{
    QList<ListedFile> files;
    // Hidden files too, as the folder's listing shows every file; links to files count.
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!isPictureFileName(info.fileName()) || !info.isFile())
            continue;
        files.append({info.fileName(), info.size(), info.lastModified()});
    }
    return files;
}

std::optional<ListedFile> listPictureFile(const QString& folder, const QString& name)
{
    const QFileInfo info(QDir(folder).filePath(name));
    if (!isPictureFileName(name) || !info.isFile())
        return std::nullopt;
    return ListedFile{name, info.size(), info.lastModified()};
}

void FileSortOrder::headerClicked(int column)
{
    if (column < 0 || column > 2)
        return;
    m_direction[column] = -m_direction[column];
    m_column = column;
}

bool FileSortOrder::before(const ListedFile& a, const ListedFile& b) const
{
    // Sizes and dates compare as numbers and times, so 9KB comes before 10KB.
    const int byName = QString::localeAwareCompare(a.name, b.name);
    int order = byName;
    if (m_column == 1)
        order = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
    else if (m_column == 2)
        order = a.modified < b.modified ? -1 : (a.modified > b.modified ? 1 : 0);
    order *= m_direction[m_column];
    return order != 0 ? order < 0 : byName < 0;
}

void FileSortOrder::sort(QList<ListedFile>& files) const
{
    std::stable_sort(files.begin(), files.end(),
                     [this](const ListedFile& a, const ListedFile& b) { return before(a, b); });
}

} // namespace vistrel
