#include "output/clipboard/ClipboardPaste.h"
#include "output/clipboard/ClipboardPicture.h"
#include "output/codecs/PngCodec.h"

#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel;

namespace {

QImage filled(QRgb colour, int w = 6, int h = 4)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage paste(const char* type, const QByteArray& bytes)
{
    QMimeData data;
    data.setData(QString::fromLatin1(type), bytes);
    return pictureFromClipboard(data);
}

} // namespace

TEST(ClipboardPaste, EveryOfferedPictureTypeIsRead)
{
    const QImage picture = filled(qRgb(10, 200, 30));
    EXPECT_EQ(paste("image/png", PngCodec::encode(picture, 6, false)), picture);
    EXPECT_EQ(paste("image/bmp", ClipboardPicture::encode(picture, QStringLiteral("image/bmp")))
                  .convertToFormat(QImage::Format_RGB32),
              picture);
    EXPECT_EQ(pictureFromClipboard(ClipboardPicture(picture)), picture);
    EXPECT_TRUE(paste("text/plain", "image/png").isNull());
    EXPECT_THROW(paste("image/png", PngCodec::encode(picture, 6, false).left(60)),
                 std::runtime_error);
}

TEST(ClipboardPaste, OneLocalPictureFileFromAFileManager)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("copied.png"));
    const QImage picture = filled(qRgb(250, 0, 90));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(PngCodec::encode(picture, 6, false));
    file.close();

    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(path)});
    EXPECT_EQ(pictureFromClipboard(one), picture);
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
    EXPECT_TRUE(pictureFromClipboard(two).isNull());
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/a.png"))});
    EXPECT_TRUE(pictureFromClipboard(remote).isNull());
}
