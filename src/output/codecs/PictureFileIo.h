#pragma once

#include <QByteArray>
#include <QString>

namespace vistrel {

// Whole-file reads and writes shared by the picture codecs.
class PictureFileIo {
public:
    // Largest picture file the readers accept; anything bigger is refused before reading.
    static constexpr qint64 MaxFileBytes = qint64(1) << 30;

    // Writes beside the target and renames over it, so a failure leaves any old file
    // intact and no partial file behind. Throws std::runtime_error "<path> に書き込めません".
    // `durable`: synced to disk even under a new name (see writeFileAtomically).
    static void writeAtomically(const QString& path, const QByteArray& bytes, bool durable = false);

    // Throws std::runtime_error "<path> を読み込めません" when the file cannot be read.
    static QByteArray readAll(const QString& path);

    // A decoding error for `path` with the codec's reason appended.
    [[noreturn]] static void throwUnreadable(const QString& path, const QString& reason);
};

} // namespace vistrel
