#include "output/mail/MailAction.h"
#include "output/mail/MailMessage.h"
#include "output/mail/ProgramRunner.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel;

namespace {

class FakeMail : public MailPort {
public:
    QString composed;
    QByteArray sent;
    MailEnvelope envelope;
    void compose(const QString& attachment) override { composed = attachment; }
    void send(const QByteArray& message, const MailEnvelope& to) override
    {
        sent = message;
        envelope = to;
    }
};

Settings mailSettings()
{
    Settings settings{};
    settings.SENDMAIL.SAVETYPE = 1;
    settings.SENDMAIL.FILE = QStringLiteral("ROVUDUV");
    return settings;
}

QImage picture()
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    return image;
}

const QDateTime At(QDate(2024, 3, 5), QTime(7, 8, 9));

} // namespace

TEST(MailAttachmentName, TokensExtensionAndUntitled)
{
    Settings settings = mailSettings();
    EXPECT_EQ(MailAttachmentName(settings, At), "ROVUDUV.bmp");
    settings.SENDMAIL.FILE = QStringLiteral("shot_<$H><$N><$S>");
    settings.SENDMAIL.SAVETYPE = 9;
    EXPECT_EQ(MailAttachmentName(settings, At), "shot_070809.jpg");
    settings.SENDMAIL.FILE = QStringLiteral("../up");
    EXPECT_EQ(MailAttachmentName(settings, At), ".._up.jpg");
    settings.SENDMAIL.FILE.clear(); // the setting itself becomes untitled
    EXPECT_EQ(MailAttachmentName(settings, At), "無題.jpg");
    EXPECT_EQ(settings.SENDMAIL.FILE, "無題");
}

TEST(SendPictureByMail, ComposeReplacesAPlantedLinkInsteadOfWritingThroughIt)
{
    QTemporaryDir dir;
    const QString folder = PrivateMailFolder(dir.filePath("cache"));
    EXPECT_EQ(folder, dir.filePath("cache/vistrel/mail"));
    EXPECT_EQ(QFile::permissions(folder) & 0x0077, 0);
    const QString victim = dir.filePath("victim");
    QFile(victim).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(victim, folder + "/ROVUDUV.bmp"));

    FakeMail mail;
    Settings settings = mailSettings();
    ASSERT_EQ(SendPictureByMail(mail, picture(), settings, {}, folder, At, {}),
              MailOutcome::ComposeShown);
    EXPECT_EQ(mail.composed, folder + "/ROVUDUV.bmp");
    EXPECT_FALSE(QFileInfo(mail.composed).isSymLink());
    EXPECT_EQ(QImage(mail.composed, "BMP").size(), QSize(8, 6));
    EXPECT_EQ(QFileInfo(victim).size(), 0);
    EXPECT_TRUE(mail.sent.isEmpty());
}

