#pragma once

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace vistrel::fuzz {

// Feeds one input to a decoder. A decoding error is the expected outcome for most inputs;
// anything else (a crash, a sanitizer report, another exception type) ends the run.
inline int decodeFuzzedPicture(const uint8_t* data, size_t size,
                               QImage (*decode)(const QByteArray&))
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = decode(bytes);
        // Touch the last row so a picture smaller than its claimed size shows up as a bad read.
        if (!image.isNull())
            (void)image.pixel(image.width() - 1, image.height() - 1);
    } catch (const std::runtime_error&) {
    }
    return 0;
}

} // namespace vistrel::fuzz
