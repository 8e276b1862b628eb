#include "platform/wayland/RemoteDesktopPortal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <stdexcept>

namespace vistrel::wayland {

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString RemoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

constexpr uint PointerDevice = 2;
constexpr uint VerticalAxis = 0;
constexpr int CallLimitMs = 5000;
// The user answers the desktop's question at leisure.
constexpr int UserAnswerLimitMs = 300000;
// Farther than any layout: a move by this much puts the pointer at the monitor's corner.
// The bottom right one, as the top left one is GNOME's hot corner, which opens the overview.
constexpr double HomeDistance = 100000.0;
// Programs bind to the new pointer a moment after the desktop lends it.
constexpr int NewDeviceSettleMs = 200;

QString newToken()
{
    return QStringLiteral("vistrel%1")
        .arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0'));
}

class PortalPointer final : public WheelDevice {
public:
    PortalPointer(RemoteDesktopPortal& portal, const QRect& layout)
        : m_portal(portal), m_layout(layout)
    {}

    // The portal moves the pointer only by distances: from the corner it is pushed into,
    // the distance tells the position.
    void moveTo(QPoint position) override
    {
        if (!m_portal.moveBy({HomeDistance, HomeDistance}) ||
            !m_portal.moveBy(QPointF(position - m_layout.bottomRight())))
            throw std::runtime_error(lostText());
    }

    void notchDown() override
    {
        if (!m_portal.notchDown())
            throw std::runtime_error(lostText());
    }

private:
    static const char* lostText()
    {
        return "デスクトップがスクロールのためのポインタの貸し出しを終えました"
               "（画面共有の表示から止められた場合など）。もう一度スクロールキャプチャすると、"
               "改めて許可を求めます。";
    }

    RemoteDesktopPortal& m_portal;
    QRect m_layout;
};

} // namespace

RemoteDesktopPortal::~RemoteDesktopPortal()
{
    closeSession();
}

bool RemoteDesktopPortal::offered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(PortalService).value())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << RemoteDesktopInterface << QStringLiteral("AvailableDeviceTypes");
    const QDBusMessage reply = bus.call(call, QDBus::Block, CallLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const uint devices = reply.arguments().first().value<QDBusVariant>().variant().toUInt();
    return (devices & PointerDevice) != 0;
}

std::unique_ptr<WheelDevice> RemoteDesktopPortal::open(const QRect& layout)
{
    if (m_session.isEmpty()) {
        if (!startSession())
            return nullptr;
        QThread::msleep(NewDeviceSettleMs);
    }
    return std::make_unique<PortalPointer>(*this, layout);
}

bool RemoteDesktopPortal::startSession()
{
    if (!request(QStringLiteral("CreateSession"), {},
                 {{QStringLiteral("session_handle_token"), newToken()}}, CallLimitMs))
        return false;
    const QString session = m_results.value(QStringLiteral("session_handle")).toString();
    if (session.isEmpty())
        return false;
    const QVariantList onSession{QVariant::fromValue(QDBusObjectPath(session))};
    // The desktop asks the user at Start: the answer may take as long as the user likes.
    const bool started = request(QStringLiteral("SelectDevices"), onSession,
                                 {{QStringLiteral("types"), PointerDevice}}, CallLimitMs) &&
                         request(QStringLiteral("Start"), onSession + QVariantList{QString()}, {},
                                 UserAnswerLimitMs) &&
                         (m_results.value(QStringLiteral("devices")).toUInt() & PointerDevice) != 0;
    m_session = session;
    if (!started)
        closeSession();
    return started;
}

bool RemoteDesktopPortal::request(const QString& method, const QVariantList& arguments,
                                  QVariantMap options, int limitMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = newToken();
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString handle =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    // Listen before asking: a quick portal answers before the call returns.
    m_answered = false;
    m_results.clear();
    bus.connect(PortalService, handle, RequestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(uint, QVariantMap)));
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalService, PortalPath, RemoteDesktopInterface, method);
    call.setArguments(arguments + QVariantList{options});
    const QDBusMessage reply = bus.call(call, QDBus::Block, CallLimitMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        limit.start(limitMs);
        while (!m_answered && limit.isActive())
            loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    }
    bus.disconnect(PortalService, handle, RequestInterface, QStringLiteral("Response"), this,
                   SLOT(onResponse(uint, QVariantMap)));
    return m_answered && m_response == 0;
}

void RemoteDesktopPortal::onResponse(uint response, const QVariantMap& results)
{
    m_answered = true;
    m_response = response;
    m_results = results;
}

bool RemoteDesktopPortal::notify(const QString& method, const QVariantList& arguments)
{
    if (m_session.isEmpty())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalService, PortalPath, RemoteDesktopInterface, method);
    call.setArguments(QVariantList{QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap()} +
                      arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallLimitMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    // The session is gone (stopped from the desktop's sharing indicator): the next scroll
    // asks again.
    m_session.clear();
    return false;
}

bool RemoteDesktopPortal::moveBy(QPointF distance)
{
    return notify(QStringLiteral("NotifyPointerMotion"), {distance.x(), distance.y()});
}

bool RemoteDesktopPortal::notchDown()
{
    return notify(QStringLiteral("NotifyPointerAxisDiscrete"), {VerticalAxis, 1});
}

void RemoteDesktopPortal::closeSession()
{
    if (m_session.isEmpty())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, m_session, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(call, QDBus::Block, CallLimitMs);
    m_session.clear();
}

} // namespace vistrel::wayland
