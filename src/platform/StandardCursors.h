#pragma once

#include <QImage>
#include <QStringList>

namespace vistrel {

// The twelve standard cursors, in the order of the cursor menu and its tags.
enum class StandardCursor {
    Arrow = 0,
    AppStarting,
    Cross,
    IBeam,
    No,
    SizeAll,
    SizeNESW,
    SizeNS,
    SizeNWSE,
    SizeWE,
    UpArrow,
    Wait,
};
inline constexpr int StandardCursorCount = 12;
inline constexpr int StandardCursorSize = 32;

// Cursor-theme names of a shape, the classic X name first, then the newer ones.
QStringList StandardCursorNames(StandardCursor shape);

// A plain black-and-white drawing of the shape, 32 x 32 Format_ARGB32, for a
// display whose cursor theme lacks it.
QImage BuiltInCursorImage(StandardCursor shape);

// Puts a theme image on a 32 x 32 transparent canvas at its top-left corner,
// scaled down only when it is larger.
QImage FitCursorImage(const QImage& image);

} // namespace vistrel
