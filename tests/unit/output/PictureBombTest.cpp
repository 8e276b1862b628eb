#include "output/codecs/BmpFile.h"
#include "output/codecs/GifCodec.h"
#include "output/codecs/JpegCodec.h"
#include "output/codecs/PngCodec.h"

#include "TestPictures.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vistrel;

namespace {

void putBigEndian16(QByteArray& bytes, qsizetype at, int value)
{
    bytes[at] = char((value >> 8) & 0xff);
    bytes[at + 1] = char(value & 0xff);
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (24 - 8 * i)) & 0xff);
    return b;
}

QByteArray le(quint32 v, int bytes)
{
    QByteArray b(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    return b;
}

// A small real PNG whose header claims another size (with a valid CRC).
// A one-pixel PNG whose header claims another size; `padding` bytes of a private chunk make
// the file as long as a real one of that size could be.
QByteArray pngClaiming(quint32 width, quint32 height, qsizetype padding = 0)
{
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(Qt::white);
    QByteArray png = PngCodec::encode(one, 9, false);
    const qsizetype ihdr = png.indexOf("IHDR");
    png.replace(ihdr + 4, 8, be32(width) + be32(height));
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(png.constData() + ihdr), 17);
    png.replace(ihdr + 17, 4, be32(quint32(crc)));
    if (padding > 0) {
        const QByteArray chunk = "vpAd" + QByteArray(padding, '\0');
        const auto chunkCrc =
            crc32(0, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(chunk.size()));
        png.insert(png.indexOf("IEND") - 4,
                   be32(quint32(padding)) + chunk + be32(quint32(chunkCrc)));
    }
    return png;
}

QByteArray jpegClaiming(int width, int height, bool progressive)
{
    QByteArray jpeg = JpegCodec::encode(testpictures::gradient(16, 16), 75, progressive);
    const qsizetype sof = jpeg.indexOf(progressive ? "\xFF\xC2" : "\xFF\xC0");
    putBigEndian16(jpeg, sof + 5, height);
    putBigEndian16(jpeg, sof + 7, width);
    return jpeg;
}

// A progressive JPEG whose first scan is repeated `copies` times.
QByteArray jpegWithScans(int copies)
{
    const QByteArray jpeg = JpegCodec::encode(testpictures::gradient(16, 16), 75, true);
    const qsizetype start = jpeg.indexOf("\xFF\xDA");
    qsizetype end = start + 2;
    while (end + 1 < jpeg.size() && !(uchar(jpeg[end]) == 0xFF && uchar(jpeg[end + 1]) != 0 &&
                                      (uchar(jpeg[end + 1]) < 0xD0 || uchar(jpeg[end + 1]) > 0xD7)))
        ++end;
    return jpeg.left(start) + jpeg.mid(start, end - start).repeated(copies) + jpeg.mid(start);
}

QByteArray gifClaimingScreen(int width, int height)
{
    QByteArray gif = GifCodec::encode(testpictures::gradient(4, 4));
    gif.replace(6, 4, le(quint32(width), 2) + le(quint32(height), 2));
    return gif;
}

// A run-length bitmap of any claimed size whose data ends at once.
QByteArray rleBitmapClaiming(int width, int height)
{
    const QByteArray palette(256 * 4, '\0');
    const QByteArray data("\x00\x01", 2); // end of bitmap
    const quint32 offBits = 14 + 40 + quint32(palette.size());
    return "BM" + le(offBits + quint32(data.size()), 4) + le(0, 4) + le(offBits, 4) + le(40, 4) +
           le(quint32(width), 4) + le(quint32(height), 4) + le(1, 2) + le(8, 2) + le(1, 4) +
           le(quint32(data.size()), 4) + le(0, 4) + le(0, 4) + le(0, 4) + le(0, 4) + palette + data;
}

template <typename Decode>
QString refusal(Decode decode, const QByteArray& bytes)
{
    try {
        decode(bytes);
    } catch (const std::runtime_error& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<decoded>");
}

} // namespace

TEST(PictureBomb, TinyFilesClaimingHugePicturesAreRefusedBeforeAllocating)
{
    // Between the old limit of 2^28 pixels and the new one of 2^27.
    EXPECT_EQ(refusal(PngCodec::decode, pngClaiming(16384, 16384)), u"PNG 画像が大きすぎます");
    // Within the limit, but far more rows than the file could hold.
    EXPECT_TRUE(
        refusal(PngCodec::decode, pngClaiming(13, 6881287)).contains(u"データが足りません"));
    EXPECT_EQ(refusal(BmpFile::decode, rleBitmapClaiming(16384, 16384)),
              u"ビットマップが大きすぎます");
    EXPECT_EQ(refusal(GifCodec::decode, gifClaimingScreen(16384, 16384)),
              u"GIF 画像が大きすぎます");
    // Within the limit, but far more than the file's data could describe.
    EXPECT_TRUE(refusal(GifCodec::decode, gifClaimingScreen(10000, 10000))
                    .startsWith(u"GIF ファイルが壊れています"));
    EXPECT_TRUE(refusal(JpegCodec::decode, jpegClaiming(11000, 11000, false))
                    .startsWith(u"JPEG ファイルが壊れています"));
}

TEST(PictureBomb, AProgressiveJpegWithThousandsOfScansIsStopped)
{
    EXPECT_TRUE(refusal(JpegCodec::decode, jpegWithScans(2500)).contains(u"走査の数が多すぎます"));
    EXPECT_EQ(JpegCodec::decode(jpegWithScans(3)).size(), QSize(16, 16))
        << "a few repeated scans still decode";
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(PictureBomb, APictureTooLargeForMemoryGivesAMessageNotACrash)
{
    // 8192 x 8192 is within the pixel limit but not within 200 MB of address space.
    const QByteArray png = pngClaiming(8192, 8192, 200 << 10);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{200u << 20, 200u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        const QString message = refusal(PngCodec::decode, png);
        ::_exit(message == u"画像を読み込むためのメモリが足りません" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "status " << status << " (a signal means a crash)";
}
#endif
