#include "edit/modes/EditModes.h"
#include "EditRig.h"
#include "edit/ImageArea.h"
#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/ViewZoom.h"
#include "edit/modes/EditSurface.h"
#include "edit/modes/RubberBand.h"
#include "edit/modes/TTrackBox.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

const QString NoBitmap = QStringLiteral("対象となるビットマップがありません。");

// Records what the modes ask of the main window; the wizard answers as scripted.
class RecordingHost : public EditModesHost {
public:
    void setToggle(const QString& item, bool checked) override { toggles[item] = checked; }
    void PerformAfterAction(int code) override
    {
        actions << code;
        trimmed << current();
    }
    TrimChoice ExecuteTrim(const TrimRequest& request, TrimWizardSettings& settings) override
    {
        requests << request;
        if (answer.code != 0)
            settings = answerSettings;
        return answer;
    }

    std::function<QImage()> current;
    QHash<QString, bool> toggles;
    QList<int> actions;
    QList<QImage> trimmed;
    QList<TrimRequest> requests;
    TrimChoice answer;
    TrimWizardSettings answerSettings{0, 7, 0};
};

// A picture whose every pixel tells where it came from.
QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y, (x * 7 + y) & 0xff));
    return image;
}

class EditModesTest : public testing::Test, protected test::EditRig<RecordingHost> {
protected:
    EditModesTest()
    {
        settings.COLOR.LHAN = true;
        settings.COLOR.LINE = 0x0000FF;
        settings.OBJECT.RANGEPIXELS = 3;
        settings.OBJECT.RANGEZOOM = 3;
        host.current = [this] { return document.currentImage(); };
    }

    void show(const QImage& picture)
    {
        document.currentImage() = picture;
        document.SetCurrentImage(ImageDocument::Mode::Reset);
    }
    // Drags with the real mouse over the view, in picture pixels.
    void drag(QPoint from, QPoint to)
    {
        QLabel* view = area.imaBitmap();
        const QPoint origin = surface.origin();
        QTest::mousePress(view, Qt::LeftButton, {}, from + origin);
        QTest::mouseMove(view, to + origin);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to + origin);
    }
};

} // namespace

TEST_F(EditModesTest, TrimDragOpensTheWizardAndActsOnTheTrimmedPart)
{
    modes.mnuEditCutClick();
    EXPECT_EQ(messages, QStringList{NoBitmap});
    EXPECT_FALSE(host.toggles.value("mnuEditCut"));
    EXPECT_EQ(modes.mode(), ModeNone);

    const QImage picture = pattern(60, 40);
    show(picture);
    area.show();
    modes.mnuEditCutClick();
    EXPECT_EQ(modes.mode(), ModeTrim);
    EXPECT_EQ(modes.state(), StateArmed);
    EXPECT_TRUE(host.toggles.value("mnuEditCut"));

    modes.imaBitmapMouseMove({3, 4});
    EXPECT_EQ(status.panelText(2),
              QStringLiteral(
                  "[開始座標 : 3 × 4] 開始位置を決定して、終了位置までドラッグしてください..."));
    // Dragged up and beyond the right edge: the end stops at the picture's far edges.
    modes.imaBitmapMouseDown({20, 30});
    modes.imaBitmapMouseMove({500, -9});
    EXPECT_EQ(status.panelText(2),
              QStringLiteral("[開始座標 : 20 × 30] [終了位置 : 60 × 0] "
                             "[幅と高さ : 40 × 30] 終了位置でドロップてください..."));
    EXPECT_TRUE(surface.rubberBand().bandShown());

    host.answer = {6, {25, 0}, {60, 30}}; // the wizard nudged the left edge
    modes.imaBitmapMouseUp({500, -9});
    ASSERT_EQ(host.requests.size(), 1);
    EXPECT_EQ(host.requests[0].start, QPoint(20, 0));
    EXPECT_EQ(host.requests[0].end, QPoint(60, 30));
    EXPECT_EQ(host.actions, QList<int>{6});
    EXPECT_EQ(host.trimmed[0], picture.copy(25, 0, 35, 30));
    EXPECT_EQ(document.viewBitmap(), picture); // the view keeps the whole picture
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_FALSE(host.toggles.value("mnuEditCut"));
    EXPECT_FALSE(surface.rubberBand().bandShown());
    EXPECT_TRUE(status.panelText(2).isEmpty());
    EXPECT_EQ(settings.OBJECT.RANGEZOOM, 7); // what the finished wizard stored
    EXPECT_EQ(modes.lastTrim(), QRect(25, 0, 35, 30));
}

