#include "output/codecs/GifCodec.h"

#include "output/codecs/BmpFile.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vistrel {

namespace {

struct Source {
    const QByteArray* bytes = nullptr;
    qint64 position = 0;
};

int readFromArray(GifFileType* gif, GifByteType* data, int length)
{
    auto* source = static_cast<Source*>(gif->UserData);
    const qint64 count = std::min<qint64>(length, source->bytes->size() - source->position);
    std::memcpy(data, source->bytes->constData() + source->position, size_t(count));
    source->position += count;
    return int(count);
}

[[noreturn]] void failRead(int code)
{
    const char* reason = GifErrorString(code);
    throw std::runtime_error(std::string("GIF ファイルが壊れています: ") +
                             (reason ? reason : "不明なエラー"));
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

// The transparent index of the graphic-control extension before the frame, -1 if none.
int readExtension(GifFileType* gif, int transparent)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        failRead(gif->Error);
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            failRead(gif->Error);
    }
    return transparent;
}

// Frame rows in display order; interlaced frames arrive in four passes.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            order.push_back(y);
    return order;
}

QImage readFrame(GifFileType* gif, int transparent, qint64 dataSize)
{
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        failRead(gif->Error);
    const GifImageDesc& desc = gif->Image;
    const int canvasWidth = std::max<int>(gif->SWidth, desc.Left + desc.Width);
    const int canvasHeight = std::max<int>(gif->SHeight, desc.Top + desc.Height);
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0)
        throw std::runtime_error("GIF ファイルが壊れています: 画像の大きさが不正です");
    if (qint64(canvasWidth) * canvasHeight > BmpFile::MaxPixels)
        throw std::runtime_error("GIF 画像が大きすぎます");
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    // LZW gives at most 4,096 pixels per code of at least 9 bits: a picture
    // far larger than its data could describe is a bomb, not a picture.
    if (qint64(canvasWidth) * canvasHeight > dataSize * 8 / 9 * 4096)
        throw std::runtime_error("GIF ファイルが壊れています: 画像データが足りません");
    QImage canvas(canvasWidth, canvasHeight, QImage::Format_RGB32);
    BmpFile::requireAllocated(canvas);
    canvas.fill(qRgb(255, 255, 255));
    std::vector<GifPixelType> line(size_t(desc.Width));
    for (const int y : rowOrder(desc.Height, desc.Interlace)) {
        if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
            failRead(gif->Error);
        auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(desc.Top + y));
        for (int x = 0; x < desc.Width; ++x) {
            const int index = line[size_t(x)];
            if (index == transparent)
                continue;
            if (!map || index >= map->ColorCount)
                row[desc.Left + x] = qRgb(0, 0, 0);
            else
                row[desc.Left + x] =
                    qRgb(map->Colors[index].Red, map->Colors[index].Green, map->Colors[index].Blue);
        }
    }
    return canvas;
}

} // namespace

QImage GifCodec::decode(const QByteArray& bytes)
{
    if (!hasSignature(bytes))
        throw std::runtime_error("GIF ファイルではありません");
    Source source{&bytes, 0};
    int error = 0;
    GifHandle gif(DGifOpen(&source, readFromArray, &error));
    if (!gif)
        failRead(error);
    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            failRead(gif->Error);
        if (record == IMAGE_DESC_RECORD_TYPE)
            return readFrame(gif.get(), transparent, bytes.size());
        if (record == EXTENSION_RECORD_TYPE)
            transparent = readExtension(gif.get(), transparent);
        else if (record == TERMINATE_RECORD_TYPE)
            throw std::runtime_error("GIF ファイルに画像がありません");
    }
}

} // namespace vistrel
