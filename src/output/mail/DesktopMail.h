#pragma once

#include "output/mail/MailAction.h"

#include <functional>

namespace vistrel {

// The freedesktop hand-over to the user's mail program (xdg-email) and the local mail
// transfer agent's sendmail interface. Which of them exist is looked up once per run.
class DesktopMail : public MailPort {
public:
    // `folder` gives the private folder a message waits in while sendmail reads it.
    explicit DesktopMail(std::function<QString()> folder) : m_folder(std::move(folder)) {}

    bool compose(const QString& attachment) override;
    bool send(const QByteArray& message) override;

private:
    void findProgramsOnce();

    std::function<QString()> m_folder;
    bool m_looked = false;
    QString m_xdgEmail;
    QString m_sendmail;
};

} // namespace vistrel
