#include "platform/wayland/DesktopPortal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

namespace vistrel::wayland::portal {

namespace {

// Takes the Response of one request; D-Bus signals reach only slots.
class ResponseCatcher final : public QObject {
    Q_OBJECT
public:
    Answer answer;

public Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results)
    {
        answer.answered = true;
        answer.response = response;
        answer.results = results;
    }
};

} // namespace

QString NewToken()
{
    return QStringLiteral("vistrel%1")
        .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
}

QString RequestPath(const QString& token)
{
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QVariant Property(const QString& interface, const QString& name, int limitMs)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        Service, Path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << interface << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, limitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

void CloseSession(const QString& sessionHandle, int limitMs)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        Service, sessionHandle, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(call, QDBus::Block, limitMs);
}

Answer Ask(const QString& interface, const QString& method, const QVariantList& arguments,
           QVariantMap options, int callLimitMs, int answerLimitMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = NewToken();
    const QString handle = RequestPath(token);
    // Listen before asking: a quick portal answers before the call returns.
    ResponseCatcher catcher;
    bus.connect(Service, handle, RequestInterface, QStringLiteral("Response"), &catcher,
                SLOT(onResponse(uint, QVariantMap)));
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, interface, method);
    call.setArguments(arguments + QVariantList{options});
    const QDBusMessage reply = bus.call(call, QDBus::Block, callLimitMs);
    catcher.answer.called = reply.type() == QDBusMessage::ReplyMessage;
    if (catcher.answer.called) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        limit.start(answerLimitMs);
        while (!catcher.answer.answered && limit.isActive())
            loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    }
    bus.disconnect(Service, handle, RequestInterface, QStringLiteral("Response"), &catcher,
                   SLOT(onResponse(uint, QVariantMap)));
    return catcher.answer;
}

} // namespace vistrel::wayland::portal

#include "DesktopPortal.moc"
