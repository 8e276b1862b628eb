#include "capture/CaptureEngine.h"
#include "capture/MenuCapture.h"
#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"

#include <QTemporaryDir>

#include <QTemporaryFile>
#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

class RecordingHost : public CaptureHost {
public:
    QStringList calls;
    std::function<void()> duringAction;
    void endEditMode() override { calls << QStringLiteral("end"); }
    void hideForCapture() override { calls << QStringLiteral("hide"); }
    void showAfterCapture() override { calls << QStringLiteral("show"); }
    void runAfterActionCommand(int code) override
    {
        calls << QStringLiteral("action%1").arg(code);
        if (duringAction)
            duringAction();
    }
};

class CaptureEngineTest : public testing::Test {
protected:
    CaptureEngineTest()
    {
        settings.ALL.WAITTIME = 500;
        settings.RIREKI.RIREKICNT = 10;
        for (int y = 0; y < platform.screen.height(); ++y)
            for (int x = 0; x < platform.screen.width(); ++x)
                platform.screen.setPixel(x, y, qRgb(x % 256, y % 256, 9));
        engine.wait = [this](int ms) { waits << ms; };
        xterm = platform.addWindow(
            {QRect(-20, 100, 200, 150), QRect(-15, 120, 190, 125), QStringLiteral("xterm")});
    }

    FakePlatform platform;
    Settings settings;
    QTemporaryDir folder;
    QString tempFolder = folder.path();
    TempPictures temp{[this] { return tempFolder; }};
    ImageDocument document{temp, [this] { return settings.RIREKI.RIREKICNT; }};
    CaptureEngine engine{platform, settings, document.currentImage()};
    StatusPanels status;
    RecordingHost host;
    MenuCapture menu{engine, document, status, platform, settings, host};
    QList<int> waits;
    WindowId xterm = 0;
};

} // namespace

TEST_F(CaptureEngineTest, WindowPartlyLeftOfTheScreenStartsAtColumnZero)
{
    platform.foreground = xterm;
    ASSERT_EQ(engine.CaptureScreen(ActiveWindow), 1);
    const QImage& picture = document.currentImage();
    EXPECT_EQ(picture.size(), QSize(180, 150));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 100, 9));
    EXPECT_EQ(waits, QList<int>{500});
}

TEST_F(CaptureEngineTest, ClientModeTakesTheClientRectangle)
{
    engine.options.Client = true;
    platform.foreground = xterm;
    ASSERT_EQ(engine.CaptureScreen(ActiveWindow), 1);
    EXPECT_EQ(document.currentImage().size(), QSize(175, 125));
    EXPECT_EQ(document.currentImage().pixel(0, 0), qRgb(0, 120, 9));
}

TEST_F(CaptureEngineTest, FullScreenIsTheSameWithOrWithoutClientMode)
{
    ASSERT_EQ(engine.CaptureScreen(FullScreen), 1);
    const QImage whole = document.currentImage();
    engine.options.Client = true;
    ASSERT_EQ(engine.CaptureScreen(FullScreen), 1);
    EXPECT_EQ(document.currentImage(), whole);
    EXPECT_EQ(whole.size(), platform.screen.size());
}

TEST_F(CaptureEngineTest, WindowWhollyOffScreenOrOnePixelIsNoCapture)
{
    const WindowId away = platform.addWindow(
        {QRect(-400, 0, 100, 100), QRect(-400, 0, 100, 100), QStringLiteral("away")});
    document.currentImage() = QImage(2, 2, QImage::Format_RGB32);
    EXPECT_EQ(engine.CaptureWindow(away, WholeWindow), 0);
    EXPECT_EQ(document.currentImage().size(), QSize(2, 2)); // nothing was replaced

    const WindowId dot =
        platform.addWindow({QRect(5, 5, 1, 1), QRect(5, 5, 1, 1), QStringLiteral("dot")});
    EXPECT_EQ(engine.CaptureWindow(dot, WholeWindow), 0);
    EXPECT_EQ(engine.CaptureWindow(0, WholeWindow), 0);
    EXPECT_EQ(document.currentImage().size(), QSize(2, 2)); // nor by the 1 x 1 grab
}

