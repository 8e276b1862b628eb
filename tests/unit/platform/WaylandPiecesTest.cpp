#include "platform/MonitorPictures.h"
#include "platform/Platform.h"
#include "platform/wayland/CompositorWindows.h"
#include "platform/wayland/KWinScreenShot.h"
#include "platform/wayland/ShortcutTrigger.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::wayland;

namespace {

QImage filled(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

TEST(MonitorPictures, MonitorsAtDifferentScalesComposeAtTheHighestKeepingItsPixels)
{
    // A 100 x 50 monitor at scale 1, and a 40 x 50 one at scale 2 to its right.
    QImage scaled = filled(QSize(80, 100), qRgb(0, 0, 200));
    scaled.setPixel(3, 5, qRgb(9, 8, 7));
    const QList<MonitorPicture> outputs = {
        {QRect(0, 0, 100, 50), filled({100, 50}, qRgb(200, 0, 0))},
        {QRect(100, 0, 40, 50), scaled}};

    const QImage whole = ComposeMonitorPictures(QRect(0, 0, 140, 50), outputs);
    ASSERT_EQ(whole.size(), QSize(280, 100));
    EXPECT_EQ(whole.pixel(10, 10), qRgb(200, 0, 0)); // scale 1 resampled up
    EXPECT_EQ(whole.pixel(203, 5), qRgb(9, 8, 7));   // scale 2 pixel for pixel

    // One monitor's part alone comes at that monitor's own scale, unchanged.
    const QImage left = ComposeMonitorPictures(QRect(10, 10, 20, 20), outputs);
    EXPECT_EQ(left.size(), QSize(20, 20));
    EXPECT_EQ(left.pixel(0, 0), qRgb(200, 0, 0));
    const QImage& firstPicture = outputs.first().picture;
    EXPECT_EQ(ComposeMonitorPictures(QRect(0, 0, 100, 50), outputs).constBits(),
              firstPicture.constBits()); // a whole monitor is its picture, not a copy

    // Where no monitor is, the picture is black.
    const QImage below = ComposeMonitorPictures(QRect(90, 40, 20, 20), outputs);
    EXPECT_EQ(below.pixel(below.width() - 1, below.height() - 1), qRgb(0, 0, 0));
}

TEST(CompositorWindows, SwayTreeGivesVisibleWindowsFloatingFirstInFocusOrder)
{
    const QByteArray tree = R"({"id":1,"type":"root","nodes":[{"id":3,"type":"output",
        "nodes":[{"id":4,"type":"workspace","focus":[8,6,7],
          "nodes":[
            {"id":6,"pid":10,"name":"back","visible":true,"focused":false,
             "rect":{"x":0,"y":25,"width":640,"height":695},
             "window_rect":{"x":2,"y":0,"width":636,"height":693},
             "deco_rect":{"x":0,"y":0,"width":640,"height":25}},
            {"id":7,"pid":11,"name":"hidden","visible":false,
             "rect":{"x":0,"y":0,"width":10,"height":10}}],
          "floating_nodes":[
            {"id":8,"pid":12,"name":"float","visible":true,"focused":true,
             "rect":{"x":100,"y":100,"width":50,"height":40},
             "window_rect":{"x":0,"y":0,"width":50,"height":40},
             "deco_rect":{"x":0,"y":0,"width":0,"height":0}}]}]}]})";
    const QList<CompositorWindow> windows = SwayWindowsFromTree(tree);
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0].title, QStringLiteral("float"));
    EXPECT_TRUE(windows[0].focused);
    EXPECT_EQ(windows[1].id, 6u);
    EXPECT_EQ(windows[1].outer, QRect(0, 0, 640, 720)); // with the title bar above the rect
    EXPECT_EQ(windows[1].client, QRect(2, 25, 636, 693));
    EXPECT_TRUE(SwayWindowsFromTree("not json").isEmpty());
}

TEST(CompositorWindows, HyprlandClientsMostRecentlyFocusedFirstLeavingHiddenOnes)
{
    const QByteArray clients = R"([
        {"address":"0x2a","mapped":true,"hidden":false,"at":[10,20],"size":[300,200],
         "title":"older","pid":5,"focusHistoryID":1},
        {"address":"0x1f","mapped":true,"hidden":true,"at":[0,0],"size":[9,9],
         "title":"grouped","pid":6,"focusHistoryID":2},
        {"address":"0x30","mapped":true,"hidden":false,"at":[0,0],"size":[100,100],
         "title":"active","pid":7,"focusHistoryID":0}])";
    const QList<CompositorWindow> windows = HyprlandWindowsFromClients(clients);
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0].title, QStringLiteral("active"));
    EXPECT_TRUE(windows[0].focused);
    EXPECT_EQ(windows[1].id, 0x2au);
    EXPECT_EQ(windows[1].outer, QRect(10, 20, 300, 200));
}

