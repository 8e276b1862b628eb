#include "output/PictureFileIo.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace vistrel {

void PictureFileIo::writeAtomically(const QString& path, const QByteArray& bytes)
{
    const auto fail = [&path](const QString& reason) {
        QString text = QStringLiteral("%1 に書き込めません").arg(path);
        if (!reason.isEmpty())
            text += QStringLiteral("\n") + reason;
        throw std::runtime_error(text.toStdString());
    };
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || !info.isWritable()))
        fail(QString());
    QSaveFile file(path);
    // No fallback to writing in place: a half-written picture must never replace the old one.
    file.setDirectWriteFallback(false);
    // Unbuffered, so that a short write (full disk, size limit) is seen here and not lost
    // in a buffered flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(file.errorString());
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError ||
        file.size() != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        fail(reason);
    }
    if (!file.commit())
        fail(file.errorString());
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
