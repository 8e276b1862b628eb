#pragma once

#include <QByteArray>
#include <QString>

namespace vistrel {

// A message with one attached file, as it is handed to the mail transfer agent.
struct MailMessageParts {
    QString from; // empty: the mail transfer agent fills in the user's address
    QString to;   // one or more addresses, separated by commas
    QString subject;
    QString attachmentName; // the file name the recipient sees
    QByteArray attachment;
    QByteArray mediaType; // "image/png"
};

// The whole message in Internet format with local line ends, as `sendmail -t` reads it: the
// subject and file name encoded for any script, the attachment in base64.
QByteArray BuildMailMessage(const MailMessageParts& parts);

// The media type of a picture file by its extension ("bmp", "jpg", "png", "gif").
QByteArray PictureMediaType(const QString& extension);

} // namespace vistrel