TEST_F(CaptureEngineTest, WindowsOnAnyMonitorAreTakenAndFullScreenFollowsTheChoice)
{
    // Two monitors side by side, the primary one on the right.
    platform.screen = QImage(2048, 768, QImage::Format_RGB32);
    platform.screen.fill(Qt::gray);
    platform.primaryDisplay = QRect(1024, 0, 1024, 768);
    platform.monitors = {platform.primaryDisplay, QRect(0, 0, 1024, 768)};
    const WindowId left = platform.addWindow(
        {QRect(100, 100, 300, 200), QRect(100, 100, 300, 200), QStringLiteral("left")});
    const WindowId across = platform.addWindow(
        {QRect(900, 100, 300, 200), QRect(900, 100, 300, 200), QStringLiteral("across")});
    platform.foreground = left;
    ASSERT_EQ(engine.CaptureScreen(ActiveWindow), 1);
    EXPECT_EQ(document.currentImage().size(), QSize(300, 200));
    EXPECT_EQ(engine.CaptureWindow(across, WholeWindow), 1);
    EXPECT_EQ(document.currentImage().size(), QSize(300, 200)) << "whole across the seam";

    const auto fullScreen = [&](int choice) {
        settings.ALL.FULLSCREEN = choice;
        EXPECT_EQ(engine.CaptureScreen(FullScreen), 1);
        return document.currentImage().size();
    };
    EXPECT_EQ(fullScreen(PrimaryMonitor), QSize(1024, 768));
    EXPECT_EQ(fullScreen(AllMonitors), QSize(2048, 768));
    platform.cursor = QPoint(50, 50);
    settings.ALL.FULLSCREEN = PrimaryMonitor;
    EXPECT_EQ(engine.CaptureRect(platform.desktopWindow(), WholeWindow).Left, 1024);
    settings.ALL.FULLSCREEN = PointerMonitor;
    EXPECT_EQ(engine.CaptureRect(platform.desktopWindow(), WholeWindow),
              (ScreenRect{0, 0, 1024, 768}));
}

TEST_F(CaptureEngineTest, CursorIsDrawnBeforeTrimming)
{
    platform.cursor = QPoint(30, 40);
    platform.cursorImage = QImage(2, 2, QImage::Format_ARGB32);
    platform.cursorImage.fill(qRgba(255, 255, 255, 255));
    platform.cursorImage.setPixel(0, 1, 0); // bottom-left: transparent key
    engine.options.Mouse = true;
    engine.options.Trim = true;
    settings.TRIM = {10, 0, 10, 0}; // top, bottom, left, right
    ASSERT_EQ(engine.CaptureScreen(FullScreen), 1);
    const QImage& picture = document.currentImage();
    EXPECT_EQ(picture.size(), QSize(1014, 758));
    EXPECT_EQ(picture.pixel(20, 30), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(20, 31), qRgb(30, 41, 9));

    // A cursor whose hotspot is not its corner is drawn with the hotspot on the pointer.
    platform.cursorImage.setOffset(QPoint(1, 1));
    engine.options.Trim = false;
    ASSERT_EQ(engine.CaptureScreen(FullScreen), 1);
    EXPECT_EQ(document.currentImage().pixel(29, 39), qRgb(255, 255, 255));
    EXPECT_EQ(document.currentImage().pixel(31, 41), qRgb(31, 41, 9));

    // Where the compositor draws the pointer into the grab, it is asked to, and not drawn twice.
    platform.grabDrawsPointer = true;
    ASSERT_EQ(engine.CaptureScreen(FullScreen), 1);
    EXPECT_EQ(platform.pointerGrabCount, 1);
    EXPECT_EQ(document.currentImage().pixel(29, 39), qRgb(29, 39, 9));
}

