#include "output/codecs/PngWriter.h"
#include "output/codecs/PngCodec.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "TestPictures.h"

using namespace vistrel;

namespace {

constexpr int AllFilters = 0xf8;
constexpr int SubFilter = 0x10;
constexpr int UpFilter = 0x20;

// Repeating text-like blocks, smooth fields and noise: every filter type gets chosen.
QImage mixedPicture(int w, int h)
{
    QImage image = testpictures::screenLike(w, h);
    quint32 seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x + y) % 5 == 0) {
                seed = seed * 1664525u + 1013904223u;
                image.setPixel(x, y, qRgb(int(seed >> 24), int(seed >> 16) & 255, x & 255));
            }
    return image;
}

QImage viaImageMagick(const QByteArray& png, int w, int h)
{
    QTemporaryDir dir;
    testpictures::store(dir.filePath("in.png"), png);
    QProcess convert;
    convert.start("convert", {dir.filePath("in.png"), "-depth", "8", "rgb:-"});
    if (!convert.waitForFinished(60000) || convert.exitCode() != 0)
        return {};
    const QByteArray rgb = convert.readAllStandardOutput();
    if (rgb.size() != qsizetype(w) * h * 3)
        return {};
    return QImage(reinterpret_cast<const uchar*>(rgb.constData()), w, h, w * 3,
                  QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(PngWriter, OneOrManyBandsDecodeToTheSamePixelsInLibpngAndQt)
{
    for (const QSize size : {QSize(1, 1), QSize(1, 10000), QSize(10000, 1), QSize(333, 97)}) {
        const QImage source = mixedPicture(size.width(), size.height());
        for (const bool interlaced : {false, true})
            for (const int filters : {UpFilter, SubFilter | UpFilter, AllFilters}) {
                SCOPED_TRACE(testing::Message()
                             << size.width() << "x" << size.height() << " interlaced " << interlaced
                             << " filters " << filters);
                // One stream from one thread, and bands deflated apart and joined.
                for (const int bands : {1, 7}) {
                    const QByteArray png =
                        WriteTruecolourPng(source, 6, interlaced, filters, bands);
                    EXPECT_EQ(PngCodec::decode(png), source);
                    EXPECT_EQ(QImage::fromData(png).convertToFormat(QImage::Format_RGB32), source);
                }
            }
    }
}

TEST(PngWriter, TwentyFourBitInputAndEveryLevelRoundTrip)
{
    const QImage source = mixedPicture(517, 301);
    const QImage bgr = source.convertToFormat(QImage::Format_BGR888);
    for (const int level : {-1, 0, 1, 9}) {
        SCOPED_TRACE(level);
        EXPECT_EQ(PngCodec::decode(WriteTruecolourPng(bgr, level, false, UpFilter, 5)), source);
    }
}

TEST(PngWriter, ImageMagickReadsPlainAndInterlacedFiles)
{
    if (QStandardPaths::findExecutable("convert").isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed";
    const QImage source = mixedPicture(401, 263);
    for (const bool interlaced : {false, true}) {
        const QByteArray png = WriteTruecolourPng(source, 6, interlaced, AllFilters, 6);
        EXPECT_EQ(viaImageMagick(png, 401, 263), source) << "interlaced " << interlaced;
    }
}

TEST(PngWriter, MixedMaskPicksTheBetterFilterRowByRow)
{
    // Top: random columns, each row the one above plus a little noise (Up flattens it);
    // bottom: ramps of random slopes plus a little noise (Sub flattens them).
    const int w = 600, h = 200;
    QImage image(w, h, QImage::Format_RGB32);
    quint32 seed = 7;
    const auto random = [&seed] { return int((seed = seed * 1664525u + 1013904223u) >> 24); };
    for (int y = 0; y < h; ++y) {
        const int slope = 1 + random() % 9;
        for (int x = 0; x < w; ++x) {
            const int value =
                y < h / 2 ? (y == 0 ? random() : qRed(image.pixel(x, y - 1))) : x * slope;
            const int v = (value + random() % 2) & 255;
            image.setPixel(x, y, qRgb(v, v, v));
        }
    }
    const qsizetype mixed = WriteTruecolourPng(image, 9, false, SubFilter | UpFilter).size();
    EXPECT_LT(mixed * 2, WriteTruecolourPng(image, 9, false, SubFilter).size());
    EXPECT_LT(mixed * 2, WriteTruecolourPng(image, 9, false, UpFilter).size());
}
