#include "output/codecs/PictureFileIo.h"

#include "platform/FileWriting.h"

#include <QFile>

#include <stdexcept>

namespace vistrel {

void PictureFileIo::writeAtomically(const QString& path, const QByteArray& bytes, bool durable)
{
    writeFileAtomically(path, bytes, durable);
}

QByteArray PictureFileIo::readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throwUnreadable(path, file.errorString());
    if (file.size() > MaxFileBytes)
        throwUnreadable(path, QStringLiteral("ファイルが大きすぎます"));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throwUnreadable(path, file.errorString());
    return bytes;
}

void PictureFileIo::throwUnreadable(const QString& path, const QString& reason)
{
    QString text = QStringLiteral("%1 を読み込めません").arg(path);
    if (!reason.isEmpty())
        text += QStringLiteral("\n") + reason;
    throw std::runtime_error(text.toStdString());
}

} // namespace vistrel
