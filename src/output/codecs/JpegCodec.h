#pragma once

#include <QByteArray>
#include <QImage>

namespace vistrel {

// JPEG through libjpeg-turbo. Library errors never end the process: they come back as
// std::runtime_error with the library's own text.
class JpegCodec {
public:
    // Quality 1..100 (clamped); baseline unless progressive. Everything else stays at the
    // library's defaults.
    static QByteArray encode(const QImage& image, int quality, bool progressive);
    // Format_RGB32. A file cut short is an error, not a picture padded with grey.
    static QImage decode(const QByteArray& bytes);
    static bool hasSignature(const QByteArray& bytes) { return bytes.startsWith("\xFF\xD8\xFF"); }
};

} // namespace vistrel
