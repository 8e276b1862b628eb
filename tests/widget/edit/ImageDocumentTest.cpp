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
    bool capture(int shade, const QString& title)
    {
        document.currentImage() = picture(shade);
        return document.AddCaptureTab(title);
    }
    int shown() const { return qRed(document.viewBitmap().pixel(0, 0)); }
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
    EXPECT_EQ(document.tabs().back().Number, 1); // the leftmost tab's number
    EXPECT_EQ(document.selectedTab(), 9);
    EXPECT_EQ(shown(), 11);
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

TEST_F(ImageDocumentTest, EachTabKeepsItsHistoryAcrossSwitches)
{
    capture(1, QStringLiteral("a"));
    edit(2);
    edit(3);
    capture(4, QStringLiteral("b"));
    edit(5);
    document.selectTab(0);
    EXPECT_EQ(shown(), 3);
    EXPECT_EQ(document.undoDepth(), 3);
    document.mnuEditUndoClick(); // acts on the selected tab only
    document.selectTab(1);
    document.selectTab(0);
    EXPECT_EQ(shown(), 2);
    document.mnuEditUndoClick();
    EXPECT_EQ(shown(), 1);
    document.selectTab(1);
    document.mnuEditUndoClick();
    EXPECT_EQ(shown(), 4);
    EXPECT_TRUE(messages.isEmpty());
    document.mnuEditUndoClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("１つ前の操作がありません")});
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

