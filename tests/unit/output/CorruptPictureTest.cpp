#include "output/PictureFile.h"
#include "output/codecs/GifCodec.h"
#include "output/codecs/JpegCodec.h"
#include "output/codecs/PngCodec.h"

#include "TestPictures.h"

#include <QTemporaryDir>

#include <gif_lib.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel;
using namespace testpictures;

namespace {

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (24 - 8 * i)) & 0xff);
    return b;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    const QByteArray body = type + data;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()));
    return be32(quint32(data.size())) + body + be32(quint32(crc));
}

// A valid signature and header chunk for a picture of any claimed size.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    const QByteArray ihdr = be32(width) + be32(height) + QByteArray("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1A\n") + pngChunk("IHDR", ihdr) + pngChunk("IEND", {});
}

int appendTo(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

// Two frames on a 6x4 screen: a 2x2 red square at (1,1), then a full blue frame.
QByteArray twoFrameGif()
{
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendTo, &error);
    GifColorType colours[4] = {{255, 0, 0}, {0, 0, 255}, {0, 0, 0}, {0, 0, 0}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifPutScreenDesc(gif, 6, 4, 2, 0, map);
    GifPixelType red[2] = {0, 0}, blue[6] = {1, 1, 1, 1, 1, 1};
    EGifPutImageDesc(gif, 1, 1, 2, 2, false, nullptr);
    for (int y = 0; y < 2; ++y)
        EGifPutLine(gif, red, 2);
    EGifPutImageDesc(gif, 0, 0, 6, 4, false, nullptr);
    for (int y = 0; y < 4; ++y)
        EGifPutLine(gif, blue, 6);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

void expectMessage(const QString& path)
{
    try {
        loadPictureFile(path);
        ADD_FAILURE() << "no error for " << path.toStdString();
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(path));
    }
}

} // namespace

TEST(CorruptPicture, DamagedFilesGiveAMessage)
{
    QTemporaryDir dir;
    const QImage picture = gradient(64, 64);
    const QByteArray jpeg = JpegCodec::encode(picture, 90, false);
    const QByteArray whole = PngCodec::encode(picture, -1, false);
    QByteArray png = whole;
    png[png.indexOf("IDAT") + 10] = char(png[png.indexOf("IDAT") + 10] ^ 0x55); // CRC now wrong
    const QByteArray gifNoFrame = QByteArray("GIF89a\x02\x00\x02\x00\x00\x00\x00;", 14);
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"empty.png", {}},
        {"cut.jpg", jpeg.left(jpeg.size() / 2)},
        {"header.jpg", jpeg.left(20)},
        {"crc.png", png},
        {"cut.png", whole.left(whole.size() / 2)},
        {"huge.png", pngHeaderOnly(100000, 100000)},
        {"wide.png", pngHeaderOnly(0x7fffffff, 1)},
        {"none.gif", gifNoFrame},
        {"cut.gif", twoFrameGif().left(30)},
        {"noise.bmp", QByteArray(100, 'x')},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        store(dir.filePath(file.name), file.bytes);
        expectMessage(dir.filePath(file.name));
    }
}

TEST(CorruptPicture, ExtremeButValidPicturesOpen)
{
    QTemporaryDir dir;
    QImage tall(1, 10000, QImage::Format_RGB32);
    tall.fill(qRgb(1, 2, 3));
    store(dir.filePath("tall.png"), PngCodec::encode(tall, 9, true));
    EXPECT_EQ(loadPictureFile(dir.filePath("tall.png")), tall);

    store(dir.filePath("two.gif"), twoFrameGif());
    const QImage first = loadPictureFile(dir.filePath("two.gif"));
    ASSERT_EQ(first.size(), QSize(6, 4)); // the logical screen, not the frame
    EXPECT_EQ(first.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(first.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(first.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(first.pixel(5, 3), qRgb(255, 255, 255));
}

TEST(CorruptPicture, TransparencyIsCompositedOverWhite)
{
    QImage half(2, 1, QImage::Format_ARGB32);
    half.setPixel(0, 0, qRgba(0, 0, 0, 0));
    half.setPixel(1, 0, qRgba(0, 0, 0, 255));
    QTemporaryDir dir;
    ASSERT_TRUE(half.save(dir.filePath("alpha.png"))); // written by Qt, with alpha
    const QImage read = loadPictureFile(dir.filePath("alpha.png"));
    EXPECT_EQ(read.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(read.pixel(1, 0), qRgb(0, 0, 0));
}
