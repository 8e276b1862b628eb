#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>

using namespace vistrel::test;

namespace {

const QString Handed = QStringLiteral("status: メール送信画面を表示しました。");
const QString Sent = QStringLiteral("status: メールを送信しました。");
const QString Scripts = QStringLiteral(MAIL_TEST_SCRIPTS);
const QString NoMailClient =
    QStringLiteral("error: メールを作成するプログラムが設定されていません。");

void writeFile(const QString& path, const QByteArray& bytes, int mode = 0644)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    file.close();
    ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MailScene {
public:
    explicit MailScene(const QByteArray& settings)
    {
        m_vistrel.writeIni("[ALL]\nWAITTIME=300\n" + settings);
        // No desktop session: xdg-email takes the freedesktop defaults of the private home.
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "BROWSER", "EMAIL"})
            m_vistrel.setEnv(QString::fromLatin1(name), QString());
        m_vistrel.setEnv(QStringLiteral("XDG_DATA_HOME"), home(".local/share"));
        m_vistrel.setEnv(QStringLiteral("XDG_CACHE_HOME"), home(".cache"));
    }

    VistrelProcess& vistrel() { return m_vistrel; }
    QString home(const char* path) const { return m_vistrel.homeDir() + u'/' + path; }
    QString attachmentFolder() const { return home(".cache/vistrel/mail"); }

    void captureFromMenu()
    {
        m_vistrel.start();
        const auto window = m_vistrel.waitForMainWindow();
        if (!window)
            throw std::runtime_error("no main window:\n" + m_vistrel.output().toStdString());
        m_session.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(*window)});
        m_session.xdotool({QStringLiteral("key"), QStringLiteral("alt+c")});
        m_session.xdotool({QStringLiteral("key"), QStringLiteral("f")});
    }
    std::string log() const { return m_vistrel.testLog().join(u'\n').toStdString(); }

private:
    XSession m_session;
    VistrelProcess m_vistrel{m_session};
};

// aiosmtpd on a free loopback port, storing what it receives in a maildir.
class SmtpSink {
public:
    SmtpSink()
    {
        ChildOptions options;
        options.outputFile = m_dir.filePath(QStringLiteral("port"));
        m_server = std::make_unique<ChildProcess>(
            QStringList{QStringLiteral("/usr/bin/python3"), Scripts + "/smtp_sink.py", maildir()},
            options);
        const bool listening = waitFor([&] {
            m_port = readFile(options.outputFile).trimmed().toInt();
            return m_port > 0;
        });
        if (!listening)
            throw std::runtime_error("the SMTP server did not start: " +
                                     readFile(options.outputFile).toStdString());
    }
    int port() const { return m_port; }
    QString maildir() const { return m_dir.filePath(QStringLiteral("maildir")); }
    QStringList messages() const
    {
        QStringList files;
        for (const QString& name : QDir(maildir() + "/new").entryList(QDir::Files))
            files << maildir() + "/new/" + name;
        return files;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ChildProcess> m_server;
    int m_port = 0;
};

// The fields read_mail.py prints of a stored message, by name.
QMap<QString, QString> mailFields(const QString& message, const QString& attachmentOut)
{
    const CommandResult read = runCommand(
        {QStringLiteral("/usr/bin/python3"), Scripts + "/read_mail.py", message, attachmentOut});
    QMap<QString, QString> fields;
    for (const QString& line : QString::fromUtf8(read.output).split(u'\n', Qt::SkipEmptyParts))
        fields.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    return fields;
}

// msmtp's sendmail, sending to `port` on this machine as vistrel@localhost.
void configureTransferAgent(const MailScene& scene, int port)
{
    writeFile(scene.home(".msmtprc"),
              "account default\nhost 127.0.0.1\nport " + QByteArray::number(port) +
                  "\nauth off\ntls off\nfrom vistrel@localhost\n",
              0600);
}

// Every envelope recipient of every message the server received.
QStringList envelopeRecipients(const SmtpSink& smtp)
{
    QTemporaryDir out;
    QStringList recipients;
    for (const QString& message : smtp.messages())
        recipients += mailFields(message, out.filePath(QStringLiteral("a")))
                          .value(QStringLiteral("rcpt"))
                          .split(QStringLiteral(", "), Qt::SkipEmptyParts);
    return recipients;
}

} // namespace

