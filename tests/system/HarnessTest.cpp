#include "harness/Pattern.h"
#include "harness/XSession.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace vistrel::test;

namespace {

QStringList patternWindow(const QRect& r, const QString& title)
{
    return {QStringLiteral(PATTERN_WINDOW_BINARY),
            QString::number(r.x()),
            QString::number(r.y()),
            QString::number(r.width()),
            QString::number(r.height()),
            title};
}

} // namespace

// The harness's own promises: the screen it brings, windows found by exact
// title with true geometry, pixels read back where they were painted.
TEST(Harness, PatternWindowIsFoundPlacedAndReadBack)
{
    XSession session;
    EXPECT_EQ(session.display().screenSize(), QSize(1920, 1080));
    const QRect wanted(130, 220, 300, 170);
    ChildProcess& child = session.start(patternWindow(wanted, QStringLiteral("pattern")));

    const auto window = session.waitForWindow(QStringLiteral("pattern"), child.pid());
    ASSERT_TRUE(window) << "the pattern window did not appear";
    EXPECT_TRUE(session.findWindows(QStringLiteral("patter")).isEmpty()) << "titles match exactly";
    std::optional<WindowGeometry> geometry;
    ASSERT_TRUE(waitFor([&] {
        geometry = session.geometry(*window);
        return geometry && geometry->client == wanted;
    })) << "client area ends up elsewhere";
    EXPECT_TRUE(geometry->frame.contains(geometry->client));
    EXPECT_NE(geometry->frame, geometry->client) << "openbox should have framed the window";

    // The window may be mapped before its first paint reaches the screen.
    QImage image;
    const auto painted = [&] {
        image = session.grab(wanted);
        for (int y = 0; y < wanted.height(); y += 7)
            for (int x = 0; x < wanted.width(); x += 5)
                if ((image.pixel(x, y) & 0xffffff) != patternColour(x, y))
                    return false;
        return true;
    };
    EXPECT_TRUE(waitFor(painted)) << "pixel (0,0) reads " << std::hex << image.pixel(0, 0);

    const CommandResult search = session.xdotool(
        {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^pattern$")});
    EXPECT_EQ(search.exitCode, 0);
    EXPECT_EQ(search.output.trimmed().toULong(), *window);

    const pid_t pid = child.pid();
    session.stop(pid);
    EXPECT_NE(::kill(pid, 0), 0) << "the stopped process is gone";
    EXPECT_TRUE(waitFor([&] { return session.findWindows(QStringLiteral("pattern")).isEmpty(); }));
}
