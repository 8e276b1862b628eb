#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QString>

// Pictures and file helpers shared by the picture-file tests.
namespace testpictures {

// A smooth field with thousands of colours.
inline QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y,
                qRgb((x * 255) / qMax(1, w - 1), (y * 255) / qMax(1, h - 1), ((x + y) * 7) & 255));
    return image;
}

// Flat areas and a few colours, like a window on the screen.
inline QImage screenLike(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(240, 240, 240));
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if (y < h / 10)
                row[x] = qRgb(40, 90, 160);
            else if ((x / 7 + y / 11) % 9 == 0 && (x % 7) < 5 && (y % 11) < 8)
                row[x] = qRgb(20, 20, 20);
            else if (x < w / 5)
                row[x] = qRgb(255, 255, 255);
        }
    }
    return image;
}

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

inline unsigned u16le(const QByteArray& b, int at)
{
    return unsigned(uchar(b[at])) | unsigned(uchar(b[at + 1])) << 8;
}

} // namespace testpictures