TEST_F(EditModesTest, MouseOnTheViewIsInPicturePixelsAndCancelOrEmptyTrimsChangeNothing)
{
    const QImage picture = pattern(60, 40);
    show(picture);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));

    modes.mnuEditCutClick();
    host.answer = {}; // cancelled
    drag({5, 6}, {15, 26});
    ASSERT_EQ(host.requests.size(), 1);
    EXPECT_EQ(host.requests[0].start, QPoint(5, 6));
    EXPECT_EQ(host.requests[0].end, QPoint(15, 26));
    EXPECT_TRUE(host.actions.isEmpty());
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_EQ(settings.OBJECT.RANGEZOOM, 3);

    // A click without a drag, confirmed: refused rather than an empty picture.
    modes.mnuEditCutClick();
    host.answer = {1, {9, 9}, {9, 30}};
    drag({9, 9}, {9, 9});
    EXPECT_EQ(messages.value(0),
              QStringLiteral("切り抜き範囲の幅と高さを1ピクセル以上にしてください。"));
    EXPECT_TRUE(host.actions.isEmpty());
    EXPECT_EQ(document.currentImage(), picture);
}

TEST_F(EditModesTest, RepeatTellsWhyItCannotAndTrimsTheSameRectangle)
{
    modes.mnuEditCutReturnClick();
    show(pattern(60, 40));
    modes.mnuEditCutReturnClick();
    modes.mnuEditCutClick();
    host.answer = {5, {10, 5}, {50, 35}};
    modes.imaBitmapMouseDown({10, 5});
    modes.imaBitmapMouseMove({50, 35});
    modes.imaBitmapMouseUp({50, 35});
    // A quarter turn made the picture narrower than the last rectangle.
    show(pattern(40, 60));
    modes.mnuEditCutReturnClick();
    EXPECT_EQ(messages,
              (QStringList{NoBitmap, QStringLiteral("直前の切り抜き操作はありません。"),
                           QStringLiteral("切り抜き範囲がビットマップのサイズを超えています。")}));

    const QImage wider = pattern(80, 50);
    show(wider);
    modes.mnuEditCutReturnClick();
    EXPECT_EQ(host.actions, (QList<int>{5, 5}));
    EXPECT_EQ(host.trimmed.last(), wider.copy(10, 5, 40, 30));
}

TEST_F(EditModesTest, AreaFrameStaysOnThePictureUntilTheModeEnds)
{
    show(pattern(60, 40));
    area.show();
    modes.mnuEditRangeClick();
    EXPECT_TRUE(host.toggles.value("mnuEditRange"));
    modes.imaBitmapMouseDown({30, 20});
    TTrackBox& frame = surface.trackBox();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.toolTip(), QStringLiteral("エリア選択後、カラー変更 or モザイク"));
    modes.imaBitmapMouseMove({10, 90}); // up-left and below the picture
    modes.imaBitmapMouseUp({10, 90});
    EXPECT_EQ(modes.state(), StateFinished);
    EXPECT_EQ(modes.selection(), QRect(10, 20, 20, 20));
    EXPECT_EQ(status.panelText(2),
              QStringLiteral("[開始座標 : 10 × 20] [終了位置 : 30 × 40] [幅と高さ : 20 × 20] "
                             "選択した領域に対してモザイク処理／色の変更を行ってください"));

    // Moved over the left edge it is pinned at column 0; it never shrinks below 1 x 1.
    frame.setInner({-15, 3, 20, 20});
    modes.SyncSelection();
    EXPECT_EQ(modes.selection(), QRect(0, 3, 20, 20));
    frame.setInner({70, 45, 0, 0});
    modes.SyncSelection();
    EXPECT_EQ(modes.selection(), QRect(59, 39, 1, 1));

    // Esc on the picture leaves the mode as its toggle does.
    QTest::keyClick(area.ScrBoxMain(), Qt::Key_Escape);
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_FALSE(frame.isVisible());
    modes.mnuEditRangeClick();
    modes.imaBitmapMouseDown({5, 5});
    modes.imaBitmapMouseUp({5, 5});

    // Leaving the tab (or saving) ends the mode through the document.
    document.endEditMode = [this] { modes.EndEditMode(); };
    document.AddCaptureTab(QStringLiteral("a"));
    document.tabWindowChanging();
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_TRUE(modes.selection().isNull());
    EXPECT_FALSE(host.toggles.value("mnuEditRange"));
}

