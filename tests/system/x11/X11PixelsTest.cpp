// Screen grabs, the pointer and the sound, against the real server.
#include "X11TestEnvironment.h"

#include <QFile>

#include <xcb/xfixes.h>

#include <thread>

namespace vistrel::test {
namespace {

using PixelsTest = X11TestEnvironment;

QPoint xfixesHotspot(const QString& display)
{
    xcb_connection_t* connection = xcb_connect(qPrintable(display), nullptr);
    free(xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 4, 0),
                                        nullptr));
    xcb_xfixes_get_cursor_image_reply_t* cursor = xcb_xfixes_get_cursor_image_reply(
        connection, xcb_xfixes_get_cursor_image(connection), nullptr);
    const QPoint hotspot = cursor ? QPoint(cursor->xhot, cursor->yhot) : QPoint(-1, -1);
    free(cursor);
    xcb_disconnect(connection);
    return hotspot;
}

TEST_F(PixelsTest, GrabOfTheClientAreaIsThePattern)
{
    const Started pattern = startPattern({400, 300, 320, 240}, QStringLiteral("grab-me"));
    const QRect client = platform().clientRect(pattern.window);
    const QImage picture = platform().grabScreen(client);
    ASSERT_EQ(picture.size(), QSize(320, 240));
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    EXPECT_TRUE(patternMatches(picture));
    // A second grab of another size reuses and grows the shared segment.
    EXPECT_EQ(platform().grabScreen(QRect(0, 0, 1920, 1080)).size(), QSize(1920, 1080));
    EXPECT_TRUE(patternMatches(platform().grabScreen(client.adjusted(10, 20, 0, 0)), {10, 20}));
}

TEST_F(PixelsTest, PicturesKeepTheirPixelsWhileOthersAreGrabbedAndAfterThePlatformGoes)
{
    const Started pattern = startPattern({100, 500, 200, 100}, QStringLiteral("kept"));
    const QRect client = platform().clientRect(pattern.window);
    const QImage first = platform().grabScreen(client);
    const QImage second = platform().grabScreen(QRect(QPoint(1500, 900), client.size()));
    EXPECT_NE(first.constBits(), second.constBits());
    EXPECT_TRUE(patternMatches(first));

    QImage survivor;
    {
        X11Platform shortLived;
        survivor = shortLived.grabScreen(client);
    }
    EXPECT_TRUE(patternMatches(survivor));
    survivor.fill(Qt::white); // still writable memory of its own
    EXPECT_EQ(survivor.pixel(199, 99), 0xffffffffu);
    EXPECT_TRUE(patternMatches(platform().grabScreen(client)));
}

TEST_F(PixelsTest, GrabOutsideTheScreenIsBlackAndEmptyIsNull)
{
    const QImage corner = platform().grabScreen(QRect(-10, -10, 20, 20));
    ASSERT_EQ(corner.size(), QSize(20, 20));
    EXPECT_EQ(corner.pixel(0, 0), 0xff000000u);
    EXPECT_EQ(corner.pixel(19, 19), session().grab(QRect(9, 9, 1, 1)).pixel(0, 0));
    EXPECT_TRUE(platform().grabScreen(QRect(5000, 5000, 10, 10)).pixel(3, 3) == 0xff000000u);
    EXPECT_TRUE(platform().grabScreen(QRect(10, 10, 0, 5)).isNull());
}

TEST_F(PixelsTest, PointerWarpsAndHasAShape)
{
    platform().setCursorPos({500, 400});
    EXPECT_EQ(platform().cursorPos(), QPoint(500, 400));
    const QImage cursor = platform().currentCursorImage();
    ASSERT_FALSE(cursor.isNull());
    EXPECT_EQ(cursor.format(), QImage::Format_ARGB32);
    // The hotspot is the one XFixes reports for the shape, so the tip lands on the pointer.
    EXPECT_EQ(cursor.offset(), xfixesHotspot(session().displayName()));
    EXPECT_FALSE(platform().anyMouseButtonDown());

    session().xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    EXPECT_TRUE(waitFor([&] { return platform().anyMouseButtonDown(); }));
    session().xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(waitFor([&] { return !platform().anyMouseButtonDown(); }));
}

TEST_F(PixelsTest, SoundWithoutServerOrFileIsSilentAndHarmless)
{
    platform().playSoundAsync(session().tempDir() + QStringLiteral("/missing.wav"));
    platform().playSoundAsync(QString());
    // A valid, very short WAV file with no sound server to play it on.
    QByteArray wav("RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
                   "\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00data\x08\x00\x00\x00",
                   44);
    wav.append(8, '\x80');
    QFile file(session().tempDir() + QStringLiteral("/short.wav"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wav);
    file.close();
    platform().playSoundAsync(file.fileName());
    platform().playSoundAsync(file.fileName());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SUCCEED();
}

} // namespace
} // namespace vistrel::test
