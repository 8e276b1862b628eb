#include "output/PictureFile.h"
#include "output/codecs/BmpFile.h"
#include "output/codecs/PictureConversions.h"

#include "FileSizeLimit.h"
#include "TestPictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel;
using namespace testpictures;

namespace {

struct Saved {
    QByteArray bytes;
    QImage back;
};

Saved saveAndLoad(const QImage& picture, int type, const PictureSaveOptions& options = {},
                  const QString& name = "picture.bmp")
{
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    savePictureFile(picture, type, path, options);
    return {contents(path), loadPictureFile(path)};
}

} // namespace

TEST(PictureFile, BitmapTypesWriteTheirDepthAndReadBackExactly)
{
    const QImage picture = gradient(37, 11);
    const QImage original = picture.copy();
    struct Case {
        int type;
        int bits;
        QImage expected;
    };
    const Case cases[] = {
        {0, 32, picture},
        {1, 32, picture},
        {2, 1, PictureConversions::toMonochrome(picture)},
        {3, 4, PictureConversions::toStandard16(picture)},
        {4, 8, PictureConversions::toHalftone256(picture)},
        {5, 16, PictureConversions::toRgb555(picture)},
        {6, 16, PictureConversions::toRgb565(picture)},
        {7, 24, picture},
        {8, 32, picture},
        {12, 32, picture},
        {13, 32, picture},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const Saved saved = saveAndLoad(picture, c.type);
        ASSERT_TRUE(saved.bytes.startsWith("BM"));
        EXPECT_EQ(u16le(saved.bytes, 28), unsigned(c.bits));
        EXPECT_EQ(saved.back.convertToFormat(QImage::Format_RGB32),
                  c.expected.convertToFormat(QImage::Format_RGB32));
    }
    EXPECT_EQ(picture, original);
    EXPECT_EQ(saveAndLoad(picture, 7).back.format(), QImage::Format_BGR888);
}

TEST(PictureFile, StandardPalettesHoldTheirDefinedColours)
{
    const auto& p16 = PictureConversions::standard16Palette();
    ASSERT_EQ(p16.size(), 16);
    EXPECT_EQ(p16[1], qRgb(128, 0, 0));
    EXPECT_EQ(p16[7], qRgb(192, 192, 192));
    EXPECT_EQ(p16[8], qRgb(128, 128, 128));
    EXPECT_EQ(p16[12], qRgb(0, 0, 255));
    const auto& p256 = PictureConversions::halftone256Palette();
    ASSERT_EQ(p256.size(), 256);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(p256.contains(p16[i])) << i;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                EXPECT_EQ(p256[10 + r * 36 + g * 6 + b], qRgb(r * 51, g * 51, b * 51));
    EXPECT_EQ(p256[8], qRgb(192, 220, 192));
    EXPECT_EQ(p256[246], qRgb(255, 251, 240));
    EXPECT_EQ(p256[255], qRgb(255, 255, 255));
    // Nearest colour: a dark red goes to maroon, a light grey to silver.
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(150, 10, 10));
    two.setPixel(1, 0, qRgb(200, 190, 195));
    const QImage mapped = PictureConversions::toStandard16(two);
    EXPECT_EQ(mapped.pixelIndex(0, 0), 1);
    EXPECT_EQ(mapped.pixelIndex(1, 0), 7);
}

TEST(PictureFile, JpegHonoursQualityAndProgressive)
{
    const QImage picture = gradient(64, 48);
    PictureSaveOptions low, high, progressive;
    low.jpegQuality = 1;
    high.jpegQuality = 100;
    progressive.jpegProgressive = true;
    const Saved a = saveAndLoad(picture, 9, low, "a.jpg");
    const Saved b = saveAndLoad(picture, 9, high, "b.jpg");
    const Saved p = saveAndLoad(picture, 9, progressive, "p.jpg");
    EXPECT_LT(a.bytes.size(), b.bytes.size());
    EXPECT_TRUE(b.bytes.contains("\xFF\xC0")); // baseline start of frame
    EXPECT_FALSE(b.bytes.contains("\xFF\xC2"));
    EXPECT_TRUE(p.bytes.contains("\xFF\xC2")); // progressive start of frame
    ASSERT_EQ(b.back.size(), picture.size());
    const QColor was = picture.pixelColor(30, 20), is = b.back.pixelColor(30, 20);
    EXPECT_NEAR(is.red(), was.red(), 4);
    EXPECT_NEAR(is.green(), was.green(), 4);
}

