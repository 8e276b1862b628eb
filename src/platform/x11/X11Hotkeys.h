#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>
#include <QTimer>

#include <xcb/xcb.h>

#include <functional>
#include <vector>

typedef struct _XCBKeySymbols xcb_key_symbols_t;

namespace vistrel::x11 {

// System-wide hotkeys as passive key grabs on the root window, one for every
// keycode of the keysym and every state of CapsLock and NumLock. Presses
// arrive through Qt's native event filter; a keyboard mapping or layout
// change grabs everything again for the new keycodes.
class X11Hotkeys : public QObject, public QAbstractNativeEventFilter {
public:
    X11Hotkeys(xcb_connection_t* connection, xcb_window_t root,
               std::function<void(int id)> pressed);
    ~X11Hotkeys() override;

    bool add(int id, quint32 modifiers, quint32 keysym, QString* reason);
    void remove(int id);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Binding {
        int id = 0;
        quint32 modifiers = 0; // the platform's modifier bits
        quint32 keysym = 0;
        uint16_t mask = 0; // X modifier mask
        std::vector<xcb_keycode_t> keycodes;
    };

    bool grab(Binding& binding, QString* reason);
    void ungrab(const Binding& binding);
    std::vector<uint16_t> lockStates() const;
    void loadKeyboard();
    void regrabAll();
    bool isKeyboardChange(const xcb_generic_event_t* event) const;
    bool conflicts(const Binding& binding) const;

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::function<void(int id)> m_pressed;
    xcb_key_symbols_t* m_symbols = nullptr;
    uint16_t m_numLockMask = 0;
    uint8_t m_xkbFirstEvent = 0;
    std::vector<Binding> m_bindings;
    QTimer m_regrabTimer;
};

} // namespace vistrel::x11
