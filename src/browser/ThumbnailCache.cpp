#include "browser/ThumbnailCache.h"

#include "output/PictureFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <exception>
#include <sys/stat.h>

namespace vistrel::ThumbnailCache {

namespace {

QString cacheHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
}

QString cacheFolder()
{
    return cacheHome() + QStringLiteral("/thumbnails/normal");
}

// Creates the missing thumbnail folders owner-only; folders that exist (a link to a
// shared cache included) are left as their owner made them.
bool makeCacheFolder()
{
    if (!QDir().mkpath(cacheHome()))
        return false;
    for (const char* folder : {"/thumbnails", "/thumbnails/normal"}) {
        const QByteArray path = QFile::encodeName(cacheHome() + QLatin1String(folder));
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(cacheFolder()).isDir();
}

QString mtimeText(const QFileInfo& info)
{
    return QString::number(info.lastModified().toSecsSinceEpoch());
}

QImage readScaled(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > NormalSize || full.height() > NormalSize))
        reader.setScaledSize(full.scaled(NormalSize, NormalSize, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull())
        return image;
    // Bitmap depths and codings Qt's readers do not know still open with our own reader.
    try {
        image = loadPictureFile(path);
    } catch (const std::exception&) {
        return {};
    }
    if (image.width() > NormalSize || image.height() > NormalSize)
        image = image.scaled(NormalSize, NormalSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void store(const QString& path, QImage thumbnail, const QFileInfo& info, QSize fullSize)
{
    if (!makeCacheFolder())
        return;
    thumbnail.setText(QStringLiteral("Thumb::URI"), fileUri(path));
    thumbnail.setText(QStringLiteral("Thumb::MTime"), mtimeText(info));
    thumbnail.setText(QStringLiteral("Thumb::Size"), QString::number(info.size()));
    if (fullSize.isValid()) {
        thumbnail.setText(QStringLiteral("Thumb::Image::Width"), QString::number(fullSize.width()));
        thumbnail.setText(QStringLiteral("Thumb::Image::Height"),
                          QString::number(fullSize.height()));
    }
    thumbnail.setText(QStringLiteral("Software"), QStringLiteral("Vistrel"));
    QSaveFile file(thumbnailPath(path));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QImageWriter writer(&file, "png");
    if (writer.write(thumbnail))
        file.commit();
    else
        file.cancelWriting();
}

} // namespace

QString fileUri(const QString& path)
{
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
}

QString thumbnailPath(const QString& path)
{
    const QByteArray md5 =
        QCryptographicHash::hash(fileUri(path).toLatin1(), QCryptographicHash::Md5).toHex();
    return cacheFolder() + QLatin1Char('/') + QString::fromLatin1(md5) + QStringLiteral(".png");
}

QImage cachedThumbnail(const QString& path)
{
    const QString cached = thumbnailPath(path);
    if (!QFileInfo::exists(cached))
        return {};
    QImage image(cached, "PNG");
    if (image.isNull() || image.text(QStringLiteral("Thumb::URI")) != fileUri(path) ||
        image.text(QStringLiteral("Thumb::MTime")) != mtimeText(QFileInfo(path)))
        return {};
    return image;
}

QImage makeThumbnail(const QString& path)
{
    const QFileInfo info(path);
    const QSize fullSize = QImageReader(path).size();
    QImage image = readScaled(path);
    if (image.isNull())
        return {};
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32);
    store(path, image, info, fullSize);
    return image;
}

QImage thumbnail(const QString& path)
{
    const QImage cached = cachedThumbnail(path);
    return cached.isNull() ? makeThumbnail(path) : cached;
}

} // namespace vistrel::ThumbnailCache