TEST(CompositorWindows, KWinWindowsTopmostFirstLeavingMinimisedAndOtherDesktopOrActivityOnes)
{
    constexpr quint32 Active = 1, Minimised = 2;
    const auto window = [](const char* uuid, quint64 id, quint32 flags, QStringList desktops,
                           QStringList activities = {}) {
        KWinWindowState state;
        state.uuid = uuid;
        state.id = id;
        state.geometry = QRect(0, 0, 10, 10);
        state.flags = flags;
        state.desktops = std::move(desktops);
        state.activities = std::move(activities);
        return state;
    };
    const QList<KWinWindowState> windows = {
        window("{a}", 2, 0, {QStringLiteral("one")}),
        window("{b}", 3, Active, {QStringLiteral("one")}),
        window("{c}", 4, Minimised, {QStringLiteral("one")}),
        window("{d}", 5, 0, {QStringLiteral("two")}),
        window("{e}", 6, 0, {}), // on every desktop
        window("{f}", 7, 0, {}, {QStringLiteral("work")}),
    };
    // The stacking order lists the bottom first.
    const QList<QByteArray> stacking = {"{e}", "{f}", "{b}", "{c}", "{d}", "{a}"};
    const QList<CompositorWindow> visible =
        KWinVisibleWindows(windows, stacking, {QStringLiteral("one"), QStringLiteral("home")});
    ASSERT_EQ(visible.size(), 3);
    EXPECT_EQ(visible[0].id, 2u);
    EXPECT_EQ(visible[1].id, 3u);
    EXPECT_TRUE(visible[1].focused);
    EXPECT_EQ(visible[2].id, 6u);
    // Showing the desktop puts every window aside.
    EXPECT_TRUE(KWinVisibleWindows(windows, stacking, {{}, {}, true}).isEmpty());
}

TEST(KWinPictures, FrameFoundByItsOpacityAndTheClientByItsPixels)
{
    // KWin's picture of a window: a translucent shadow around an opaque frame whose title
    // bar is 6 rows tall over a client area of 8 x 5 with a border of 1 elsewhere.
    QImage shadowed(20, 20, QImage::Format_ARGB32);
    shadowed.fill(qRgba(0, 0, 0, 80));
    QImage client(8, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            client.setPixel(x, y, qRgb(x * 30, y * 40, 7));
    {
        QPainter painter(&shadowed);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(4, 3, 10, 12), qRgb(200, 200, 200));
        painter.drawImage(5, 9, client);
    }
    const QRect frame = OpaqueBounds(shadowed);
    EXPECT_EQ(frame, QRect(4, 3, 10, 12));
    // A program's translucent pixels at the bottom do not shorten a frame of known size.
    QImage translucent = shadowed;
    for (int x = 4; x < 14; ++x)
        translucent.setPixel(x, 14, qRgba(0, 0, 0, 100));
    EXPECT_EQ(OpaqueBounds(translucent), QRect(4, 3, 10, 11));
    EXPECT_EQ(FrameInPicture(translucent, QSize(10, 12)), frame);
    EXPECT_EQ(ClientPlaceInFrame(shadowed.copy(frame), client), QPoint(1, 6));
    // A client that fits in more than one place tells nothing.
    EXPECT_EQ(ClientPlaceInFrame(shadowed.copy(frame), filled({3, 3}, qRgb(200, 200, 200))),
              std::nullopt);
}

TEST(GlobalShortcutsPortal, TriggerInTheShortcutNotation)
{
    EXPECT_EQ(PortalTrigger(HotkeyModControl | HotkeyModAlt, QStringLiteral("p")), "CTRL+ALT+p");
    EXPECT_EQ(PortalTrigger(HotkeyModWin | HotkeyModShift, QStringLiteral("F5")), "SHIFT+LOGO+F5");
    EXPECT_EQ(PortalTrigger(0, QStringLiteral("Print")), "Print");
}
