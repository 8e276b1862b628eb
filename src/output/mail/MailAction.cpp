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

QString AutomaticMailRefusal(const QString& to, const QString& subject)
{
    if (to.trimmed().isEmpty())
        return QStringLiteral("メール送信－宛先が入力されていません。");
    if (!MailboxAddresses(to))
        return QStringLiteral("メール送信－宛先のメールアドレスが正しくありません。\n"
                              "宛先にはメールアドレスだけを、複数ならコンマ (,) で区切って"
                              "入力してください。");
    if (HasControlCharacter(subject))
        return QStringLiteral("メール送信－件名に改行などの制御文字があります。");
    return {};
}

QString MailAttachmentName(Settings& settings, const QDateTime& now)
{
    if (settings.SENDMAIL.FILE.isEmpty())
        settings.SENDMAIL.FILE = QStringLiteral("無題");
    QString name = ExpandFileNameTokens(settings.SENDMAIL.FILE, now);
    name.replace(u'/', u'_');
    name.removeIf([](QChar c) { return HasControlCharacter(QString(c)); });
    return name + u'.' + SaveTypeExtension(settings.SENDMAIL.SAVETYPE);
}

MailOutcome SendPictureByMail(MailPort& mail, const QImage& picture, Settings& settings,
                              const PictureSaveOptions& options, const QString& folder,
                              const QDateTime& now, const QString& from)
{
    MailEnvelope envelope;
    if (settings.SENDMAIL.AUTOSEND) {
        const QString refusal =
            AutomaticMailRefusal(settings.SENDMAIL.TO, settings.SENDMAIL.SUBJECT);
        if (!refusal.isEmpty())
            throw std::runtime_error(refusal.toStdString());
        envelope.recipients = *MailboxAddresses(settings.SENDMAIL.TO);
        // Anything but one mailbox leaves the sender to the transfer agent.
        envelope.sender = SenderAddress(from);
    }
    const QString name = MailAttachmentName(settings, now);
    const QString path = folder + u'/' + name;
    // The earlier attachment is replaced, never a file a link there points to.
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);
    savePictureFile(picture, settings.SENDMAIL.SAVETYPE, path, options);
    if (!settings.SENDMAIL.AUTOSEND) {
        mail.compose(path);
        return MailOutcome::ComposeShown;
    }

    MailMessageParts parts;
    parts.from = envelope.sender.isEmpty() ? QString() : from;
    parts.to = settings.SENDMAIL.TO;
    parts.subject = settings.SENDMAIL.SUBJECT;
    parts.attachmentName = name;
    parts.attachment = readFile(path);
    parts.mediaType = PictureMediaType(SaveTypeExtension(settings.SENDMAIL.SAVETYPE));
    mail.send(BuildMailMessage(parts), envelope);
    return MailOutcome::Sent;
}

} // namespace vistrel
