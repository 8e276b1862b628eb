#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace vistrel {

// A message with one attached file, as it is handed to the mail transfer agent.
struct MailMessageParts {
    QString from; // one mailbox; empty: the mail transfer agent fills in the user's address
    QString to;   // one or more mailboxes, separated by commas (see MailboxAddresses)
    QString subject;
    QString attachmentName; // the file name the recipient sees
    QByteArray attachment;
    QByteArray mediaType; // "image/png"
};

// The whole message in Internet format with local line ends, as sendmail reads it: the
// subject and file name encoded for any script, the attachment in base64. The address
// headers hold only the mailboxes MailboxAddresses accepts.
QByteArray BuildMailMessage(const MailMessageParts& parts);

// The addresses of the mailboxes a user wrote, separated by commas, each one address with an
// optional display name ("Alice <alice@example.com>"). Nothing when the text is empty, holds a
// control character (a line break would start another header) or anything but such
// mailboxes, such as a group ("Bcc: evil@example.com;") or a mangled address.
std::optional<QStringList> MailboxAddresses(const QString& text);

// The address of a sender given as exactly one mailbox; empty for anything else.
QString SenderAddress(const QString& text);

// True for C0 and C1 control characters and line or paragraph separators anywhere in `text`.
bool HasControlCharacter(const QString& text);

// The media type of a picture file by its extension ("bmp", "jpg", "png", "gif").
QByteArray PictureMediaType(const QString& extension);

} // namespace vistrel