TEST(MailAfterCapture, AutomaticSendingDeliversThePictureToTheRecipient)
{
    SmtpSink smtp;
    MailScene scene("[MAIN]\nAFTERACTION=8\n[SENDMAIL]\nAUTOSEND=1\nSAVETYPE=10\n"
                    "FILE=shot\nTO=friend@example.com\nSUBJECT=画面のキャプチャです\n");
    configureTransferAgent(scene, smtp.port());
    scene.captureFromMenu();
    ASSERT_TRUE(scene.vistrel().waitForLogLine(Sent)) << scene.log();
    ASSERT_TRUE(waitFor([&] { return smtp.messages().size() == 1; })) << scene.log();

    QTemporaryDir out;
    const QString received = out.filePath(QStringLiteral("attachment"));
    const QMap<QString, QString> fields = mailFields(smtp.messages().front(), received);
    EXPECT_EQ(fields.value("rcpt"), "friend@example.com");
    EXPECT_EQ(fields.value("to"), "friend@example.com");
    EXPECT_EQ(fields.value("subject"), "画面のキャプチャです");
    EXPECT_EQ(fields.value("attachments"), "1");
    EXPECT_EQ(fields.value("filename"), "shot.png");
    EXPECT_EQ(fields.value("type"), "image/png");
    const QString sent = scene.attachmentFolder() + "/shot.png";
    EXPECT_EQ(readFile(received), readFile(sent));
    EXPECT_EQ(QImage(received).size(), QSize(XSession::ScreenWidth, XSession::ScreenHeight));
    EXPECT_EQ(QFileInfo(scene.attachmentFolder()).permissions() & 0x0077, 0);
}

TEST(MailAfterCapture, ComposeWindowGetsTheAttachmentThroughXdg)
{
    MailScene scene("[MAIN]\nAFTERACTION=8\n");
    // A stand-in mail program, the user's handler of mailto: links.
    const QString urls = scene.home("mailto-urls");
    const QString recorder = scene.home("bin/record-mailto");
    writeFile(recorder, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + QFile::encodeName(urls) + "'\n",
              0755);
    writeFile(scene.home(".local/share/applications/vistrel-test-mail.desktop"),
              "[Desktop Entry]\nType=Application\nName=Test mail\nExec=" +
                  QFile::encodeName(recorder) + " %u\nMimeType=x-scheme-handler/mailto;\n");
    writeFile(scene.home(".config/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/mailto=vistrel-test-mail.desktop\n");

    scene.captureFromMenu();
    ASSERT_TRUE(waitFor([&] { return !readFile(urls).isEmpty(); })) << scene.log();
    ASSERT_TRUE(scene.vistrel().waitForLogLine(Handed)) << scene.log();
    const QString url = QUrl::fromPercentEncoding(readFile(urls).trimmed());
    const QString attachment = scene.attachmentFolder() + "/ROVUDUV.bmp";
    EXPECT_TRUE(url.startsWith(QStringLiteral("mailto:"))) << url.toStdString();
    EXPECT_TRUE(url.contains(QStringLiteral("attach=") + attachment)) << url.toStdString();
    EXPECT_EQ(QImage(attachment, "BMP").size(),
              QSize(XSession::ScreenWidth, XSession::ScreenHeight));
}

TEST(MailFromCommandLine, NoMailProgramSaysSoAndFails)
{
    MailScene scene("");
    // Neither xdg-email nor anything else on the way.
    scene.vistrel().setEnv(QStringLiteral("PATH"), scene.home("empty-bin"));
    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A8")});
    ASSERT_TRUE(scene.vistrel().waitForExit()) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 1) << scene.log();
    EXPECT_TRUE(scene.vistrel().testLog().contains(NoMailClient)) << scene.log();
    EXPECT_TRUE(scene.vistrel().output().contains(QStringLiteral("自動的にメールを送信する")))
        << scene.vistrel().output().toStdString();
    EXPECT_TRUE(QFileInfo::exists(scene.attachmentFolder() + "/ROVUDUV.bmp"));
}

