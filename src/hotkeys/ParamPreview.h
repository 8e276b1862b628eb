#pragma once

#include <QSize>

namespace vistrel {

// The size of the fitted preview of the startup-options dialog: the picture
// scaled to the box's width, or to its height when that is too tall, less 5
// pixels each way (never below one pixel).
QSize FittedPreviewSize(QSize box, QSize picture);

} // namespace vistrel
