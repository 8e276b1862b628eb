#include "output/codecs/BmpFile.h"
#include "output/codecs/PictureConversions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FileSizeLimit.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include <unistd.h>

using namespace vistrel;

namespace {

// Little-endian fields appended by hand, independent of the writer.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& u8(unsigned x)
    {
        v.push_back(uint8_t(x));
        return *this;
    }
    Bytes& u16(unsigned x) { return u8(x & 0xff).u8(x >> 8); }
    Bytes& u32(uint32_t x) { return u16(x & 0xffff).u16(x >> 16); }
    QByteArray bytes() const
    {
        return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
    }
};

Bytes headers(uint32_t fileSize, uint32_t offBits, int32_t width, int32_t height, int bits,
              uint32_t compression, uint32_t imageSize, uint32_t colours)
{
    Bytes b;
    b.u8('B').u8('M').u32(fileSize).u16(0).u16(0).u32(offBits);
    b.u32(40).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(unsigned(bits));
    b.u32(compression).u32(imageSize).u32(0).u32(0).u32(colours).u32(0);
    return b;
}

QImage colourful(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y) & 255, (y * 53 + x * 3) & 255, (x * y) & 255));
    return image;
}

QByteArray prefix(const QByteArray& bytes, int n)
{
    return bytes.left(n);
}

void expectRejected(const QByteArray& bytes)
{
    EXPECT_THROW(BmpFile::decode(bytes), std::runtime_error);
}

} // namespace

TEST(BmpFile, HeadersMatchTheWindowsLayoutForEveryDepth)
{
    const QImage picture = colourful(5, 3);
    struct Case {
        QImage image;
        int bits;
        uint32_t compression;
        int paletteEntries;
        int masks;
        int stride;
    };
    const Case cases[] = {
        {PictureConversions::toMonochrome(picture), 1, 0, 2, 0, 4},
        {PictureConversions::toStandard16(picture), 4, 0, 16, 0, 4},
        {PictureConversions::toHalftone256(picture), 8, 0, 256, 0, 8},
        {PictureConversions::toRgb555(picture), 16, 0, 0, 0, 12},
        {PictureConversions::toRgb565(picture), 16, 3, 0, 3, 12},
        {PictureConversions::to24Bit(picture), 24, 0, 0, 0, 16},
        {picture, 32, 0, 0, 0, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const QByteArray file = BmpFile::encode(c.image, 0);
        const uint32_t offBits = 54 + 4 * uint32_t(c.paletteEntries + c.masks);
        const uint32_t imageSize = uint32_t(c.stride * 3);
        Bytes expected = headers(offBits + imageSize, offBits, 5, 3, c.bits, c.compression,
                                 imageSize, uint32_t(c.paletteEntries));
        if (c.masks)
            expected.u32(0xF800).u32(0x07E0).u32(0x001F);
        ASSERT_EQ(file.size(), qsizetype(offBits + imageSize));
        EXPECT_EQ(file.left(qsizetype(expected.v.size())), expected.bytes());
    }
}

TEST(BmpFile, EveryDepthRoundTripsPixelExact)
{
    const QImage picture = colourful(13, 7);
    const QImage converted[] = {PictureConversions::toMonochrome(picture),
                                PictureConversions::toStandard16(picture),
                                PictureConversions::toHalftone256(picture),
                                PictureConversions::toRgb555(picture),
                                PictureConversions::toRgb565(picture),
                                PictureConversions::to24Bit(picture),
                                picture};
    for (const QImage& image : converted) {
        SCOPED_TRACE(image.format());
        const QImage back = BmpFile::decode(BmpFile::encode(image, 0));
        ASSERT_EQ(back.size(), image.size());
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32),
                  image.convertToFormat(QImage::Format_RGB32));
    }
    // A screen picture packed to 24 bits four pixels at a time, and the pixels left over.
    for (int width = 1; width <= 9; ++width) {
        const QImage screen = colourful(width, 3).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(
            BmpFile::decode(BmpFile::encode(screen, 24)).convertToFormat(QImage::Format_RGB32),
            screen)
            << width;
    }
}

TEST(BmpFile, ReadingKeepsTheFileDepthAndPalette)
{
    const QImage picture = colourful(9, 4);
    EXPECT_EQ(BmpFile::decode(BmpFile::encode(picture, 24)).format(), QImage::Format_BGR888);
    EXPECT_EQ(BmpFile::decode(BmpFile::encode(picture, 32)).format(), QImage::Format_RGB32);
    EXPECT_EQ(BmpFile::decode(BmpFile::encode(picture, 16)).format(), QImage::Format_RGB555);
    const QImage rgb565 =
        BmpFile::decode(BmpFile::encode(PictureConversions::toRgb565(picture), 0));
    EXPECT_EQ(rgb565.format(), QImage::Format_RGB16);
    const QImage four = BmpFile::decode(BmpFile::encode(picture, 4));
    EXPECT_EQ(four.colorTable(), PictureConversions::standard16Palette());
}

