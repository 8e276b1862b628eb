// Window questions against real windows managed by openbox.
#include "X11TestEnvironment.h"

#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace vistrel::test {
namespace {

using WindowsTest = X11TestEnvironment;

quint32 parentOf(XSession& session, quint32 window)
{
    xcb_connection_t* connection = session.display().connection();
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    const quint32 parent = tree ? tree->parent : 0;
    std::free(tree);
    return parent;
}

qsizetype stackIndex(const QList<StackedWindow>& stack, WindowId window)
{
    const auto found = std::find_if(stack.begin(), stack.end(),
                                    [window](const StackedWindow& s) { return s.id == window; });
    return found == stack.end() ? -1 : found - stack.begin();
}

TEST_F(WindowsTest, RectanglesTitleAndDesktopOfAManagedWindow)
{
    const QRect wanted(300, 200, 240, 160);
    const Started pattern = startPattern(wanted, QStringLiteral("日本語のタイトル（テスト）"));
    const auto geometry = session().geometry(pattern.window);
    ASSERT_TRUE(geometry);

    const QRect client = platform().clientRect(pattern.window);
    EXPECT_EQ(client, geometry->client);
    EXPECT_EQ(client.size(), wanted.size());
    // The outer rectangle is openbox's frame: title bar and borders around the client.
    const QRect outer = platform().outerRect(pattern.window);
    EXPECT_EQ(outer, geometry->frame);
    EXPECT_TRUE(outer.contains(client));
    EXPECT_GT(outer.height(), client.height());

    EXPECT_EQ(platform().windowTitle(pattern.window), QStringLiteral("日本語のタイトル（テスト）"));
    EXPECT_FALSE(platform().isDesktop(pattern.window));
    const WindowId root = platform().desktopWindow();
    EXPECT_TRUE(platform().isDesktop(root));
    EXPECT_EQ(platform().clientRect(root), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(platform().outerRect(root), QRect(0, 0, 1920, 1080));
    // A window that no longer exists has no rectangle and no title.
    EXPECT_TRUE(platform().clientRect(0x7ffffff).isNull());
    EXPECT_TRUE(platform().windowTitle(0x7ffffff).isEmpty());
}

TEST_F(WindowsTest, ClientSideShadowsAreTakenOffBothRectangles)
{
    const Started pattern = startPattern({300, 500, 240, 160}, QStringLiteral("shadowed"));
    const auto geometry = session().geometry(pattern.window);
    ASSERT_TRUE(geometry);
    xcb_connection_t* connection = session().display().connection();
    const char name[] = "_GTK_FRAME_EXTENTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    ASSERT_NE(atom, nullptr);
    const uint32_t extents[] = {4, 6, 8, 10}; // left, right, top, bottom
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, pattern.window, atom->atom,
                        XCB_ATOM_CARDINAL, 32, 4, extents);
    std::free(atom);
    xcb_flush(connection);
    EXPECT_TRUE(waitFor([&] {
        return platform().outerRect(pattern.window) == geometry->frame.adjusted(4, 8, -6, -10);
    }));
    EXPECT_EQ(platform().clientRect(pattern.window), geometry->client.adjusted(4, 8, -6, -10));
}

TEST_F(WindowsTest, ForegroundAndStackingFollowActivation)
{
    const Started first = startPattern({100, 100, 200, 150}, QStringLiteral("first"));
    const Started second = startPattern({600, 100, 200, 150}, QStringLiteral("second"));

    session().xdotool({QStringLiteral("windowactivate"), QString::number(first.window)});
    EXPECT_TRUE(waitFor([&] { return platform().foregroundWindow() == first.window; }));
    session().xdotool({QStringLiteral("windowactivate"), QString::number(second.window)});
    EXPECT_TRUE(waitFor([&] { return platform().foregroundWindow() == second.window; }));
    EXPECT_TRUE(waitFor([&] {
        const auto stack = platform().windowsTopToBottom();
        const auto top = stackIndex(stack, second.window);
        return top >= 0 && top < stackIndex(stack, first.window);
    }));

    platform().activateWindow(first.window);
    EXPECT_TRUE(waitFor([&] { return platform().foregroundWindow() == first.window; }));
    EXPECT_TRUE(waitFor([&] {
        const auto stack = platform().windowsTopToBottom();
        const auto top = stackIndex(stack, first.window);
        return top >= 0 && top < stackIndex(stack, second.window);
    }));
    for (const StackedWindow& entry : platform().windowsTopToBottom()) {
        if (entry.id == first.window || entry.id == second.window) {
            EXPECT_TRUE(entry.visible);
            EXPECT_FALSE(entry.isDock);
            EXPECT_FALSE(entry.isOwn);
        }
    }
}

TEST_F(WindowsTest, WindowAtFindsTheClientOrItsChildNeverTheFrame)
{
    const Started xterm = startXterm({500, 400}, QStringLiteral("xterm-target"));
    const auto geometry = session().geometry(xterm.window);
    ASSERT_TRUE(geometry);
    const quint32 frame = parentOf(session(), xterm.window);

    const WindowId inside = platform().windowAt(geometry->client.center());
    EXPECT_NE(inside, frame);
    EXPECT_TRUE(inside == xterm.window || parentOf(session(), inside) == xterm.window)
        << "got " << inside << " for client " << xterm.window;
    // A child has no frame: both of its rectangles are its own; untitled, it
    // is named after its program's window.
    EXPECT_EQ(platform().outerRect(inside), platform().clientRect(inside));
    EXPECT_EQ(platform().windowTitle(inside), QStringLiteral("xterm-target"));

    // On the title bar the frame is hit, and its client is the answer.
    const QPoint titleBar(geometry->client.center().x(), geometry->frame.top() + 3);
    EXPECT_EQ(platform().windowAt(titleBar), xterm.window);

    // Empty screen is the desktop.
    EXPECT_EQ(platform().windowAt({1900, 1070}), platform().desktopWindow());
}

TEST_F(WindowsTest, CompoundTextTitleOfAnOldProgramReadsBack)
{
    // Programs like xterm store a Japanese title as COMPOUND_TEXT in WM_NAME only:
    // "端末テスト" is ESC $ ( B followed by its JIS X 0208 codes.
    const Started xterm = startXterm({300, 500}, QStringLiteral("xterm-compound"));
    const QByteArray compound =
        QByteArray("\x1b$(B") + QByteArray("\x43\x3c\x4b\x76\x25\x46\x25\x39\x25\x48");
    xcb_connection_t* connection = session().display().connection();
    const char name[] = "COMPOUND_TEXT";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    ASSERT_NE(atom, nullptr);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xterm.window, XCB_ATOM_WM_NAME,
                        atom->atom, 8, static_cast<uint32_t>(compound.size()),
                        compound.constData());
    std::free(atom);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    EXPECT_EQ(platform().windowTitle(xterm.window), QStringLiteral("端末テスト"));
}

TEST_F(WindowsTest, OwnWindowsAreRecognisedAndLookedThrough)
{
    const Started pattern = startPattern({200, 600, 300, 200}, QStringLiteral("under-own"));
    QWindow own;
    own.setFlag(Qt::FramelessWindowHint);
    own.setGeometry(250, 650, 100, 80);
    own.show();
    const QPoint point(300, 690);
    ASSERT_TRUE(waitWithEvents([&] {
        const auto stack = platform().windowsTopToBottom();
        return stackIndex(stack, own.winId()) >= 0 && platform().windowAt(point) != 0;
    }));
    EXPECT_TRUE(platform().isOwnWindow(own.winId()));
    EXPECT_FALSE(platform().isOwnWindow(pattern.window));
    EXPECT_FALSE(platform().isOwnWindow(platform().desktopWindow()));
    EXPECT_EQ(platform().windowAt(point), pattern.window);
    const auto stack = platform().windowsTopToBottom();
    EXPECT_TRUE(stack.at(stackIndex(stack, own.winId())).isOwn);
}

} // namespace
} // namespace vistrel::test
