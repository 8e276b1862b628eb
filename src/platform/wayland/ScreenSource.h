#pragma once

#include <QImage>
#include <QRect>

namespace vistrel::wayland {

// One way of reading the screen that a compositor offers (screen copy, KWin's screenshot
// service, the desktop portal). Rectangles are in the compositor's layout coordinates; the
// pictures come in device pixels at the outputs' scale.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    // Said in the log once at start: which way this run reads the screen.
    virtual const char* name() const = 0;
    // Whether the compositor can draw the mouse pointer into the picture.
    virtual bool drawsPointer() const = 0;
    // Throws std::runtime_error with a Japanese text saying what went wrong and what the
    // user can do; never answers with a blank picture.
    virtual QImage grab(const QRect& area, bool withPointer) = 0;
};

} // namespace vistrel::wayland
