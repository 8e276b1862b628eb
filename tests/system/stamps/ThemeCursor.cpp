#include "stamps/ThemeCursor.h"

#include "platform/StandardCursors.h"

#include <X11/Xcursor/Xcursor.h>

namespace vistrel::test {

QImage themeCursor(const char* name)
{
    XcursorImage* image = XcursorLibraryLoadImage(name, nullptr, StandardCursorSize);
    if (image == nullptr)
        return {};
    const QImage premultiplied(reinterpret_cast<const uchar*>(image->pixels), int(image->width),
                               int(image->height), int(image->width) * 4,
                               QImage::Format_ARGB32_Premultiplied);
    QImage fitted = FitCursorImage(premultiplied.convertToFormat(QImage::Format_ARGB32));
    XcursorImageDestroy(image);
    return fitted;
}

} // namespace vistrel::test
