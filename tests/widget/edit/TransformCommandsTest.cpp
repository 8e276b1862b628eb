#include "edit/TransformCommands.h"
#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "platform/MessageBox.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

class TransformCommandsTest : public testing::Test {
protected:
    TransformCommandsTest()
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
    }
    ~TransformCommandsTest() override { MessageBox::setHandler({}); }

    QTemporaryDir folder;
    TempPictures temp{[this] { return folder.path(); }};
    ImageDocument document{temp, [] { return 10; }};
    StatusPanels status;
    TransformCommands commands{document, status, nullptr, {}};
    QStringList messages;
};

} // namespace

TEST_F(TransformCommandsTest, EmptyPictureIsRefusedWithoutChange)
{
    commands.mnuRotate90RightClick(90);
    commands.mnuEditZoomClick();
    EXPECT_EQ(messages, QStringList(2, QStringLiteral("対象となるビットマップがありません。")));
    EXPECT_TRUE(document.currentImage().isNull());
    EXPECT_TRUE(status.panelText(2).isEmpty());
}

TEST_F(TransformCommandsTest, QuarterTurnIsOneUndoStepFromTheView)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    picture.setPixel(0, 0, qRgb(200, 0, 0));
    document.currentImage() = picture;
    document.SetCurrentImage(ImageDocument::Mode::Reset);

    commands.mnuRotate90RightClick(90);
    EXPECT_EQ(document.currentImage().size(), QSize(2, 3));
    EXPECT_EQ(document.currentImage().pixel(1, 0), qRgb(200, 0, 0)); // top-left went top-right
    EXPECT_EQ(status.panelText(2), QStringLiteral("イメージの回転が完了しました"));
    EXPECT_EQ(document.undoDepth(), 2);

    document.mnuEditUndoClick();
    EXPECT_EQ(document.viewBitmap(), picture);
}