TEST(PictureFile, PngLevelsInterlaceAndChunks)
{
    const QImage picture = screenLike(120, 80);
    PictureSaveOptions stored, smallest, interlaced;
    stored.pngZlib = 0;
    smallest.pngZlib = 3;
    interlaced.pngInterlace = 1;
    const Saved s0 = saveAndLoad(picture, 10, stored, "s.png");
    const Saved s9 = saveAndLoad(picture, 10, smallest, "m.png");
    const Saved sd = saveAndLoad(picture, 10, {}, "d.png");
    const Saved si = saveAndLoad(picture, 10, interlaced, "i.png");
    EXPECT_GT(s0.bytes.size(), 120 * 80 * 3); // stored deflate blocks
    EXPECT_LE(s9.bytes.size(), sd.bytes.size());
    for (const Saved* s : {&s0, &s9, &sd, &si}) {
        EXPECT_EQ(s->back, picture);
        EXPECT_EQ(uchar(s->bytes[24]), 8); // bit depth
        EXPECT_EQ(uchar(s->bytes[25]), 2); // truecolour, no alpha
        EXPECT_FALSE(s->bytes.contains("gAMA"));
        EXPECT_FALSE(s->bytes.contains("bKGD"));
    }
    EXPECT_EQ(uchar(sd.bytes[28]), 0);
    EXPECT_EQ(uchar(si.bytes[28]), 1); // Adam7
}

// A picture with a photograph's fine noise over smooth colour.
QImage photoLike(int w, int h)
{
    QImage image = gradient(w, h);
    quint32 seed = 7;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 29) - 4;
            row[x] = qRgb(qBound(0, qRed(row[x]) + n, 255), qBound(0, qGreen(row[x]) - n, 255),
                          qBound(0, qBlue(row[x]) + n / 2, 255));
        }
    }
    return image;
}

TEST(PictureFile, FavouringSizeGivesTheSmallestPngOfTheFour)
{
    for (const QImage& picture : {screenLike(320, 200), photoLike(320, 200)}) {
        QList<qsizetype> sizes;
        for (int choice = 0; choice <= 3; ++choice) {
            PictureSaveOptions options;
            options.pngZlib = choice;
            sizes << saveAndLoad(picture, 10, options, "c.png").bytes.size();
        }
        EXPECT_LT(sizes[3], sizes[0]);
        EXPECT_LT(sizes[3], sizes[1]);
        EXPECT_LT(sizes[3], sizes[2]);
        EXPECT_LT(sizes[1], sizes[0]);
    }
}

TEST(PictureFile, PngWritesPaletteDepthsAsIndexed)
{
    PictureSaveOptions eightBitScreen;
    eightBitScreen.screenDepth = 8;
    const QImage picture = gradient(20, 20);
    const Saved s = saveAndLoad(picture, 10, eightBitScreen, "x.png");
    EXPECT_EQ(uchar(s.bytes[24]), 8);
    EXPECT_EQ(uchar(s.bytes[25]), 3);
    EXPECT_EQ(s.back,
              PictureConversions::toHalftone256(picture).convertToFormat(QImage::Format_RGB32));
    QTemporaryDir dir;
    const QString path = dir.filePath("mono.png");
    savePictureFile(PictureConversions::toMonochrome(picture), 10, path);
    EXPECT_EQ(uchar(contents(path)[24]), 1);
}

