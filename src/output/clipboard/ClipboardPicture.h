#pragma once

#include <QHash>
#include <QImage>
#include <QMimeData>

namespace vistrel {

// A picture on the clipboard in the types other programs ask for: image/png (browsers,
// office and chat programs, GTK and Qt), image/bmp, and Qt's own image for this program.
// Nothing is encoded until a program asks for a type, and each type is encoded once.
class ClipboardPicture : public QMimeData {
    Q_OBJECT

public:
    static inline const char* const Png = "image/png";
    static inline const char* const Bmp = "image/bmp";

    explicit ClipboardPicture(QImage picture);

    const QImage& picture() const { return m_picture; }
    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

    // The picture's bytes as image/png or image/bmp; empty for any other type.
    static QByteArray encode(const QImage& picture, const QString& mimeType);

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QImage m_picture;
    mutable QHash<QString, QByteArray> m_encoded;
};

// Puts the picture on the clipboard (the CLIPBOARD selection only; PRIMARY stays as it is).
void copyPictureToClipboard(const QImage& picture);

// The picture this run last put on the clipboard while Qt still has it; null otherwise.
QImage lastCopiedPicture();

} // namespace vistrel