TEST_F(ImageDocumentTest, TheScratchPictureFollowsTheTabAndItsLossStopsNothing)
{
    capture(1, QStringLiteral("a"));
    edit(5);
    const auto stored = [this] {
        QImage picture;
        temp.ReadTempPicture(picture, TempPictures::Kind::Tab, 1);
        return qRed(picture.pixel(0, 0));
    };
    EXPECT_EQ(stored(), 5);
    document.mnuEditUndoClick();
    EXPECT_EQ(stored(), 1);
    document.showOpenedPicture(picture(9), QStringLiteral("x.png"), QStringLiteral("/p/x.png"));
    EXPECT_FALSE(QFile::exists(temp.path(TempPictures::Kind::Tab, 2))); // in its own file
    ASSERT_TRUE(folder.remove());
    document.selectTab(0);
    edit(6);
    EXPECT_EQ(shown(), 6);
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

TEST_F(ImageDocumentTest, APasteIsAnEditThatUndoTakesBack)
{
    capture(1, QStringLiteral("a"));
    document.replacePicture(picture(7));
    EXPECT_TRUE(document.tabEdited(0));
    document.mnuEditUndoClick();
    EXPECT_EQ(shown(), 1);
    EXPECT_FALSE(document.tabEdited(0));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ImageDocumentTest, AFailedUnpackLeavesTheTabBarOnTheDocumentsTab)
{
    // A tab switch needs no disk any more; what stays is the tab bar agreeing with the
    // document when entering a tab fails.
    ImageArea area(document);
    capture(1, QStringLiteral("a"));
    capture(2, QStringLiteral("b"));
    edit(3);
    temp.waitForWrites(); // the scratch copies are written behind the edits
    ASSERT_TRUE(folder.remove());
    area.tabWindow()->setCurrentIndex(0);
    EXPECT_EQ(document.selectedTab(), 0);
    EXPECT_EQ(area.tabWindow()->currentIndex(), 0);
    EXPECT_EQ(shown(), 1);
}

TEST_F(ImageDocumentTest, OpenedFilesShareOneTabAndNeverOverwriteACapture)
{
    capture(1, QStringLiteral("a"));
    edit(2);
    document.showOpenedPicture(picture(10), QStringLiteral("x.png"), QStringLiteral("/p/x.png"));
    document.showOpenedPicture(picture(11), QStringLiteral("y.png"), QStringLiteral("/p/y.png"));
    ASSERT_EQ(document.tabs().size(), 2);
    EXPECT_EQ(document.tabs()[1].Title, QStringLiteral("y.png"));
    EXPECT_EQ(document.tabs()[1].FileName, QStringLiteral("/p/y.png"));
    EXPECT_EQ(document.undoDepth(), 1); // browsing is not editing
    EXPECT_FALSE(document.tabEdited(1));
    edit(12); // the edited file tab is the user's work now
    document.showOpenedPicture(picture(13), QStringLiteral("z.png"), QStringLiteral("/p/z.png"));
    ASSERT_EQ(document.tabs().size(), 3);
    document.selectTab(1);
    EXPECT_EQ(shown(), 12);
    document.selectTab(0);
    EXPECT_EQ(shown(), 2);
    document.mnuEditUndoClick();
    EXPECT_EQ(shown(), 1);
}

TEST_F(ImageDocumentTest, WithNoTabAPasteAndAnEditedShownCaptureGetTabs)
{
    document.replacePicture(picture(3));
    ASSERT_EQ(document.tabs().size(), 1);
    EXPECT_EQ(document.tabs()[0].Title, QStringLiteral("クリップボード"));
    document.closeTab(0);
    // A capture shown without a tab (the start-up capture), then edited.
    document.currentImage() = picture(4);
    document.SetCurrentImage(ImageDocument::Mode::Reset);
    edit(5);
    document.storeSelectedTab(); // a capture is about to replace the current image
    capture(6, QStringLiteral("b"));
    ASSERT_EQ(document.tabs().size(), 2);
    document.selectTab(0);
    EXPECT_EQ(shown(), 5);
    EXPECT_TRUE(document.tabEdited(0));
}

TEST_F(ImageDocumentTest, TheTabMaximumRecyclesOnlyTabsWithoutUnsavedEdits)
{
    maximum = 3;
    capture(1, QStringLiteral("a"));
    edit(2);
    capture(3, QStringLiteral("b"));
    capture(4, QStringLiteral("c"));
    EXPECT_TRUE(capture(5, QStringLiteral("d"))); // "b" goes, not the edited "a"
    ASSERT_EQ(document.tabs().size(), 3);
    EXPECT_EQ(document.tabs()[0].Title, QStringLiteral("a"));
    EXPECT_EQ(document.tabs()[1].Title, QStringLiteral("c"));
    edit(6);
    document.selectTab(1);
    edit(7);
    EXPECT_FALSE(capture(8, QStringLiteral("e"))); // every tab edited: the tabs grow
    EXPECT_EQ(document.tabs().size(), 4);
    document.selectTab(0);
    document.markSaved();
    EXPECT_TRUE(capture(9, QStringLiteral("f"))); // the saved "a" is the oldest to go now
    EXPECT_EQ(document.tabs()[0].Title, QStringLiteral("c"));
}

TEST_F(ImageDocumentTest, UndoingPastASaveMarksTheTabEditedAgain)
{
    capture(1, QStringLiteral("a"));
    edit(2);
    document.markSaved();
    EXPECT_FALSE(document.tabEdited(0));
    document.mnuEditUndoClick();
    EXPECT_TRUE(document.tabEdited(0));
    edit(2);
    EXPECT_TRUE(document.tabEdited(0)); // the same depth, not the saved picture
}

TEST_F(ImageDocumentTest, ClosingTheSelectedTabEntersItsNeighbour)
{
    capture(1, QStringLiteral("a"));
    capture(2, QStringLiteral("b"));
    capture(3, QStringLiteral("c"));
    document.selectTab(1);
    document.closeTab(1);
    EXPECT_EQ(document.selectedTab(), 1);
    EXPECT_EQ(shown(), 3);
    document.closeTab(0);
    EXPECT_EQ(document.selectedTab(), 0);
    EXPECT_EQ(shown(), 3);
    document.closeTab(0);
    EXPECT_TRUE(document.viewBitmap().isNull());
    EXPECT_EQ(document.undoDepth(), 0);
}

TEST_F(ImageDocumentTest, KeptTabsComeBackEditedWithTheirCaptions)
{
    capture(1, QStringLiteral("a"));
    edit(2);
    capture(3, QStringLiteral("b"));
    document.showOpenedPicture(picture(4), QStringLiteral("x.png"), QStringLiteral("/p/x.png"));
    edit(5);
    QTemporaryDir kept;
    EXPECT_EQ(document.keepEditedTabs(kept.path()), 2);

    ImageDocument next{temp, [] { return 10; }};
    EXPECT_EQ(ImageDocument::keptTabCount(kept.path()), 2);
    EXPECT_EQ(next.restoreKeptTabs(kept.path()), 2);
    ASSERT_EQ(next.tabs().size(), 2);
    EXPECT_EQ(next.tabs()[0].Title, QStringLiteral("a"));
    EXPECT_EQ(next.tabs()[1].FileName, QStringLiteral("/p/x.png"));
    EXPECT_EQ(qRed(next.viewBitmap().pixel(0, 0)), 5);
    EXPECT_TRUE(next.tabEdited(0) && next.tabEdited(1));
    EXPECT_EQ(ImageDocument::keptTabCount(kept.path()), 0); // offered once
}

TEST_F(ImageDocumentTest, TheHistoryBudgetDropsTheOldestStepsOfTheOldestTabFirst)
{
    // Noise that does not compress: every kept step holds its 48 bytes.
    quint32 noise = 7;
    const auto noisy = [&noise] {
        QImage image(4, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                image.setPixel(x, y, (noise = noise * 1103515245 + 12345) >> 8);
        return image;
    };
    document.historyBudget = [] { return qint64(5 * 48); };
    QStringList said;
    QObject::connect(&document, &ImageDocument::statusMessage,
                     [&said](const QString& text) { said << text; });
    const auto editWith = [&] {
        document.currentImage() = noisy();
        document.SetCurrentImage(ImageDocument::Mode::Commit);
    };
    document.currentImage() = noisy();
    document.AddCaptureTab(QStringLiteral("a"));
    for (int i = 0; i < 3; ++i)
        editWith();
    document.currentImage() = noisy();
    document.AddCaptureTab(QStringLiteral("b"));
    for (int i = 0; i < 3; ++i)
        editWith();
    EXPECT_EQ(document.undoDepth(), 4); // the selected, newer tab keeps all of its steps
    EXPECT_EQ(said.size(), 1);
    EXPECT_LE(document.historyBytes(), 5 * 48);
    document.selectTab(0);
    EXPECT_EQ(document.undoDepth(), 3);
    EXPECT_TRUE(document.tabEdited(0));
}

TEST_F(ImageDocumentTest, RedoActsOnTheSelectedTabAndBringsBackTheSavedState)
{
    capture(10, QStringLiteral("a"));
    edit(11);
    document.markSaved();
    edit(12);
    document.mnuEditUndoClick();
    document.mnuEditUndoClick();
    EXPECT_TRUE(document.tabEdited(0));
    capture(20, QStringLiteral("b"));
    document.mnuEditRedoClick(); // nothing was undone in this tab
    EXPECT_EQ(shown(), 20);
    document.selectTab(0);
    EXPECT_EQ(document.redoDepth(), 2);
    document.mnuEditRedoClick();
    EXPECT_EQ(shown(), 11);
    EXPECT_FALSE(document.tabEdited(0)); // what was saved is on show again
    document.mnuEditRedoClick();
    EXPECT_EQ(shown(), 12);
    document.mnuEditUndoClick();
    document.mnuEditUndoClick();
    edit(13); // the saved picture can no longer come back
    EXPECT_TRUE(document.tabEdited(0));
    EXPECT_EQ(messages, QStringList{QStringLiteral("やり直す操作がありません")});
}