TEST_F(CaptureEngineTest, PickingFollowsThePointerAndEscCancels)
{
    const WindowId other = platform.addWindow(
        {QRect(300, 100, 100, 100), QRect(300, 100, 100, 100), QStringLiteral("other")});
    platform.cursor = QPoint(50, 150);
    platform.pickScript = {{PickEvent::Kind::Moved, QPoint(60, 150)},
                           {PickEvent::Kind::Moved, QPoint(350, 150)},
                           {PickEvent::Kind::Confirm, {}}};
    EXPECT_EQ(engine.PickWindow(), other);
    ASSERT_EQ(platform.frames.size(), 2); // moving within the xterm does not redraw
    EXPECT_EQ(platform.frames.back(), QRect(300, 100, 100, 100));

    platform.pickScript = {{PickEvent::Kind::Moved, QPoint(60, 150)},
                           {PickEvent::Kind::Cancel, {}}};
    EXPECT_EQ(engine.PickWindow(), 0u);
}

TEST_F(CaptureEngineTest, PointModesTakeTheCentreOrTheCursor)
{
    platform.cursor = QPoint(100, 150);
    EXPECT_EQ(engine.WindowAtPoint(2), xterm);
    EXPECT_EQ(engine.WindowAtPoint(1), FakePlatform::DesktopId);
    EXPECT_EQ(platform.cursor, QPoint(512, 384));
}

// The primary monitor is the right half of a wider screen.
TEST_F(CaptureEngineTest, PrimaryMonitorOffTheOriginIsTheDisplay)
{
    platform.primaryDisplay = QRect(512, 0, 512, 768);
    ASSERT_EQ(engine.CaptureScreen(FullScreen), 1);
    EXPECT_EQ(document.currentImage().size(), QSize(512, 768));
    EXPECT_EQ(document.currentImage().pixel(0, 5), qRgb(0, 5, 9)); // column 512
    const WindowId across = platform.addWindow(
        {QRect(400, 10, 300, 100), QRect(400, 10, 300, 100), QStringLiteral("across")});
    ASSERT_EQ(engine.CaptureWindow(across, WholeWindow), 1);
    EXPECT_EQ(document.currentImage().size(), QSize(188, 100));
    EXPECT_EQ(engine.CaptureWindow(xterm, WholeWindow), 0); // on the other monitor only
    engine.WindowAtPoint(1);
    EXPECT_EQ(platform.cursor, QPoint(768, 384));
}

TEST_F(CaptureEngineTest, SoundOnlyForAnExistingFileAfterSuccess)
{
    QTemporaryFile sound;
    ASSERT_TRUE(sound.open());
    settings.ALL.WAVECALL = true;
    settings.ALL.WAVEFILE = folder.path() + QStringLiteral("/missing.wav");
    engine.CaptureScreen(FullScreen);
    EXPECT_TRUE(platform.playedSounds.isEmpty());
    settings.ALL.WAVEFILE = sound.fileName();
    engine.CaptureScreen(FullScreen);
    EXPECT_EQ(platform.playedSounds, QStringList{sound.fileName()});
}

TEST_F(CaptureEngineTest, MenuCaptureAddsATabAndRunsTheAction)
{
    settings.MAIN.AFTERACTION = 5;
    platform.foreground = xterm;
    platform.stacking = {xterm};
    menu.CaptureFromMenu(ActiveWindow, false);
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("end"), QStringLiteral("hide"),
                                       QStringLiteral("show"), QStringLiteral("action5")}));
    ASSERT_EQ(document.tabs().size(), 1);
    EXPECT_EQ(document.tabs()[0].Title, QStringLiteral("xterm"));
    EXPECT_EQ(status.panelText(2), QStringLiteral("画面キャプチャが正常に完了しました"));
}

TEST_F(CaptureEngineTest, CancelledPickAddsNoTabAndRunsNoAction)
{
    platform.pickScript = {{PickEvent::Kind::Cancel, {}}};
    menu.CaptureFromMenu(WindowOrControl, false);
    EXPECT_TRUE(document.tabs().isEmpty());
    EXPECT_EQ(status.panelText(2), QStringLiteral("キャプチャ処理が中断されました"));
    EXPECT_FALSE(host.calls.contains(QStringLiteral("action0")));
    EXPECT_EQ(host.calls.back(), QStringLiteral("show"));
}

