// The window questions of X11Platform: targets, rectangles, titles, stacking.
#include "platform/x11/X11PickSession.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11WindowTree.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>

namespace vistrel {

using x11::Reply;

WindowId X11Platform::desktopWindow() const
{
    return m_root;
}

bool X11Platform::isDesktop(WindowId window) const
{
    return window == m_root ||
           (window != 0 &&
            m_tree->hasWindowType(xcb_window_t(window), m_tree->atoms().netWmWindowTypeDesktop));
}

WindowId X11Platform::topLevelOf(WindowId window) const
{
    return m_tree->topLevelClientOf(xcb_window_t(window));
}

WindowId X11Platform::foregroundWindow() const
{
    // A window manager's answer counts even when it is "none".
    if (m_tree->windowManagerRunning()) {
        const auto active = m_tree->property32(m_root, m_tree->atoms().netActiveWindow);
        if (!active.empty())
            return active.front();
    }
    auto focus = Reply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return 0;
    return m_tree->topLevelClientOf(focus->focus);
}

WindowId X11Platform::windowAt(QPoint screenPos) const
{
    const auto skipOwn = [this](xcb_window_t window) {
        return isOwnWindow(window) || isOwnWindow(m_tree->clientOf(window));
    };
    const xcb_window_t topLevel = m_tree->childAt(m_root, screenPos, skipOwn);
    if (topLevel == XCB_NONE)
        return m_root;
    // A frame is never the target: its client is, and then the client's children.
    xcb_window_t window = m_tree->clientOf(topLevel);
    if (!m_tree->rootRect(window).contains(screenPos))
        return window;
    const auto skipNone = [](xcb_window_t) { return false; };
    while (true) {
        const xcb_window_t child = m_tree->childAt(window, screenPos, skipNone);
        if (child == XCB_NONE)
            return window;
        window = child;
    }
}

// A program that draws its own title bar and borders (GTK's client-side decorations) paints
// an invisible shadow around them and says how wide it is in _GTK_FRAME_EXTENTS. Both
// properties hold left, right, top, bottom.
QRect X11Platform::clientRect(WindowId window) const
{
    if (window == 0)
        return {};
    const auto id = xcb_window_t(window);
    const QRect rect = m_tree->rootRect(id);
    if (rect.isNull() || !m_tree->isTopLevel(id))
        return rect;
    return withoutShadow(id, rect);
}

QRect X11Platform::outerRect(WindowId window) const
{
    if (window == 0)
        return {};
    const auto id = xcb_window_t(window);
    QRect rect = m_tree->rootRect(id);
    if (rect.isNull() || !m_tree->isTopLevel(id))
        return rect;
    const auto frame = m_tree->property32(id, m_tree->atoms().netFrameExtents);
    if (frame.size() >= 4)
        rect.adjust(-int(frame[0]), -int(frame[2]), int(frame[1]), int(frame[3]));
    return withoutShadow(id, rect);
}

QRect X11Platform::withoutShadow(quint32 window, QRect rect) const
{
    const auto shadow = m_tree->property32(window, m_tree->atoms().gtkFrameExtents);
    if (shadow.size() < 4)
        return rect;
    const QRect inner =
        rect.adjusted(int(shadow[0]), int(shadow[2]), -int(shadow[1]), -int(shadow[3]));
    return inner.isValid() ? inner : rect; // nonsense extents change nothing
}

QString X11Platform::windowTitle(WindowId window) const
{
    if (window == 0)
        return {};
    const QString own = m_tree->title(xcb_window_t(window));
    if (!own.isEmpty())
        return own;
    // A control has no title of its own (xterm's text area): name its program's window.
    const xcb_window_t topLevel = m_tree->topLevelClientOf(xcb_window_t(window));
    return topLevel != 0 && topLevel != xcb_window_t(window) ? m_tree->title(topLevel) : QString();
}

bool X11Platform::isOwnWindow(WindowId window) const
{
    if (window == 0 || window == m_root)
        return false;
    if (m_pick && m_pick->ownsWindow(xcb_window_t(window)))
        return true;
    const QWindowList windows = QGuiApplication::allWindows();
    const auto ours = [&windows](WindowId id) {
        return std::any_of(windows.begin(), windows.end(), [id](const QWindow* w) {
            return w->handle() != nullptr && w->winId() == id;
        });
    };
    // A native child of one of our windows is ours too.
    return ours(window) || ours(m_tree->topLevelClientOf(xcb_window_t(window)));
}

QList<StackedWindow> X11Platform::windowsTopToBottom() const
{
    std::vector<uint32_t> stacking =
        m_tree->property32(m_root, m_tree->atoms().netClientListStacking);
    if (stacking.empty() && !m_tree->windowManagerRunning()) {
        for (xcb_window_t child : m_tree->children(m_root))
            stacking.push_back(m_tree->clientOf(child));
    }
    QList<StackedWindow> result;
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        StackedWindow entry;
        entry.id = *it;
        entry.visible = m_tree->isViewable(*it);
        entry.isDock = m_tree->hasWindowType(*it, m_tree->atoms().netWmWindowTypeDock);
        entry.isOwn = isOwnWindow(*it);
        result.append(entry);
    }
    return result;
}

void X11Platform::activateWindow(WindowId window)
{
    xcb_window_t target = xcb_window_t(window);
    if (target != XCB_NONE && !m_tree->isTopLevel(target))
        target = m_tree->topLevelClientOf(target);
    if (target == XCB_NONE || target == m_root)
        return;
    // Source indication 2: a pager-like request, which window managers honour.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = target;
    message.type = m_tree->atoms().netActiveWindow;
    message.data.data32[0] = 2;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    // Checked so that a window that vanished meanwhile does not reach Qt's error log.
    x11::succeeded(m_connection, xcb_configure_window_checked(
                                     m_connection, target, XCB_CONFIG_WINDOW_STACK_MODE, &above));
    if (!m_tree->windowManagerRunning())
        x11::succeeded(m_connection,
                       xcb_set_input_focus_checked(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT,
                                                   target, XCB_CURRENT_TIME));
}

} // namespace vistrel
