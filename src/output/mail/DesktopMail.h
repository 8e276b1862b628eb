#pragma once

#include "output/mail/MailAction.h"

#include <functional>

namespace vistrel {

// The freedesktop hand-over to the user's mail program (xdg-email) and the local mail
// transfer agent's sendmail interface. Which of them exist is looked up once per run; whether
// a mail program handles mailto: links is asked at every compose, as the user may set one.
class DesktopMail : public MailPort {
public:
    // `folder` gives the private folder a message waits in while sendmail reads it.
    explicit DesktopMail(std::function<QString()> folder) : m_folder(std::move(folder)) {}

    void compose(const QString& attachment) override;
    void send(const QByteArray& message, const MailEnvelope& envelope) override;

private:
    void findProgramsOnce();
    bool mailClientMissing();

    std::function<QString()> m_folder;
    bool m_looked = false;
    QString m_xdgEmail;
    QString m_xdgMime;
    QString m_sendmail;
};

} // namespace vistrel
