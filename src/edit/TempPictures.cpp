#include "edit/TempPictures.h"

#include "output/codecs/BmpFile.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

namespace vistrel {

namespace {

constexpr int DefaultLastTab = 50;
constexpr int DefaultLastScrollFrame = 200;
constexpr int BmpHeaderBytes = 14 + 40;

// The file and info headers of a bottom-up 32-bit bitmap without compression.
QByteArray bmpHeader32(int width, int height)
{
    QByteArray header(BmpHeaderBytes, '\0');
    const auto put32 = [&header](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = char((value >> (8 * i)) & 0xff);
    };
    const quint32 imageBytes = quint32(width) * quint32(height) * 4;
    header[0] = 'B';
    header[1] = 'M';
    put32(2, BmpHeaderBytes + imageBytes);
    put32(10, BmpHeaderBytes);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    header[26] = 1;  // planes
    header[28] = 32; // bits per pixel
    put32(34, imageBytes);
    return header;
}

} // namespace

TempPictures::TempPictures(std::function<QString()> folder) : m_folder(std::move(folder)) {}

QString TempPictures::path(Kind kind, int number) const
{
    const QString prefix = kind == Kind::Tab ? QStringLiteral("Tab") : QStringLiteral("Scr");
    return QDir(m_folder()).filePath(prefix + QString::number(number) + QStringLiteral(".cbmp"));
}

void TempPictures::WriteTempPicture(const QImage& bitmap, Kind kind, int number) const
{
    if (kind == Kind::Tab || bitmap.format() != QImage::Format_RGB32)
        return BmpFile::write(bitmap, path(kind, number));
    // Scroll frames live for one capture and are read back only when written
    // whole: no atomic replace with its flush to disk on every step, and rows
    // go out straight from the grab, so no third frame-sized buffer is needed.
    const QString file = path(kind, number);
    QFile out(file);
    bool written = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   out.write(bmpHeader32(bitmap.width(), bitmap.height())) == BmpHeaderBytes;
    const qint64 rowBytes = qint64(bitmap.width()) * 4;
    for (int y = bitmap.height() - 1; written && y >= 0; --y)
        written =
            out.write(reinterpret_cast<const char*>(bitmap.constScanLine(y)), rowBytes) == rowBytes;
    written = written && out.flush();
    if (!written) {
        const QString reason = out.errorString();
        out.close();
        QFile::remove(file);
        throw std::runtime_error(
            QStringLiteral("%1 に書き込めません\n%2").arg(file, reason).toStdString());
    }
}

void TempPictures::ReadTempPicture(QImage& bitmap, Kind kind, int number) const
{
    const QString file = path(kind, number);
    if (QFile::exists(file))
        bitmap = BmpFile::read(file);
}

void TempPictures::DeleteTempPictures(Kind kind, int last) const
{
    if (last < 0)
        last = kind == Kind::Tab ? DefaultLastTab : DefaultLastScrollFrame;
    for (int number = 0; number <= last; ++number)
        QFile::remove(path(kind, number));
}

} // namespace vistrel