TEST(PictureFile, GifKeepsFewColoursAndReducesMany)
{
    const QImage few = screenLike(50, 40);
    EXPECT_EQ(saveAndLoad(few, 11, {}, "f.gif").back, few);
    const QImage many = gradient(300, 200);
    ASSERT_GT(distinctColours(many), 256);
    const Saved s = saveAndLoad(many, 11, {}, "m.gif");
    EXPECT_TRUE(s.bytes.startsWith("GIF8"));
    EXPECT_LE(distinctColours(s.back), 256);
    const QColor was = many.pixelColor(150, 100), is = s.back.pixelColor(150, 100);
    EXPECT_NEAR(is.red(), was.red(), 24);
    EXPECT_NEAR(is.green(), was.green(), 24);
}

TEST(PictureFile, ExtensionRulesAndContentDecides)
{
    QTemporaryDir dir;
    const QImage picture = screenLike(16, 8);
    savePictureFile(picture, 10, dir.filePath("upper.JPEG"));
    EXPECT_EQ(loadPictureFile(dir.filePath("upper.JPEG")), picture); // PNG data, any case
    savePictureFile(picture, 9, dir.filePath("photo.bmp"));
    EXPECT_EQ(loadPictureFile(dir.filePath("photo.bmp")).size(), picture.size());
    savePictureFile(picture, 1, dir.filePath("other.tif"));
    EXPECT_TRUE(loadPictureFile(dir.filePath("other.tif")).isNull());
    EXPECT_TRUE(loadPictureFile(dir.filePath("missing.png")).isNull());
    EXPECT_TRUE(loadPictureFile(dir.path()).isNull());
}

TEST(PictureFile, SaveAnnouncesTheFolderAndFailsAtomically)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shot.png");
    QStringList announced;
    QObject receiver;
    QObject::connect(&PictureFileEvents::instance(), &PictureFileEvents::pictureFileWritten,
                     &receiver, [&announced](const QString& folder) { announced << folder; });
    savePictureFile(screenLike(10, 10), 10, path);
    EXPECT_EQ(announced, QStringList{dir.path()});
    const QByteArray before = contents(path);
    {
        const FileSizeLimit limit(300);
        EXPECT_THROW(savePictureFile(gradient(200, 200), 10, path), std::runtime_error);
    }
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_EQ(announced.size(), 1);
    EXPECT_THROW(savePictureFile(QImage(), 1, dir.filePath("empty.bmp")), std::runtime_error);
}

TEST(PictureFile, SettingMappings)
{
    EXPECT_EQ(pngZlibLevel(0), 0);
    EXPECT_EQ(pngZlibLevel(1), -1);
    EXPECT_EQ(pngZlibLevel(2), 1);
    EXPECT_EQ(pngZlibLevel(3), 9);
    EXPECT_EQ(pngZlibLevel(7), -1);
    EXPECT_EQ(pngFilters(7), pngFilters(1));
    EXPECT_EQ(effectiveSaveType(0), 1);
    EXPECT_EQ(effectiveSaveType(11), 11);
    EXPECT_EQ(effectiveSaveType(12), 1);
    EXPECT_EQ(folderOfPath("/home/a/b.png"), "/home/a");
    EXPECT_EQ(folderOfPath("/b.png"), "/");
}

TEST(PictureFile, JpegLookedAtDecodesAsSmallAsStillCoversTheView)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    savePictureFile(gradient(400, 200), 9, path);
    EXPECT_EQ(loadPictureFile(path, QSize(90, 40)).size(), QSize(100, 50));   // a quarter
    EXPECT_EQ(loadPictureFile(path, QSize(101, 40)).size(), QSize(200, 100)); // a half
    EXPECT_EQ(loadPictureFile(path, QSize(300, 300)).size(), QSize(400, 200));
    EXPECT_EQ(loadPictureFile(path).size(), QSize(400, 200));
    const QString png = dir.filePath(QStringLiteral("screen.png"));
    savePictureFile(gradient(400, 200), 10, png);
    EXPECT_EQ(loadPictureFile(png, QSize(50, 25)).size(), QSize(400, 200)); // whole
}
