// Picking driven by xdotool from another thread while the test waits for events.
#include "X11TestEnvironment.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <thread>

namespace vistrel::test {
namespace {

using PickingTest = X11TestEnvironment;

// Runs xdotool commands one after another on a thread of its own.
class Driver {
public:
    Driver(XSession& session, QList<QStringList> commands)
        : m_thread([&session, commands] {
            for (const QStringList& command : commands)
                session.xdotool(command);
        })
    {}
    ~Driver() { m_thread.join(); }

private:
    std::thread m_thread;
};

QStringList move(QPoint to)
{
    return {QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y())};
}

// The next event other than a move, checking that a move to `expected` came first.
PickEvent afterMovesTo(Platform& platform, QPoint expected)
{
    bool reached = false;
    PickEvent event = platform.nextPickEvent();
    while (event.kind == PickEvent::Kind::Moved) {
        reached = reached || event.position == expected;
        event = platform.nextPickEvent();
    }
    EXPECT_TRUE(reached) << "no move to " << expected.x() << "," << expected.y();
    return event;
}

TEST_F(PickingTest, MoveThenLeftClickOrSpaceConfirms)
{
    ASSERT_TRUE(platform().beginPicking());
    {
        const Driver driver(session(), {move({700, 500}), {QStringLiteral("click"), "1"}});
        EXPECT_EQ(afterMovesTo(platform(), {700, 500}).kind, PickEvent::Kind::Confirm);
    }
    {
        const Driver driver(session(), {move({710, 520}), {QStringLiteral("key"), "space"}});
        EXPECT_EQ(afterMovesTo(platform(), {710, 520}).kind, PickEvent::Kind::Confirm);
    }
    platform().endPicking();
}

TEST_F(PickingTest, EscapeOrRightClickCancels)
{
    ASSERT_TRUE(platform().beginPicking());
    {
        const Driver driver(session(), {move({300, 300}), {QStringLiteral("key"), "Escape"}});
        EXPECT_EQ(afterMovesTo(platform(), {300, 300}).kind, PickEvent::Kind::Cancel);
    }
    {
        const Driver driver(session(), {move({320, 300}), {QStringLiteral("click"), "3"}});
        EXPECT_EQ(afterMovesTo(platform(), {320, 300}).kind, PickEvent::Kind::Cancel);
    }
    platform().endPicking();
    // The grabs are gone: picking can start again at once.
    ASSERT_TRUE(platform().beginPicking());
    platform().endPicking();
}

// A click held down past the pick: its release must not reach the window beneath once the
// grab is gone, where it could press a button.
TEST_F(PickingTest, ReleaseOfThePickingClickNeverReachesTheTarget)
{
    const Started target = startPattern({400, 300, 300, 200}, QStringLiteral("release target"));
    xcb_connection_t* watcher = session().display().connection();
    const uint32_t mask = XCB_EVENT_MASK_BUTTON_RELEASE;
    xcb_change_window_attributes(watcher, xcb_window_t(target.window), XCB_CW_EVENT_MASK, &mask);
    std::free(xcb_get_input_focus_reply(watcher, xcb_get_input_focus(watcher), nullptr));

    ASSERT_TRUE(platform().beginPicking());
    {
        const Driver driver(session(), {move({550, 400}),
                                        {QStringLiteral("mousedown"), QStringLiteral("1")},
                                        {QStringLiteral("sleep"), QStringLiteral("0.5")},
                                        {QStringLiteral("mouseup"), QStringLiteral("1")}});
        EXPECT_EQ(afterMovesTo(platform(), {550, 400}).kind, PickEvent::Kind::Confirm);
        platform().endPicking(); // still down: the grab must outlast the button
    }
    std::free(xcb_get_input_focus_reply(watcher, xcb_get_input_focus(watcher), nullptr));
    int releases = 0;
    while (xcb_generic_event_t* event = xcb_poll_for_event(watcher)) {
        releases += (event->response_type & 0x7f) == XCB_BUTTON_RELEASE;
        std::free(event);
    }
    EXPECT_EQ(releases, 0);
}

// Another client holding the pointer, as a window manager or a held button would.
class ForeignGrab {
public:
    explicit ForeignGrab(const QString& display)
        : m_connection(xcb_connect(display.toLocal8Bit().constData(), nullptr))
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        std::free(xcb_grab_pointer_reply(m_connection,
                                         xcb_grab_pointer(m_connection, 0, root,
                                                          XCB_EVENT_MASK_BUTTON_PRESS,
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                          XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                                         nullptr));
    }
    ~ForeignGrab() { xcb_disconnect(m_connection); }
    void release()
    {
        xcb_ungrab_pointer(m_connection, XCB_CURRENT_TIME);
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_connection_t* m_connection;
};

TEST_F(PickingTest, WaitsForABriefForeignGrabAndFailsCleanlyOnALastingOne)
{
    {
        ForeignGrab lasting(session().displayName());
        EXPECT_FALSE(platform().beginPicking());
        EXPECT_EQ(platform().nextPickEvent().kind, PickEvent::Kind::Cancel);
        platform().endPicking();
    }
    ForeignGrab brief(session().displayName());
    std::thread releaser([&brief] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        brief.release();
    });
    EXPECT_TRUE(platform().beginPicking());
    releaser.join();
    platform().endPicking();
}

TEST_F(PickingTest, FrameShowsAroundTheRectangleAndNeverInAGrab)
{
    const Started pattern = startPattern({500, 300, 300, 200}, QStringLiteral("framed"));
    const QRect client = platform().clientRect(pattern.window);
    const QPoint onLeftBar(client.left() - 3, client.center().y());
    const WindowId beneathBar = platform().windowAt(onLeftBar);
    ASSERT_TRUE(platform().beginPicking());

    platform().showPickFrame(client);
    const auto red = [&](QPoint at) {
        return (session().grab(QRect(at, QSize(1, 1))).pixel(0, 0) & 0xffffffu) == 0xff0000u;
    };
    EXPECT_TRUE(waitFor([&] {
        return red(onLeftBar) && red({client.center().x(), client.top() - 3}) &&
               red({client.right() + 3, client.center().y()}) &&
               red({client.center().x(), client.bottom() + 3});
    }));
    // The frame is ours: looked through by windowAt, and outside the grabbed area.
    EXPECT_EQ(platform().windowAt(onLeftBar), beneathBar);
    EXPECT_EQ(platform().windowAt(client.center()), pattern.window);
    EXPECT_TRUE(patternMatches(platform().grabScreen(client)));

    platform().hidePickFrame();
    const QImage afterHide = platform().grabScreen(client.adjusted(-5, -5, 5, 5));
    EXPECT_NE(afterHide.pixel(2, afterHide.height() / 2) & 0xffffffu, 0xff0000u);
    EXPECT_TRUE(patternMatches(afterHide.copy(5, 5, client.width(), client.height())));
    EXPECT_TRUE(waitFor([&] { return !red(onLeftBar); }));
    platform().endPicking();
}

} // namespace
} // namespace vistrel::test
