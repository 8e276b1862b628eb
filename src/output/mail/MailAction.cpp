#include "output/mail/MailAction.h"

#include "output/FileNameTokens.h"
#include "output/PictureFile.h"
#include "output/mail/MailMessage.h"
#include "platform/PrivateFolder.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

[[noreturn]] void refuseFolder(const QString& path)
{
    throw std::runtime_error(
        QStringLiteral("メールの添付ファイルを置くフォルダを用意できません: %1")
            .arg(path)
            .toStdString());
}

// Makes `path` a folder of mode 0700 owned by the user, or refuses what is there instead.
void makePrivateFolder(const QString& path)
{
    if (!MakePrivateFolder(path))
        refuseFolder(path);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("%1 を読めません: %2").arg(path, file.errorString()).toStdString());
    return file.readAll();
}

} // namespace

QString PrivateMailFolder(const QString& cacheHome)
{
    if (cacheHome.isEmpty() || !QDir().mkpath(cacheHome))
        refuseFolder(cacheHome);
    const QString program = cacheHome + QStringLiteral("/vistrel");
    makePrivateFolder(program);
    const QString folder = program + QStringLiteral("/mail");
    makePrivateFolder(folder);
    return folder;
}

QString MailAttachmentName(Settings& settings, const QDateTime& now)
{
    if (settings.SENDMAIL.FILE.isEmpty())
        settings.SENDMAIL.FILE = QStringLiteral("無題");
    QString name = ExpandFileNameTokens(settings.SENDMAIL.FILE, now);
    name.replace(u'/', u'_');
    return name + u'.' + SaveTypeExtension(settings.SENDMAIL.SAVETYPE);
}

bool SendPictureByMail(MailPort& mail, const QImage& picture, Settings& settings,
                       const PictureSaveOptions& options, const QString& folder,
                       const QDateTime& now, const QString& from)
{
    const QString name = MailAttachmentName(settings, now);
    const QString path = folder + u'/' + name;
    // The earlier attachment is replaced, never a file a link there points to.
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);
    savePictureFile(picture, settings.SENDMAIL.SAVETYPE, path, options);
    if (!settings.SENDMAIL.AUTOSEND)
        return mail.compose(path);

    MailMessageParts parts;
    parts.from = from;
    parts.to = settings.SENDMAIL.TO;
    parts.subject = settings.SENDMAIL.SUBJECT;
    parts.attachmentName = name;
    parts.attachment = readFile(path);
    parts.mediaType = PictureMediaType(SaveTypeExtension(settings.SENDMAIL.SAVETYPE));
    return mail.send(BuildMailMessage(parts));
}

} // namespace vistrel
