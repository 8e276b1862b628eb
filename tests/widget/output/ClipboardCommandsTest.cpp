#include "app/CommandMap.h"
#include "app/EditWiring.h"
#include "app/TfrmMain.h"
#include "edit/StatusPanels.h"
#include "output/codecs/PngCodec.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

using namespace vistrel;

namespace {

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 20, y * 30, 90));
    return image;
}

class ClipboardCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
        window = std::make_unique<TfrmMain>(platform);
    }
    void TearDown() override
    {
        window.reset();
        MessageBox::setHandler({});
        QGuiApplication::clipboard()->clear();
    }

    void show(const QImage& picture)
    {
        window->document().currentImage() = picture;
        window->document().SetCurrentImage(ImageDocument::Mode::Reset);
    }
    void click(const char* item) { window->commands().action(item)->trigger(); }
    const QMimeData* clipboard() const { return QGuiApplication::clipboard()->mimeData(); }
    void offer(const char* type, const QByteArray& bytes)
    {
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(type), bytes);
        QGuiApplication::clipboard()->setMimeData(data);
    }

    FakePlatform platform;
    std::unique_ptr<TfrmMain> window;
    QStringList messages;
};

} // namespace

TEST_F(ClipboardCommandsTest, CopyOffersTheShownPictureAsPngAndBitmap)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    click("mnuEditCopy");
    EXPECT_EQ(messages, QStringList{"対象となるビットマップがありません。"});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

    const QImage picture = gradient(7, 5);
    show(picture);
    click("mnuEditCopy");
    EXPECT_EQ(window->status().panelText(2), QStringLiteral("クリップボードへコピーしました。"));
    for (const char* type : {"image/png", "image/bmp", "application/x-qt-image"})
        EXPECT_TRUE(clipboard()->hasFormat(QString::fromLatin1(type))) << type;
    EXPECT_EQ(PngCodec::decode(clipboard()->data(QStringLiteral("image/png"))), picture);
    EXPECT_EQ(qvariant_cast<QImage>(clipboard()->imageData()), picture);

    // With a finished area selection only the selected part goes.
    EditModes& modes = window->edit().modes();
    modes.mnuEditRangeClick();
    modes.imaBitmapMouseDown({1, 1});
    modes.imaBitmapMouseMove({4, 3});
    modes.imaBitmapMouseUp({4, 3});
    click("mnuEditCopy");
    EXPECT_EQ(PngCodec::decode(clipboard()->data(QStringLiteral("image/png"))),
              picture.copy(1, 1, 3, 2));
    modes.EndEditMode();
    click("mnuEditCopy");
    EXPECT_EQ(PngCodec::decode(clipboard()->data(QStringLiteral("image/png"))), picture);
}

TEST_F(ClipboardCommandsTest, PasteWithoutATabKeepsTheShownPictureAndTextChangesNothing)
{
    const QImage before = gradient(4, 4);
    show(before);
    QGuiApplication::clipboard()->setText(QStringLiteral("not a picture"));
    click("mnuEditPaste");
    EXPECT_EQ(messages, QStringList{"クリップボードの形式がビットマップではありません。"});
    EXPECT_EQ(window->document().viewBitmap(), before);
    EXPECT_EQ(window->document().undoDepth(), 1);

    const QImage pasted = gradient(9, 3);
    offer("image/png", PngCodec::encode(pasted, 6, false));
    click("mnuEditPaste");
    EXPECT_EQ(window->document().viewBitmap(), pasted);
    // The picture shown without a tab went into one of its own; the paste has its own too.
    ASSERT_EQ(window->document().tabs().size(), 2);
    EXPECT_EQ(window->document().tabs()[1].Title, QStringLiteral("クリップボード"));
    window->document().selectTab(0);
    EXPECT_EQ(window->document().viewBitmap(), before);
}
