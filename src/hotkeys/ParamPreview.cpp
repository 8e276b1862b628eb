#include "hotkeys/ParamPreview.h"

#include <algorithm>

namespace vistrel {

QSize FittedPreviewSize(QSize box, QSize picture)
{
    if (picture.isEmpty() || box.isEmpty())
        return {1, 1};
    double scale = double(box.width()) / picture.width();
    if (box.height() < picture.height() * scale)
        scale = double(box.height()) / picture.height();
    // The tiny bias keeps an exact fit (209 / 1920 * 1920) from truncating a pixel away.
    const int width = int(picture.width() * scale + 1e-9) - 5;
    const int height = int(picture.height() * scale + 1e-9) - 5;
    return {std::max(width, 1), std::max(height, 1)};
}

} // namespace vistrel
