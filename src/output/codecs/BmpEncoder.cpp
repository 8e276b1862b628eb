#include "output/codecs/BmpFile.h"

#include "output/codecs/PictureConversions.h"
#include "output/codecs/PictureFileIo.h"

#include <QtEndian>

#include <cstring>
#include <stdexcept>

namespace vistrel {

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
constexpr quint32 BiRgb = 0;
constexpr quint32 BiBitfields = 3;

void put16(char* at, quint16 value)
{
    qToLittleEndian(value, at);
}
void put32(char* at, quint32 value)
{
    qToLittleEndian(value, at);
}

qint64 strideFor(int width, int bits)
{
    return ((qint64(width) * bits + 31) / 32) * 4;
}

// Brings the picture into the one QImage format whose rows the writer copies for `bits`.
QImage prepare(const QImage& image, int bits)
{
    switch (bits) {
    case 1:
        return PictureConversions::toIndexedWithin(image, 2);
    case 4:
        return PictureConversions::toIndexedWithin(image, 16);
    case 8:
        return PictureConversions::toIndexedWithin(image, 256);
    case 16:
        return image.format() == QImage::Format_RGB16
                   ? image
                   : image.convertToFormat(QImage::Format_RGB555);
    case 24:
        // Screen pictures go straight from their 32-bit rows (see packBgrRow).
        return image.format() == QImage::Format_RGB32
                   ? image
                   : image.convertToFormat(QImage::Format_BGR888);
    case 32:
        return image.convertToFormat(QImage::Format_RGB32);
    default:
        throw std::invalid_argument("unsupported bitmap depth");
    }
}

void packIndexedRow(const uchar* src, char* dst, int width, int bits)
{
    if (bits == 8) {
        std::memcpy(dst, src, size_t(width));
        return;
    }
    const int perByte = 8 / bits;
    const int mask = (1 << bits) - 1;
    for (int x = 0; x < width; x += perByte) {
        uchar byte = 0;
        for (int i = 0; i < perByte; ++i) {
            const int index = x + i < width ? (src[x + i] & mask) : 0;
            byte = uchar(byte | (index << (8 - bits * (i + 1))));
        }
        dst[x / perByte] = char(byte);
    }
}

// Blue, green and red of each 32-bit pixel, four pixels to three words: the row of a 24-bit
// bitmap in one pass, with no 24-bit copy of the whole picture in between.
void packBgrRow(const QRgb* src, char* dst, int width)
{
    int x = 0;
    for (; x + 4 <= width; x += 4, src += 4, dst += 12) {
        const quint32 words[3] = {(src[0] & 0xffffffu) | (src[1] << 24),
                                  ((src[1] >> 8) & 0xffffu) | (src[2] << 16),
                                  ((src[2] >> 16) & 0xffu) | (src[3] << 8)};
        qToLittleEndian<quint32>(words, 3, dst);
    }
    for (; x < width; ++x, ++src, dst += 3) {
        dst[0] = char(qBlue(*src));
        dst[1] = char(qGreen(*src));
        dst[2] = char(qRed(*src));
    }
}

void copyRow(const QImage& image, int y, char* dst, int bits)
{
    const uchar* src = image.constScanLine(y);
    const int width = image.width();
    switch (bits) {
    case 16:
        for (int x = 0; x < width; ++x)
            put16(dst + 2 * x, reinterpret_cast<const quint16*>(src)[x]);
        break;
    case 24:
        if (image.depth() == 32)
            packBgrRow(reinterpret_cast<const QRgb*>(src), dst, width);
        else
            std::memcpy(dst, src, size_t(width) * 3);
        break;
    case 32:
        std::memcpy(dst, src, size_t(width) * 4);
        break;
    default:
        packIndexedRow(src, dst, width, bits);
    }
}

} // namespace

int BmpFile::ownDepth(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8:
        // The smallest palette depth that holds the picture's colour table.
        return image.colorCount() <= 2 ? 1 : image.colorCount() <= 16 ? 4 : 8;
    case QImage::Format_RGB555:
    case QImage::Format_RGB16:
        return 16;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
        return 24;
    default:
        return 32;
    }
}

QByteArray BmpFile::encode(const QImage& source, int bitsPerPixel)
{
    if (source.isNull())
        throw std::runtime_error("空の画像は保存できません");
    const int bits = bitsPerPixel == 0 ? ownDepth(source) : bitsPerPixel;
    const QImage image = prepare(source, bits);
    const bool masks = bits == 16 && image.format() == QImage::Format_RGB16;
    const int paletteEntries = bits <= 8 ? 1 << bits : 0;
    const qint64 offBits = FileHeaderSize + InfoHeaderSize + paletteEntries * 4 + (masks ? 12 : 0);
    const qint64 stride = strideFor(image.width(), bits);
    const qint64 imageBytes = stride * image.height();
    const qint64 fileBytes = offBits + imageBytes;
    if (fileBytes > 0x7fffffff)
        throw std::runtime_error("画像が大きすぎて保存できません");

    // Only the headers and the row padding need zeros; the rows are copied over the rest.
    QByteArray out(fileBytes, Qt::Uninitialized);
    char* p = out.data();
    std::memset(p, 0, size_t(offBits));
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, quint32(fileBytes));
    put32(p + 10, quint32(offBits));
    char* info = p + FileHeaderSize;
    put32(info + 0, InfoHeaderSize);
    put32(info + 4, quint32(image.width()));
    put32(info + 8, quint32(image.height()));
    put16(info + 12, 1);
    put16(info + 14, quint16(bits));
    put32(info + 16, masks ? BiBitfields : BiRgb);
    put32(info + 20, quint32(imageBytes));
    put32(info + 32, quint32(paletteEntries));
    char* extra = info + InfoHeaderSize;
    if (masks) {
        put32(extra + 0, 0xF800);
        put32(extra + 4, 0x07E0);
        put32(extra + 8, 0x001F);
    }
    const QList<QRgb> palette = image.colorTable();
    for (int i = 0; i < paletteEntries && i < palette.size(); ++i)
        put32(extra + 4 * i, palette[i] & 0x00ffffffu); // blue, green, red, reserved 0

    const qint64 used = (qint64(image.width()) * bits + 7) / 8;
    for (int y = 0; y < image.height(); ++y) {
        char* row = p + offBits + stride * (image.height() - 1 - y);
        std::memset(row + used, 0, size_t(stride - used));
        copyRow(image, y, row, bits);
    }
    return out;
}

void BmpFile::write(const QImage& image, const QString& path, int bitsPerPixel)
{
    PictureFileIo::writeAtomically(path, encode(image, bitsPerPixel));
}

} // namespace vistrel
