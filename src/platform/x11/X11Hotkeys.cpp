#include "platform/x11/X11Hotkeys.h"

#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/X11Reply.h"

#include <QCoreApplication>

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstring>

namespace vistrel::x11 {

namespace {

constexpr quint32 KeysymNumLock = 0xff7f;
constexpr quint32 KeysymPrint = 0xff61;
constexpr uint8_t BadAccess = 10;
// XKB event subtypes that change which keycodes carry which keysyms.
constexpr uint8_t XkbNewKeyboardNotify = 0;
constexpr uint8_t XkbMapNotify = 1;

uint16_t maskOf(quint32 modifiers)
{
    uint16_t mask = 0;
    if (modifiers & HotkeyModShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & HotkeyModControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HotkeyModAlt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & HotkeyModWin)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

constexpr uint16_t ComparedModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

} // namespace

X11Hotkeys::X11Hotkeys(xcb_connection_t* connection, xcb_window_t root,
                       std::function<void(int id)> pressed)
    : m_connection(connection), m_root(root), m_pressed(std::move(pressed))
{
    auto xkb = Reply<xcb_query_extension_reply_t>(xcb_query_extension_reply(
        connection, xcb_query_extension(connection, 9, "XKEYBOARD"), nullptr));
    if (xkb && xkb->present)
        m_xkbFirstEvent = xkb->first_event;
    loadKeyboard();
    // Several mapping events come for one layout switch: grab once after them.
    m_regrabTimer.setSingleShot(true);
    m_regrabTimer.setInterval(0);
    connect(&m_regrabTimer, &QTimer::timeout, this, [this] { regrabAll(); });
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Hotkeys::~X11Hotkeys()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const Binding& binding : m_bindings)
        ungrab(binding);
    xcb_flush(m_connection);
    if (m_symbols != nullptr)
        xcb_key_symbols_free(m_symbols);
}

void X11Hotkeys::loadKeyboard()
{
    if (m_symbols != nullptr)
        xcb_key_symbols_free(m_symbols);
    m_symbols = xcb_key_symbols_alloc(m_connection);
    m_numLockMask = 0;
    auto mapping = Reply<xcb_get_modifier_mapping_reply_t>(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!mapping || m_symbols == nullptr)
        return;
    std::unique_ptr<xcb_keycode_t, FreeDeleter> numLock(
        xcb_key_symbols_get_keycode(m_symbols, KeysymNumLock));
    if (!numLock)
        return;
    const xcb_keycode_t* modifierKeys = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int k = 0; k < perModifier; ++k)
            for (const xcb_keycode_t* n = numLock.get(); *n != XCB_NO_SYMBOL; ++n)
                if (modifierKeys[modifier * perModifier + k] == *n && *n != 0)
                    m_numLockMask = uint16_t(1u << modifier);
}

std::vector<uint16_t> X11Hotkeys::lockStates() const
{
    std::vector<uint16_t> states{0, XCB_MOD_MASK_LOCK};
    if (m_numLockMask != 0) {
        states.push_back(m_numLockMask);
        states.push_back(uint16_t(m_numLockMask | XCB_MOD_MASK_LOCK));
    }
    return states;
}

bool X11Hotkeys::conflicts(const Binding& binding) const
{
    // The server lets a client grab its own combination twice; a second
    // entry with the same keys must fail like one held by another program.
    for (const Binding& other : m_bindings) {
        if (other.id == binding.id || other.mask != binding.mask)
            continue;
        for (xcb_keycode_t code : binding.keycodes)
            if (std::find(other.keycodes.begin(), other.keycodes.end(), code) !=
                other.keycodes.end())
                return true;
    }
    return false;
}

