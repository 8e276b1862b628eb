#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>

using namespace vistrel::test;

namespace {

const QString Handed = QStringLiteral("status: メール送信画面を表示しました。");
const QString Scripts = QStringLiteral(MAIL_TEST_SCRIPTS);

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

} // namespace

TEST(MailAfterCapture, AutomaticSendingDeliversThePictureToTheRecipient)
{
    SmtpSink smtp;
    MailScene scene("[MAIN]\nAFTERACTION=8\n[SENDMAIL]\nAUTOSEND=1\nSAVETYPE=10\n"
                    "FILE=shot\nTO=friend@example.com\nSUBJECT=画面のキャプチャです\n");
    writeFile(scene.home(".msmtprc"),
              "account default\nhost 127.0.0.1\nport " + QByteArray::number(smtp.port()) +
                  "\nauth off\ntls off\nfrom vistrel@localhost\n",
              0600);
    scene.captureFromMenu();
    ASSERT_TRUE(scene.vistrel().waitForLogLine(Handed)) << scene.log();
    ASSERT_TRUE(waitFor([&] { return smtp.messages().size() == 1; })) << scene.log();

    QTemporaryDir out;
    const QString received = out.filePath(QStringLiteral("attachment"));
    const CommandResult read =
        runCommand({QStringLiteral("/usr/bin/python3"), Scripts + "/read_mail.py",
                    smtp.messages().front(), received});
    ASSERT_EQ(read.exitCode, 0);
    const QStringList fields = QString::fromUtf8(read.output).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(fields, (QStringList{"to=friend@example.com", "subject=画面のキャプチャです",
                                   "attachments=1", "filename=shot.png", "type=image/png"}));
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

TEST(MailFromCommandLine, NoMailProgramFailsQuietly)
{
    MailScene scene("");
    // Neither xdg-email nor anything else on the way.
    scene.vistrel().setEnv(QStringLiteral("PATH"), scene.home("empty-bin"));
    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A8")});
    ASSERT_TRUE(scene.vistrel().waitForExit()) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 1) << scene.log();
    const QStringList log = scene.vistrel().testLog();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.last(), QStringLiteral("status: ")) << scene.log();
    for (const QString& line : log)
        EXPECT_TRUE(line.startsWith(QStringLiteral("status:"))) << line.toStdString();
    EXPECT_TRUE(QFileInfo::exists(scene.attachmentFolder() + "/ROVUDUV.bmp"));
}
