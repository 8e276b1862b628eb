#include "capture/CaptureEngine.h"
#include "capture/scroll/ScrollingCapture.h"
#include "edit/TempPictures.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"

#include <QDir>
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
