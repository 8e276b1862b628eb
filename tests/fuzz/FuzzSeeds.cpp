// Writes small pictures in every form the readers know into <folder>/{bmp,jpeg,png,gif}/,
// the starting corpus of the fuzz runs. Run: fuzz_seeds <folder>
#include "output/codecs/BmpFile.h"
#include "output/codecs/GifCodec.h"
#include "output/codecs/JpegCodec.h"
#include "output/codecs/PictureConversions.h"
#include "output/codecs/PngCodec.h"
#include "settings/SettingsStore.h"
#include "settings/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>

using namespace vistrel;

namespace {

// Flat areas, a gradient band and a few lines: small, yet every codec path has work to do.
QImage sample(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           y < h / 3 ? qRgb(x * 255 / w, y * 40, 200)
                                     : ((x + y) % 5 == 0 ? qRgb(0, 0, 0) : qRgb(240, 240, 240)));
    return image;
}

void put32(QByteArray& b, int at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

// An 8x4 run-length bitmap (RLE8 or RLE4) with runs, a literal, a delta and the end codes;
// the writer never produces these, so they are built here.
QByteArray runLengthBitmap(int bits, bool topDown)
{
    const QByteArray rows = bits == 8 ? QByteArray::fromHex("0801 0000"
                                                            "0003 020301 00 0502 0000"
                                                            "0002 0100 0402 0000"
                                                            "0803 0001")
                                      : QByteArray::fromHex("0812 0000"
                                                            "0004 1234 0421 0000"
                                                            "0002 0100 0421 0000"
                                                            "0833 0001");
    const int paletteEntries = bits == 8 ? 4 : 16;
    QByteArray b(54 + paletteEntries * 4, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, quint32(b.size() + rows.size()));
    put32(b, 10, quint32(b.size()));
    put32(b, 14, 40);
    put32(b, 18, 8);
    put32(b, 22, topDown ? quint32(-4) : 4u);
    b[26] = 1;
    b[28] = char(bits);
    put32(b, 30, bits == 8 ? 1 : 2);
    put32(b, 34, quint32(rows.size()));
    put32(b, 46, quint32(paletteEntries));
    for (int i = 0; i < paletteEntries; ++i)
        put32(b, 54 + i * 4, quint32(i * 0x10305 & 0xffffff));
    return b + rows;
}

bool save(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(folder);
    QFile file(folder + u'/' + name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QImage small = sample(13, 7);
    bool ok = true;
    for (const int bits : {1, 4, 8, 16, 24, 32})
        ok &= save(root + QStringLiteral("/bmp"), QStringLiteral("d%1.bmp").arg(bits),
                   BmpFile::encode(small, bits));
    ok &= save(root + QStringLiteral("/bmp"), QStringLiteral("565.bmp"),
               BmpFile::encode(PictureConversions::toRgb565(small), 0));
    ok &=
        save(root + QStringLiteral("/bmp"), QStringLiteral("rle8.bmp"), runLengthBitmap(8, false));
    ok &=
        save(root + QStringLiteral("/bmp"), QStringLiteral("rle4.bmp"), runLengthBitmap(4, false));
    ok &= save(root + QStringLiteral("/bmp"), QStringLiteral("rle8top.bmp"),
               runLengthBitmap(8, true));

    ok &= save(root + QStringLiteral("/jpeg"), QStringLiteral("base.jpg"),
               JpegCodec::encode(small, 75, false));
    ok &= save(root + QStringLiteral("/jpeg"), QStringLiteral("prog.jpg"),
               JpegCodec::encode(small, 30, true));
    ok &= save(root + QStringLiteral("/jpeg"), QStringLiteral("grey.jpg"),
               JpegCodec::encode(small.convertToFormat(QImage::Format_Grayscale8), 90, false));

    ok &= save(root + QStringLiteral("/png"), QStringLiteral("rgb.png"),
               PngCodec::encode(small, 6, false));
    ok &= save(root + QStringLiteral("/png"), QStringLiteral("adam7.png"),
               PngCodec::encode(small, 1, true));
    ok &= save(root + QStringLiteral("/png"), QStringLiteral("stored.png"),
               PngCodec::encode(small, 0, false));
    for (const int colours : {2, 16, 256})
        ok &= save(root + QStringLiteral("/png"), QStringLiteral("p%1.png").arg(colours),
                   PngCodec::encode(PictureConversions::toIndexedWithin(small, colours), 9, false));

    ok &= save(root + QStringLiteral("/gif"), QStringLiteral("few.gif"), GifCodec::encode(small));
    ok &= save(root + QStringLiteral("/gif"), QStringLiteral("many.gif"),
               GifCodec::encode(sample(40, 30)));

    // A whole settings file as a run writes it, in UTF-8 and in Shift-JIS, and a few
    // parameter strings of hotkey entries and command lines.
    const SettingsStore store(root + QStringLiteral("/ini-source"), QStringLiteral("/画像"));
    QDir().mkpath(root + QStringLiteral("/ini-source"));
    store.save(store.defaults(), false);
    QFile written(store.filePath());
    ok &= written.open(QIODevice::ReadOnly);
    const QByteArray ini = written.readAll();
    ok &= save(root + QStringLiteral("/ini"), QStringLiteral("utf8.ini"), ini);
    if (const auto sjis = encodeShiftJis(QString::fromUtf8(ini)))
        ok &= save(root + QStringLiteral("/ini"), QStringLiteral("sjis.ini"), *sjis);
    int n = 0;
    for (const char* param : {"/C1,/A5", "/C3,/A9,/W1,/M,/L,/R,/T5,/U", "/C,/A",
                              "/C2,/A5;/tmp/x;10;shot;_<$Y>", "/C1,/A6,/T99"})
        ok &= save(root + QStringLiteral("/param"), QStringLiteral("p%1.txt").arg(n++), param);
    return ok ? 0 : 1;
}
