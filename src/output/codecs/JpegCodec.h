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
    // Decoded at 1/2, 1/4 or 1/8 of its size where that still covers `fitWithin` (libjpeg
    // skips the finer detail, so a photo shown fitted to a window decodes in a fraction of
    // the time and memory); full size when no reduction does.
    static QImage decodeReduced(const QByteArray& bytes, QSize fitWithin);
    static bool hasSignature(const QByteArray& bytes) { return bytes.startsWith("\xFF\xD8\xFF"); }
};

} // namespace vistrel
