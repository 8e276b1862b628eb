#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vistrel {

// Ordinary Windows bitmap files: a 14-byte file header, a 40-byte info header, the palette
// or bit masks, and bottom-up rows padded to four bytes.
//
// Depths written: 1, 4, 8 (palette), 16 (5-5-5 plain from Format_RGB555, 5-6-5 bit fields
// from Format_RGB16), 24 and 32. Depth 0 means the picture's own format.
// Reading gives Format_RGB32 for 32-bit files, Format_BGR888 for 24-bit, Format_RGB555 and
// Format_RGB16 for 5-5-5 and 5-6-5 files, Format_Indexed8 with the file's palette padded to
// 2^depth entries for 1/4/8-bit (also RLE) files, and Format_RGB32 for other bit fields.
// Malformed or hostile data throws std::runtime_error with a readable reason.
class BmpFile {
public:
    // Larger pictures are refused before anything is allocated: 2^27 pixels
    // (512 MB at 32 bits) is beyond any screen and any scroll capture the
    // program keeps, yet far below what a decoding bomb would ask for.
    static constexpr qint64 MaxPixels = qint64(1) << 27;

    // Throws the user's message when an allocation of `image` failed (memory
    // short or a size the system refuses), instead of writing through a null picture.
    static const QImage& requireAllocated(const QImage& image);

    static void write(const QImage& image, const QString& path, int bitsPerPixel = 0);
    static QImage read(const QString& path);
    static QByteArray encode(const QImage& image, int bitsPerPixel);
    static QImage decode(const QByteArray& bytes);

    // The depth encode() uses for a picture when asked for depth 0.
    static int ownDepth(const QImage& image);
    static bool hasSignature(const QByteArray& bytes) { return bytes.startsWith("BM"); }
};

} // namespace vistrel
