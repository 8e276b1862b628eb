#include "platform/wayland/RemoteDesktopPortal.h"

#include "platform/wayland/DesktopPortal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QThread>

#include <stdexcept>

namespace vistrel::wayland {

namespace {

const QString RemoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

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
        !bus.interface()->isServiceRegistered(portal::Service).value())
        return false;
    const QVariant devices = portal::Property(RemoteDesktopInterface,
                                              QStringLiteral("AvailableDeviceTypes"), CallLimitMs);
    return (devices.toUInt() & PointerDevice) != 0;
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
    const portal::Answer created =
        request(QStringLiteral("CreateSession"), {},
                {{QStringLiteral("session_handle_token"), portal::NewToken()}}, CallLimitMs);
    const QString session = created.results.value(QStringLiteral("session_handle")).toString();
    if (!created.granted() || session.isEmpty())
        return false;
    m_session = session;
    const QVariantList onSession{QVariant::fromValue(QDBusObjectPath(session))};
    const portal::Answer selected =
        request(QStringLiteral("SelectDevices"), onSession,
                {{QStringLiteral("types"), PointerDevice}}, CallLimitMs);
    // The desktop asks the user at Start: the answer may take as long as the user likes.
    const portal::Answer start =
        selected.granted() ? request(QStringLiteral("Start"), onSession + QVariantList{QString()},
                                     {}, UserAnswerLimitMs)
                           : portal::Answer();
    const uint lent = start.results.value(QStringLiteral("devices")).toUInt();
    const bool started = start.granted() && (lent & PointerDevice) != 0;
    if (!started)
        closeSession();
    return started;
}

portal::Answer RemoteDesktopPortal::request(const QString& method, const QVariantList& arguments,
                                            const QVariantMap& options, int limitMs)
{
    return portal::Ask(RemoteDesktopInterface, method, arguments, options, CallLimitMs, limitMs);
}

bool RemoteDesktopPortal::notify(const QString& method, const QVariantList& arguments)
{
    if (m_session.isEmpty())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(portal::Service, portal::Path,
                                                       RemoteDesktopInterface, method);
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
    portal::CloseSession(m_session, CallLimitMs);
    m_session.clear();
}

} // namespace vistrel::wayland
