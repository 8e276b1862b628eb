#pragma once

#include "output/PictureSaveOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

namespace vistrel {

struct Settings;

// Who a message is from and to, as the transfer agent is told on its command line: the
// headers of the message never add a recipient.
struct MailEnvelope {
    QString sender; // empty: the transfer agent's own default
    QStringList recipients;
};

// The user's mail programs as the mail action sees them. Both throw std::runtime_error with
// the reason, in words for the user, when there is no program to do it or it failed.
class MailPort {
public:
    virtual ~MailPort() = default;
    // Opens the mail program's compose window with the file attached.
    virtual void compose(const QString& attachment) = 0;
    // Hands a finished message to the mail transfer agent for the envelope's recipients.
    virtual void send(const QByteArray& message, const MailEnvelope& envelope) = 0;
};

// What became of a picture handed to the mail programs.
enum class MailOutcome { ComposeShown, Sent };

// The per-user folder the attachments are written to ($XDG_CACHE_HOME/vistrel/mail), made
// with mode 0700 when missing. Throws std::runtime_error when the path is not a folder of
// the user's own (a planted link, another owner).
QString PrivateMailFolder(const QString& cacheHome);

// Why the recipients and subject of automatic sending cannot go into a message (no
// recipient, anything but mailboxes, a control character in the subject); empty when they can.
QString AutomaticMailRefusal(const QString& to, const QString& subject);

// "SENDMAIL"/"FILE" with its name tokens filled in, plus the extension of the save type. An
// empty name becomes "無題" in the settings too. A slash cannot lead out of the folder, and
// control characters, which no header may carry, are left out.
QString MailAttachmentName(Settings& settings, const QDateTime& now);

// Writes the picture into `folder` as the mail settings say, replacing an earlier
// attachment of that name, and either opens the compose window with it or, with automatic
// sending, sends it to the stored recipients, from `from` when that is exactly one mailbox.
// Throws std::runtime_error with the reason when the recipients or the subject cannot go
// into a header (before anything is written), when the picture cannot be written, and when
// the mail programs fail.
MailOutcome SendPictureByMail(MailPort& mail, const QImage& picture, Settings& settings,
                              const PictureSaveOptions& options, const QString& folder,
                              const QDateTime& now, const QString& from);

} // namespace vistrel
