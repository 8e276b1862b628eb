#include "output/codecs/BmpFile.h"

#include "output/codecs/BmpRle.h"
#include "output/codecs/PictureFileIo.h"

#include <QtEndian>

#include <cstring>
#include <stdexcept>

namespace vistrel {

namespace {

constexpr quint32 BiRgb = 0;
constexpr quint32 BiRle8 = 1;
constexpr quint32 BiRle4 = 2;
constexpr quint32 BiBitfields = 3;
constexpr quint32 BiAlphaBitfields = 6;

[[noreturn]] void fail(const char* reason)
{
    throw std::runtime_error(reason);
}

struct Header {
    qint64 width = 0;
    qint64 height = 0; // always positive; topDown tells the row order
    bool topDown = false;
    int bits = 0;
    quint32 compression = BiRgb;
    qint64 offBits = 0;
    qint64 paletteStart = 0;
    int paletteEntrySize = 4;
    qint64 colorsUsed = 0;
    quint32 masks[3] = {0, 0, 0};
};

class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(bytes.size())
    {}
    qint64 size() const { return m_size; }
    const uchar* at(qint64 offset) const { return m_data + offset; }
    quint16 u16(qint64 offset) const
    {
        need(offset, 2);
        return qFromLittleEndian<quint16>(m_data + offset);
    }
    quint32 u32(qint64 offset) const
    {
        need(offset, 4);
        return qFromLittleEndian<quint32>(m_data + offset);
    }
    void need(qint64 offset, qint64 count) const
    {
        if (offset < 0 || count < 0 || offset > m_size || count > m_size - offset)
            fail("ビットマップのヘッダーが途中で切れています");
    }

private:
    const uchar* m_data;
    qint64 m_size;
};

Header parseHeader(const Reader& in)
{
    if (in.size() < 2 || in.at(0)[0] != 'B' || in.at(0)[1] != 'M')
        fail("ビットマップファイルではありません");
    Header h;
    h.offBits = in.u32(10);
    const quint32 infoSize = in.u32(14);
    if (infoSize == 12) { // OS/2 core header
        h.width = in.u16(18);
        h.height = in.u16(20);
        h.bits = in.u16(24);
        h.paletteEntrySize = 3;
    } else if (infoSize >= 40 && infoSize <= 1024) {
        h.width = qint32(in.u32(18));
        const qint32 height = qint32(in.u32(22));
        h.topDown = height < 0;
        h.height = h.topDown ? -qint64(height) : qint64(height);
        h.bits = in.u16(28);
        h.compression = in.u32(30);
        h.colorsUsed = in.u32(46);
    } else {
        fail("ビットマップの情報ヘッダーが不正です");
    }
    h.paletteStart = 14 + qint64(infoSize);
    if (h.compression == BiBitfields || h.compression == BiAlphaBitfields) {
        // The masks sit right after a 40-byte header, or inside a larger one at the same place.
        for (int i = 0; i < 3; ++i)
            h.masks[i] = in.u32(54 + 4 * i);
        if (infoSize == 40)
            h.paletteStart += h.compression == BiAlphaBitfields ? 16 : 12;
    }
    return h;
}

void validate(const Header& h, qint64 fileSize)
{
    if (h.width <= 0 || h.height <= 0)
        fail("ビットマップの幅または高さが不正です");
    if (h.width > (1 << 24) || h.height > (1 << 24) || h.width * h.height > BmpFile::MaxPixels)
        fail("ビットマップが大きすぎます");
    const int b = h.bits;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        fail("対応していない色数のビットマップです");
    const quint32 c = h.compression;
    const bool ok = c == BiRgb || (c == BiRle8 && b == 8) || (c == BiRle4 && b == 4) ||
                    ((c == BiBitfields || c == BiAlphaBitfields) && (b == 16 || b == 32));
    if (!ok)
        fail("対応していない圧縮形式のビットマップです");
    if ((c == BiRle8 || c == BiRle4) && h.topDown)
        fail("ビットマップの形式が不正です");
    if (h.offBits < h.paletteStart || h.offBits > fileSize)
        fail("ビットマップの画像データの位置が不正です");
}

QList<QRgb> readPalette(const Reader& in, const Header& h)
{
    const int full = 1 << h.bits;
    qint64 count = h.colorsUsed > 0 && h.colorsUsed < full ? h.colorsUsed : full;
    count = qMin(count, (h.offBits - h.paletteStart) / h.paletteEntrySize);
    QList<QRgb> palette(full, qRgb(0, 0, 0));
    for (qint64 i = 0; i < count; ++i) {
        const uchar* e = in.at(h.paletteStart + i * h.paletteEntrySize);
        palette[i] = qRgb(e[2], e[1], e[0]);
    }
    return palette;
}

QImage allocate(const Header& h, QImage::Format format)
{
    QImage image(int(h.width), int(h.height), format);
    return BmpFile::requireAllocated(image);
}

// One channel of a bit-field pixel scaled to 0..255.
struct Channel {
    explicit Channel(quint32 mask) : m_mask(mask)
    {
        if (mask == 0)
            return;
        while (!((mask >> m_shift) & 1))
            ++m_shift;
        m_max = mask >> m_shift;
    }
    int operator()(quint32 pixel) const
    {
        return m_max == 0 ? 0
                          : int((quint64((pixel & m_mask) >> m_shift) * 255 + m_max / 2) / m_max);
    }
    quint32 m_mask;
    int m_shift = 0;
    quint32 m_max = 0;
};

QImage::Format formatFor(const Header& h)
{
    const bool fields = h.compression == BiBitfields || h.compression == BiAlphaBitfields;
    const quint32* m = h.masks;
    if (h.bits <= 8)
        return QImage::Format_Indexed8;
    if (h.bits == 24)
        return QImage::Format_BGR888;
    if (h.bits == 16 && (!fields || (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)))
        return QImage::Format_RGB555;
    if (h.bits == 16 && m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F)
        return QImage::Format_RGB16;
    return QImage::Format_RGB32;
}

void unpackRow(const uchar* src, uchar* dst, const Header& h, QImage::Format format)
{
    const int width = int(h.width);
    if (h.bits <= 8) {
        const int perByte = 8 / h.bits;
        const int mask = (1 << h.bits) - 1;
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - h.bits * (x % perByte + 1);
            dst[x] = uchar((src[x / perByte] >> shift) & mask);
        }
    } else if (format == QImage::Format_BGR888) {
        std::memcpy(dst, src, size_t(width) * 3);
    } else if (format != QImage::Format_RGB32) {
        for (int x = 0; x < width; ++x)
            reinterpret_cast<quint16*>(dst)[x] = qFromLittleEndian<quint16>(src + 2 * x);
    } else if (h.bits == 32 && h.compression == BiRgb) {
        auto* out = reinterpret_cast<quint32*>(dst);
        for (int x = 0; x < width; ++x)
            out[x] = qFromLittleEndian<quint32>(src + 4 * x) | 0xff000000u;
    } else {
        const bool fields = h.compression != BiRgb;
        const Channel r(fields ? h.masks[0] : 0xFF0000), g(fields ? h.masks[1] : 0xFF00),
            b(fields ? h.masks[2] : 0xFF);
        auto* out = reinterpret_cast<QRgb*>(dst);
        for (int x = 0; x < width; ++x) {
            const quint32 px = h.bits == 16 ? qFromLittleEndian<quint16>(src + 2 * x)
                                            : qFromLittleEndian<quint32>(src + 4 * x);
            out[x] = qRgb(r(px), g(px), b(px));
        }
    }
}