TEST_F(CaptureEngineTest, TabTitleNamesTheCapturedWindow)
{
    platform.foreground = xterm; // whatever is in front, the target names the tab
    EXPECT_EQ(CaptureTabTitle(platform, FullScreen, FakePlatform::DesktopId),
              QStringLiteral("デスクトップ"));
    const WindowId untitled = platform.addWindow({QRect(0, 0, 9, 9), QRect(0, 0, 9, 9), {}});
    EXPECT_EQ(CaptureTabTitle(platform, WindowOrControl, untitled), QStringLiteral("(不明)"));
    const WindowId ours =
        platform.addWindow({QRect(0, 0, 9, 9), QRect(0, 0, 9, 9), QStringLiteral("Vistrel")});
    EXPECT_EQ(CaptureTabTitle(platform, ActiveWindow, ours), QStringLiteral("(不明)"));
    const WindowId editor =
        platform.addWindow({QRect(0, 0, 9, 9), QRect(0, 0, 9, 9), QStringLiteral("editor")});
    EXPECT_EQ(CaptureTabTitle(platform, WindowOrControl, editor), QStringLiteral("editor"));

    // A picked window names its tab even while another one is in front.
    platform.cursor = QPoint(350, 150);
    const WindowId picked = platform.addWindow(
        {QRect(300, 100, 100, 100), QRect(300, 100, 100, 100), QStringLiteral("picked")});
    platform.pickScript = {{PickEvent::Kind::Confirm, {}}};
    menu.CaptureFromMenu(WindowOrControl, false);
    ASSERT_EQ(engine.lastTarget(), picked);
    ASSERT_EQ(document.tabs().size(), 1);
    EXPECT_EQ(document.tabs()[0].Title, QStringLiteral("picked"));
}

TEST_F(CaptureEngineTest, ActivatePreviousWindowSkipsOwnHiddenAndDockWindows)
{
    const WindowId dock = platform.addWindow({QRect(0, 0, 9, 9), QRect(0, 0, 9, 9), {}});
    platform.window(dock).isDock = true;
    const WindowId own = platform.addWindow({QRect(0, 0, 9, 9), QRect(0, 0, 9, 9), {}});
    platform.window(own).isOwn = true;
    const WindowId hidden = platform.addWindow({QRect(0, 0, 9, 9), QRect(0, 0, 9, 9), {}});
    platform.window(hidden).visible = false;
    platform.foreground = own;
    engine.ActivatePreviousWindow();
    EXPECT_EQ(platform.foreground, xterm);
}

TEST_F(CaptureEngineTest, ACaptureNeedsNoTabPictureOnDiskAndKeepsTheTabs)
{
    settings.RIREKI.RIREKICNT = 1;
    menu.CaptureFromMenu(FullScreen, false);
    ASSERT_EQ(document.tabs().size(), 1);
    host.calls.clear();

    tempFolder = folder.path() + QStringLiteral("/missing/folder"); // every write would fail
    EXPECT_NO_THROW(menu.CaptureFromMenu(FullScreen, false));
    EXPECT_TRUE(host.calls.contains(QStringLiteral("show")));
    ASSERT_EQ(document.tabs().size(), 1); // the recycled tab was not lost
    EXPECT_EQ(document.tabs()[0].Number, 1);
    EXPECT_FALSE(engine.busy);
}

TEST_F(CaptureEngineTest, ACaptureStartedDuringAnotherIsDropped)
{
    settings.MAIN.AFTERACTION = 1;
    int nested = 0;
    host.duringAction = [&] {
        ++nested;
        menu.CaptureFromMenu(FullScreen, false); // e.g. from the tray while Save-As is open
    };
    menu.CaptureFromMenu(FullScreen, false);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(document.tabs().size(), 1);
    EXPECT_EQ(platform.grabCount, 1);
}

TEST_F(CaptureEngineTest, ACaptureAfterAnUndoLeavesTheTabAsItWasShown)
{
    menu.CaptureFromMenu(FullScreen, false);
    const QImage captured = document.currentImage();
    document.currentImage().fill(Qt::red);
    document.SetCurrentImage(ImageDocument::Mode::Commit);
    document.mnuEditUndoClick();

    menu.CaptureFromMenu(FullScreen, false);
    ASSERT_EQ(document.tabs().size(), 2);
    document.selectTab(0);
    EXPECT_EQ(document.currentImage(), captured); // not the edit that was undone
}
