#include "edit/TempPictures.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

QImage pattern(QImage::Format format)
{
    QImage image(7, 3, format); // odd width: rows need padding at 24 bits
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 30, y * 80, (x * y) % 256));
    return image;
}

} // namespace

TEST(TempPictures, RoundTripKeepsPixelsAndDepth)
{
    QTemporaryDir folder;
    const TempPictures temp([&] { return folder.path(); });
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_BGR888}) {
        const QImage original = pattern(format);
        temp.WriteTempPicture(original, TempPictures::Kind::Tab, 3);
        QImage back;
        temp.ReadTempPicture(back, TempPictures::Kind::Tab, 3);
        EXPECT_EQ(back.depth(), original.depth());
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32),
                  original.convertToFormat(QImage::Format_RGB32));
    }
    EXPECT_TRUE(temp.path(TempPictures::Kind::Tab, 3).endsWith(QStringLiteral("/Tab3.cbmp")));
    EXPECT_TRUE(temp.path(TempPictures::Kind::Scroll, 0).endsWith(QStringLiteral("/Scr0.cbmp")));
}

TEST(TempPictures, MissingFileLeavesTheBitmapAndDeleteSkipsGaps)
{
    QTemporaryDir folder;
    const TempPictures temp([&] { return folder.path(); });
    QImage kept = pattern(QImage::Format_RGB32);
    temp.ReadTempPicture(kept, TempPictures::Kind::Scroll, 9);
    EXPECT_EQ(kept, pattern(QImage::Format_RGB32));

    temp.WriteTempPicture(kept, TempPictures::Kind::Tab, 0);
    temp.WriteTempPicture(kept, TempPictures::Kind::Tab, 50);
    temp.WriteTempPicture(kept, TempPictures::Kind::Tab, 51);
    temp.DeleteTempPictures(TempPictures::Kind::Tab);
    EXPECT_FALSE(QFile::exists(temp.path(TempPictures::Kind::Tab, 0)));
    EXPECT_FALSE(QFile::exists(temp.path(TempPictures::Kind::Tab, 50)));
    EXPECT_TRUE(QFile::exists(temp.path(TempPictures::Kind::Tab, 51)));
}

TEST(TempPictures, WritesLeaveTheCallerAtOnceAndAFailureComesWithTheRead)
{
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("gone"));
    const TempPictures temp([&] { return missing; });
    const QImage frame = pattern(QImage::Format_RGB32);
    EXPECT_NO_THROW(temp.WriteTempPicture(frame, TempPictures::Kind::Scroll, 1));
    EXPECT_NO_THROW(temp.WriteTempPicture(frame, TempPictures::Kind::Tab, 1));
    QImage back;
    try {
        temp.ReadTempPicture(back, TempPictures::Kind::Scroll, 1);
        ADD_FAILURE() << "a failed write read back as if written";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("に書き込めません")));
    }
    EXPECT_TRUE(back.isNull());
}
