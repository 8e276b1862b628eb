#include "output/mail/DesktopMail.h"

#include "output/mail/ProgramRunner.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <stdexcept>

namespace vistrel {

namespace {

// A mail program started in the foreground keeps xdg-email waiting until it is closed; by
// then the compose window is up, and the program is left to run.
constexpr std::chrono::seconds ComposePatience{5};
// A transfer agent that has not delivered by then is stuck.
constexpr std::chrono::seconds SendPatience{120};
// xdg-mime only reads the desktop's association files.
constexpr std::chrono::seconds QueryPatience{10};
// What a transfer agent says is quoted up to this length.
constexpr qsizetype LongestReason = 1000;

const char* const AutomaticSendingHint =
    "「保存形式・連続保存の設定」の「メール送信」ページで「自動的にメールを送信する」を選ぶと、"
    "メールソフトを使わずに送信できます。";

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

QString noMailClientText()
{
    return QStringLiteral("メールを作成するプログラムが設定されていません。\n"
                          "メールソフトを mailto: リンクの既定のプログラムに設定してください。\n") +
           QString::fromUtf8(AutomaticSendingHint);
}

// A file in the private folder that a program's output is written to, read back afterwards.
class OutputCapture {
public:
    explicit OutputCapture(const QString& folder)
        : m_file(folder + QStringLiteral("/output-XXXXXX"))
    {
        if (!m_file.open())
            fail(QStringLiteral("%1 にファイルを作れません: %2").arg(folder, m_file.errorString()));
        m_file.close();
    }
    QString path() const { return m_file.fileName(); }
    QString text() const
    {
        QFile file(m_file.fileName());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.read(LongestReason * 4)).trimmed().left(LongestReason);
    }

private:
    QTemporaryFile m_file;
};

} // namespace

void DesktopMail::findProgramsOnce()
{
    if (m_looked)
        return;
    m_looked = true;
    m_xdgEmail = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    m_xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    m_sendmail = QStandardPaths::findExecutable(QStringLiteral("sendmail"));
    // sendmail lives outside a user's PATH on most systems.
    if (m_sendmail.isEmpty())
        m_sendmail = QStandardPaths::findExecutable(
            QStringLiteral("sendmail"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/lib")});
}

bool DesktopMail::mailClientMissing()
{
    // Without a handler of mailto: links xdg-email gives the link to a web browser, which
    // shows nothing useful; a desktop that cannot be asked is trusted.
    if (m_xdgMime.isEmpty())
        return false;
    const OutputCapture output(m_folder());
    const ProgramOutcome outcome = RunProgram(m_xdgMime,
                                              {QStringLiteral("query"), QStringLiteral("default"),
                                               QStringLiteral("x-scheme-handler/mailto")},
                                              {}, QueryPatience, true, output.path());
    return outcome.exitStatus == 0 && output.text().isEmpty();
}

void DesktopMail::compose(const QString& attachment)
{
    findProgramsOnce();
    if (m_xdgEmail.isEmpty() || mailClientMissing())
        fail(noMailClientText());
    const ProgramOutcome outcome = RunProgram(m_xdgEmail, {QStringLiteral("--attach"), attachment},
                                              {}, ComposePatience, false);
    if (outcome.stillRunning || outcome.exitStatus == 0)
        return;
    fail(QStringLiteral("メールソフトの作成画面を開けませんでした (xdg-email の終了コード %1)。\n")
             .arg(outcome.exitStatus ? QString::number(*outcome.exitStatus)
                                     : QStringLiteral("なし")) +
         QString::fromUtf8(AutomaticSendingHint));
}

void DesktopMail::send(const QByteArray& message, const MailEnvelope& envelope)
{
    findProgramsOnce();
    if (m_sendmail.isEmpty())
        fail(QStringLiteral(
            "メールを送信できません。メール転送プログラム (sendmail) が見つかりません。\n"
            "msmtp-mta などを入れて、送信に使うサーバーを設定してください。"));
    QTemporaryFile file(m_folder() + QStringLiteral("/message-XXXXXX"));
    if (!file.open() || file.write(message) != message.size() || !file.flush())
        fail(QStringLiteral("送信するメールを %1 に書けません: %2")
                 .arg(file.fileName(), file.errorString()));
    // The recipients are named here and nowhere else: no header can add one. A line with a
    // single dot does not end the message.
    QStringList arguments{QStringLiteral("-oi")};
    if (!envelope.sender.isEmpty())
        arguments << QStringLiteral("-f") << envelope.sender;
    arguments << QStringLiteral("--") << envelope.recipients;
    const OutputCapture output(m_folder());
    const ProgramOutcome outcome =
        RunProgram(m_sendmail, arguments, file.fileName(), SendPatience, true, output.path());
    if (outcome.exitStatus == 0)
        return;
    QString reason = output.text();
    if (reason.isEmpty())
        reason = !outcome.started ? QStringLiteral("%1 を起動できません。").arg(m_sendmail)
                 : outcome.exitStatus
                     ? QStringLiteral("%1 が終了コード %2 で終わりました。")
                           .arg(m_sendmail)
                           .arg(*outcome.exitStatus)
                     : QStringLiteral("%1 が時間内に終わりませんでした。").arg(m_sendmail);
    fail(QStringLiteral("メールを送信できませんでした。\n\n") + reason);
}

} // namespace vistrel
