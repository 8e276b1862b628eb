#include "output/mail/DesktopMail.h"

#include "output/mail/ProgramRunner.h"

#include <QStandardPaths>
#include <QTemporaryFile>

namespace vistrel {

namespace {

// A mail program started in the foreground keeps xdg-email waiting until it is closed; by
// then the compose window is up, and the program is left to run.
constexpr std::chrono::seconds ComposePatience{5};
// A transfer agent that has not delivered by then is stuck.
constexpr std::chrono::seconds SendPatience{120};

} // namespace

void DesktopMail::findProgramsOnce()
{
    if (m_looked)
        return;
    m_looked = true;
    m_xdgEmail = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    m_sendmail = QStandardPaths::findExecutable(QStringLiteral("sendmail"));
    // sendmail lives outside a user's PATH on most systems.
    if (m_sendmail.isEmpty())
        m_sendmail = QStandardPaths::findExecutable(
            QStringLiteral("sendmail"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/lib")});
}

bool DesktopMail::compose(const QString& attachment)
{
    findProgramsOnce();
    if (m_xdgEmail.isEmpty())
        return false;
    const ProgramOutcome outcome = RunProgram(m_xdgEmail, {QStringLiteral("--attach"), attachment},
                                              {}, ComposePatience, false);
    return outcome.stillRunning || outcome.exitStatus == 0;
}

bool DesktopMail::send(const QByteArray& message)
{
    findProgramsOnce();
    if (m_sendmail.isEmpty())
        return false;
    QTemporaryFile file(m_folder() + QStringLiteral("/message-XXXXXX"));
    if (!file.open() || file.write(message) != message.size() || !file.flush())
        return false;
    // Recipients from the headers; a line with a single dot does not end the message.
    const ProgramOutcome outcome =
        RunProgram(m_sendmail, {QStringLiteral("-t"), QStringLiteral("-oi")}, file.fileName(),
                   SendPatience, true);
    return outcome.exitStatus == 0;
}

} // namespace vistrel
