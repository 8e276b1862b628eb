#include "output/PictureFile.h"

#include "output/codecs/BmpFile.h"
#include "output/codecs/GifCodec.h"
#include "output/codecs/JpegCodec.h"
#include "output/codecs/PictureConversions.h"
#include "output/codecs/PictureFileIo.h"
#include "output/codecs/PngCodec.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <exception>
#include <memory>

#include <stdexcept>

namespace vistrel {

namespace {

bool isDeviceFormat(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

// A screen-format picture is written as the screen would hold it.
QImage toScreenDepth(const QImage& image, int screenDepth)
{
    if (!isDeviceFormat(image))
        return image;
    switch (screenDepth) {
    case 4:
        return PictureConversions::toStandard16(image);
    case 8:
        return PictureConversions::toHalftone256(image);
    case 16:
        return PictureConversions::toRgb565(image);
    case 24:
        return PictureConversions::to24Bit(image);
    default:
        return image;
    }
}

QImage convertForBitmap(const QImage& picture, int saveType)
{
    switch (saveType) {
    case SaveTypeMonochrome:
        return PictureConversions::toMonochrome(picture);
    case SaveType16Colours:
        return PictureConversions::toStandard16(picture);
    case SaveType256Colours:
        return PictureConversions::toHalftone256(picture);
    case SaveType15Bit:
        return PictureConversions::toRgb555(picture);
    case SaveType16Bit:
        return PictureConversions::toRgb565(picture);
    case SaveType24Bit:
        return PictureConversions::to24Bit(picture);
    case SaveType32Bit:
        return PictureConversions::to32Bit(picture);
    default:
        return picture;
    }
}

QByteArray encodePicture(const QImage& picture, int saveType, const PictureSaveOptions& options)
{
    switch (saveType) {
    case SaveTypeJpeg:
        return JpegCodec::encode(picture, options.jpegQuality, options.jpegProgressive);
    case SaveTypePng:
        // A PNG holds 24-bit pixels either way: no copy of the picture in the screen's depth.
        return PngCodec::encode(
            options.screenDepth == 24 ? picture : toScreenDepth(picture, options.screenDepth),
            pngZlibLevel(options.pngZlib), options.pngInterlace == 1, pngFilters(options.pngZlib));
    case SaveTypeGif:
        return GifCodec::encode(picture);
    case SaveType24Bit:
        return BmpFile::encode(picture, 24); // packs a screen picture's rows itself
    default:
        return BmpFile::encode(convertForBitmap(picture, saveType), 0);
    }
}

QImage decodeByContent(const QByteArray& bytes, const QString& upperSuffix)
{
    if (BmpFile::hasSignature(bytes))
        return BmpFile::decode(bytes);
    if (JpegCodec::hasSignature(bytes))
        return JpegCodec::decode(bytes);
    if (PngCodec::hasSignature(bytes))
        return PngCodec::decode(bytes);
    if (GifCodec::hasSignature(bytes))
        return GifCodec::decode(bytes);
    if (bytes.isEmpty())
        throw std::runtime_error("ファイルが空です");
    // Unknown content: let the extension's decoder say what is wrong with it.
    if (upperSuffix == ".BMP")
        return BmpFile::decode(bytes);
    if (upperSuffix == ".PNG")
        return PngCodec::decode(bytes);
    if (upperSuffix == ".GIF")
        return GifCodec::decode(bytes);
    return JpegCodec::decode(bytes);
}

QImage toWorkingFormat(const QImage& image)
{
    if (image.format() == QImage::Format_BGR888 || image.format() == QImage::Format_RGB32)
        return image;
    return BmpFile::requireAllocated(image.convertToFormat(QImage::Format_RGB32));
}

} // namespace

int effectiveSaveType(int saveType)
{
    return saveType >= SaveTypeMonochrome && saveType <= SaveTypeGif ? saveType : SaveTypeDevice;
}

int pngFilters(int choice)
{
    // Stored blocks gain nothing from filtering; at every level Sub|Up cost no more time than
    // Sub alone and gave smaller files.
    return choice == 0 ? PngCodec::FilterNone : PngCodec::DefaultFilters;
}

int pngZlibLevel(int choice)
{
    switch (choice) {
    case 0:
        return 0;
    case 2:
        return 1;
    case 3:
        return 9;
    default:
        return -1;
    }
}

QString folderOfPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

void savePictureFile(const QImage& picture, int saveType, const QString& path,
                     const PictureSaveOptions& options)
{
    if (picture.isNull())
        throw std::runtime_error("対象となるビットマップがありません。");
    const int type = effectiveSaveType(saveType);
    QByteArray bytes;
    try {
        bytes = encodePicture(picture, type, options);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(QStringLiteral("%1 に書き込めません\n%2")
                                     .arg(path, QString::fromUtf8(error.what()))
                                     .toStdString());
    }
    PictureFileIo::writeAtomically(path, bytes, options.durable);
    Q_EMIT PictureFileEvents::instance().pictureFileWritten(folderOfPath(path));
}

QImage loadPictureFile(const QString& path)
{
    return loadPictureFile(path, QSize());
}

QImage loadPictureFile(const QString& path, QSize fitWithin)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QImage();
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : name.mid(dot).toUpper();
    static const QStringList known = {".BMP", ".JPG", ".JPEG", ".PNG", ".GIF"};
    if (!known.contains(suffix))
        return QImage();
    const QByteArray bytes = PictureFileIo::readAll(path);
    try {
        if (fitWithin.isValid() && JpegCodec::hasSignature(bytes))
            return JpegCodec::decodeReduced(bytes, fitWithin);
        return toWorkingFormat(decodeByContent(bytes, suffix));
    } catch (const std::runtime_error& error) {
        PictureFileIo::throwUnreadable(path, QString::fromUtf8(error.what()));
    }
}

QImage decodePictureBytes(const QByteArray& bytes)
{
    return toWorkingFormat(decodeByContent(bytes, QString()));
}

QImage loadPictureFileInBackground(const QString& path)
{
    QImage picture;
    std::exception_ptr failure;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            picture = loadPictureFile(path);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
    return picture;
}

} // namespace vistrel
