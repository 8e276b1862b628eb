// Captures of a GTK 3 window that draws its own title bar and an invisible shadow.
#include "capture/CaptureScene.h"

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vistrel::test;

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

std::vector<uint32_t> cardinals(xcb_connection_t* connection, WindowId window, xcb_atom_t name)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, XCB_ATOM_CARDINAL, 0, 16),
        nullptr);
    std::vector<uint32_t> values;
    if (reply != nullptr && reply->format == 32) {
        const auto* items = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(items, items + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

// GTK draws its shadows only under a compositing manager and a window manager that says
// it knows _GTK_FRAME_EXTENTS, as GNOME's and Xfce's do; openbox is told so here.
void announceClientShadows(XSession& session)
{
    session.start({QStringLiteral("xcompmgr")});
    xcb_connection_t* connection = session.display().connection();
    const xcb_atom_t extents = atom(connection, "_GTK_FRAME_EXTENTS");
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, session.display().root(),
                        atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 32, 1, &extents);
    xcb_flush(connection);
}

} // namespace

TEST(ClientDecoratedCapture, ClientAreaLeavesTheShadowOut)
{
    CaptureScene scene;
    announceClientShadows(scene.session());
    const QString title = QStringLiteral("csd dialog");
    ChildOptions gtk;
    gtk.setEnv[QStringLiteral("GTK_CSD")] = QStringLiteral("1");
    gtk.setEnv[QStringLiteral("NO_AT_BRIDGE")] = QStringLiteral("1");
    scene.session().start({QStringLiteral("zenity"), QStringLiteral("--info"),
                           QStringLiteral("--text=client-side decorations"),
                           QStringLiteral("--title=") + title},
                          gtk);
    const auto window = scene.session().waitForWindow(title);
    ASSERT_TRUE(window) << "zenity did not show";
    xcb_connection_t* connection = scene.session().display().connection();
    std::vector<uint32_t> shadow;
    ASSERT_TRUE(waitFor([&] {
        shadow = cardinals(connection, *window, atom(connection, "_GTK_FRAME_EXTENTS"));
        return shadow.size() == 4 && shadow[0] > 0;
    })) << "GTK drew no client-side shadow";
    const QRect whole = scene.geometryOf(*window).client;
    const QRect visible =
        whole.adjusted(int(shadow[0]), int(shadow[2]), -int(shadow[1]), -int(shadow[3]));
    // The rectangle is the subject here, not scrolling (whose stepping over a caret that
    // blinks is slow to give up).
    scene.startVistrel("CLIENT=1", "AUTOSCROLL=0");

    scene.movePointer(visible.center());
    scene.chooseCaptureItem(QStringLiteral("w"));
    EXPECT_TRUE(scene.waitForHighlightAround(visible)) << "the highlight is not on the window";
    scene.click();
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1))
        << scene.vistrel().testLog().join(u'\n').toStdString();
    EXPECT_EQ(scene.tabPicture(1).size(), visible.size());
}
