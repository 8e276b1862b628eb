#include "edit/ImageDocument.h"
#include "edit/ImageArea.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <QTabBar>
#include <QTemporaryDir>

#include <stdexcept>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

class ImageDocumentTest : public testing::Test {
protected:
    ImageDocumentTest()
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
    }
    ~ImageDocumentTest() override { MessageBox::setHandler({}); }

    QImage picture(int shade) const
    {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(qRgb(shade, shade, shade));
        return image;
    }
    void capture(int shade, const QString& title)
    {
        document.currentImage() = picture(shade);
        document.SetCurrentImage(ImageDocument::Mode::Reset);
        document.AddCaptureTab(title);
    }
    void edit(int shade)
    {
        document.currentImage() = picture(shade);
        document.SetCurrentImage(ImageDocument::Mode::Commit);
    }

    QTemporaryDir folder;
    TempPictures temp{[this] { return folder.path(); }};
    int maximum = 10;
    ImageDocument document{temp, [this] { return maximum; }};
    QStringList messages;
};

} // namespace

TEST_F(ImageDocumentTest, EleventhCaptureRecyclesTheOldestTabAndItsNumber)
{
    for (int i = 1; i <= 10; ++i)
        capture(i, QStringLiteral("w%1").arg(i));
    capture(11, QStringLiteral("w11"));

    ASSERT_EQ(document.tabs().size(), 10);
    EXPECT_EQ(document.tabs().front().Title, QStringLiteral("w2"));
    EXPECT_EQ(document.tabs().back().Title, QStringLiteral("w11"));
    EXPECT_EQ(document.tabs().back().Number, 1); // the leftmost tab's file number
    EXPECT_EQ(document.selectedTab(), 9);

    QImage stored;
    temp.ReadTempPicture(stored, TempPictures::Kind::Tab, 1);
    EXPECT_EQ(stored.pixel(0, 0), qRgb(11, 11, 11));
}

TEST_F(ImageDocumentTest, LoweredMaximumRemovesOnlyOneTabPerCapture)
{
    for (int i = 1; i <= 5; ++i)
        capture(i, QStringLiteral("w%1").arg(i));
    maximum = 2;
    capture(6, QStringLiteral("w6"));
    EXPECT_EQ(document.tabs().size(), 5);
    maximum = 0; // never a crash, always room for the new capture
    capture(7, QStringLiteral("w7"));
    EXPECT_EQ(document.tabs().back().Title, QStringLiteral("w7"));
}

TEST_F(ImageDocumentTest, UndoDoesNotCrossATabSwitch)
{
    capture(1, QStringLiteral("a"));
    edit(2);
    capture(3, QStringLiteral("b"));
    document.selectTab(0);
    EXPECT_EQ(document.currentImage().pixel(0, 0), qRgb(2, 2, 2)); // the edit was kept
    document.mnuEditUndoClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("１つ前の操作がありません")});
    EXPECT_EQ(document.currentImage().pixel(0, 0), qRgb(2, 2, 2));
}

TEST_F(ImageDocumentTest, TwoEditsThenTwoUndosRestoreTheEnteredPicture)
{
    capture(1, QStringLiteral("a"));
    edit(2);
    edit(3);
    document.mnuEditUndoClick();
    EXPECT_EQ(document.viewBitmap().pixel(0, 0), qRgb(2, 2, 2));
    document.mnuEditUndoClick();
    EXPECT_EQ(document.viewBitmap().pixel(0, 0), qRgb(1, 1, 1));
    EXPECT_TRUE(messages.isEmpty());
    document.mnuEditUndoClick();
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ImageDocumentTest, CommitRewritesTheSelectedTabButUndoDoesNot)
{
    capture(1, QStringLiteral("a"));
    edit(5);
    QImage stored;
    temp.ReadTempPicture(stored, TempPictures::Kind::Tab, 1);
    EXPECT_EQ(stored.pixel(0, 0), qRgb(5, 5, 5));
    document.mnuEditUndoClick();
    temp.ReadTempPicture(stored, TempPictures::Kind::Tab, 1);
    EXPECT_EQ(stored.pixel(0, 0), qRgb(5, 5, 5));
}

TEST_F(ImageDocumentTest, LoadingWithoutTabsWritesNoFileAndViewIs32Bit)
{
    document.currentImage() = QImage(3, 3, QImage::Format_BGR888);
    document.currentImage().fill(Qt::red);
    document.SetCurrentImage(ImageDocument::Mode::Commit);
    EXPECT_TRUE(document.tabs().isEmpty());
    EXPECT_FALSE(QFile::exists(temp.path(TempPictures::Kind::Tab, 1)));
    EXPECT_EQ(document.viewBitmap().format(), QImage::Format_RGB32);
    EXPECT_EQ(document.currentImage().format(), QImage::Format_BGR888);
}

TEST_F(ImageDocumentTest, SizeTextUsesTheMultiplicationSign)
{
    EXPECT_EQ(ImageDocument::imageSizeText(QImage(640, 480, QImage::Format_RGB32)),
              QStringLiteral("画像サイズ : 640×480"));
}

TEST_F(ImageDocumentTest, LeavingATabKeepsWhatItShowsNotAPictureCapturedBehindIt)
{
    capture(1, QStringLiteral("a"));
    capture(2, QStringLiteral("b"));
    document.currentImage() = picture(9); // a hotkey capture: the view still shows 2
    document.selectTab(0);
    document.selectTab(1);
    EXPECT_EQ(document.viewBitmap().pixel(0, 0), qRgb(2, 2, 2));
    EXPECT_EQ(document.currentImage().pixel(0, 0), qRgb(2, 2, 2));
}

TEST_F(ImageDocumentTest, AnOpenedPictureIsAnEditThatUndoTakesBack)
{
    capture(1, QStringLiteral("a"));
    document.replacePicture(picture(7));
    QImage stored;
    temp.ReadTempPicture(stored, TempPictures::Kind::Tab, 1);
    EXPECT_EQ(stored.pixel(0, 0), qRgb(7, 7, 7));
    document.mnuEditUndoClick();
    EXPECT_EQ(document.viewBitmap().pixel(0, 0), qRgb(1, 1, 1));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ImageDocumentTest, ATabThatCannotBeWrittenKeepsTheTabBarOnTheDocumentsTab)
{
    ImageArea area(document);
    capture(1, QStringLiteral("a"));
    capture(2, QStringLiteral("b"));
    edit(3);
    ASSERT_TRUE(folder.remove()); // the disk is gone: the tab being left cannot be written
    EXPECT_THROW(area.tabWindow()->setCurrentIndex(0), std::runtime_error);
    EXPECT_EQ(document.selectedTab(), 1);
    EXPECT_EQ(area.tabWindow()->currentIndex(), 1);
    EXPECT_EQ(document.currentImage().pixel(0, 0), qRgb(3, 3, 3));
}
