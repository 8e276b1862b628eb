#include "edit/stamps/StampKernels.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <tuple>

namespace vistrel {

namespace {

constexpr int StampSize = 32;

// The better of two images of one file: 32 x 32 first, then size, then colour depth.
bool betterStamp(const QImage& candidate, const QImage& best)
{
    if (best.isNull())
        return true;
    const auto rank = [](const QImage& image) {
        const bool exact = image.width() == StampSize && image.height() == StampSize;
        return std::tuple(exact, qint64(image.width()) * image.height(), image.depth());
    };
    return rank(candidate) > rank(best);
}

} // namespace

void DrawCursorImage(QPoint point, QImage& canvas, const QImage& cursor)
{
    if (cursor.isNull() || canvas.isNull())
        return;
    // X cursor images are cropped tight, so a corner pixel may belong to the
    // cursor itself: its own alpha says what is transparent, and soft edges
    // blend with the picture beneath.
    const QImage::Format canvasFormat = canvas.format();
    if (canvasFormat != QImage::Format_RGB32)
        canvas.convertTo(QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(point, cursor.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    if (canvas.format() != canvasFormat)
        canvas.convertTo(canvasFormat);
}

QImage LoadStampFile(const QString& path)
{
    const QString extension = QStringLiteral(".") + QFileInfo(path).suffix().toUpper();
    if (extension != QStringLiteral(".ICO") && extension != QStringLiteral(".CUR"))
        return {};
    // Qt's icon reader takes cursor files too, but only when asked by format.
    QImageReader reader(path, "ico");
    QImage best;
    const int count = std::max(reader.imageCount(), 1);
    for (int index = 0; index < count; ++index) {
        if (index > 0 && !reader.jumpToImage(index))
            break;
        const QImage image = reader.read();
        if (!image.isNull() && betterStamp(image, best))
            best = image;
    }
    return best.isNull() ? QImage() : best.convertToFormat(QImage::Format_ARGB32);
}

QPoint StampPoint(QPoint pointer, QSize picture)
{
    return {std::clamp(pointer.x(), 0, std::max(picture.width(), 0)),
            std::clamp(pointer.y(), 0, std::max(picture.height(), 0))};
}

QRect StampPreviewBox(QPoint stampPoint)
{
    return {stampPoint, QSize(StampSize, StampSize)};
}

} // namespace vistrel
