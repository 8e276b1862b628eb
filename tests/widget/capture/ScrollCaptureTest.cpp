#include "capture/CaptureEngine.h"
#include "capture/scroll/ScrollingCapture.h"
#include "edit/TempPictures.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <cstring>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

constexpr int DocHeight = 700;
const QRect Client(100, 50, 160, 200);

QRgb docColour(int x, int y)
{
    return qRgb(y & 0xff, ((y >> 8) << 4) | (x & 0xf), (x * 5 + y) & 0xff);
}

class Lines final : public ScrollTrace {
public:
    QStringList lines;
    void clear() override { lines.clear(); }
    void addLine(const QString& line) override { lines.append(line); }
};

// A window over a 700-row document on the fake screen. A copying program moves
// its pixels (markers included) and paints the new rows; a repainting one draws
// everything afresh under a fixed header.
class ScrollCaptureTest : public testing::Test {
protected:
    ScrollCaptureTest()
    {
        settings.ALL.AUTOSCROLL = true;
        settings.ALL.SCROLLWAITTIME = 20;
        engine.wait = [](int) {};
        engine.scrollFrames = &temp;
        engine.scrollTrace = &trace;
        engine.options.PointMode = 2;
        window = platform.addWindow({Client, Client, QStringLiteral("doc")});
        platform.cursor = Client.center();
        paint(0);
    }

    void paint(int top, int fromRow = 0)
    {
        for (int y = fromRow; y < Client.height(); ++y)
            for (int x = 0; x < Client.width(); ++x)
                platform.screen.setPixel(Client.left() + x, Client.top() + y,
                                         y < header ? qRgb(250, y, x) : docColour(x, y + top));
    }

    void scrollBy(int step, bool copying)
    {
        platform.onWheel = [this, step, copying](QPoint) {
            const int next = std::min(offset + step, DocHeight - Client.height());
            const int moved = next - offset;
            offset = next;
            if (!copying)
                return paint(offset);
            for (int y = 0; y + moved < Client.height(); ++y)
                std::memcpy(platform.screen.scanLine(Client.top() + y) + Client.left() * 4,
                            platform.screen.scanLine(Client.top() + y + moved) + Client.left() * 4,
                            size_t(Client.width()) * 4);
            paint(offset, Client.height() - moved);
        };
    }

    QImage expected(int height) const
    {
        QImage picture(Client.width(), height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < Client.width(); ++x)
                picture.setPixel(x, y, y < header ? qRgb(250, y, x) : docColour(x, y));
        return picture;
    }

    QStringList scrollFiles() const
    {
        return QDir(folder.path()).entryList({QStringLiteral("Scr*")}, QDir::Files);
    }

    FakePlatform platform;
    Settings settings{};
    QTemporaryDir folder;
    TempPictures temp{[this] { return folder.path(); }};
    QImage current;
    CaptureEngine engine{platform, settings, current};
    Lines trace;
    WindowId window = 0;
    int offset = 0;
    int header = 0;
};

} // namespace

TEST_F(ScrollCaptureTest, CopyingProgramIsMeasuredByMarkersToTheEnd)
{
    scrollBy(45, true);
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current, expected(DocHeight));
    EXPECT_GT(trace.lines.count(QStringLiteral("計測方法:マーカー")), 5);
    EXPECT_FALSE(trace.lines.join(u'\n').contains(QStringLiteral("画像照合 固定帯")));
    EXPECT_EQ(trace.lines.first(), QStringLiteral("###START###"));
    EXPECT_TRUE(scrollFiles().isEmpty()) << scrollFiles().join(u' ').toStdString();
    EXPECT_EQ(platform.repainted, QList<WindowId>{window});
    EXPECT_EQ(platform.cursor, Client.center());
}

TEST_F(ScrollCaptureTest, RepaintingProgramIsMeasuredByMatchingUnderAFixedHeader)
{
    header = 12;
    paint(0);
    scrollBy(70, false);
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current, expected(DocHeight));
    EXPECT_TRUE(trace.lines.join(u'\n').contains(QStringLiteral("計測方法:画像照合 固定帯:12/0")));
    EXPECT_TRUE(scrollFiles().isEmpty());
}

TEST_F(ScrollCaptureTest, StaticWindowGivesFrameZeroAndTrimsTheWholePicture)
{
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current, expected(Client.height()));
    EXPECT_TRUE(scrollFiles().isEmpty());

    // Trim margins come off the whole stitched picture, not off each frame.
    scrollBy(45, true);
    offset = 0;
    paint(0);
    engine.options.Trim = true;
    settings.TRIM.TOP = 3;
    settings.TRIM.BOTTOM = 7;
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current, expected(DocHeight).copy(0, 3, Client.width(), DocHeight - 10));
}

TEST_F(ScrollCaptureTest, EscapeKeepsWhatWasStitched)
{
    scrollBy(45, false);
    platform.escapeAfterNotches = 3;
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    // The third notch is sent but not measured once Escape is seen.
    EXPECT_EQ(current, expected(Client.height() + 2 * 45));
    EXPECT_TRUE(trace.lines.contains(QStringLiteral("中断:Esc")));
    EXPECT_FALSE(platform.watchingEscape);
    EXPECT_TRUE(scrollFiles().isEmpty());
}

