#include "output/codecs/PngCodec.h"

#include "output/codecs/BmpFile.h"
#include "output/codecs/CodecGuard.h"
#include "output/codecs/PngWriter.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace vistrel {

namespace {

struct PngContext {
    std::jmp_buf jump;
    char message[256] = "";
    QByteArray* output = nullptr;
    const QByteArray* input = nullptr;
    qint64 position = 0;
};

PngContext& contextOf(png_structp png)
{
    return *static_cast<PngContext*>(png_get_error_ptr(png));
}

extern "C" void pngError(png_structp png, png_const_charp message)
{
    PngContext& context = contextOf(png);
    std::strncpy(context.message, message ? message : "", sizeof context.message - 1);
    std::longjmp(context.jump, 1);
}

extern "C" void pngWarning(png_structp, png_const_charp) {}

extern "C" void pngWrite(png_structp png, png_bytep data, size_t length)
{
    contextOf(png).output->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

extern "C" void pngFlush(png_structp) {}

extern "C" void pngRead(png_structp png, png_bytep data, size_t length)
{
    PngContext& context = contextOf(png);
    if (qint64(length) > context.input->size() - context.position)
        png_error(png, "ファイルが途中で切れています");
    std::memcpy(data, context.input->constData() + context.position, length);
    context.position += qint64(length);
}

// The rows exactly as libpng takes them after the transforms set in encode().
QImage prepareForPng(const QImage& source, int& bitDepth)
{
    const int depth = BmpFile::ownDepth(source);
    if (depth <= 8) {
        bitDepth = depth;
        return source.convertToFormat(QImage::Format_Indexed8);
    }
    bitDepth = 8;
    if (source.format() == QImage::Format_BGR888)
        return source;
    return source.convertToFormat(QImage::Format_RGB32);
}

// Composes in place, so that a large picture never needs a second buffer.
QImage compositeOverWhite(QImage image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(row[x]);
            const auto mix = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            row[x] = qRgb(mix(qRed(row[x])), mix(qGreen(row[x])), mix(qBlue(row[x])));
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

} // namespace

QByteArray PngCodec::encode(const QImage& source, int zlibLevel, bool interlaced, int filters)
{
    if (source.isNull())
        throw std::runtime_error("空の画像は保存できません");
    int bitDepth = 8;
    const QImage image = prepareForPng(source, bitDepth);
    if (image.format() != QImage::Format_Indexed8)
        return WriteTruecolourPng(image, zlibLevel, interlaced, filters);
    // Palette pictures through libpng, which packs indices to 1 or 4 bits.
    std::vector<png_bytep> rows(size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[size_t(y)] = const_cast<uchar*>(image.constScanLine(y));
    std::vector<png_color> palette(size_t(image.colorCount()));
    for (int i = 0; i < image.colorCount(); ++i) {
        const QRgb c = image.color(i);
        palette[size_t(i)] = {png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))};
    }
    QByteArray out;
    PngContext context;
    context.output = &out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("PNG ファイルを作成できません: メモリが足りません");
    }
    const bool ok = runGuarded(context.jump, [&] {
        png_set_write_fn(png, &context, pngWrite, pngFlush);
        png_set_compression_level(png, zlibLevel);
        png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
        // Palette rows compress best unfiltered.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), bitDepth,
                     PNG_COLOR_TYPE_PALETTE, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        png_write_info(png, info);
        png_set_packing(png); // one index per byte in, packed to 1 or 4 bits
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    });
    png_destroy_write_struct(&png, &info);
    if (!ok)
        throw std::runtime_error(std::string("PNG ファイルを作成できません: ") + context.message);
    return out;
}

namespace {
constexpr double MaxDeflateRatio = 1032.0;
} // namespace

QImage PngCodec::decode(const QByteArray& bytes)
{
    if (!hasSignature(bytes))
        throw std::runtime_error("PNG ファイルではありません");
    PngContext context;
    context.input = &bytes;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw std::runtime_error("PNG ファイルを読み込めません: メモリが足りません");
    }
    png_uint_32 width = 0, height = 0;
    size_t storedRowBytes = 0;
    const bool headerOk = runGuarded(context.jump, [&] {
        png_set_read_fn(png, &context, pngRead);
        png_set_user_limits(png, 1u << 24, 1u << 24);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // Fuzzed inputs would otherwise almost all stop at the first checksum.
        png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
        png_set_chunk_malloc_max(png, 64u << 20);
        png_read_info(png, info);
        width = png_get_image_width(png, info);
        height = png_get_image_height(png, info);
        storedRowBytes = png_get_rowbytes(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
    });
    // Deflate packs at most about 1032 bytes into one: a file too short to hold its rows is
    // broken, and is refused before a picture of the size it claims is made.
    const bool canHoldRows =
        double(storedRowBytes + 1) * height <= MaxDeflateRatio * double(bytes.size());
    if (headerOk && qint64(width) * height <= BmpFile::MaxPixels && !canHoldRows) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("PNG ファイルが壊れています: 画像のデータが足りません");
    }
    QImage image;
    if (headerOk && qint64(width) * height <= BmpFile::MaxPixels)
        image = QImage(int(width), int(height), QImage::Format_ARGB32);
    std::vector<png_bytep> rows(image.isNull() ? 0 : size_t(height));
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = image.scanLine(int(y));
    const bool ok = !image.isNull() && runGuarded(context.jump, [&] {
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
    });
    png_destroy_read_struct(&png, &info, nullptr);
    if (!headerOk)
        throw std::runtime_error(std::string("PNG ファイルが壊れています: ") + context.message);
    if (headerOk && qint64(width) * height > BmpFile::MaxPixels)
        throw std::runtime_error("PNG 画像が大きすぎます");
    BmpFile::requireAllocated(image);
    if (!ok)
        throw std::runtime_error(std::string("PNG ファイルが壊れています: ") + context.message);
    return compositeOverWhite(image);
}

} // namespace vistrel
