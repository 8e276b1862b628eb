#pragma once

#include <QImage>

namespace vistrel {

// Run-length encoded bitmap data (RLE8 and RLE4) into a bottom-up Format_Indexed8 picture.
// Runs that leave the picture are clipped; data that ends before the end-of-bitmap code
// throws std::runtime_error.
class BmpRle {
public:
    static void decode(const uchar* data, qint64 size, bool fourBit, QImage& image);
};

} // namespace vistrel