TEST_F(EditModesTest, APictureOpenedOverAnUnfinishedFrameEndsTheModeFirst)
{
    document.endEditMode = [this] { modes.EndEditMode(); };
    show(pattern(60, 40));
    area.show();
    modes.mnuEditRangeClick();
    modes.imaBitmapMouseDown({5, 5});
    modes.imaBitmapMouseMove({25, 25});
    modes.imaBitmapMouseUp({25, 25});
    ASSERT_EQ(modes.state(), StateFinished);
    ASSERT_TRUE(surface.trackBox().isVisible());

    QImage opened(30, 30, QImage::Format_RGB32);
    opened.fill(Qt::blue);
    document.replacePicture(opened); // a file opened, or chosen in the file pane
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_FALSE(surface.trackBox().isVisible());
    EXPECT_FALSE(host.toggles.value("mnuEditRange"));
}

TEST_F(EditModesTest, AtAnyZoomTheMouseSelectsPicturePixelsAndTheFrameCoversThem)
{
    show(pattern(60, 40));
    area.resize(400, 300);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    QStringList zoomTexts;
    QObject::connect(&area, &ImageArea::zoomShown,
                     [&zoomTexts](const QString& text) { zoomTexts << text; });
    QLabel* view = area.imaBitmap();
    const QPoint origin = surface.origin();
    for (const double zoom : {4.0, 0.5}) {
        area.setZoom(zoom);
        EXPECT_EQ(view->size(),
                  QSize(int(60 * zoom), int(40 * zoom)).grownBy(view->contentsMargins()));
        modes.mnuEditRangeClick();
        // Pressed on pixel (4, 2) and released on pixel (10, 8): even, so that half size shows
        // them.
        const auto at = [&](QPoint pixel) {
            return origin +
                   QPoint(int(pixel.x() * zoom + zoom / 2), int(pixel.y() * zoom + zoom / 2));
        };
        QTest::mousePress(view, Qt::LeftButton, {}, at({4, 2}));
        QTest::mouseMove(view, at({10, 8}));
        QTest::mouseRelease(view, Qt::LeftButton, {}, at({10, 8}));
        EXPECT_EQ(modes.selection(), QRect(4, 2, 6, 6)) << zoom;
        EXPECT_EQ(surface.trackBox().geometry(),
                  QRect(origin + QPoint(int(4 * zoom), int(2 * zoom)),
                        QSize(int(6 * zoom), int(6 * zoom)))
                      .adjusted(-TTrackBox::Border, -TTrackBox::Border, TTrackBox::Border,
                                TTrackBox::Border))
            << zoom;
        modes.EndEditMode();
    }
    EXPECT_EQ(zoomTexts,
              (QStringList{QStringLiteral("表示倍率 : 400%"), QStringLiteral("表示倍率 : 50%")}));
    // Fitting a small picture to the window magnifies it; the tab keeps its choice.
    area.setZoom(0);
    EXPECT_EQ(area.shownZoom(),
              ViewZoom::fitting({60, 40}, area.ScrBoxMain()->viewport()->size().shrunkBy(
                                              view->contentsMargins())));
    EXPECT_GT(area.shownZoom(), 4.0);
    EXPECT_EQ(document.zoom(), 0.0);
}