TEST(SendPictureByMail, AutomaticSendingBuildsOneMessageWithTheAttachment)
{
    QTemporaryDir dir;
    FakeMail mail;
    Settings settings = mailSettings();
    settings.SENDMAIL.AUTOSEND = true;
    settings.SENDMAIL.SAVETYPE = 10;
    settings.SENDMAIL.TO = QStringLiteral("friend@example.com");
    settings.SENDMAIL.SUBJECT = QStringLiteral("画面です");
    ASSERT_EQ(SendPictureByMail(mail, picture(), settings, {}, dir.path(), At, "me@example.com"),
              MailOutcome::Sent);
    EXPECT_TRUE(mail.composed.isEmpty());
    EXPECT_EQ(mail.envelope.sender, "me@example.com");
    EXPECT_EQ(mail.envelope.recipients, QStringList{"friend@example.com"});
    const QString message = QString::fromLatin1(mail.sent);
    EXPECT_TRUE(message.contains("To: friend@example.com")) << mail.sent.constData();
    EXPECT_TRUE(message.contains("From: me@example.com"));
    EXPECT_TRUE(message.contains("Subject: =?UTF-8?"));
    EXPECT_TRUE(message.contains("Content-Type: image/png"));
    EXPECT_TRUE(message.contains("filename=ROVUDUV.png"));
    QFile file(dir.filePath("ROVUDUV.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(message.contains(QString::fromLatin1(file.readAll().toBase64().left(60))));
}

TEST(MailboxAddresses, OnlyTheMailboxesTheUserWroteBecomeRecipients)
{
    EXPECT_EQ(MailboxAddresses("alice@example.com"), QStringList{"alice@example.com"});
    EXPECT_EQ(MailboxAddresses("Alice <alice@example.com>, \"Doe, Bob\" <bob@example.com>"),
              (QStringList{"alice@example.com", "bob@example.com"}));
    for (const char* hostile :
         {"alice@example.com\rBcc: evil@example.com", "alice@example.com\nBcc: evil@example.com",
          "alice@example.com Bcc: evil@example.com", "Bcc: evil@example.com;",
          "alice@example.com evil@example.com", "alice@example.com,,evil@example.com", "alice",
          "-oQ/tmp@example.com", "alice@example.com\u0085", "", " "})
        EXPECT_FALSE(MailboxAddresses(QString::fromUtf8(hostile))) << hostile;

    EXPECT_EQ(SenderAddress("Me <me@example.com>"), "me@example.com");
    for (const char* notOne : {"me@example.com, evil@example.com", "me@example.com\r\nBcc: e@x.org",
                               "Bcc: evil@example.com;", "me"})
        EXPECT_EQ(SenderAddress(QString::fromUtf8(notOne)), QString()) << notOne;
}

TEST(SendPictureByMail, HeadersCarryNoControlCharacters)
{
    QTemporaryDir dir;
    FakeMail mail;
    Settings settings = mailSettings();
    settings.SENDMAIL.AUTOSEND = true;
    settings.SENDMAIL.TO = QStringLiteral("alice@example.com\rBcc: evil@example.com");
    settings.SENDMAIL.SUBJECT = QStringLiteral("件名");
    EXPECT_THROW(SendPictureByMail(mail, picture(), settings, {}, dir.path(), At, {}),
                 std::runtime_error);
    settings.SENDMAIL.TO = QStringLiteral("alice@example.com");
    settings.SENDMAIL.SUBJECT = QStringLiteral("件名\r\nBcc: evil@example.com");
    EXPECT_THROW(SendPictureByMail(mail, picture(), settings, {}, dir.path(), At, {}),
                 std::runtime_error);
    EXPECT_TRUE(mail.sent.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty()); // refused before anything was written

    // A sender of more than one mailbox is left to the transfer agent; the name loses its
    // control characters.
    settings.SENDMAIL.SUBJECT = QStringLiteral("件名");
    settings.SENDMAIL.FILE = QStringLiteral("shot\r\nX-Evil: 1");
    ASSERT_EQ(SendPictureByMail(mail, picture(), settings, {}, dir.path(), At,
                                "me@example.com,\nBcc: evil@example.com"),
              MailOutcome::Sent);
    EXPECT_TRUE(mail.envelope.sender.isEmpty());
    EXPECT_EQ(mail.envelope.recipients, QStringList{"alice@example.com"});
    const QString message = QString::fromLatin1(mail.sent);
    EXPECT_FALSE(message.contains("From:")) << mail.sent.constData();
    EXPECT_FALSE(message.contains("evil")) << mail.sent.constData();
    EXPECT_TRUE(message.contains("filename=\"shotX-Evil: 1.bmp\"")) << mail.sent.constData();
}

TEST(PrivateMailFolder, RefusesALinkPlantedInItsPlace)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("cache/vistrel"));
    QDir().mkpath(dir.filePath("elsewhere"));
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), dir.filePath("cache/vistrel/mail")));
    EXPECT_THROW(PrivateMailFolder(dir.filePath("cache")), std::runtime_error);
}

TEST(RunProgram, ArgumentsReachTheProgramUnchangedAndRunNothing)
{
    QTemporaryDir dir;
    const QString recorder = dir.filePath("record");
    QFile script(recorder);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\nexit 3\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString marker = dir.filePath("ran");
    const QString odd = "my shot \"1\" 'a' $(touch " + marker + "); `touch " + marker + "`.bmp";
    const ProgramOutcome outcome =
        RunProgram(recorder, {"--attach", odd}, {}, std::chrono::seconds(20), true);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitStatus, 3);
    QFile args(recorder + ".args");
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(args.readAll()), "--attach\n" + odd + "\n");
    EXPECT_FALSE(QFileInfo::exists(marker));

    EXPECT_FALSE(
        RunProgram(dir.filePath("missing"), {}, {}, std::chrono::seconds(1), true).started);
    const ProgramOutcome late =
        RunProgram("/bin/sleep", {"30"}, {}, std::chrono::milliseconds(100), true);
    EXPECT_FALSE(late.exitStatus);
    EXPECT_FALSE(late.stillRunning);
}
