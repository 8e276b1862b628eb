#include "output/clipboard/ClipboardPicture.h"

#include "output/codecs/BmpFile.h"
#include "output/codecs/PngCodec.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

namespace vistrel {

namespace {

const QString QtImage = QStringLiteral("application/x-qt-image");

// A paste waits for the encoding, and a copy lives only until the next one: the fastest zlib
// level is worth its slightly larger bytes.
constexpr int PngLevel = 1;

} // namespace

ClipboardPicture::ClipboardPicture(QImage picture) : m_picture(std::move(picture)) {}

QStringList ClipboardPicture::formats() const
{
    return {QString::fromLatin1(Png), QString::fromLatin1(Bmp), QtImage};
}

bool ClipboardPicture::hasFormat(const QString& mimeType) const
{
    return formats().contains(mimeType);
}

QByteArray ClipboardPicture::encode(const QImage& picture, const QString& mimeType)
{
    if (mimeType == QLatin1String(Png))
        return PngCodec::encode(picture, PngLevel, false);
    if (mimeType == QLatin1String(Bmp)) {
        // 24 bits is what every bitmap reader takes; palette pictures keep their palette.
        const bool palette =
            picture.format() == QImage::Format_Indexed8 || picture.format() == QImage::Format_Mono;
        return BmpFile::encode(picture, palette ? 0 : 24);
    }
    return {};
}

QVariant ClipboardPicture::retrieveData(const QString& mimeType, QMetaType type) const
{
    if (mimeType == QtImage && type == QMetaType::fromType<QImage>())
        return m_picture;
    if (!hasFormat(mimeType))
        return {};
    // Qt's own image type asked for as bytes (by another Qt program) is a PNG.
    const QString encodedType = mimeType == QtImage ? QString::fromLatin1(Png) : mimeType;
    auto cached = m_encoded.find(encodedType);
    if (cached == m_encoded.end())
        cached = m_encoded.insert(encodedType, encode(m_picture, encodedType));
    return *cached;
}

namespace {

// Watched, not held: the pixels go when Qt drops the copy.
QPointer<ClipboardPicture>& lastCopy()
{
    static QPointer<ClipboardPicture> copy;
    return copy;
}

} // namespace

void copyPictureToClipboard(const QImage& picture)
{
    lastCopy() = new ClipboardPicture(picture);
    QGuiApplication::clipboard()->setMimeData(lastCopy(), QClipboard::Clipboard);
}

QImage lastCopiedPicture()
{
    return lastCopy().isNull() ? QImage() : lastCopy()->picture();
}

} // namespace vistrel
