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
    const int width = int(picture.width() * scale) - 5;
    const int height = int(picture.height() * scale) - 5;
    return {std::max(width, 1), std::max(height, 1)};
}

} // namespace vistrel
