// Standard cursors of a cursor theme, read from its files through libXcursor.
#include "platform/CursorTheme.h"

#include <X11/Xcursor/Xcursor.h>

#include <memory>

namespace vistrel {

namespace {

struct ImageFree {
    void operator()(XcursorImage* image) const { XcursorImageDestroy(image); }
};

QImage themeImage(const QString& name, const char* theme)
{
    std::unique_ptr<XcursorImage, ImageFree> image(
        XcursorLibraryLoadImage(name.toLatin1().constData(), theme, StandardCursorSize));
    if (!image || image->width == 0 || image->height == 0)
        return {};
    // Xcursor pixels are premultiplied ARGB, one 32-bit value each.
    QImage premultiplied(reinterpret_cast<const uchar*>(image->pixels), int(image->width),
                         int(image->height), int(image->width) * 4,
                         QImage::Format_ARGB32_Premultiplied);
    return FitCursorImage(premultiplied.convertToFormat(QImage::Format_ARGB32));
}

} // namespace

QImage CursorThemeImage(StandardCursor shape, const char* theme)
{
    for (const QString& name : StandardCursorNames(shape)) {
        QImage image = themeImage(name, theme != nullptr && *theme != 0 ? theme : nullptr);
        if (!image.isNull())
            return image;
    }
    return BuiltInCursorImage(shape);
}

} // namespace vistrel
