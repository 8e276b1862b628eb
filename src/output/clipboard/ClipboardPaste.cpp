#include "output/clipboard/ClipboardPaste.h"

#include "output/PictureFile.h"
#include "output/clipboard/ClipboardPicture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <stdexcept>

namespace vistrel {

namespace {

QImage decodeOffered(const QMimeData& contents, const QString& mimeType)
{
    const QByteArray bytes = contents.data(mimeType);
    if (bytes.isEmpty())
        return {};
    try {
        return decodePictureBytes(bytes);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(QStringLiteral("クリップボードの画像を読み込めません\n%1")
                                     .arg(QString::fromUtf8(error.what()))
                                     .toStdString());
    }
}

// A file manager's copy of exactly one local picture file.
QImage pictureFromFileList(const QMimeData& contents)
{
    if (!contents.hasUrls())
        return {};
    const QList<QUrl> urls = contents.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    return loadPictureFile(urls.first().toLocalFile());
}

} // namespace

QImage pictureFromClipboard(const QMimeData& contents)
{
    if (const auto* own = qobject_cast<const ClipboardPicture*>(&contents))
        return own->picture();
    // Our own readers first: they refuse hostile sizes and never abort on damaged data.
    for (const char* type : {"image/png", "image/bmp", "image/jpeg", "image/gif"}) {
        const QString mimeType = QString::fromLatin1(type);
        if (contents.hasFormat(mimeType))
            if (QImage picture = decodeOffered(contents, mimeType); !picture.isNull())
                return picture;
    }
    if (contents.hasImage()) {
        const QImage picture = qvariant_cast<QImage>(contents.imageData());
        if (!picture.isNull())
            return picture.convertToFormat(QImage::Format_RGB32);
    }
    return pictureFromFileList(contents);
}

QImage pictureFromClipboard()
{
    const QMimeData* contents = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return contents ? pictureFromClipboard(*contents) : QImage();
}

} // namespace vistrel