TEST(MailAfterCapture, NoHandlerOfMailtoLinksSaysSoInsteadOfOpeningABrowser)
{
    MailScene scene("[MAIN]\nAFTERACTION=8\n");
    // xdg-email is there, but no program of the private desktop takes mailto: links; a
    // browser that would be given the link records it.
    const QString empty = scene.home("empty");
    QDir().mkpath(empty);
    scene.vistrel().setEnv(QStringLiteral("XDG_DATA_DIRS"), empty);
    scene.vistrel().setEnv(QStringLiteral("XDG_CONFIG_DIRS"), empty);
    const QString opened = scene.home("browser-opened");
    const QString browser = scene.home("bin/browser");
    writeFile(browser, "#!/bin/sh\necho \"$1\" >> '" + QFile::encodeName(opened) + "'\n", 0755);
    scene.vistrel().setEnv(QStringLiteral("BROWSER"), browser);

    scene.captureFromMenu();
    ASSERT_TRUE(scene.vistrel().waitForLogLine(NoMailClient)) << scene.log();
    EXPECT_FALSE(scene.vistrel().testLog().contains(Handed)) << scene.log();
    EXPECT_FALSE(QFileInfo::exists(opened));
}

TEST(MailAfterCapture, FailedSendingShowsTheTransferAgentsReason)
{
    // Nothing listens on the port the transfer agent is sent to.
    int closedPort = 0;
    {
        const SmtpSink gone;
        closedPort = gone.port();
    }
    MailScene scene("[MAIN]\nAFTERACTION=8\n[SENDMAIL]\nAUTOSEND=1\nTO=friend@example.com\n"
                    "SUBJECT=s\n");
    configureTransferAgent(scene, closedPort);
    scene.captureFromMenu();
    ASSERT_TRUE(
        scene.vistrel().waitForLogLine(QStringLiteral("error: メールを送信できませんでした。")))
        << scene.log();
    const QStringList log = scene.vistrel().testLog();
    EXPECT_FALSE(log.filter(QStringLiteral("could not send mail")).isEmpty()) << scene.log();
    EXPECT_FALSE(log.contains(Sent) || log.contains(Handed)) << scene.log();
}

TEST(MailAfterCapture, OnlyTheRecipientsTheUserWroteReceiveTheMail)
{
    SmtpSink smtp;
    // A sender of more than one mailbox is not used: the transfer agent's own stands.
    MailScene scene("[MAIN]\nAFTERACTION=8\n[SENDMAIL]\nAUTOSEND=1\nFILE=shot\rX-Evil: 1\n"
                    "TO=Alice <alice@localhost>, bob@localhost\nSUBJECT=s\n");
    scene.vistrel().setEnv(QStringLiteral("EMAIL"),
                           QStringLiteral("me@localhost,\r\nBcc: evil@localhost"));
    configureTransferAgent(scene, smtp.port());
    scene.captureFromMenu();
    ASSERT_TRUE(scene.vistrel().waitForLogLine(Sent)) << scene.log();
    ASSERT_TRUE(waitFor([&] { return !smtp.messages().isEmpty(); })) << scene.log();
    QStringList recipients = envelopeRecipients(smtp);
    recipients.sort();
    EXPECT_EQ(recipients, (QStringList{"alice@localhost", "bob@localhost"}));
    QTemporaryDir out;
    const QMap<QString, QString> fields =
        mailFields(smtp.messages().front(), out.filePath(QStringLiteral("a")));
    EXPECT_EQ(fields.value("mailfrom"), "vistrel@localhost");
    EXPECT_FALSE(fields.value("from").contains(QStringLiteral("evil")));
    EXPECT_EQ(fields.value("filename"), "shotX-Evil: 1.bmp"); // the line break left out
}

TEST(MailAfterCapture, ARecipientWithALineBreakIsRefusedAndNothingIsSent)
{
    SmtpSink smtp;
    MailScene scene("[MAIN]\nAFTERACTION=8\n[SENDMAIL]\nAUTOSEND=1\n"
                    "TO=alice@localhost\rBcc: evil@localhost\nSUBJECT=s\n");
    configureTransferAgent(scene, smtp.port());
    scene.captureFromMenu();
    ASSERT_TRUE(scene.vistrel().waitForLogLine(
        QStringLiteral("error: メール送信－宛先のメールアドレスが正しくありません。")))
        << scene.log();
    // Refused before the transfer agent was started: nothing can still arrive.
    EXPECT_TRUE(envelopeRecipients(smtp).isEmpty());
    EXPECT_FALSE(scene.vistrel().testLog().contains(Sent)) << scene.log();
}