TEST(BmpFile, SixteenBitPixelsHoldTheTruncatedChannels)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0xFF, 0x86, 0x0F));
    image.setPixel(1, 0, qRgb(0x08, 0x04, 0xF8));
    const QByteArray plain = BmpFile::encode(PictureConversions::toRgb555(image), 0);
    const auto word = [](const QByteArray& f, int offset) {
        return unsigned(uint8_t(f[offset])) | unsigned(uint8_t(f[offset + 1])) << 8;
    };
    EXPECT_EQ(word(plain, 54), (0x1Fu << 10) | (0x10u << 5) | 0x01u);
    EXPECT_EQ(word(plain, 56), (0x01u << 10) | (0x00u << 5) | 0x1Fu);
    const QByteArray fields = BmpFile::encode(PictureConversions::toRgb565(image), 0);
    EXPECT_EQ(word(fields, 66), (0x1Fu << 11) | (0x21u << 5) | 0x01u);
    EXPECT_EQ(word(fields, 68), (0x01u << 11) | (0x01u << 5) | 0x1Fu);
}

TEST(BmpFile, ReadsTopDownFilesAndOtherMasks)
{
    // 2x2 top-down 32-bit file with 10-10-10 bit fields.
    Bytes b = headers(54 + 12 + 16, 66, 2, -2, 32, 3, 16, 0);
    b.u32(0x3FF00000).u32(0x000FFC00).u32(0x000003FF);
    b.u32(0x3FF00000).u32(0x000FFC00).u32(0x000003FF).u32(0);
    const QImage image = BmpFile::decode(b.bytes());
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
}

TEST(BmpFile, DecodesRunLengthData)
{
    // 4x2 RLE8: bottom row "run of 3 x index 1, literal 2", then top row "delta 1 right, 2".
    Bytes b = headers(0, 54 + 8, 4, 2, 8, 1, 0, 2);
    b.u32(0x000000).u32(0xFFFFFF);
    b.u8(3).u8(1).u8(1).u8(1).u8(0).u8(0);             // run, then end of line (no literal run)
    b.u8(0).u8(2).u8(1).u8(0).u8(2).u8(1).u8(0).u8(1); // delta (1,0), run of 2, end of bitmap
    const QImage image = BmpFile::decode(b.bytes());
    EXPECT_EQ(image.pixelIndex(0, 1), 1);
    EXPECT_EQ(image.pixelIndex(3, 1), 1);
    EXPECT_EQ(image.pixelIndex(0, 0), 0);
    EXPECT_EQ(image.pixelIndex(1, 0), 1);
    EXPECT_EQ(image.pixelIndex(2, 0), 1);
    // Missing end-of-bitmap code with rows still to fill.
    expectRejected(prefix(b.bytes(), 54 + 8 + 6));
}

TEST(BmpFile, RejectsHostileHeaders)
{
    const QByteArray good = BmpFile::encode(colourful(8, 8), 24);
    expectRejected(QByteArray());
    expectRejected(prefix(good, 20));                                    // header cut
    expectRejected(prefix(good, good.size() - 10));                      // pixel rows cut
    expectRejected(headers(0, 54, 100000, 100000, 24, 0, 0, 0).bytes()); // 10^10 pixels
    expectRejected(headers(0, 54, 0, 5, 24, 0, 0, 0).bytes());
    expectRejected(headers(0, 54, 5, INT32_MIN, 24, 0, 0, 0).bytes());
    expectRejected(headers(0, 54, -4, 4, 24, 0, 0, 0).bytes());
    expectRejected(headers(0, 54, 1, 1, 7, 0, 0, 0).bytes());  // odd depth
    expectRejected(headers(0, 54, 1, 1, 24, 4, 0, 0).bytes()); // JPEG inside BMP
    QByteArray farOffset = good;
    farOffset[10] = char(0xff);
    farOffset[13] = char(0x7f);
    expectRejected(farOffset);
    // 65536 x 65536 x 32 bits overflows 32-bit arithmetic; refused by size first.
    expectRejected(headers(0, 54, 65536, 65536, 32, 0, 0, 0).bytes());
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(BmpFile, FailedWriteLeavesTheOldFileAndNoTemporary)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.bmp");
    BmpFile::write(colourful(4, 4), path);
    const QByteArray before = contents(path);
    {
        // A file-size limit makes the write fail like a full disk, even for root.
        const FileSizeLimit limit(200);
        EXPECT_THROW(BmpFile::write(colourful(60, 60), path), std::runtime_error);
    }
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_EQ(BmpFile::read(path).size(), QSize(4, 4));
    EXPECT_THROW(BmpFile::write(colourful(4, 4), dir.filePath("no/such/folder.bmp")),
                 std::runtime_error);
    EXPECT_THROW(BmpFile::read(dir.filePath("missing.bmp")), std::runtime_error);
}

TEST(BmpFile, WriteIntoReadOnlyFolderFails)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.bmp");
    BmpFile::write(colourful(4, 4), path);
    const QByteArray before = contents(path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(BmpFile::write(colourful(6, 6), path), std::runtime_error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(contents(path), before);
}
