#pragma once

#include <QImage>

class QMimeData;

namespace vistrel {

// The picture a paste takes from clipboard contents: this program's own copy as it is, an
// image in any type offered (PNG, bitmap, JPEG, GIF, or another type Qt reads), or the one
// local picture file a file manager's copy names. Null when the contents hold none of these;
// damaged picture data throws std::runtime_error with a message for the user.
QImage pictureFromClipboard(const QMimeData& contents);

// The same for the CLIPBOARD selection as it is now.
QImage pictureFromClipboard();

} // namespace vistrel
