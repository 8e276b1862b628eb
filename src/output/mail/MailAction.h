#pragma once

#include "output/PictureSaveOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

namespace vistrel {

struct Settings;

// The user's mail programs as the mail action sees them.
class MailPort {
public:
    virtual ~MailPort() = default;
    // Opens the mail program's compose window with the file attached; true when it did.
    virtual bool compose(const QString& attachment) = 0;
    // Hands a finished message to the mail transfer agent; true when it took it.
    virtual bool send(const QByteArray& message) = 0;
};

// The per-user folder the attachments are written to ($XDG_CACHE_HOME/vistrel/mail), made
// with mode 0700 when missing. Throws std::runtime_error when the path is not a folder of
// the user's own (a planted link, another owner).
QString PrivateMailFolder(const QString& cacheHome);

// "SENDMAIL"/"FILE" with its name tokens filled in, plus the extension of the save type. An
// empty name becomes "無題" in the settings too. A slash cannot lead out of the folder.
QString MailAttachmentName(Settings& settings, const QDateTime& now);

// Writes the picture into `folder` as the mail settings say, replacing an earlier
// attachment of that name, and either opens the compose window with it or, with automatic
// sending, sends it to the stored recipient. True when the mail program or the transfer agent
// took it. A write error throws before any program is started.
bool SendPictureByMail(MailPort& mail, const QImage& picture, Settings& settings,
                       const PictureSaveOptions& options, const QString& folder,
                       const QDateTime& now, const QString& from);

} // namespace vistrel