bool X11Hotkeys::grab(Binding& binding, QString* reason)
{
    binding.keycodes.clear();
    binding.mask = maskOf(binding.modifiers);
    if (m_symbols != nullptr) {
        std::unique_ptr<xcb_keycode_t, FreeDeleter> codes(
            xcb_key_symbols_get_keycode(m_symbols, binding.keysym));
        for (const xcb_keycode_t* n = codes.get(); n != nullptr && *n != XCB_NO_SYMBOL; ++n)
            if (std::find(binding.keycodes.begin(), binding.keycodes.end(), *n) ==
                binding.keycodes.end())
                binding.keycodes.push_back(*n);
    }
    if (binding.keycodes.empty()) {
        if (reason != nullptr)
            *reason = QStringLiteral("the keyboard layout has no such key");
        return false;
    }
    if (conflicts(binding)) {
        if (reason != nullptr)
            *reason = QStringLiteral("another hotkey of this program has the same keys");
        return false;
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_keycode_t code : binding.keycodes)
        for (uint16_t lock : lockStates())
            cookies.push_back(xcb_grab_key_checked(m_connection, 1, m_root,
                                                   uint16_t(binding.mask | lock), code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool ok = true;
    for (xcb_void_cookie_t cookie : cookies) {
        Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
        if (error) {
            ok = false;
            if (reason != nullptr)
                *reason = error->error_code == BadAccess
                              ? QStringLiteral("another program holds the combination")
                              : QStringLiteral("X error %1").arg(error->error_code);
        }
    }
    if (!ok)
        ungrab(binding); // ungrabbing only releases the grabs that are ours
    return ok;
}

void X11Hotkeys::ungrab(const Binding& binding)
{
    for (xcb_keycode_t code : binding.keycodes)
        for (uint16_t lock : lockStates())
            xcb_ungrab_key(m_connection, code, m_root, uint16_t(binding.mask | lock));
}

bool X11Hotkeys::add(int id, quint32 modifiers, quint32 keysym, QString* reason)
{
    remove(id);
    Binding binding{id, modifiers, keysym, 0, {}};
    // A bare key would be taken from every program; Print is the screenshot key.
    if (binding.mask = maskOf(modifiers); binding.mask == 0 && keysym != KeysymPrint) {
        if (reason != nullptr)
            *reason = QStringLiteral("only Print may be a hotkey without a modifier");
        return false;
    }
    const bool ok = grab(binding, reason);
    xcb_flush(m_connection);
    if (ok)
        m_bindings.push_back(std::move(binding));
    return ok;
}

void X11Hotkeys::remove(int id)
{
    auto it = std::find_if(m_bindings.begin(), m_bindings.end(),
                           [id](const Binding& b) { return b.id == id; });
    if (it == m_bindings.end())
        return;
    ungrab(*it);
    xcb_flush(m_connection);
    m_bindings.erase(it);
}

void X11Hotkeys::regrabAll()
{
    // Release with the old keycodes and lock bits, then grab with the new ones.
    for (const Binding& binding : m_bindings)
        ungrab(binding);
    loadKeyboard();
    std::vector<Binding> previous = std::move(m_bindings);
    m_bindings.clear();
    for (Binding& binding : previous)
        if (grab(binding, nullptr))
            m_bindings.push_back(std::move(binding));
    xcb_flush(m_connection);
}

bool X11Hotkeys::isKeyboardChange(const xcb_generic_event_t* event) const
{
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        return mapping->request != XCB_MAPPING_POINTER;
    }
    // XKB events share one event code; their subtype is the second byte.
    return m_xkbFirstEvent != 0 && type == m_xkbFirstEvent &&
           (event->pad0 == XkbNewKeyboardNotify || event->pad0 == XkbMapNotify);
}

bool X11Hotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (isKeyboardChange(event)) {
        m_regrabTimer.start();
        return false; // Qt follows the mapping too
    }
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (press->event != m_root)
        return false;
    const uint16_t state = press->state & ComparedModifiers;
    for (const Binding& binding : m_bindings) {
        if (binding.mask != state || std::find(binding.keycodes.begin(), binding.keycodes.end(),
                                               press->detail) == binding.keycodes.end())
            continue;
        // Run the capture from the event loop, not from inside Qt's event delivery.
        const int id = binding.id;
        QMetaObject::invokeMethod(
            this, [this, id] { m_pressed(id); }, Qt::QueuedConnection);
        return true;
    }
    return false;
}

} // namespace vistrel::x11

namespace vistrel {

bool X11Platform::registerHotkey(int id, quint32 modifiers, quint32 keysym, QString* reason)
{
    if (!m_hotkeys)
        m_hotkeys = std::make_unique<x11::X11Hotkeys>(m_connection, m_root, [this](int pressed) {
            if (hotkeyPressed)
                hotkeyPressed(pressed);
        });
    return m_hotkeys->add(id, modifiers, keysym, reason);
}

void X11Platform::unregisterHotkey(int id)
{
    if (m_hotkeys)
        m_hotkeys->remove(id);
}

} // namespace vistrel
