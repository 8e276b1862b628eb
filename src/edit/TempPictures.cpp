#include "edit/TempPictures.h"

#include "output/BmpFile.h"

#include <QDir>
#include <QFile>

namespace vistrel {

namespace {

constexpr int DefaultLastTab = 50;
constexpr int DefaultLastScrollFrame = 200;

} // namespace

TempPictures::TempPictures(std::function<QString()> folder) : m_folder(std::move(folder)) {}

QString TempPictures::path(Kind kind, int number) const
{
    const QString prefix = kind == Kind::Tab ? QStringLiteral("Tab") : QStringLiteral("Scr");
    return QDir(m_folder()).filePath(prefix + QString::number(number) + QStringLiteral(".cbmp"));
}

void TempPictures::WriteTempPicture(const QImage& bitmap, Kind kind, int number) const
{
    BmpFile::write(bitmap, path(kind, number));
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