TEST_F(ScrollCaptureTest, ProgramThatPaintsLateOrInPartsIsFollowedToTheEnd)
{
    // A busy program: after each notch two grabs still show the old picture, the
    // third finds the new one only half painted.
    int grabsSinceWheel = -1;
    platform.onWheel = [&](QPoint) {
        offset = std::min(offset + 70, DocHeight - Client.height());
        grabsSinceWheel = 0;
    };
    platform.onGrab = [&] {
        if (grabsSinceWheel < 0 || ++grabsSinceWheel < 3)
            return;
        if (grabsSinceWheel == 3) {
            QImage old = platform.screen.copy(Client);
            paint(offset);
            QPainter(&platform.screen)
                .drawImage(Client.topLeft() + QPoint(0, 120), old,
                           QRect(0, 120, Client.width(), 80));
            return;
        }
        paint(offset);
        grabsSinceWheel = -1;
    };
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current, expected(DocHeight));
    EXPECT_FALSE(engine.scrollMayBeIncomplete());
}

TEST_F(ScrollCaptureTest, AJumpThePicturesCannotMeasureEndsTheScrollAsMaybeIncomplete)
{
    platform.onWheel = [this](QPoint) {
        // Past a whole window height on the third notch: nothing left to compare.
        offset += platform.wheelNotches == 3 ? 250 : 40;
        paint(std::min(offset, DocHeight - Client.height()));
    };
    // A caret blinks in the text all the while, so no two looks are quite equal.
    int grabs = 0;
    platform.onGrab = [&] {
        const bool shown = ++grabs / 3 % 2 == 0;
        for (int y = 120; y < 136; ++y)
            for (int x = 2; x < 4; ++x)
                platform.screen.setPixel(Client.left() + x, Client.top() + y,
                                         shown ? qRgb(0, 0, 0) : docColour(x, y + offset));
    };
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    const QRect beside(4, 0, Client.width() - 4, Client.height() + 2 * 40);
    EXPECT_EQ(current.copy(beside), expected(beside.height()).copy(beside));
    EXPECT_TRUE(engine.scrollMayBeIncomplete());
    EXPECT_TRUE(trace.lines.contains(QStringLiteral("計測方法:画像照合 判定不能")));
    // The undecidable picture stays as it is: the scroll ends well before the
    // second that "nothing moved" is given (ten more looks at this pace).
    EXPECT_LE(trace.lines.count(QStringLiteral("再取得")), 4)
        << trace.lines.join(u'\n').toStdString();
    EXPECT_TRUE(trace.lines.contains(QStringLiteral("終了:判定不能")));
}

TEST_F(ScrollCaptureTest, DesktopAndPanelsAreCapturedWithoutTheWheel)
{
    scrollBy(45, true);
    platform.window(window).isDock = true;
    platform.stacking = {window};
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current, expected(Client.height()));
    platform.cursor = {900, 700}; // over the desktop
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current.size(), platform.screen.size());
    EXPECT_EQ(platform.wheelNotches, 0);
    EXPECT_TRUE(scrollFiles().isEmpty());
}

TEST_F(ScrollCaptureTest, AWindowThatStaysCoveredIsRefusedBeforeAnyWheel)
{
    scrollBy(45, true);
    const WindowId cover =
        platform.addWindow({QRect(200, 200, 300, 200), QRect(200, 200, 300, 200), "cover"});
    platform.stacking = {cover, window};
    try {
        engine.CaptureScreen(WindowOrControl);
        ADD_FAILURE() << "a covered window was scrolled";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("隠れて")));
    }
    EXPECT_EQ(platform.foreground, window); // it was asked to come to the front
    EXPECT_EQ(platform.wheelNotches, 0);
    EXPECT_TRUE(scrollFiles().isEmpty());
    // Beside the window instead of over it, the other window changes nothing.
    platform.window(cover).outer = platform.window(cover).client = QRect(600, 50, 100, 100);
    ASSERT_EQ(engine.CaptureScreen(WindowOrControl), 1);
    EXPECT_EQ(current, expected(DocHeight));
}

TEST_F(ScrollCaptureTest, AnEndRequestStopsAtTheNextStepAndKeepsNothing)
{
    scrollBy(45, false);
    engine.endRequested = [this] { return platform.wheelNotches >= 3; };
    EXPECT_EQ(engine.CaptureScreen(WindowOrControl), 0);
    EXPECT_EQ(platform.wheelNotches, 3);
    EXPECT_TRUE(current.isNull());
    EXPECT_FALSE(platform.watchingEscape);
    EXPECT_EQ(platform.cursor, Client.center());
    EXPECT_TRUE(scrollFiles().isEmpty());
    EXPECT_TRUE(trace.lines.contains(QStringLiteral("中断:終了")));
}