QImage decodeRows(const Reader& in, const Header& h)
{
    const qint64 stride = ((h.width * h.bits + 31) / 32) * 4;
    const qint64 lastRow = (h.width * h.bits + 7) / 8;
    if (stride * (h.height - 1) + lastRow > in.size() - h.offBits)
        fail("ビットマップの画像データが途中で切れています");
    const QImage::Format format = formatFor(h);
    QImage image = allocate(h, format);
    for (qint64 row = 0; row < h.height; ++row) {
        const int y = int(h.topDown ? row : h.height - 1 - row);
        unpackRow(in.at(h.offBits + row * stride), image.scanLine(y), h, format);
    }
    return image;
}

} // namespace

QImage BmpFile::decode(const QByteArray& bytes)
{
    const Reader in(bytes);
    const Header h = parseHeader(in);
    validate(h, in.size());
    QImage image;
    if (h.compression == BiRle8 || h.compression == BiRle4) {
        image = allocate(h, QImage::Format_Indexed8);
        BmpRle::decode(reinterpret_cast<const uchar*>(bytes.constData()) + h.offBits,
                       in.size() - h.offBits, h.compression == BiRle4, image);
    } else {
        image = decodeRows(in, h);
    }
    if (h.bits <= 8)
        image.setColorTable(readPalette(in, h));
    return image;
}

QImage BmpFile::read(const QString& path)
{
    const QByteArray bytes = PictureFileIo::readAll(path);
    try {
        return decode(bytes);
    } catch (const std::runtime_error& error) {
        PictureFileIo::throwUnreadable(path, QString::fromStdString(error.what()));
    }
}

const QImage& BmpFile::requireAllocated(const QImage& image)
{
    if (image.isNull())
        throw std::runtime_error("画像を読み込むためのメモリが足りません");
    return image;
}

} // namespace vistrel
