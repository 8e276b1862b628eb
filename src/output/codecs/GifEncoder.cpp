#include "output/codecs/GifCodec.h"

#include <QHash>

#include <gif_lib.h>

#include <array>
#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

namespace vistrel {

namespace {

constexpr int MaxColours = 256;

// The picture's own palette when it has at most 256 colours, else an empty list.
QList<QRgb> exactPalette(const QImage& image)
{
    QHash<QRgb, int> seen;
    QList<QRgb> palette;
    QRgb last = 0;
    bool haveLast = false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = row[x] | 0xff000000u;
            if (haveLast && c == last)
                continue;
            last = c;
            haveLast = true;
            if (seen.contains(c))
                continue;
            if (palette.size() == MaxColours)
                return {};
            seen.insert(c, int(palette.size()));
            palette.append(c);
        }
    }
    return palette;
}

QList<QRgb> quantisedPalette(const QImage& image)
{
    const size_t count = size_t(image.width()) * size_t(image.height());
    std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
    size_t i = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x, ++i) {
            red[i] = GifByteType(qRed(row[x]));
            green[i] = GifByteType(qGreen(row[x]));
            blue[i] = GifByteType(qBlue(row[x]));
        }
    }
    std::array<GifColorType, MaxColours> map{};
    int size = MaxColours;
    if (GifQuantizeBuffer(unsigned(image.width()), unsigned(image.height()), &size, red.data(),
                          green.data(), blue.data(), indices.data(), map.data()) == GIF_ERROR)
        throw std::runtime_error("GIF ファイルを作成できません: 減色に失敗しました");
    QList<QRgb> palette;
    for (int k = 0; k < size && k < MaxColours; ++k)
        palette.append(qRgb(map[size_t(k)].Red, map[size_t(k)].Green, map[size_t(k)].Blue));
    return palette;
}

int nearestIndex(QRgb colour, const QList<QRgb>& palette)
{
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(colour) - qRed(palette[i]);
        const int dg = qGreen(colour) - qGreen(palette[i]);
        const int db = qBlue(colour) - qBlue(palette[i]);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void mapNearest(const QImage& image, QImage& out)
{
    const QList<QRgb> palette = out.colorTable();
    std::array<QRgb, 4096> keys{}; // alpha is always 0xff in a key, so 0 marks an empty slot
    std::array<uchar, 4096> values{};
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = src[x] | 0xff000000u;
            const size_t slot = ((c * 2654435761u) >> 20) & 4095;
            if (keys[slot] != c) {
                keys[slot] = c;
                values[slot] = uchar(nearestIndex(c, palette));
            }
            dst[x] = values[slot];
        }
    }
}

int writeToArray(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

[[noreturn]] void failWrite(int code)
{
    const char* reason = GifErrorString(code);
    throw std::runtime_error(std::string("GIF ファイルを作成できません: ") +
                             (reason ? reason : "不明なエラー"));
}

} // namespace

QImage GifCodec::reduceColours(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> palette = exactPalette(image);
    if (palette.isEmpty())
        palette = quantisedPalette(image);
    QImage out(image.size(), QImage::Format_Indexed8);
    if (out.isNull())
        throw std::runtime_error("画像を変換するためのメモリが足りません");
    out.setColorTable(palette);
    mapNearest(image, out);
    return out;
}

QByteArray GifCodec::encode(const QImage& source)
{
    if (source.isNull())
        throw std::runtime_error("空の画像は保存できません");
    if (source.width() > 65535 || source.height() > 65535)
        throw std::runtime_error("画像が大きすぎて GIF で保存できません");
    const QImage image = reduceColours(source);
    int mapSize = 2;
    while (mapSize < image.colorCount())
        mapSize *= 2;
    std::array<GifColorType, MaxColours> colours{};
    for (int i = 0; i < image.colorCount(); ++i) {
        const QRgb c = image.color(i);
        colours[size_t(i)] = {GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
    }
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeToArray, &error);
    if (!gif)
        failWrite(error);
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    bool ok = map && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y)
        ok = EGifPutLine(gif, const_cast<uchar*>(image.constScanLine(y)), image.width()) == GIF_OK;
    error = gif->Error;
    GifFreeMapObject(map);
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) == GIF_ERROR && ok) {
        ok = false;
        error = closeError;
    }
    if (!ok)
        failWrite(error);
    return out;
}

} // namespace vistrel
