#include "output/codecs/BmpRle.h"

#include <stdexcept>

namespace vistrel {

namespace {

class RleCursor {
public:
    explicit RleCursor(QImage& image) : m_image(image) { m_image.fill(0); }
    void put(int index)
    {
        if (m_x < m_image.width() && m_line < m_image.height())
            m_image.scanLine(int(m_image.height() - 1 - m_line))[m_x] = uchar(index);
        ++m_x;
    }
    void endOfLine()
    {
        m_x = 0;
        ++m_line;
    }
    void move(int dx, int dy)
    {
        m_x += dx;
        m_line += dy;
    }
    bool pastEnd() const { return m_line >= m_image.height(); }

private:
    QImage& m_image;
    qint64 m_x = 0;
    qint64 m_line = 0;
};

} // namespace

void BmpRle::decode(const uchar* data, qint64 size, bool fourBit, QImage& image)
{
    RleCursor cursor(image);
    qint64 pos = 0;
    const auto next = [&]() -> int {
        if (pos >= size)
            throw std::runtime_error("ビットマップの画像データが途中で切れています");
        return data[pos++];
    };
    while (!cursor.pastEnd()) {
        const int count = next();
        const int value = next();
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                cursor.put(fourBit ? (i % 2 ? value & 0x0f : value >> 4) : value);
        } else if (value == 0) {
            cursor.endOfLine();
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            const int dx = next();
            cursor.move(dx, next());
        } else {
            const int bytes = fourBit ? (value + 1) / 2 : value;
            for (int i = 0; i < value; ++i) {
                if (fourBit) {
                    const uchar byte = pos + i / 2 < size ? data[pos + i / 2] : 0;
                    cursor.put(i % 2 ? byte & 0x0f : byte >> 4);
                } else {
                    cursor.put(pos + i < size ? data[pos + i] : 0);
                }
            }
            if (pos + bytes > size)
                throw std::runtime_error("ビットマップの画像データが途中で切れています");
            pos += bytes + (bytes % 2);
        }
    }
}

} // namespace vistrel
