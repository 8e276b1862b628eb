#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>
#include <sys/types.h>

struct xcb_connection_t;

namespace vistrel::test {

using WindowId = quint32;

// Where a top-level window is: its window-manager frame and its client area,
// both in root (screen) coordinates.
struct WindowGeometry {
    QRect frame;
    QRect client;
};

// The test's own connection to the X server, for looking at windows and pixels
// without going through the program under test.
class XDisplay {
public:
    explicit XDisplay(const QString& name);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    xcb_connection_t* connection() const { return m_connection; }
    WindowId root() const { return m_root; }
    QSize screenSize() const { return m_screenSize; }

    // Mapped windows whose title (_NET_WM_NAME, else WM_NAME) is exactly `title`; for
    // "Vistrel" also the main window's "caption - file - Vistrel".
    QList<WindowId> findWindows(const QString& title) const;
    static bool titleMatches(const QString& title, const QString& wanted);
    QString title(WindowId window) const;
    // The window announces itself as a dialog (_NET_WM_WINDOW_TYPE_DIALOG), as message boxes do.
    bool isDialog(WindowId window) const;
    // The _NET_WM_PID the window's client announced.
    std::optional<pid_t> pid(WindowId window) const;
    // Empty when the window is gone.
    std::optional<WindowGeometry> geometry(WindowId window) const;
    // The EWMH-compliant window manager is up (_NET_SUPPORTING_WM_CHECK is set).
    bool hasWindowManager() const;
    // The screen's pixels in `area` (the whole screen when empty), as RGB32.
    QImage grab(QRect area = {}) const;

private:
    quint32 atom(const char* name) const;
    QByteArray property(WindowId window, quint32 property, quint32 type) const;
    void collect(WindowId parent, const QString& title, QList<WindowId>& found) const;

    xcb_connection_t* m_connection = nullptr;
    WindowId m_root = 0;
    QSize m_screenSize;
};

} // namespace vistrel::test
